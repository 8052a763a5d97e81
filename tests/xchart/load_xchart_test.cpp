// LoadXChart as a scientist runs it: which traces become waves, their
// samples, units and notes, the host variables, the history, the flags and
// what every kind of damaged or missing file gives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <map>

#include "host/result_codes.h"
#include "tests/xchart/xchart_fixture.h"

namespace kwt {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using test::Cell;
using test::kGroup2Time;
using test::Samples;
using test::XChartRecording;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class LoadXChart : public test::XChartTest {};

TEST_F(LoadXChart, DefaultsLoadTheDisplayedTracesAndTheTimeBase) {
  const std::string path = Write(Cell());
  ASSERT_EQ(Load("", path), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("XC_t", "XC_Vm1", "XC_I", "XC_Ca"))
      << "no hidden trace, no wave for the unnamed one";
  EXPECT_EQ(Posted(),
            "Wave XC_t loaded from \"t\"\r"
            "Wave XC_Vm1 loaded from \"Vm-1\"\r"
            "Wave XC_I loaded from \"I\", AutoZero: 12.5\r"
            "Wave XC_Ca loaded from \"Ca\"\r"
            "Total Number of Waves loaded: 4\r");
  EXPECT_EQ(NewBeeps(), 0);

  EXPECT_THAT(Values("XC_t"), Samples({0, 0.5, 1, 1.5}));
  EXPECT_THAT(Values("XC_Vm1"), Samples({-70, -65, kNaN, -60})) << "not rescaled";
  EXPECT_THAT(Values("XC_I"), Samples({1, 2, 3, 4}));
  EXPECT_THAT(Values("XC_Ca"), Samples({0.1f, 0.2f, 0.3f, 0.4f}));
  EXPECT_EQ(Wave("XC_Vm1")->type, kWaveFloat32);
  EXPECT_EQ(Wave("XC_Vm1")->dims[0].delta, 1.0) << "x scaling as the host makes it";
  std::string units;  // the micro sign is a prefix
  for (const std::string& name : WaveNames()) units += Wave(name)->dataUnits + " ";
  EXPECT_EQ(units, "s V A M ");
}

// The order byte: 1 is little-endian, anything else big.  A trace flagged
// absent in the data file has no samples there.  The missing-value mark is
// compared after decoding: its bytes swapped are an ordinary number, and
// so is a large value.
TEST_F(LoadXChart, SampleOrderPresentFlagsAndTheMissingMark) {
  const float swapped = std::bit_cast<float>(uint32_t{0x6C6FFC72});
  for (uint8_t order : {0, 1, 2, 255}) {
    XChartRecording rec;
    rec.dataStart = 7;  // the group does not start at 0
    auto& g = rec.AddGroup();
    g.record.sampleOrder = order;
    g.SetTrace(0, "t", "s", 0, {0.0f, 0.001f, 0.002f, 0.003f});
    g.SetTrace(1, "off", "V", 1, {9, 9, 9, 9}).flag = 0;
    // "m" alone is a unit (metres), not a prefix.
    g.SetTrace(2, "Vm", "m", 1, {-70.5f, test::XChartMissingValue(), 1e30f, swapped});
    ASSERT_EQ(Load("/O/Q", Write(rec)), 0);
    EXPECT_EQ(Posted(), "") << int{order};
    EXPECT_THAT(WaveNames(), ElementsAre("XC_t", "XC_Vm"));
    EXPECT_THAT(Values("XC_t"), Samples({0.0f, 0.001f, 0.002f, 0.003f})) << int{order};
    EXPECT_THAT(Values("XC_Vm"), Samples({-70.5f, kNaN, 1e30f, swapped})) << int{order};
    EXPECT_EQ(Wave("XC_Vm")->dataUnits, "m");
    ASSERT_EQ(wb_.Run("KillWaves/A/Z"), 0);
  }
}

TEST_F(LoadXChart, NotesAndVariablesByteForByte) {
  ASSERT_EQ(Load("", Write(Cell())), 0);
  EXPECT_EQ(Wave("XC_I")->note, "AUTOZERO:12.5;");
  EXPECT_EQ(Wave("XC_Vm1")->note, "");
  ASSERT_NE(Var("kwtAutoZero02"), nullptr);
  EXPECT_EQ(Var("kwtAutoZero02")->number, 12.5);
  EXPECT_EQ(Var("kwtAutoZero01"), nullptr);
}

// The group's time in the time base's note and the two variables.  A
// fraction of a second stays in SEC_TIME, ASC_TIME shows whole seconds;
// times outside the calendar become 0 with a word; the last second of
// 9999 is still a time and asctime's form holds there (the variable's text
// of a time later than today follows the shared recording-time rule and is
// not checked here).
TEST_F(LoadXChart, GroupTimesInNotesAndVariables) {
  const std::string zero = "SEC_TIME:0.000;ASC_TIME:Mon Jan  1 00:00:00 1990;";
  const struct {
    double time;
    std::string note;
    const char* text;
    double number;
  } cases[] = {
      {kGroup2Time + 0.25, "SEC_TIME:123456789.250;ASC_TIME:Mon Nov 29 21:33:09 1993;",
       "Mon Nov 29 1993 21:33:09", kGroup2Time + 0.25},
      {252771148799.0, "SEC_TIME:252771148799.000;ASC_TIME:Fri Dec 31 23:59:59 9999;",
       nullptr, 252771148799.0},
      {-5.0, zero, "Mon Jan 01 1990 00:00:00", 0},
      {kNaN, zero, "Mon Jan 01 1990 00:00:00", 0},
      {2.6e11, zero, "Mon Jan 01 1990 00:00:00", 0},
  };
  for (const auto& c : cases) {
    XChartRecording rec = Cell();
    rec.groups[0].record.time = c.time;
    ASSERT_EQ(Load("/O", Write(rec)), 0);
    EXPECT_EQ(Posted().find("out of range") != std::string::npos, c.number != c.time) << c.time;
    EXPECT_EQ(Wave("XC_t")->note, c.note) << c.time;
    if (c.text != nullptr) {
      EXPECT_EQ(Var("kwtXChartTimeStr")->text, c.text) << c.time;
    }
    EXPECT_EQ(Var("kwtXChartTime")->number, c.number) << c.time;
  }
}

TEST_F(LoadXChart, AllTracesAndTheGroupFlag) {
  const std::string path = Write(Cell());
  ASSERT_EQ(Load("/A", path), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("XC_t", "XC_Vm1", "XC_I", "XC_Temp", "XC_Ca"));

  // The fraction is cut off; values below 1 and NaN load group 1.
  for (const char* flag : {"/G=2.9", "/G=(1+1)"}) {
    ASSERT_EQ(Load(std::string(flag) + "/O", path), 0) << flag;
    EXPECT_THAT(Values("XC_Vm1"), Samples({7, 8})) << flag << ": little-endian samples";
  }
  for (const char* flag : {"/G=0.99", "/G=NaN"}) {
    ASSERT_EQ(Load(std::string(flag) + "/O", path), 0) << flag;
    EXPECT_THAT(Values("XC_Vm1"), Samples({-70, -65, kNaN, -60})) << flag;
  }
  for (const char* flag : {"/G=3", "/G=1e20"}) {
    ASSERT_EQ(Load(std::string(flag) + "/O/Q", path), 0) << flag;
    EXPECT_EQ(Posted(), "Cannot read X-Chart Group\r") << flag << ": posted despite /Q";
    EXPECT_EQ(NewBeeps(), 1);
  }
}

// Base names and suffixes, and the flags that are refused before anything
// is made: the folder of /B is dropped, "=" is optional, a name the host
// would have to cut is refused (27 + "_Vm1" is 31: still a name).
TEST_F(LoadXChart, BaseNamesSuffixesAndRefusedFlags) {
  ASSERT_EQ(wb_.Run("NewDataFolder data"), 0);
  const std::string path = Write(Cell());
  const struct {
    std::string flags;
    int32_t code;
    const char* wave;
  } cases[] = {
      {"/B=cell3/S=a", 0, "cell3_Vm1_a"},
      {"/B root:data:cell4 /S b", 0, "cell4_Vm1_b"},
      {"/B='my cell'", 0, "my cell_Vm1"},
      {"/B=abcdefghijklmnopqrstuvwxyz_", 0, "abcdefghijklmnopqrstuvwxyz__Vm1"},
      {"/B=abcdefghijklmnopqrstuvwxyz/S=x", kErrNameTooLong, nullptr},
      {"/X", kHostErrBadFlag, nullptr},
      {"/G 2", kHostErrExpectedEquals, nullptr},
      {"/B=\"x\"", kErrNoText, nullptr},
      {"/S=root:nofolder:x", kErrNoText, nullptr},
  };
  for (const auto& c : cases) {
    const size_t before = WaveNames().size();
    EXPECT_EQ(Load(c.flags, path), c.code) << c.flags;
    if (c.wave != nullptr) EXPECT_NE(Wave(c.wave), nullptr) << c.flags;
    else EXPECT_EQ(WaveNames().size(), before) << c.flags;
  }
  EXPECT_EQ(wb_.ResolveWave("root:data:cell4_Vm1_b"), nullptr);
  const size_t mark = wb_.history().size();
  EXPECT_NE(wb_.Run("LoadXChart/A"), 0);
  EXPECT_THAT(wb_.history().substr(mark), HasSubstr("Error, no filename specified\r"));
  EXPECT_NE(wb_.Run("LoadXChart \"" + path + "\" extra"), 0);
}

TEST_F(LoadXChart, ASecondLoadWithoutOverwriteStopsAtTheFirstWave) {
  const std::string path = Write(Cell());
  ASSERT_EQ(Load("/P/Q", path), 0);
  ASSERT_EQ(wb_.windows().size(), 1u);
  EXPECT_EQ(Posted(), "");
  EXPECT_EQ(Load("", path), 0);
  EXPECT_EQ(Posted(),
            "Unable to create wave XC_t (Number of Points 4)\r"
            "Total Number of Waves loaded: 0\r");
  EXPECT_EQ(NewBeeps(), 1);
  EXPECT_EQ(wb_.windows().size(), 1u) << "no /P, no graph";
  EXPECT_EQ(Wave("XC_t")->note, "SEC_TIME:1000000000.000;ASC_TIME:Thu Sep  9 01:46:40 2021;")
      << "the first load's wave gets no second time";
  ASSERT_EQ(Load("/O", path), 0);
  EXPECT_THAT(Posted(), HasSubstr("Total Number of Waves loaded: 4\r"));
}

TEST_F(LoadXChart, ADroppedTraceNeverTouchesAWaveOfItsName) {
  // XC_Temp is the user's own; the hidden trace "Temp" is not loaded, so it
  // must not be overwritten (and then killed) on the way.
  ASSERT_EQ(wb_.Run("Make/N=2 XC_Temp = {1, 2}"), 0);
  ASSERT_EQ(Load("/O", Write(Cell())), 0);
  EXPECT_THAT(Values("XC_Temp"), Samples({1, 2}));
  // A trace whose name gives a wave name already made by this load fails
  // like any wave that cannot be made, rather than replace it.
  XChartRecording rec = Cell();
  test::SetText(rec.groups[0].traces[2].record.name, "Vm 1");
  ASSERT_EQ(Load("/O/Q", Write(rec, "twice.tree")), 0);
  EXPECT_EQ(Posted(), "Unable to create wave XC_Vm1 (Number of Points 4)\r");
  EXPECT_THAT(Values("XC_Vm1"), Samples({-70, -65, kNaN, -60}));
}

TEST_F(LoadXChart, EitherFileOfThePairMayBeNamed) {
  const std::string tree = Write(Cell());
  const std::string data = dir_.File("cell.grp");
  ASSERT_EQ(Load("", data), 0);
  EXPECT_NE(Wave("XC_Vm1"), nullptr);
  // Windows separators are converted before the files are opened (each
  // is written "\\" inside the command's string).
  std::string windows;
  for (char c : tree) windows += c == '/' ? std::string("\\\\") : std::string(1, c);
  ASSERT_EQ(Load("/O/Q", windows), 0);
  EXPECT_EQ(Posted(), "");
}

TEST_F(LoadXChart, FileErrorsPostTheirMessageAndSucceed) {
  // No extension, or a "." only in a folder name: no tree file to name.
  std::filesystem::create_directories(dir_.path() / "run.1");
  for (const std::string& path : {dir_.File("run.1/cell"), dir_.File("missing.tree")}) {
    EXPECT_EQ(Load("/Q/P", path), 0);
    EXPECT_EQ(Posted(), "Cannot read X-Chart Tree\r") << path;
    EXPECT_EQ(NewBeeps(), 1);
  }
  // The data file missing.
  const std::string tree = Write(Cell(), "lonely.tree");
  std::filesystem::remove(dir_.path() / "lonely.grp");
  EXPECT_EQ(Load("/Q/P", tree), 0);
  EXPECT_EQ(Posted(), "Cannot read the file: " + dir_.File("lonely.grp") +
                          "\r be sure it is in the same path as the .tree file\r");
  EXPECT_EQ(NewBeeps(), 1);
  EXPECT_TRUE(wb_.windows().empty()) << "no graph after a file error";
  // The variables are set once the group could be read.
  EXPECT_EQ(Var("kwtXChartTime")->number, 1.0e9);
}

TEST_F(LoadXChart, DamagedGroupsAndTables) {
  // A negative point count.  (A group cut short is among every truncation
  // below.)
  XChartRecording rec = Cell();
  rec.groups[0].placeData = false;
  rec.groups[0].record.points = -4;
  EXPECT_EQ(Load("", Write(rec, "negative.tree")), 0);
  EXPECT_EQ(Posted(), "Cannot read X-Chart Group\r");

  // Samples placed behind the end of the data file, or more of them than
  // it holds: nothing to load (nor any wave made that large), and the
  // report says why.
  for (const auto& [offset, points] :
       {std::pair{1 << 20, 4}, std::pair{-1, 4}, std::pair{0, 2000000000}}) {
    rec = Cell();
    rec.groups[0].placeData = false;
    rec.groups[0].record.points = points;
    rec.groups[0].record.sampleOffset = offset;
    EXPECT_EQ(Load("/Q", Write(rec, "beyond.tree")), 0);
    EXPECT_THAT(wb_.results().back().problems.at(0).text,
                HasSubstr("beyond.grp ends before the samples of group 1"))
        << offset << " " << points;
  }

  // A present flag for an inactive trace: what follows cannot be placed.
  rec = Cell();
  rec.groups[0].traces[3].record.active = 0;
  rec.groups[0].traces[3].flag = 1;
  EXPECT_EQ(Load("/O", Write(rec, "flags.tree")), 0);
  EXPECT_EQ(Posted(),
            "Wave XC_t loaded from \"t\"\r"
            "Wave XC_Vm1 loaded from \"Vm-1\"\r"
            "Wave XC_I loaded from \"I\", AutoZero: 12.5\r"
            "Cannot read X-Chart Traces\r"
            "LoadXChart: flags.grp: group 1 from trace 3 on is damaged and was left out: it is "
            "marked present in the data file but is not active in the tree, so where its samples "
            "end cannot be known\r"
            "Total Number of Waves loaded: 3\r");
  EXPECT_EQ(NewBeeps(), 1);
  EXPECT_EQ(wb_.results().back().problems.at(0).kind, ProblemKind::kDamaged);
}

TEST_F(LoadXChart, ADataFileCutInsideATraceLoadsNaNForWhatIsMissing) {
  const std::string tree = Write(Cell());
  // Group 1's data: five traces of a flag and 16 bytes (t, Vm, I, Temp,
  // the unnamed one), then Ca's flag and samples.  Cut after Ca's first
  // sample.
  std::filesystem::resize_file(dir_.File("cell.grp"), 5 * 17 + 1 + 4);
  EXPECT_EQ(Load("/P", tree), 0);
  EXPECT_EQ(Posted(),
            "Wave XC_t loaded from \"t\"\r"
            "Wave XC_Vm1 loaded from \"Vm-1\"\r"
            "Wave XC_I loaded from \"I\", AutoZero: 12.5\r"
            "XC_Ca: 3 of 4 samples are not in the data file and are NaN\r"
            "Cannot read the file: " + dir_.File("cell.grp") +
                "\r be sure it is in the same path as the .tree file\r"
                "Total Number of Waves loaded: 3\r");
  EXPECT_THAT(Values("XC_Ca"), Samples({0.1f, kNaN, kNaN, kNaN}));
  // The host learns of the loss through its problem channel.
  const auto& problems = wb_.results().back().problems;
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].kind, ProblemKind::kMissingSamples);
  EXPECT_EQ(problems[0].text + " " + std::to_string(problems[0].missing) + "/" +
                std::to_string(problems[0].points),
            "XC_Ca 3/4");
  EXPECT_TRUE(wb_.windows().empty());
  EXPECT_EQ(NewBeeps(), 1);
}

