// Files that are not regular files: a FIFO would block an open or a read
// forever (a device such as /dev/zero would never end; its kind is named
// where kwt info refuses it).  Every loader, and LoadWave, refuses them
// with its own code and says why.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "host/result_codes.h"
#include "tests/testkit/pm_writer.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/temp_dir.h"
#include "tests/testkit/xchart_writer.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using ::testing::HasSubstr;

constexpr const char* kWhy = "not a regular file (a FIFO)";

class SpecialFiles : public ::testing::Test {
 protected:
  SpecialFiles() : wb_(Workbench::Options{.memoryPrefs = true}) {}

  // Puts a FIFO at `name` in place of whatever is there.
  std::string Make(const std::string& name) {
    const std::string path = dir_.File(name);
    std::filesystem::remove(path);
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
  }
  // Runs the line; its code, and the diagnosis it left.
  int32_t Run(const std::string& line) { return wb_.Run(line); }
  std::string Diagnosis() const { return wb_.results().back().diagnosis; }
  static std::string Why(const std::string& path) { return path + ": " + kWhy; }

  test::TempDir dir_;
  Workbench wb_;
};

TEST_F(SpecialFiles, LoadersAndLoadWaveKeepTheirCodesAndSayWhy) {
  // A bundle name.
  const std::string dat = Make("bundle.dat");
  EXPECT_EQ(Run("LoadPM/Q \"" + dat + "\""), kErrCannotOpenDat);
  EXPECT_EQ(Diagnosis(), Why(dat));

  // A Pulse recording with one of its files replaced.
  test::PulseRecording pulse;
  pulse.AddStimulation("stim");
  pulse.AddGroup("g").AddSeries().AddSweep({1, 2, 3});
  const std::string cell = test::WritePulseRecording(pulse, dir_.path() / "cell.dat").data.string();
  const std::string pul = Make("cell.pul");
  EXPECT_EQ(Run("LoadPulse/Q \"" + cell + "\""), kErrCannotOpenPul);
  EXPECT_EQ(Diagnosis(), Why(pul));

  // Sibling trees of a PatchMaster recording.
  test::PmRecording pm;
  pm.AddStimulation("stim").AddChannel(1).AddSegment(kPmSegmentConstant, -0.07, 3e-4);
  pm.AddGroup("g").AddSeries().AddSweep().AddTrace("Imon", {1, 2, 3});
  const std::string sib = test::WritePmSiblings(pm, dir_.path() / "sib.dat").data.string();
  const std::string pgf = Make("sib.pgf");
  EXPECT_EQ(Run("LoadPM/Q \"" + sib + "\""), kErrCannotOpenPgf);
  EXPECT_EQ(Diagnosis(), Why(pgf));

  // X-Chart's data file: nothing is loaded, and the report says why.
  test::XChartRecording chart;
  chart.AddGroup().SetTrace(0, "t", "s", 0, {0, 1});
  const std::string tree = test::WriteXChartRecording(chart, dir_.path() / "x.tree").tree.string();
  const std::string grp = Make("x.grp");
  Run("LoadXChart/Q \"" + tree + "\"");
  ASSERT_EQ(wb_.results().back().problems.size(), 1u);
  EXPECT_THAT(wb_.results().back().problems[0].text,
              HasSubstr(grp + " cannot be opened: " + kWhy));

  // Nor does LoadWave read it.
  const std::string path = Make("waves.itx");
  EXPECT_EQ(Run("LoadWave/T \"" + path + "\""), kHostErrFileOpen);
  EXPECT_EQ(Diagnosis(), Why(path));
}

}  // namespace
}  // namespace kwt
