// A workbench and a folder for one test's PatchMaster recording: write the
// recording with the test writer (bundle or sibling files), run LoadPM on
// it, read back waves, variables, alerts, the history and the command log.
#pragma once

#include <cstdint>
#include <string>

#include "host/result_codes.h"
#include "patchmaster/pm_tree.h"
#include "pulse/pulse_tree.h"
#include "tests/patchmaster/pm_fixture.h"
#include "tests/testkit/loader_session.h"
#include "tests/testkit/pm_writer.h"

namespace kwt::test {

class LoadPmTest : public LoaderSessionTest {
 protected:
  // Every load releases its trees; a test that fails midway must not leave
  // them to the next.
  ~LoadPmTest() override { FreeAllTrees(); }

  // Writes the recording as one bundle file (default) or as a data file
  // with sibling trees; returns the data file's path.
  std::string Write(const PmRecording& rec, const std::string& name = "cell.dat") {
    return WritePmBundle(rec, dir_.path() / name).data.string();
  }
  std::string WriteSiblings(const PmRecording& rec, const std::string& name = "cell.dat") {
    return WritePmSiblings(rec, dir_.path() / name).data.string();
  }

  // Runs "LoadPM<flags> "<path>"" and returns its result code.
  int32_t Load(const std::string& flags, const std::string& path) {
    return RunOn("LoadPM", flags, path);
  }
  int32_t Load(const std::string& flags, const PmRecording& rec) {
    return Load(flags, Write(rec));
  }

  // Kills every wave of the root folder.
  void KillAll() { EXPECT_EQ(wb_.Run("KillWaves/A/Z"), 0); }

  // Posted() from offset `from` on, without the timing lines that end
  // successful loads.
  std::string PostedWithoutTiming(size_t from = 0) const {
    std::string p = Posted().substr(from);
    for (size_t at; (at = p.find("Loading took ")) != std::string::npos;)
      p.erase(at, p.find('\r', at) + 1 - at);
    return p;
  }
};

// One group, one series, `sweeps` sweeps of stimulation "stim", each with
// one trace "Imon" of int16 samples {1, 2, 3} (scaler 1, unit "A").
inline PmRecording SmallPm(int sweeps = 1) {
  PmRecording rec;
  rec.AddStimulation("stim").AddChannel(1).AddSegment(kPmSegmentConstant, -0.07, 3e-4);
  PmSeries& series = rec.AddGroup("g").AddSeries();
  for (int i = 0; i < sweeps; ++i) series.AddSweep().AddTrace("Imon", {1, 2, 3});
  return rec;
}

}  // namespace kwt::test
