// Choosing waves by pattern (WaveList, "$" before a string expression) and
// quoted liberal names in the lists of the module's operations and of the
// workbench's own commands, over a loaded PatchMaster series whose wave
// names ("PMPulse_1_2_1_1_Imon-1") need quotes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "patchmaster/pm_tree.h"
#include "tests/testkit/pm_writer.h"
#include "tests/testkit/temp_dir.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using ::testing::ElementsAre;

class WaveLists : public ::testing::Test {
 protected:
  void SetUp() override {
    // Series 1: one sweep; series 2: three sweeps whose first trace holds
    // k, 2k, 3k in sweep k.
    test::PmRecording rec;
    rec.AddStimulation("stim").AddChannel(1).AddSegment(kPmSegmentConstant, -0.07, 3e-4);
    test::PmGroup& group = rec.AddGroup("g");
    test::PmSweep& lone = group.AddSeries().AddSweep();
    lone.AddTrace("Imon-1", {100, 100, 100});
    lone.AddTrace("Vmon-1", {0, 0, 0});
    test::PmSeries& series = group.AddSeries();
    for (double k = 1; k <= 3; ++k) {
      test::PmSweep& sweep = series.AddSweep();
      sweep.AddTrace("Imon-1", {k, 2 * k, 3 * k});
      sweep.AddTrace("Vmon-1", {-k, -k, -k});
    }
    const std::string path = test::WritePmBundle(rec, dir_.path() / "cell.dat").data.string();
    ASSERT_EQ(wb_.Run("LoadPM/Q \"" + path + "\""), 0);
  }
  ~WaveLists() override {
    FreePulsedTree();
    FreeStimulusTree();
    FreeAmplifierTree();
    FreeSolutionTree();
  }

  std::vector<double> Values(const char* name) {
    std::vector<double> out;
    if (HostWave* w = wb_.root().FindWave(name))
      for (int64_t i = 0; i < w->points; ++i) out.push_back(w->Value(i));
    return out;
  }

  test::TempDir dir_;
  Workbench wb_{Workbench::Options{.memoryPrefs = true}};
};

TEST_F(WaveLists, AutoStatsOverASeriesByPattern) {
  ASSERT_EQ(wb_.Run(R"(AutoStats/N=m $WaveList("PMPulse_1_2_*_1_*", ",", ""))"), 0);
  EXPECT_THAT(Values("m_mean"), ElementsAre(2, 4, 6));

  // Matching ignores case; each name is followed by the separator.
  ASSERT_EQ(wb_.Run(R"(String/G s = WaveList("pmpulse_1_2_*_1_*", ",", ""))"), 0);
  EXPECT_EQ(wb_.root().FindVariable("s")->text,
            "PMPulse_1_2_1_1_Imon-1,PMPulse_1_2_2_1_Imon-1,PMPulse_1_2_3_1_Imon-1,");
  ASSERT_EQ(wb_.Run("AutoStats/N=v $s"), 0);
  EXPECT_THAT(Values("v_mean"), ElementsAre(2, 4, 6));

  // Another separator, and a pattern that matches nothing.
  ASSERT_EQ(wb_.Run(R"(AutoStats/N=w $WaveList("PMPulse_1_2_*Vmon*", ";", ""))"), 0);
  EXPECT_THAT(Values("w_mean"), ElementsAre(-2, -2, -2));
  EXPECT_EQ(wb_.Run(R"(AutoStats/N=x $WaveList("none*", ",", ""))"), kHostErrExpectedWave);
}

TEST_F(WaveLists, QuotedLiberalNamesInEveryList) {
  const std::string two = "'PMPulse_1_2_1_1_Imon-1', 'PMPulse_1_2_2_1_Imon-1'";
  for (const std::string& line : std::vector<std::string>{
           "Display " + two, "AppendToGraph 'PMPulse_1_2_3_1_Imon-1' vs 'PMPulse_1_1_1_1_Imon-1'",
        "Edit " + two, "AppendToTable 'PMPulse_1_2_3_1_Imon-1'", "Append 'PMPulse_1_1_1_1_Imon-1'",
        "SetScale/P x 0, 1e-3, \"s\", " + two, "Redimension/D " + two, "AutoStats/N=q " + two,
        "PlotWaves/X='PMPulse_1_1_1_1_Imon-1' " + two,
        "KillWaves 'PMPulse_1_1_1_2_Vmon-1', 'PMPulse_1_2_1_2_Vmon-1'"})
    EXPECT_EQ(wb_.Run(line), 0) << line;
  EXPECT_THAT(Values("q_mean"), ElementsAre(1.5, 3, 4.5));
  EXPECT_EQ(wb_.root().FindWave("PMPulse_1_1_1_2_Vmon-1"), nullptr);

  // Through "$" the listed names are quoted as they are put on the line,
  // part by part in a folder path.
  ASSERT_EQ(wb_.Run(R"(Display $WaveList("*Imon-1", ";", ""))"), 0);
  EXPECT_EQ(wb_.windows().front().traces.size(), 4u);
  ASSERT_EQ(wb_.Run("NewDataFolder 'my data'; Make/N=2 root:'my data':'w-1'"), 0);
  ASSERT_EQ(wb_.Run(R"(Edit $" root:my data:w-1 ;PMPulse_1_2_2_2_Vmon-1")"), 0);
  EXPECT_EQ(wb_.windows().front().columns.size(), 2u);
  EXPECT_EQ(wb_.Run(R"(KillWaves $WaveList("nothing*", ",", ""))"), 0) << "an empty list";
}

}  // namespace
}  // namespace kwt
