// Writes COUNT small PatchMaster bundles, DIR/cell01.dat to DIR/cellNN.dat,
// for runs over many recordings (kwt.batch, its test and its benchmark).
//
// Recording n holds one group with n % 3 + 1 series of n % 4 + 2 sweeps,
// each sweep a current trace "Imon" of POINTS samples (default 20000) at
// 50 kHz: a step response whose size and time constant change with n, so
// that no two recordings give the same waves.  Every other recording is
// written with big-endian trees.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/testkit/pm_writer.h"

namespace {

std::vector<double> StepResponse(int recording, int series, int sweep, int points) {
  std::vector<double> samples(static_cast<size_t>(points));
  const double size = 200.0 + 37.0 * recording + 11.0 * sweep - 5.0 * series;
  const double tau = 20.0 + recording;  // samples
  for (int i = 0; i < points; ++i)
    samples[static_cast<size_t>(i)] = std::round(size * (1.0 - std::exp(-i / tau)) + (i % 7));
  return samples;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc >= 3 ? std::atoi(argv[2]) : 0;
  const int points = argc >= 4 ? std::atoi(argv[3]) : 20000;
  if (argc < 3 || argc > 4 || count < 1 || count > 999 || points < 1 || points > 10000000) {
    std::fprintf(stderr, "usage: %s DIR COUNT [POINTS]  (1 to 999 recordings)\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  for (int n = 1; n <= count; ++n) {
    kwt::test::PmRecording rec;
    if (n % 2 == 0) {
      rec.pul.order = kwt::ByteOrder::kBig;
      rec.pgf.order = kwt::ByteOrder::kBig;
    }
    kwt::test::PmStimulation& stim = rec.AddStimulation("step");
    stim.record.stSampleInterval = 2e-5;
    stim.AddChannel(1).AddSegment(kwt::kPmSegmentConstant, -0.07, points * 2e-5);
    kwt::test::PmGroup& group = rec.AddGroup("cell " + std::to_string(n));
    for (int s = 1; s <= n % 3 + 1; ++s) {
      kwt::test::PmSeries& series = group.AddSeries("steps " + std::to_string(s));
      for (int w = 1; w <= n % 4 + 2; ++w) {
        kwt::test::PmTrace& trace =
            series.AddSweep().AddTrace("Imon", StepResponse(n, s, w, points));
        trace.record.trDataScaler = 1e-12;
        trace.record.trXInterval = 2e-5;
      }
    }
    char name[32];
    std::snprintf(name, sizeof name, "cell%02d.dat", n);
    kwt::test::WritePmBundle(rec, dir / name);
  }
  std::printf("wrote %d recordings to %s\n", count, dir.string().c_str());
  return 0;
}
