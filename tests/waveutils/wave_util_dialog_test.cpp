// The wave-utility dialogs (menu items 4, 5 and 6) run by the scripted
// driver: the input tree, the command each dialog shows, what its three
// endings do with it, and the stored settings.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "host/result_codes.h"
#include "tests/waveutils/wave_fixture.h"

namespace kwt::test {
namespace {

using A = DialogAction;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::StartsWith;
using ::testing::HasSubstr;

constexpr int32_t kStatsItem = 4, kPlotItem = 5, kSlimItem = 6;
constexpr int32_t kDoIt = 1, kCancel = 2, kToCmdLine = 3, kToClip = 4;
constexpr int32_t kCommand = 5, kInputs = 8, kFromTarget = 9, kSecond = 13;
constexpr int32_t kGraph = 11, kTable = 10;

class WaveUtilDialogTest : public WaveUtilsTest {
 protected:
  void SetUp() override {
    Make("a", {1, 2, 3, 4});
    Make("b", {3, 4, 5, 6});
  }

  // Opens the dialog of `item` and runs `actions`; the menu's result goes
  // to *result.
  DialogRecord Open(int32_t item, std::vector<A> actions, int32_t* result = nullptr) {
    wb_.dialogs().SetScript(std::move(actions));
    const int32_t r = wb_.ChooseMenuItem(item);
    if (result != nullptr) *result = r;
    const DialogRecord* run = wb_.dialogs().lastRun();
    if (run == nullptr) return {};
    EXPECT_TRUE(run->problems.empty()) << run->problems.front();
    return *run;
  }

  std::string CmdString() {
    const Variable* v = wb_.root().FindVariable("cmdString");
    return v != nullptr ? v->text : "<none>";
  }
  std::vector<uint8_t> Prefs() {
    std::vector<uint8_t> record;
    wb_.GetPrefs(&record);
    return record;
  }
};

TEST_F(WaveUtilDialogTest, AutoStatsBuildsRunsAndStoresItsCommand) {
  int32_t result = 0;
  const DialogRecord& run = Open(kStatsItem, {A::Select(kInputs, {}, {"a", "b"}), A::Check(kGraph, true),
                                              A::SetText(19, "m1"), A::Press(kDoIt)},
                                 &result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(run.Text(kCommand), "AutoStats/G/N=m1  root:a,root:b");
  EXPECT_EQ(wb_.commandLine(), "");
  EXPECT_EQ(CmdString(), "root:a,root:b");
  // Do It ran the line with the list in the string variable.
  EXPECT_THAT(wb_.history(), HasSubstr("AutoStats/G/N=m1 $cmdString"));
  EXPECT_TRUE(SameValues(Values("m1_mean"), {2, 3, 4, 5}));
  EXPECT_TRUE(SameValues(Values("m1_num"), {2, 2, 2, 2}));
  EXPECT_EQ(wb_.windows().size(), 1u);

  // The block at its offsets: record version 8, block version 3, check
  // boxes 10, 11, 14, 15, 16, 17, then the base name.
  const std::vector<uint8_t> p = Prefs();
  ASSERT_EQ(p.size(), 2328u);
  EXPECT_EQ(p[0] | p[1] << 8, 8);
  EXPECT_EQ(p[2] | p[3] << 8, 3);
  EXPECT_THAT(std::vector<uint8_t>(p.begin() + 4, p.begin() + 10), ElementsAre(0, 1, 0, 0, 0, 0));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p[10])), "m1");

  // Reopened, the dialog shows the stored choices; Cancel keeps them.
  Open(kStatsItem, {A::Check(kGraph, false), A::SetText(19, "zz"), A::Press(kCancel)}, &result);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(Prefs(), p);
  const DialogRecord& third = Open(kStatsItem, {});
  EXPECT_TRUE(third.Find(kGraph)->checked);
  EXPECT_EQ(third.Text(19), "m1");
}

TEST_F(WaveUtilDialogTest, FoldersOpenAndCloseAndQuoteTheirPaths) {
  Make("w", {1, 2}, kWaveFloat32, Folder("my data"));
  int32_t result = 0;
  const DialogRecord& run =
      Open(kStatsItem, {A::ClickRowText(kInputs, "my data"), A::Select(kInputs, {}, {"w"}),
                        A::Check(16, true), A::Press(kToCmdLine)},
           &result);
  EXPECT_EQ(result, 0);
  EXPECT_THAT(run.Find(kInputs)->items, ElementsAre("\ta", "\tb", "[-]\tmy data", "\tw"));
  EXPECT_THAT(run.Find(kInputs)->rowLevels, ElementsAre(0, 0, 0, 1));
  EXPECT_EQ(run.Text(kCommand), "AutoStats/W/N=swave  root:'my data':w");
  EXPECT_EQ(wb_.commandLine(), "AutoStats/W/N=swave $cmdString");
  EXPECT_EQ(CmdString(), "root:'my data':w");

  // Closing the folder takes its rows away, and a selected wave in it
  // leaves the command.
  const DialogRecord& closed =
      Open(kStatsItem, {A::ClickRowText(kInputs, "my data"), A::Select(kInputs, {1, 4}),
                        A::ClickRowText(kInputs, "my data"), A::Press(kCancel)});
  EXPECT_THAT(closed.Find(kInputs)->items, ElementsAre("\ta", "\tb", "[+]\tmy data"));
  EXPECT_EQ(closed.Text(kCommand), "AutoStats/W/N=swave  root:a");
}

