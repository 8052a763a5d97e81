// LoadPM with the LockIn and the stimulus template under failing
// allocations: every failure ends with a result code, leaves only whole
// waves and releases the trees (the sanitizer build checks leaks).
#include <gtest/gtest.h>

#include "patchmaster/pm_tree.h"
#include "tests/testkit/alloc_failure.h"
#include "tests/testkit/pm_writer.h"
#include "tests/testkit/temp_dir.h"

namespace kwt::test {
namespace {

TEST(LoadPmAllocationFailure, LockInAndTemplateOverThreeSweeps) {
  PmRecording rec;
  auto& stim = rec.AddStimulation("sine");
  stim.record.stNumberSweeps = 3;
  stim.record.stLockInFlag = 1;
  auto& out = stim.AddChannel(1);
  out.record.chSineCycle = 1e-3;
  out.record.chSineAmplitude = 0.01;
  out.AddSegment(kPmSegmentConstant, -0.07, 2e-3)
      .AddSegment(kPmSegmentSine, -0.07, 1e-2)
      .AddSegment(kPmSegmentConstant, -0.07, 2e-3);
  rec.AddSolution("KCl");
  auto& series = rec.AddGroup("g").AddSeries("s");
  series.record.seAmplifierState.vHold = -0.07;
  series.record.seLockInParams.extCalValid = 1;
  series.record.seLockInParams.extAttenuation = 1.0;
  for (int s = 0; s < 3; ++s) {
    auto& sweep = series.AddSweep(1);
    std::vector<double> samples;
    for (int i = 0; i < 140; ++i) samples.push_back((i * 37 + s * 11) % 200 - 100);
    sweep.AddTrace("Imon", samples).record.trDataScaler = 1e-12;
    sweep.AddTrace("Vmon", std::vector<double>(140, -700)).record.trYUnit[0] = 'V';
  }
  TempDir dir;
  const PmFiles files = WritePmBundle(rec, dir.path() / "cell.dat");
  ExpectCleanFailures("LoadPM/G/I \"" + files.data.string() + "\"", [] {
    EXPECT_EQ(GetPulsedRoot(), nullptr) << "the pulsed tree is kept";
    EXPECT_EQ(GetPmStimulusRoot(), nullptr) << "the stimulus tree is kept";
    EXPECT_EQ(SolutionCount(), 0) << "the solution tree is kept";
  });
}

}  // namespace
}  // namespace kwt::test
