// The "Load X-Chart File" dialog (menu item 2) run by the scripted driver:
// the file dialog, the group list, the information text and the command.
#include <string>
#include <vector>

#include "tests/testkit/menu_dialog.h"
#include "tests/xchart/xchart_fixture.h"

namespace kwt::test {
namespace {

using A = DialogAction;
using ::testing::ElementsAre;

constexpr int32_t kXChartItem = 2;
constexpr int32_t kDoIt = 1, kCancel = 2, kToClip = 4, kCommand = 5, kFile = 7, kPath = 8;
constexpr int32_t kBaseName = 11, kPlot = 15, kHeadline = 16, kLegend = 17, kInfo = 24,
                  kGroups = 25;

class XChartDialogTest : public XChartTest {
 protected:
  DialogRecord Open(std::vector<A> actions, int32_t* result = nullptr) {
    return RunMenuDialog(wb_, kXChartItem, std::move(actions), result);
  }
};

TEST_F(XChartDialogTest, OpensWithItsDefaultsAndNoCommand) {
  int32_t result = 0;
  const DialogRecord& run = Open({A::Press(kFile), A::CancelFile(), A::Press(kCancel)}, &result);
  EXPECT_EQ(result, -1);
  ASSERT_EQ(run.fileDialogs.size(), 1u);
  EXPECT_EQ(run.fileDialogs[0].title, "Looking for X-Chart Tree File");
  EXPECT_THAT(run.fileDialogs[0].filters,
              ElementsAre(FileFilter{"Pulse Data Files (*.tree)", "*.tree"},
                          FileFilter{"All Files (*.*)", "*.*"}));
  EXPECT_EQ(run.focus, kBaseName);
  EXPECT_THAT(run.Find(kGroups)->items, ElementsAre("1"));
  EXPECT_EQ(run.Text(kCommand), "");
  EXPECT_FALSE(run.Find(kDoIt)->enabled);
}

// What a name cannot hold in the file name ("'") becomes "_".
TEST_F(XChartDialogTest, GroupTwoWithTheFileNameAsBaseNameLoads) {
  const std::string tree = Write(Cell(), "rec'7.tree");
  int32_t result = 0;
  const DialogRecord& run = Open({A::Press(kFile), A::ChooseFile(tree), A::ChooseText(kGroups, "2"),
                                  A::SetText(kBaseName, "cell$ignored"), A::Check(kHeadline, true),
                                  A::Press(kDoIt)},
                                 &result);
  EXPECT_EQ(result, 0);
  EXPECT_THAT(run.Find(kGroups)->items, ElementsAre("1", "2"));
  EXPECT_EQ(run.Text(kPath), tree);
  EXPECT_EQ(run.Text(kCommand), "LoadXChart/G=2/P/H/O/B='cellrec_7' \"" + tree + "\"");
  EXPECT_EQ(run.Text(kInfo),
            "X-Chart v3.6.8\r"
            "Mon Nov 29 21:33:09 1993\n\rNumber of points 2\r"
            " 0: t [s]\r"
            " 1: Vm-1 [mV]\r"
            "1 of 2 traces shown\r");
  EXPECT_THAT(Values("cellrec_7_Vm1"), Samples({7, 8}));
  EXPECT_EQ(wb_.windows().size(), 1u);
}

// A data file chosen after the tree keeps the group list; the plot's
// options need the plot, and "$" alone is the file's name.
TEST_F(XChartDialogTest, AFileThatIsNoTreeKeepsTheGroupListAndPlotOptionsNeedPlot) {
  const std::string tree = Write(Cell(), "rec7.tree");
  const std::string grp = dir_.File("rec7.grp");
  const DialogRecord& run =
      Open({A::Press(kFile), A::ChooseFile(tree), A::ChooseText(kGroups, "2"), A::Press(kFile),
            A::ChooseFile(grp), A::Check(kPlot, false), A::Check(kHeadline, true),
            A::Check(kLegend, true), A::Check(18, true), A::Check(20, true),
            A::SetText(kBaseName, "$"), A::SetText(13, "s"), A::Press(kToClip)});
  EXPECT_EQ(run.Text(kPath), grp);
  EXPECT_THAT(run.Find(kGroups)->items, ElementsAre("1", "2"));
  EXPECT_EQ(wb_.clipboard(), "LoadXChart/G=2/O/Q/B='rec7'/S='s' \"" + grp + "\"");
  EXPECT_TRUE(wb_.root().waves.empty());
}

TEST_F(XChartDialogTest, InformationStaysWithinItsLimitLineByLine) {
  XChartRecording rec;
  SetText(rec.header.identification, "v1");
  auto& g = rec.AddGroup();
  for (auto& line : g.record.description) SetText(line, std::string(80, 'd'));
  for (int i = 0; i < kXChartTraces; ++i)
    g.SetTrace(i, "trace_name_" + std::to_string(i % 10), "unit_long_mV", 1, {1});
  const std::string tree = Write(rec);
  const DialogRecord& run = Open({A::Press(kFile), A::ChooseFile(tree), A::Press(kCancel)});
  const std::string info = run.Text(kInfo);
  EXPECT_LE(info.size(), 1023u);
  // Trace lines that no longer fit are left out; the shorter last line
  // still comes.
  EXPECT_EQ(info.substr(info.size() - 22), "17 of 17 traces shown\r");
  size_t traceLines = 0;
  for (size_t at = info.find("trace_name_"); at != std::string::npos; at = info.find("trace_name_", at + 1))
    ++traceLines;
  EXPECT_GT(traceLines, 0u);
  EXPECT_LT(traceLines, 17u);
}

}  // namespace
}  // namespace kwt::test