TEST_F(WaveUtilDialogTest, FromTargetShowsTheTopWindowsWaves) {
  ASSERT_EQ(wb_.Run("Display b"), 0);
  const DialogRecord& run = Open(kStatsItem, {A::Press(kCancel)});
  EXPECT_TRUE(run.Find(kFromTarget)->checked);
  EXPECT_THAT(run.Find(kInputs)->items, ElementsAre("\tb"));
  EXPECT_THAT(run.Find(kSecond)->items, ElementsAre("\t_calculated_", "\ta", "\tb"));
  const DialogRecord& all = Open(kStatsItem, {A::Toggle(kFromTarget), A::Press(kCancel)});
  EXPECT_THAT(all.Find(kInputs)->items, ElementsAre("\ta", "\tb"));
}

TEST_F(WaveUtilDialogTest, AutoStatsTakesAnXWave) {
  const DialogRecord& x =
      Open(kStatsItem, {A::Select(kInputs, {1, 2}), A::ChooseText(kSecond, "b"), A::Press(kToClip)});
  EXPECT_EQ(x.Text(kCommand), "AutoStats/N=swave/X=root:b  root:a,root:b");
  EXPECT_EQ(wb_.clipboard(), "AutoStats/N=swave/X=root:b $cmdString");
}

TEST_F(WaveUtilDialogTest, NoWaveNoDialog) {
  Workbench empty(Workbench::Options{.memoryPrefs = true});
  empty.dialogs().SetScript({});
  EXPECT_EQ(empty.ChooseMenuItem(kPlotItem), kErrNoWaves);
  EXPECT_TRUE(empty.dialogs().runs().empty());
}

TEST_F(WaveUtilDialogTest, LongListsTravelWholeInCmdString) {
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) {
    names.push_back("wave_number_" + std::to_string(i));
    Make(names.back(), {static_cast<double>(i), 1});
  }
  const DialogRecord& run = Open(kStatsItem, {A::Select(kInputs, {}, names), A::Press(kDoIt)});
  EXPECT_LT(run.Text(kCommand).size(), 400u);
  const std::string list = CmdString();
  EXPECT_EQ(std::count(list.begin(), list.end(), ','), 39);
  EXPECT_TRUE(SameValues(Values("swave_num"), {40, 40}));
  EXPECT_TRUE(SameValues(Values("swave_mean"), {19.5, 1}));
}

TEST_F(WaveUtilDialogTest, PlotWavesRangesAndLines) {
  constexpr int32_t kOverlay = 16, kBaseLine = 17, kZeroLine = 18, kGlobal = 23, kManual = 25;
  const DialogRecord& overlay =
      Open(kPlotItem, {A::Select(kInputs, {1}), A::Check(kZeroLine, true), A::Check(kOverlay, true),
                       A::Press(kCancel)});
  EXPECT_FALSE(overlay.Find(kZeroLine)->checked);
  EXPECT_FALSE(overlay.Find(kZeroLine)->enabled);
  EXPECT_FALSE(overlay.Find(kBaseLine)->enabled);
  EXPECT_EQ(overlay.Text(kCommand), "PlotWaves/G/O/I  root:a");

  const size_t mark = wb_.commandLog().size();
  const DialogRecord& run =
      Open(kPlotItem, {A::Select(kInputs, {1, 2}), A::Radio(kManual), A::SetText(28, "-1"),
                       A::SetText(29, "7.123456789"), A::Check(kZeroLine, true), A::SetText(20, ""),
                       A::Check(kBaseLine, true), A::Press(kDoIt)});
  EXPECT_EQ(run.Text(kCommand), "PlotWaves/G/L=-1/U=7.123456789/Z=0  root:a,root:b");
  const std::vector<std::string> sent = CommandsSince(mark);
  EXPECT_THAT(sent, Contains(StartsWith("SetAxis l1 -1,7.12")));
  EXPECT_EQ(wb_.windows().size(), 1u);

  // Stored: check boxes 10, 11, 15, 18, 17, 16, the choice, then the
  // three numbers.
  const std::vector<uint8_t> p = Prefs();
  EXPECT_EQ(p[270], 2);
  EXPECT_THAT(std::vector<uint8_t>(p.begin() + 272, p.begin() + 279),
              ElementsAre(0, 1, 0, 1, 1, 0, 3));
  double stored[3];
  std::memcpy(stored, &p[282], sizeof stored);
  EXPECT_THAT(stored, ElementsAre(0, -1, 7.123456789));
  const DialogRecord& back = Open(kPlotItem, {A::Radio(kGlobal), A::Press(kCancel)});
  EXPECT_EQ(back.Text(29), "7.123456789");
  EXPECT_TRUE(back.Find(kGlobal)->checked);
  EXPECT_FALSE(back.Find(kManual)->checked);
  EXPECT_EQ(Prefs(), p);
}

