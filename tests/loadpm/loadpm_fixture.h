// A workbench and a folder for one test's PatchMaster recording: write the
// recording with the test writer (bundle or sibling files), run LoadPM on
// it, read back waves, variables, alerts, the history and the command log.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "patchmaster/pm_tree.h"
#include "pulse/pulse_tree.h"
#include "tests/support/pm_writer.h"
#include "tests/support/temp_dir.h"
#include "workbench/workbench.h"

namespace kwt::test {

// Notes show local times: the tests run in UTC, whatever the caller's zone.
class UtcZone {
 public:
  UtcZone() {
    if (const char* old = std::getenv("TZ")) saved_ = old, had_ = true;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  ~UtcZone() {
    if (had_)
      setenv("TZ", saved_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

class LoadPmTest : public ::testing::Test {
 protected:
  LoadPmTest() : wb_(Workbench::Options{dir_.File("prefs.bin"), false}) {
    wb_.interaction().SetScripted({}, kAnswerYes);
  }
  ~LoadPmTest() override {
    // Every load releases its trees; a test that fails midway must not
    // leave them to the next.
    FreePulsedTree();
    FreeStimulusTree();
    FreeAmplifierTree();
    FreeSolutionTree();
    ReleasePulseAcquisitionTree();
    ReleasePulseStimulusTree();
  }

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
    return wb_.Run("LoadPM" + flags + " \"" + path + "\"");
  }
  int32_t Load(const std::string& flags, const PmRecording& rec) {
    return Load(flags, Write(rec));
  }

  HostWave* Wave(const std::string& name) { return wb_.root().FindWave(name); }
  std::vector<double> Values(const std::string& name) {
    std::vector<double> out;
    HostWave* w = Wave(name);
    EXPECT_NE(w, nullptr) << name << " was not made";
    if (w == nullptr) return out;
    for (int64_t i = 0; i < w->points; ++i) out.push_back(w->Value(i));
    return out;
  }
  std::vector<std::string> WaveNames() {
    std::vector<std::string> names;
    for (const auto& w : wb_.root().waves) names.push_back(w->name);
    return names;
  }

  // Kills every wave of the root folder.
  void KillAll() { EXPECT_EQ(wb_.Run("KillWaves/A/Z"), 0); }

  double Number(const std::string& name) {
    Variable* v = wb_.root().FindVariable(name);
    EXPECT_TRUE(v != nullptr && !v->isString) << name;
    return v != nullptr ? v->number : -12345.0;
  }
  std::string Text(const std::string& name) {
    Variable* v = wb_.root().FindVariable(name);
    EXPECT_TRUE(v != nullptr && v->isString) << name;
    return v != nullptr ? v->text : "<missing>";
  }

  // The alerts shown so far, as "title|text".
  std::vector<std::string> Alerts() {
    std::vector<std::string> out;
    for (const auto& e : wb_.interaction().events())
      if (e.kind == "alert") out.push_back(e.title + "|" + e.text);
    return out;
  }

  // What the module posted: the history without the echoed command lines
  // (which start with 0x95).
  std::string Posted() const {
    std::string out;
    const std::string& h = wb_.history();
    size_t i = 0;
    while (i < h.size()) {
      const size_t end = h.find('\r', i);
      const size_t stop = end == std::string::npos ? h.size() : end + 1;
      if (h[i] != '\x95') out.append(h, i, stop - i);
      i = stop;
    }
    return out;
  }
  // Posted() from offset `from` on, without the timing lines that end
  // successful loads.
  std::string PostedWithoutTiming(size_t from = 0) const {
    std::string p = Posted().substr(from);
    for (size_t at; (at = p.find("Loading took ")) != std::string::npos;)
      p.erase(at, p.find('\r', at) + 1 - at);
    return p;
  }

  TempDir dir_;
  UtcZone zone_;
  Workbench wb_;
};

// The float that a 32-bit wave holds for a value.
inline double F(double v) { return static_cast<double>(static_cast<float>(v)); }

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
