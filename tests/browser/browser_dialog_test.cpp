// The file browser (menu item 1) through the scripted driver: the file
// check, the popups and arrows, the enabling by format, the information
// texts, the stored settings and damaged files.
#include <fstream>
#include <iterator>

#include "tests/browser/browser_fixture.h"

namespace kwt::test {
namespace {

// The selection the popups show: (group, series, sweep, trace), 0 = all.
std::vector<int32_t> Selection(const DialogRecord& run) {
  std::vector<int32_t> sel;
  for (int32_t popup : {kGroupPopup, kSeriesPopup, kSweepPopup, kTracePopup})
    sel.push_back(run.Find(popup)->selection - 1);
  return sel;
}

// The alerts of one run, as "title|text".
std::vector<std::string> RunAlerts(const DialogRecord& run) {
  std::vector<std::string> out;
  for (const auto& e : run.events)
    if (e.kind == "alert") out.push_back(e.title + "|" + e.text);
  return out;
}

TEST_F(BrowserTest, OnlyDatExtensionsInAnyCaseAreRead) {
  const std::string good = PmBundle(ByteOrder::kLittle, "MIXED.DaT");
  const std::string other = dir_.File("notes.txt");
  std::ofstream(other) << "DAT2";
  const DialogRecord run = OpenWith(good, {A::Press(kFileButton), A::ChooseFile(other), A::Press(kCancel)});
  EXPECT_EQ(run.fileDialogs[0].title, "Looking for Pulse Data File");
  EXPECT_THAT(run.fileDialogs[0].filters,
              ElementsAre(FileFilter{"Pulse/PM Data Files (*.dat)", "*.dat"}, FileFilter{"All Files (*.*)", "*.*"}));
  EXPECT_THAT(RunAlerts(run), ElementsAre("KWT|Please select a Pulse or PatchMaster file with the extension .dat"));
  EXPECT_EQ(run.Text(kPathField), good);  // the file read before stays
  EXPECT_THAT(run.Find(kGroupPopup)->items, ElementsAre("_all_", "1: cell A", "2: cell B", "3: cell C"));
}

struct ArrowCase {
  std::vector<int32_t> from;  // popup items chosen: group, series, sweep
  int32_t arrow;
  std::vector<int32_t> to;
};

TEST_F(BrowserTest, ArrowsCrossIntoTheNeighbouringParent) {
  const std::string file = PmBundle();
  const ArrowCase cases[] = {
      {{3, 3}, kSeriesNext, {3, 1, 0, 0}},     // last series of group 2: group 3, series 1
      {{1}, kSeriesNext, {1, 1, 0, 0}},        // "_all_" twice: group 1, series 1
      {{3, 2}, kSeriesPrev, {1, 1, 0, 0}},     // first series: the last of group 1
      {{3, 2, 3}, kSweepNext, {2, 2, 1, 0}},   // last sweep: the next series' first
      {{2, 2, 2}, kTraceNext, {1, 1, 1, 1}},   // "_all_" traces: the first
  };
  for (const ArrowCase& c : cases) {
    std::vector<A> actions;
    const int32_t popups[] = {kGroupPopup, kSeriesPopup, kSweepPopup};
    for (size_t i = 0; i < c.from.size(); ++i) actions.push_back(A::Choose(popups[i], c.from[i]));
    actions.push_back(A::Press(c.arrow));
    actions.push_back(A::Press(kCancel));
    EXPECT_EQ(Selection(OpenWith(file, actions)), c.to) << c.arrow;
  }
  // At the ends the arrows are off.
  const DialogRecord first = OpenWith(file, {A::Choose(kGroupPopup, 2), A::Choose(kSeriesPopup, 2), A::Press(kCancel)});
  EXPECT_FALSE(first.Find(kSeriesPrev)->enabled);
  EXPECT_TRUE(first.Find(kSeriesNext)->enabled);
  const DialogRecord last = OpenWith(file, {A::Choose(kGroupPopup, 4), A::Choose(kSeriesPopup, 2), A::Press(kCancel)});
  EXPECT_FALSE(last.Find(kSeriesNext)->enabled);
}

TEST_F(BrowserTest, ControlsOfTheOtherFormatAreDisabled) {
  for (const bool pulse : {true, false}) {
    const DialogRecord run = OpenWith(pulse ? Pulse() : PmBundle(), {A::Press(kCancel)});
    for (int32_t id : {kLoadLeak, kLoadSecond, kLoadFura}) EXPECT_EQ(run.Find(id)->enabled, pulse) << id;
    for (int32_t id : {kTracePopup, kZeroData}) EXPECT_EQ(run.Find(id)->enabled, !pulse) << id;
  }
  // Fast popups list plain numbers.
  EXPECT_THAT(OpenWith(Pulse(), {A::Check(kFastPopups, true), A::Press(kCancel)}).Find(kGroupPopup)->items,
              ElementsAre("_all_", "1", "2"));
}

// Both byte orders, and the trees as a bundle or as sibling files.
class PmInformationTest : public BrowserTest, public ::testing::WithParamInterface<int> {};

TEST_P(PmInformationTest, TextsOfRootGroupSeriesSweepAndTrace) {
  const std::string file = GetParam() == 2 ? PmSiblings(ByteOrder::kBig)
                                           : PmBundle(GetParam() == 0 ? ByteOrder::kLittle : ByteOrder::kBig);
  const DialogRecord root = OpenWith(file, {A::Press(kCancel)});
  EXPECT_EQ(root.Text(kLeftTitle), "Root Info");
  EXPECT_EQ(root.Text(kLeftText),
            "Start Time:\tThu Sep 09 2021 01:46:40\r\rPM Version:\tv2x90 \rGroups:    \t3\r"
            "Series:       \t4\rSweeps:   \t5\rTraces:    \t6\r");
  const DialogRecord group = OpenWith(file, {A::Choose(kGroupPopup, 2), A::Press(kCancel)});
  EXPECT_EQ(group.Text(kLeftTitle), "Group Info");
  EXPECT_EQ(group.Text(kLeftText), "\rLabel:\tcell A\rText:\tfirst cell\r   1:\tint. 4, ext. 7, IV            steps\r");
  const DialogRecord sweep = OpenWith(file, {A::Choose(kGroupPopup, 2), A::Choose(kSeriesPopup, 2),
                                             A::Choose(kSweepPopup, 2), A::Press(kCancel)});
  EXPECT_EQ(sweep.Text(kRightTitle), "Sweep Info 1(3)/1(1)/1(1)/all(2) Time 01:02:03.500");
  EXPECT_EQ(sweep.Text(kRightText),
            "Sweep Time:\tThu Sep 09 2021 02:48:43.500\rTimer:\t\t00:01:01.250\r"
            "Stim Count:   \t1\rSweep Count:\t1\rLabel:\t\tfirst\r");
  const DialogRecord trace = OpenWith(file, {A::Choose(kGroupPopup, 2), A::Choose(kSeriesPopup, 2),
                                             A::Choose(kSweepPopup, 2), A::Choose(kTracePopup, 2),
                                             A::Press(kCancel)});
  EXPECT_EQ(trace.Text(kLeftText),
            "Start Time:\tThu Sep 09 2021 01:47:40.000\rMode:\t\tWholeCell\rComment:\t\tsteps\r"
            "Hold. Pot.:\t-70 mV\rSequence:\tIV\rUser Par 1:\tpH 2.5 pH\rUser Par 2:\t 0 \r"
            "User Par 3:\t 0 \rUser Par 4:\t 0 \rPhase:     \t12.5 \xB0\r");
  EXPECT_EQ(trace.Text(kRightTitle), "Trace Info 1(3)/1(1)/1(1)/1(2) Time 01:02:03.500");
  EXPECT_EQ(trace.Text(kRightText),
            "Sweep Time:\tThu Sep 09 2021 02:48:43.500\rTimer:\t\t00:01:01.250\r"
            "Trace Count:\t1\rAverage Count:\t2\rLeak Count:   \t0\rLabel:   \t\tImon\r"
            "Data points:   \t3\rCSlow:\t \t12.50 pF\rRSeries:\t\t10.000 MOhm\r"
            "RS Value:     \t5.000 MOhm\rrsFraction:   \t60 %;\rrsOn:  \t\tyes;\rStimulus:\t\tIV\r");
}

INSTANTIATE_TEST_SUITE_P(Layouts, PmInformationTest, ::testing::Values(0, 1, 2));

class PulseInformationTest : public BrowserTest, public ::testing::WithParamInterface<ByteOrder> {};

TEST_P(PulseInformationTest, TextsOfRootGroupSeriesAndSweep) {
  const std::string file = Pulse(GetParam());
  const DialogRecord root = OpenWith(file, {A::Press(kCancel)});
  EXPECT_EQ(root.Text(kLeftText),
            "Start Time:  \tThu Sep 09 2021 01:46:40\r\rPulse Version:\tv8.5 \r"
            "Groups:\t\t2\rSeries:\t\t2\rSweeps:\t\t3\r");
  EXPECT_THAT(root.Find(kGroupPopup)->items, ElementsAre("_all_", "1: slice", "2: slice 2"));
  const std::string c40(40, 'c'), c5(5, 'c');
  const DialogRecord group = OpenWith(file, {A::Choose(kGroupPopup, 2), A::Press(kCancel)});
  EXPECT_EQ(group.Text(kLeftText), "Thu Sep 09 2021 01:47:10\rLabel:\tslice\rText:\trat\r"
                                   "   1:\tIV\r\tint. 3, ext. 9\r\t" + c40 + c5 + "\r");
  EXPECT_THAT(group.Find(kSeriesPopup)->items, ElementsAre("_all_", "1: IV"));
  const DialogRecord sweep = OpenWith(file, {A::Choose(kGroupPopup, 2), A::Choose(kSeriesPopup, 2),
                                             A::Choose(kSweepPopup, 2), A::Press(kCancel)});
  EXPECT_EQ(sweep.Text(kLeftText),
            "Start Time:\tThu Sep 09 2021 01:47:10.000\rMode:\t\tWholeCell\rComment:   \t" + c40 +
                "\r\t\t" + c5 + "\rInternal:    \t3\rExternal:   \t9\rHold. Pot.:\t-70 mV\r"
                "Sequence:\tIV\rUser Par 1:\t 0.000000   \rUser Par 2:\t: 0.000000   \r"
                "Bandwidth:\t3000 Hz\rTemp.:     \t0 \xB0" "C\rCell Pot.:   \t0 mV\r"
                "R-Pip:       \t0.0 MOhm\rR-Seal:     \t0.0 GOhm\rPhase:     \t1.5 \xB0\r");
  EXPECT_EQ(sweep.Text(kRightTitle), "Sweep Info 1(2)/1(1)/1(2) Time 00:01:01.000");
  EXPECT_EQ(sweep.Text(kRightText),
            "Sweep Time:\tThu Sep 09 2021 01:47:41.000\rTimer:\rStim Count:    \t1\r"
            "Sweep Count:\t1\rAverage Count:\t0\rHas leak:\t\tyes\rHas 2nd trace:\tno \r"
            "Label:\t\tone\rData points:   \t3\rCSlow:\t\t3.00 pF\rRSeries:\t\t5.000 MOhm\r"
            "RS Value:     \t4.000 MOhm\rStimulus:\t\tIV\r");
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, PulseInformationTest,
                         ::testing::Values(ByteOrder::kBig, ByteOrder::kLittle));

TEST_F(BrowserTest, SettingsComeBackOnReopening) {
  const std::string file = PmBundle();
  OpenWith(file, {A::Choose(kGroupPopup, 3), A::Choose(kSeriesPopup, 2), A::Check(kPlot, true),
                  A::SetText(kBaseName, "b"), A::SetText(kRange, "2"), A::Check(kOverlay, true),
                  A::Radio(kStimInclude), A::Select(kStimuliList, {2}, {}), A::Press(kToClip)});
  EXPECT_EQ(Text("stimString"), "Ramp");
  // The stored record (behind the store's 12-byte header) at its offsets.
  std::ifstream in(dir_.File("prefs.bin"), std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(bytes.size(), 12u + 3352u + 4u);
  const auto at = [&](size_t offset) { return bytes[12 + offset]; };
  EXPECT_EQ(std::vector<int>({at(0), at(352), at(354), at(355), at(358), at(618), at(1150),
                              at(1154), at(1166), at(1170), at(1172), at(1176)}),
            std::vector<int>({10, 9, 0x00, 0x05, 'b', file[0], 3, 2, 2, 1, 2, 0}));
  const DialogRecord run = Open({A::Press(kCancel)});
  EXPECT_EQ(run.Text(kPathField), file);
  EXPECT_EQ(Selection(run), (std::vector<int32_t>{2, 1, 0, 0}));
  EXPECT_TRUE(run.Find(kPlot)->checked);
  EXPECT_TRUE(run.Find(kOverlay)->checked);
  EXPECT_TRUE(run.Find(kStimInclude)->checked);
  EXPECT_FALSE(run.Find(kStimOff)->checked);
  EXPECT_THAT(run.Find(kStimuliList)->selectedRows, ElementsAre(2));
  EXPECT_EQ(run.Text(kCommandField), "LoadPM/P/A=2/B=1/R=2/N='b'/J=$stimString \"" + file + "\"");
  // Cancel stores nothing: the next opening is the same.
  EXPECT_EQ(Open({A::Press(kCancel)}).Text(kCommandField), run.Text(kCommandField));
}

TEST_F(BrowserTest, DamagedFilesAreRefusedAndAGoodOneReadsAfterwards) {
  const std::vector<uint8_t> bundle = PmBundleBytes(PmCell(ByteOrder::kLittle));
  const struct {
    std::vector<uint8_t> bytes;
    std::string alert;
  } cases[] = {
      {{}, "Cannot open DAT file. Check, if you have the rights for this file"},
      {std::vector<uint8_t>(bundle.begin(), bundle.begin() + static_cast<long>(bundle.size() / 2)),
       "Cannot open PGF file. Check, if this file exists"},
      {std::vector<uint8_t>(1000, 0x41), "Cannot open PGF file. Check, if this file exists"},
  };
  const std::string good = PmBundle();
  for (const auto& c : cases) {
    const std::string bad = dir_.File("bad.dat");
    WriteFileBytes(bad, c.bytes);
    const DialogRecord run = OpenWith(bad, {A::Press(kFileButton), A::ChooseFile(good),
                                            A::Choose(kGroupPopup, 2), A::Press(kDoIt)});
    EXPECT_THAT(RunAlerts(run), ElementsAre("KWT|" + c.alert));
    EXPECT_EQ(run.Text(kPathField), good);
    EXPECT_NE(Wave("PMPulse_1_1_1_1_Imon"), nullptr);
  }
}

}  // namespace
}  // namespace kwt::test
