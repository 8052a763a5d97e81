// LoadPulse with the LockIn and the stimulus template under failing
// allocations: every failure ends with a result code, leaves only whole
// waves and releases the trees (the sanitizer build checks leaks).
#include <gtest/gtest.h>

#include <cmath>

#include "pulse/pulse_tree.h"
#include "tests/testkit/alloc_failure.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/temp_dir.h"

namespace kwt::test {
namespace {

TEST(LoadPulseAllocationFailure, LockInAndTemplateOverThreeSweeps) {
  // 2 ms at the holding, a 10 ms sine of 1 ms cycles, 2 ms at the holding.
  PulseRecording rec;
  auto& stim = rec.AddStimulation("sine");
  stim.record.sinePeriod = 1e-3;
  stim.record.sineAmplitude = 0.01;
  stim.AddSegment(kSegmentConstant, -0.07, 2e-3)
      .AddSegment(kSegmentSine, -0.07, 1e-2)
      .AddSegment(kSegmentConstant, -0.07, 2e-3);
  auto& series = rec.AddGroup("g").AddSeries();
  series.record.extCalibrationValid = 1;
  series.record.extAttenuation = 1.0;
  for (int s = 0; s < 3; ++s) {
    std::vector<double> trace;
    for (int i = 0; i < 140; ++i) trace.push_back(std::round(100 * std::sin(0.63 * i + s)));
    auto& sweep = series.AddSweep(trace);
    sweep.record.factor1 = 1e-12;
    sweep.record.gSeries = 1e-7;
  }
  TempDir dir;
  const PulseFiles files = WritePulseRecording(rec, dir.path() / "cell.dat");
  ExpectCleanFailures("LoadPulse/G/I \"" + files.data.string() + "\"", [] {
    EXPECT_EQ(GetRoot(), nullptr) << "the acquisition tree is kept";
    EXPECT_EQ(GetStimulusRoot(), nullptr) << "the stimulus tree is kept";
  });
}

}  // namespace
}  // namespace kwt::test
