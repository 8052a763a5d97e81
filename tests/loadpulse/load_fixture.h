// A workbench and a folder for one test's Pulse recording: write the
// recording with the test writer, run LoadPulse on it, read back waves,
// variables, the history and the command log.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "pulse/pulse_tree.h"
#include "tests/support/pulse_writer.h"
#include "tests/support/temp_dir.h"
#include "workbench/workbench.h"

namespace kwt::test {

// Sets the time zone for the life of the object and restores the old one.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old, had_ = true;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
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

class LoadPulseTest : public ::testing::Test {
 protected:
  LoadPulseTest() : zone_("UTC"), wb_(Workbench::Options{dir_.File("prefs.bin"), false}) {
    wb_.interaction().SetScripted({}, kAnswerYes);
  }
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
    return wb_.Run("LoadPulse" + flags + " \"" + path + "\"");
  }
  // Writes `rec` and loads it.
  int32_t Load(const std::string& flags, const PulseRecording& rec) {
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
  // The names of the waves of the root folder, in the order made.
  std::vector<std::string> WaveNames() {
    std::vector<std::string> names;
    for (const auto& w : wb_.root().waves) names.push_back(w->name);
    return names;
  }

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
  bool HasVariable(const std::string& name) { return wb_.root().FindVariable(name) != nullptr; }

  // What the module posted since the command line was echoed: the history
  // without the echoed lines (which start with 0x95).
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

  TempDir dir_;
  ScopedTimeZone zone_;
  Workbench wb_;
};

// The float that a 32-bit wave holds for a value.
inline double F(double v) { return static_cast<double>(static_cast<float>(v)); }

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
