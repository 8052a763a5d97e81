// A fresh workbench per test, with helpers that build waves of any number
// type from listed values and read results back.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "workbench/workbench.h"

namespace kwt::test {

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Element-wise equality in which NaN equals NaN and finite values may differ
// by `tolerance`.
inline ::testing::AssertionResult SameValues(const std::vector<double>& actual,
                                             const std::vector<double>& expected,
                                             double tolerance = 1e-12) {
  if (actual.size() != expected.size())
    return ::testing::AssertionFailure()
           << "size " << actual.size() << ", expected " << expected.size();
  for (size_t i = 0; i < actual.size(); ++i) {
    const double a = actual[i], e = expected[i];
    if (std::isnan(e) ? !std::isnan(a) : !(std::fabs(a - e) <= tolerance))
      return ::testing::AssertionFailure() << "point " << i << ": " << a << ", expected " << e;
  }
  return ::testing::AssertionSuccess();
}

class WaveUtilsHarness {
 public:
  // Stored preferences stay in memory, so that tests running side by side
  // do not share them.
  WaveUtilsHarness() : wb_(Workbench::Options{.memoryPrefs = true}) {
    // Questions are answered yes unless a test scripts its answers.
    wb_.interaction().SetScripted({}, kAnswerYes);
  }

  // Makes `name` (in `folder`, default the current folder) with the values
  // given, as a wave of number type `type`.
  HostWave* Make(const std::string& name, const std::vector<double>& values,
                 int32_t type = kWaveFloat32, HostFolder* folder = nullptr) {
    HostFolder* saved = &wb_.current();
    if (folder != nullptr) wb_.SetCurrentFolder(folder);
    WaveHandle w = nullptr;
    const int32_t err =
        wb_.MakeWave(&w, name, static_cast<int64_t>(values.size()), type, true);
    wb_.SetCurrentFolder(saved);
    EXPECT_EQ(err, 0) << "making " << name;
    if (w == nullptr) return nullptr;
    for (size_t i = 0; i < values.size(); ++i) w->SetValue(static_cast<int64_t>(i), values[i]);
    return w;
  }

  // 0, 1, 2, ... n - 1.
  HostWave* Ramp(const std::string& name, int n, int32_t type = kWaveFloat32) {
    std::vector<double> v;
    for (int i = 0; i < n; ++i) v.push_back(i);
    return Make(name, v, type);
  }

  // A data folder below `parent` (default the root).
  HostFolder* Folder(const std::string& name, HostFolder* parent = nullptr) {
    if (parent == nullptr) parent = &wb_.root();
    if (HostFolder* f = parent->FindFolder(name)) return f;
    auto made = std::make_unique<HostFolder>();
    made->name = name;
    made->parent = parent;
    HostFolder* f = made.get();
    parent->folders.push_back(std::move(made));
    return f;
  }

  // The values of the wave at `path`; fails the test when it is absent.
  std::vector<double> Values(const std::string& path) {
    std::vector<double> out;
    HostWave* w = wb_.ResolveWave(path);
    EXPECT_NE(w, nullptr) << path << " does not exist";
    if (w == nullptr) return out;
    for (int64_t i = 0; i < w->points; ++i) out.push_back(w->Value(i));
    return out;
  }

  bool Exists(const std::string& path) { return wb_.ResolveWave(path) != nullptr; }

  // The scaling of the wave at `path`: "x OFFSET DELTA UNITS; y OFFSET
  // DELTA; d TOP BOTTOM UNITS".
  std::string Scaling(const std::string& path) {
    const HostWave* w = wb_.ResolveWave(path);
    if (w == nullptr) return path + " does not exist";
    std::ostringstream s;
    s << "x " << w->dims[0].offset << " " << w->dims[0].delta << " " << w->dims[0].units << "; y "
      << w->dims[1].offset << " " << w->dims[1].delta << "; d " << w->fullScaleTop << " "
      << w->fullScaleBottom << " " << w->dataUnits;
    return s.str();
  }

  int32_t Run(const std::string& line) { return wb_.Run(line); }

  // The command lines the module sent since `mark` (an earlier size of the
  // command log).
  std::vector<std::string> CommandsSince(size_t mark) const {
    const auto& log = wb_.commandLog();
    return std::vector<std::string>(log.begin() + static_cast<std::ptrdiff_t>(mark), log.end());
  }

  // The command lines the module sends for `line`, which must succeed.
  std::vector<std::string> Commands(const std::string& line) {
    const size_t mark = wb_.commandLog().size();
    EXPECT_EQ(Run(line), 0) << line;
    EXPECT_EQ(wb_.updateDepth(), 0) << line;
    return CommandsSince(mark);
  }

  // Runs each line, one after another, expecting its result code.
  struct LineCode {
    std::string line;
    int32_t code;
  };
  void ExpectCodes(const std::vector<LineCode>& lines) {
    for (const LineCode& l : lines) EXPECT_EQ(Run(l.line), l.code) << l.line;
  }

  // Runs each line, which must succeed, and compares the wave at `path`
  // with `values` after it.
  struct LineValues {
    std::string line, path;
    std::vector<double> values;
  };
  void ExpectValues(const std::vector<LineValues>& steps) {
    for (const LineValues& s : steps) {
      ASSERT_EQ(Run(s.line), 0) << s.line;
      EXPECT_TRUE(SameValues(Values(s.path), s.values)) << s.line;
    }
  }

  Workbench wb_;
};

class WaveUtilsTest : public ::testing::Test, public WaveUtilsHarness {
 protected:
  using WaveUtilsHarness::Run;  // not the test's own Run
};

}  // namespace kwt::test