// Every truncation of the tree or the data file is answered: either the
// load is what the whole files give, or a message says what could not be
// read; no wave ever holds a value the files did not give (NaN aside).
TEST_F(LoadXChart, EveryTruncationOfEitherFile) {
  XChartRecording rec = Cell(ByteOrder::kLittle);
  rec.groups.pop_back();  // one group: every byte of both files belongs to it
  Write(rec, "full.tree");
  const std::string tree = test::ReadFile(dir_.File("full.tree"));
  const std::string data = test::ReadFile(dir_.File("full.grp"));

  // Each load reads files of its own (new files are quicker to write than
  // truncated ones) into a data folder of its own, so that no load sees
  // the waves of another; it gives what was posted and the waves by name.
  using Waves = std::map<std::string, std::vector<double>>;
  int count = 0;
  const auto load = [&](const std::string& t, const std::string& d) {
    const std::string name = "c" + std::to_string(count++);
    EXPECT_TRUE(test::WriteFile(dir_.File(name + ".tree"), t));
    EXPECT_TRUE(test::WriteFile(dir_.File(name + ".grp"), d));
    EXPECT_EQ(wb_.Run("NewDataFolder/S root:" + name), 0);
    EXPECT_EQ(Load("/A/P/H/L", dir_.File(name + ".tree")), 0);
    std::pair<std::string, Waves> out{Posted(), {}};
    for (const auto& w : wb_.current().waves) {
      std::vector<double>& values = out.second[w->name];
      for (int64_t i = 0; i < w->points; ++i) values.push_back(w->Value(i));
    }
    EXPECT_EQ(wb_.Run("SetDataFolder root:"), 0);
    return out;
  };
  const Waves full = load(tree, data).second;
  ASSERT_EQ(full.size(), 5u);

  const auto check = [&](const std::pair<std::string, Waves>& cut, const std::string& what) {
    bool same = cut.second.size() == full.size();
    for (const auto& [name, values] : cut.second) {
      ASSERT_EQ(full.count(name), 1u) << what << ": " << name;
      const std::vector<double>& whole = full.at(name);
      ASSERT_EQ(values.size(), whole.size()) << what;
      for (size_t i = 0; i < values.size(); ++i) {
        if (std::isnan(values[i]) && !std::isnan(whole[i])) same = false;
        else EXPECT_THAT(values[i], ::testing::NanSensitiveDoubleEq(whole[i])) << what << ": " << name << "[" << i << "]";
      }
    }
    EXPECT_TRUE(same || cut.first.find("Cannot read") != std::string::npos)
        << what << " loaded something else without a word";
  };
  for (size_t length = 0; length < tree.size(); ++length)
    check(load(tree.substr(0, length), data), "tree cut to " + std::to_string(length));
  for (size_t length = 0; length < data.size(); ++length)
    check(load(tree, data.substr(0, length)), "data cut to " + std::to_string(length));
}

}  // namespace
}  // namespace kwt