// The command each dialog shows for the choices made, and whether it can
// be run (Do It, To Cmd Line, To Clip).  The command leaves the dialog cut
// at its first blank, so a typed blank must not carry the flags behind it
// away.
TEST_F(WaveUtilDialogTest, CommandsShownAndWhetherTheyRun) {
  constexpr int32_t kManual = 25, kZeroLine = 18, kUseEvery = 15;
  const auto limits = [](const char* minimum, const char* maximum, const char* level) {
    return std::vector<A>{A::Select(kInputs, {1}), A::Radio(kManual), A::SetText(28, minimum),
                          A::SetText(29, maximum), A::Check(kZeroLine, true),
                          A::SetText(20, level), A::Press(kCancel)};
  };
  const struct {
    int32_t item;
    std::vector<A> actions;
    std::string shown;
    bool runs;
  } cases[] = {
      {kStatsItem, {A::Select(kInputs, {1}), A::Press(kCancel)}, "AutoStats/N=swave  root:a", false},
      {kPlotItem, limits("-1 ", " 5", "\t2 "), "PlotWaves/G/L=-1/U=5/Z=2  root:a", true},
      {kPlotItem, limits("1 2", "5", ""), "*** expected minimum ***", false},
      {kPlotItem, limits("-1", "  ", ""), "*** expected maximum ***", false},
      {kPlotItem, limits("-1", "5", "0 1"), "*** expected number ***", false},
      {kPlotItem, {A::Select(kInputs, {1}), A::Check(kGraph, false), A::Press(kCancel)}, "", false},
      {kPlotItem,
       {A::Select(kInputs, {1}), A::Check(kGraph, false), A::Check(kTable, true), A::Press(kCancel)},
       "PlotWaves/T/I  root:a", true},
      {kSlimItem,
       {A::Select(kInputs, {1}), A::Radio(kUseEvery), A::SetText(20, "0"), A::Press(kCancel)},
       "*** expected number ***", false},
  };
  for (const auto& c : cases) {
    const DialogRecord& run = Open(c.item, c.actions);
    EXPECT_EQ(run.Text(kCommand), c.shown);
    for (int32_t button : {kDoIt, kToCmdLine, kToClip})
      EXPECT_EQ(run.Find(button)->enabled, c.runs) << c.shown << ": " << button;
  }
}

TEST_F(WaveUtilDialogTest, SlimWavesModesAndFactors) {
  constexpr int32_t kUseEvery = 15, kReference = 17;
  Make("ref", {kNaN, 1, kNaN, 2});
  const DialogRecord& ref =
      Open(kSlimItem, {A::Select(kInputs, {}, {"a"}), A::Radio(kReference),
                       A::ChooseText(kSecond, "ref"), A::SetText(23, "r"), A::Press(kDoIt)});
  EXPECT_EQ(ref.Text(kCommand), "SlimWaves/R=root:ref/N=r  root:a");
  EXPECT_TRUE(SameValues(Values("a_r"), {2, 4}));

  const DialogRecord& every = Open(kSlimItem, {A::Select(kInputs, {}, {"a", "b"}), A::Radio(kUseEvery),
                                               A::SetText(20, "2"), A::Press(kDoIt)});
  EXPECT_EQ(every.Text(kCommand), "SlimWaves/U=2/N=r  root:a,root:b");
  EXPECT_FALSE(every.Find(kSecond)->enabled) << "the reference list is there only for its mode";
  EXPECT_TRUE(SameValues(Values("b_r"), {3, 5}));

  const std::vector<uint8_t> p = Prefs();
  EXPECT_EQ(p[306], 1);
  EXPECT_EQ(p[309], 1);
  EXPECT_EQ(p[312], 2);
  EXPECT_EQ(p[316], 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p[320])), "r");
}

}  // namespace
}  // namespace kwt::test
