// A workbench and a folder for one test's Pulse recording: write the
// recording with the test writer, run LoadPulse on it, read back waves,
// variables, the history and the command log.
#pragma once

#include <string>

#include "host/result_codes.h"
#include "pulse/pulse_tree.h"
#include "tests/testkit/loader_session.h"
#include "tests/testkit/pulse_writer.h"

namespace kwt::test {

class LoadPulseTest : public LoaderSessionTest {
 protected:
  ~LoadPulseTest() override {
    // Every load releases its trees; a test that fails midway must not
    // leave them to the next.
    ReleasePulseAcquisitionTree();
    ReleasePulseStimulusTree();
  }

  // Writes the recording as cell.dat (+ .pul, .pgf) in the test's folder.
  std::string Write(const PulseRecording& rec, const std::string& name = "cell.dat") {
    return WritePulseRecording(rec, dir_.path() / name).data.string();
  }

  // Runs "LoadPulse<flags> "<path>"" and returns its result code.
  int32_t Load(const std::string& flags, const std::string& path) {
    return RunOn("LoadPulse", flags, path);
  }
  // Writes `rec` and loads it.
  int32_t Load(const std::string& flags, const PulseRecording& rec) {
    return Load(flags, Write(rec));
  }
};

// One group with one series of `sweeps` sweeps of int16 samples {1, 2, 3}
// (factor 1), and one stimulation "stim".
inline PulseRecording SmallRecording(int sweeps = 1) {
  PulseRecording rec;
  rec.AddStimulation("stim");
  PulseSeries& series = rec.AddGroup("g").AddSeries();
  for (int i = 0; i < sweeps; ++i) series.AddSweep({1, 2, 3});
  return rec;
}

}  // namespace kwt::test
