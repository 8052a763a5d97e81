// The workbench's own commands as users and tests type them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "workbench/workbench.h"

namespace kwt {
namespace {

using ::testing::ElementsAre;

std::vector<double> Values(const HostWave* w) {
  std::vector<double> v;
  for (int64_t i = 0; i < w->points; ++i) v.push_back(w->Value(i));
  return v;
}

TEST(Make, TypesSizesAndOverwrite) {
  Workbench wb;
  ASSERT_EQ(wb.Run("Make w"), 0);
  HostWave* w = wb.ResolveWave("w");
  ASSERT_NE(w, nullptr);
  // The host's default size; no overwrite without /O; overwritten in place.
  EXPECT_EQ(std::make_pair(w->points, w->type), std::make_pair(int64_t{128}, kWaveFloat32));
  EXPECT_EQ(wb.Run("Make w"), kHostErrNameInUse);
  ASSERT_EQ(wb.Run("Make/O/D/N=(2+1) w"), 0);
  EXPECT_EQ(std::make_tuple(wb.ResolveWave("w"), w->points, w->type), std::make_tuple(w, int64_t{3}, kWaveFloat64));

  const std::pair<const char*, int32_t> types[] = {
      {"/B", kWaveInt8},  {"/B/U", kWaveInt8 | kWaveUnsigned}, {"/W", kWaveInt16},
      {"/W/U", kWaveInt16 | kWaveUnsigned}, {"/I", kWaveInt32},
      {"/I/U", kWaveInt32 | kWaveUnsigned}, {"/C", kWaveFloat32 | kWaveComplex},
      {"/C/D", kWaveFloat64 | kWaveComplex}, {"/T", kWaveText},
  };
  for (const auto& [flags, type] : types) {
    ASSERT_EQ(wb.Run(std::string("Make/O/N=2") + flags + " t"), 0) << flags;
    EXPECT_EQ(wb.ResolveWave("t")->type, type) << flags;
  }
  ASSERT_EQ(wb.Run("Make/N=2 a, b, c"), 0);
  EXPECT_NE(wb.ResolveWave("c"), nullptr);
  // Refusals; a size the machine cannot hold is not attempted.
  for (const auto& [line, code] : std::vector<std::pair<std::string, int32_t>>{
           {"Make/N=2 this_name_is_much_too_long_for_a_wave", kHostErrNameTooLong},
           {"Make/N=2 'liberal: no'", kHostErrBadName},
           {"Make/X w2", kHostErrBadFlag},
           {"Make/O/N=(2^62) huge", kHostErrNoMemory},
           {"Make/O/N=(-1) y", kHostErrBadValue},
           {"Redimension/N=(NaN) a", kHostErrBadValue}})
    EXPECT_EQ(wb.Run(line), code) << line;
  // Flag values are checked before they become integers.
  ASSERT_EQ(wb.Run("Make/O/Y=4 y"), 0);
  EXPECT_EQ(wb.ResolveWave("y")->type, kWaveFloat64);
  for (const char* value : {"22222222222", "-1", "2.5", "NaN", "6", "1e300"}) {
    EXPECT_EQ(wb.Run(std::string("Make/O/Y=") + value + " y"), kHostErrBadValue) << value;
    EXPECT_EQ(wb.results().back().diagnosis,
              std::string("/Y=") + value + ": no number type has that code");
  }
}

TEST(Make, TheHostsSizeLimitFailsAsOutOfMemory) {
  Workbench::Options o;
  o.maxWaveBytes = 1000;
  Workbench wb(o);
  EXPECT_EQ(wb.Run("Make/O/N=250 fits"), 0);
  EXPECT_EQ(wb.Run("Make/O/N=251 over"), kHostErrNoMemory);
  EXPECT_EQ(wb.Run("Make/O/D/N=126 over"), kHostErrNoMemory);
  EXPECT_EQ(wb.Run("Redimension/N=1000 fits"), kHostErrNoMemory);
  EXPECT_EQ(wb.ResolveWave("fits")->points, 250);
}

TEST(Assignment, ListsExpressionsAndPoints) {
  Workbench wb;
  ASSERT_EQ(wb.Run("Make/O/N=3 w; w = {1, NaN, 3, 7}"), 0);
  const auto v = Values(wb.ResolveWave("w"));
  ASSERT_EQ(v.size(), 4u) << "a list sets the number of points";
  EXPECT_TRUE(v[0] == 1 && std::isnan(v[1]) && v[3] == 7);

  ASSERT_EQ(wb.Run("Make/O/N=5 x5; SetScale/P x 10, 2, x5; x5 = p * 10 + x"), 0);
  EXPECT_THAT(Values(wb.ResolveWave("x5")), ElementsAre(10, 22, 34, 46, 58));
  // Values are computed before any point is stored.
  ASSERT_EQ(wb.Run("x5 = x5[p + 1]"), 0);
  EXPECT_THAT(Values(wb.ResolveWave("x5")), ElementsAre(22, 34, 46, 58, 58));
  ASSERT_EQ(wb.Run("x5[0] = -1"), 0);
  EXPECT_EQ(wb.ResolveWave("x5")->Value(0), -1);
  EXPECT_EQ(wb.Run("x5[5] = 1"), kHostErrBadValue);

  // Integers truncate toward zero and saturate.
  ASSERT_EQ(wb.Run("Make/O/B/N=3 i8 = {-1.7, 300, NaN}"), 0);
  EXPECT_THAT(Values(wb.ResolveWave("i8")), ElementsAre(-1, 127, 0));

  ASSERT_EQ(wb.Run("Make/O/T/N=2 tw = {\"a;b\", \"c\"}"), 0);
  EXPECT_THAT(wb.ResolveWave("tw")->texts, ElementsAre("a;b", "c"));
  EXPECT_EQ(wb.Run("nosuch = 3"), kHostErrNoSuchWave);
}

TEST(Variables, NumbersStringsAndAssignment) {
  Workbench wb;
  const auto var = [&](const char* name) { return wb.root().FindVariable(name); };
  ASSERT_EQ(wb.Run("Variable/G n = 3, m; String/G s = \"a\\\"b\"; String/G t = s + \"c\""), 0);
  EXPECT_EQ(std::make_pair(var("m")->number, var("t")->text), std::make_pair(0.0, std::string("a\"bc")));
  ASSERT_EQ(wb.Run("n = n * 2; s = \"new\""), 0);
  EXPECT_EQ(std::make_pair(var("n")->number, var("s")->text), std::make_pair(6.0, std::string("new")));
  EXPECT_EQ(wb.Run("String/G n = \"x\""), kHostErrWrongType);
  EXPECT_EQ(wb.Run("Make/N=1 s"), kHostErrNameInUse);
}

TEST(SetScale, PerPointInclusiveExclusiveAndData) {
  Workbench wb;
  ASSERT_EQ(wb.Run("Make/O/N=3 w; SetScale/P x 0, 0.5, \"s\", w"), 0);
  HostWave* w = wb.ResolveWave("w");
  // /I: the last point at 2, units left alone; without: 3 points up to
  // (not at) 3.
  ASSERT_EQ(wb.Run("SetScale/I x 1, 2, w"), 0);
  EXPECT_EQ(std::make_tuple(w->dims[0].offset, w->dims[0].delta, w->dims[0].units), std::make_tuple(1.0, 0.5, "s"));
  ASSERT_EQ(wb.Run("SetScale x 0, 3, \"ms\", w"), 0);
  EXPECT_EQ(std::make_pair(w->dims[0].delta, w->dims[0].units), std::make_pair(1.0, std::string("ms")));
  ASSERT_EQ(wb.Run("SetScale d -1e-12, 2e-12, \"A\", w; SetScale/P y 5, 2, \"V\", w"), 0);
  EXPECT_EQ(std::make_tuple(w->fullScaleTop, w->fullScaleBottom, w->dataUnits),
            std::make_tuple(-1e-12, 2e-12, std::string("A")));
  EXPECT_EQ(std::make_pair(w->dims[1].offset, w->dims[1].units), std::make_pair(5.0, std::string("V")));
  EXPECT_EQ(wb.Run("SetScale/P x 0, 0, w"), kHostErrBadValue) << "a delta of 0";
  EXPECT_EQ(wb.Run("SetScale q 0, 1, w"), kHostErrSyntax);
}

TEST(Note, AppendsLinesReplacesAndJoins) {
  Workbench wb;
  ASSERT_EQ(wb.Run("Make/O/N=1 w; Note w, \"one\"; Note w, \"two\"; Note/NOCR w, \";3\""), 0);
  const std::string joined = wb.ResolveWave("w")->note;
  ASSERT_EQ(wb.Run("Note/K w, \"fresh\""), 0);
  EXPECT_EQ(std::make_pair(joined, wb.ResolveWave("w")->note), std::make_pair(std::string("one\rtwo;3"), std::string("fresh")));
}

TEST(Folders, MakeSetKillAndPaths) {
  Workbench wb;
  ASSERT_EQ(wb.Run("NewDataFolder/O/S 'my data'; Make/N=2 'w 1'; NewDataFolder sub"), 0);
  EXPECT_EQ(wb.current().name, "my data");
  EXPECT_NE(wb.ResolveWave("root:'my data':'w 1'"), nullptr);
  EXPECT_EQ(wb.Run("NewDataFolder sub"), kHostErrNameInUse);
  ASSERT_EQ(wb.Run("SetDataFolder :sub; SetDataFolder ::"), 0);
  EXPECT_EQ(wb.current().name, "my data");
  EXPECT_EQ(wb.Run("SetDataFolder root:nowhere"), kHostErrNoSuchFolder);
  EXPECT_EQ(wb.Run("NewDataFolder root:nowhere:x"), kHostErrNoSuchFolder);
  ASSERT_EQ(wb.Run("KillWaves root:'my data':'w 1'"), 0);
  EXPECT_EQ(wb.ResolveWave("root:'my data':'w 1'"), nullptr);
  EXPECT_EQ(wb.Run("KillWaves gone"), kHostErrNoSuchWave);
  EXPECT_EQ(wb.Run("KillWaves/Z gone"), 0);
}

TEST(Windows, WavesShownOrLockedCannotBeKilled) {
  Workbench wb;
  ASSERT_EQ(wb.Run("Make/O/N=3 a, b; Display a vs b; Edit b"), 0);
  ASSERT_EQ(wb.windows().size(), 2u);
  EXPECT_EQ(wb.windows()[0].name, "Table0") << "the newest window is in front";
  EXPECT_EQ(wb.windows()[1].traces.at(0).xWave, wb.ResolveWave("b"));
  EXPECT_EQ(wb.Run("KillWaves a"), kHostErrWaveInUse);
  ASSERT_EQ(wb.Run("Make/O/N=3 c"), 0);
  HostWave* c = wb.ResolveWave("c");
  wb.LockWave(c, true);
  EXPECT_EQ(wb.KillWave(c), kHostErrWaveInUse);
  EXPECT_EQ(wb.Run("Make/O c"), kHostErrWaveInUse);
  wb.LockWave(c, false);
  EXPECT_EQ(wb.KillWave(c), 0);
  EXPECT_EQ(wb.Run("ModifyGraph rgb(a)=(1,2,3)"), kHostErrNoWindow) << "a table is in front";
}

TEST(Print, NumbersAndTextsToTheHistory) {
  Workbench wb;
  ASSERT_EQ(wb.Run("Variable/G v = 1/3; print v, \"text\", NaN, 2e6"), 0);
  EXPECT_EQ(wb.history(), "\x95Variable/G v = 1/3; print v, \"text\", NaN, 2e6\r"
                          "  0.333333 text NaN 2e+06\r");
}

TEST(Commands, UnknownCommandsAreReportedAndFailOnlyThemselves) {
  Workbench wb;
  EXPECT_EQ(wb.Run("KWTGraphControl ()"), kHostErrUnknownCommand);
  EXPECT_THAT(wb.history(), ::testing::HasSubstr("unknown command or procedure: KWTGraphControl ()\r"));
  // Through the module's channel: reported, nothing else fails.
  EXPECT_EQ(wb.Execute("Make/O/N=1 z"), 0);
  ASSERT_EQ(wb.results().size(), 1u);
  EXPECT_EQ(wb.results()[0].code, kHostErrUnknownCommand);
  EXPECT_EQ(wb.results()[0].text, "unknown command or procedure");
  EXPECT_EQ(wb.Run("Make/O/N=1 'x"), kHostErrExpectedName) << "an open quote does not crash";
}

// What the module executes and puts on the command line is logged; an
// executed line's commands stay with the window it made.  (Placing and
// running lines, and the clipboard, are checked through the dialogs that
// do so.)
TEST(Commands, HostExecuteAndCommandLinesAreLogged) {
  Workbench wb;
  EXPECT_EQ(HostExecute("Display;ModifyGraph margin(left)=60"), 0);
  EXPECT_EQ(HostPutCommandLine("Make/O/N=1 placed", kCommandLinePlace), 0);
  EXPECT_EQ(HostPutCommandLine("Make/O/N=1 ran", kCommandLineRun), 0);
  EXPECT_THAT(wb.commandLog(),
              ElementsAre("Display;ModifyGraph margin(left)=60", "Make/O/N=1 placed", "Make/O/N=1 ran"));
  ASSERT_EQ(wb.windows().size(), 1u);
  EXPECT_THAT(wb.windows()[0].commands, ElementsAre("Display", "ModifyGraph margin(left)=60"));
}

}  // namespace
}  // namespace kwt
