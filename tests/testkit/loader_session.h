// A workbench and a folder for one loader test: write a recording with a
// test writer, run the loader on it, read back waves, variables, alerts,
// the history and the command log.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/temp_dir.h"
#include "workbench/workbench.h"

namespace kwt::test {

// The matchers every loader test uses, named once here.
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using ::testing::Not;

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
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::string saved_;
  bool had_ = false;
};

// Notes show local times: the tests run in UTC, whatever the caller's zone.
// Questions are answered "yes".
class LoaderSessionTest : public ::testing::Test {
 protected:
  LoaderSessionTest() : zone_("UTC"), wb_(Workbench::Options{dir_.File("prefs.bin"), false}) {
    wb_.interaction().SetScripted({}, kAnswerYes);
  }

  // Runs "<operation><flags> "<path>"" and returns its result code.
  int32_t RunOn(const std::string& operation, const std::string& flags, const std::string& path) {
    return wb_.Run(operation + flags + " \"" + path + "\"");
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

  // The alerts shown so far, as "title|text".
  std::vector<std::string> Alerts() {
    std::vector<std::string> out;
    for (const auto& e : wb_.interaction().events())
      if (e.kind == "alert") out.push_back(e.title + "|" + e.text);
    return out;
  }

  // The texts of the last command's problems of one kind.
  std::vector<std::string> Problems(ProblemKind kind) const {
    std::vector<std::string> texts;
    for (const Problem& p : wb_.results().back().problems)
      if (p.kind == kind) texts.push_back(p.text);
    return texts;
  }

  // Writes `good` to `file` and runs `load` for the waves it makes; then
  // zeroes each 4 KiB block of [from, to) in turn (every `step` bytes) and
  // loads again.  Each damaged load either fails as a whole with `failure`
  // or reports damage and makes only waves of the undamaged load, with the
  // same values.  Returns the damaged loads that made some waves.
  int LoadWithZeroedBlocks(const std::vector<uint8_t>& good, size_t from, size_t to, size_t step,
                           const std::string& file, const std::function<int32_t()>& load,
                           int32_t failure) {
    const auto waves = [&] {
      std::map<std::string, std::vector<double>> out;
      for (const std::string& name : WaveNames()) out[name] = Values(name);
      return out;
    };
    WriteFileBytes(file, good);
    EXPECT_EQ(wb_.Run("KillWaves/A/Z"), 0);
    EXPECT_EQ(load(), 0);
    const auto clean = waves();
    EXPECT_FALSE(clean.empty());
    int partial = 0;
    for (size_t at = from; at + 4096 <= to; at += step) {
      SCOPED_TRACE(::testing::Message() << "zeros at " << at - from);
      std::vector<uint8_t> bytes = good;
      std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), 4096, uint8_t{0});
      WriteFileBytes(file, bytes);
      EXPECT_EQ(wb_.Run("KillWaves/A/Z"), 0);
      const int32_t code = load();
      if (code != 0) {
        EXPECT_EQ(code, failure) << "a count the bytes cannot hold fails the tree";
        continue;
      }
      EXPECT_FALSE(Problems(ProblemKind::kDamaged).empty());
      for (const auto& [name, values] : waves()) {
        const auto known = clean.find(name);
        EXPECT_NE(known, clean.end()) << name << " is no wave of the recording";
        if (known != clean.end()) {
          EXPECT_EQ(values, known->second) << name;
        }
      }
      if (!WaveNames().empty()) ++partial;
    }
    return partial;
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

  TempDir dir_;
  ScopedTimeZone zone_;
  Workbench wb_;
};

// The command lines of a loader's stacked graph (/P): the window, and the
// share of the height that left axis l<axis> takes.
inline constexpr const char* kGraphPrepare = "Display;ModifyGraph margin(left)=60";
inline std::string AxisCommand(int axis, const char* from, const char* to) {
  const std::string l = "l" + std::to_string(axis);
  return "ModifyGraph axisEnab(" + l + ")={" + std::string(from) + "," + to + "},freePos(" + l +
         ")=0,lblPos(" + l + ")=60";
}

// The float that a 32-bit wave holds for a value.
inline double F(double v) { return static_cast<double>(static_cast<float>(v)); }

// Stored samples of each sample format (0 int16, 1 int32, 2 real32,
// 3 real64, the code both formats store), a scaling factor, and the
// values a loader must make of them, worked out by hand as floats.
struct SampleFormatCase {
  int32_t format;
  std::vector<double> stored;
  double factor;
  std::vector<double> expected;
};
inline const std::vector<SampleFormatCase>& SampleFormatCases() {
  static const std::vector<SampleFormatCase> cases = {
      {0, {-32768, 0, 32767, 5}, 1e-12, {F(-3.2768e-8), 0.0, F(3.2767e-8), F(5e-12)}},
      {1, {-2147483648.0, 7, 123456789}, 1e-3, {F(-2147483.648), F(0.007), F(123456.789)}},
      {2, {1.5, -0.25, 1e30}, 2.0, {3.0, -0.5, F(2e30)}},
      // 64-bit samples are scaled like the others.
      {3, {1.0 / 3.0, -1e-300, 4.0}, 3.0, {F(1.0), 0.0, 12.0}},
  };
  return cases;
}

// A case's values repeated past a megabyte of wave: a load then takes its
// waves from one block, and the values lie across its pages.
inline std::vector<double> Repeated(const std::vector<double>& values) {
  constexpr size_t kPoints = 300000;
  std::vector<double> out;
  while (out.size() < kPoints) out.insert(out.end(), values.begin(), values.end());
  return out;
}

}  // namespace kwt::test
