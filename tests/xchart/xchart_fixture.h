// A workbench with a folder for X-Chart recordings, and the recording most
// tests load: two groups, traces that are displayed, hidden, unnamed, with
// auto-zero and with prefixed units.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/testkit/loader_session.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/temp_dir.h"
#include "tests/testkit/xchart_writer.h"
#include "workbench/workbench.h"

namespace kwt::test {

// 1.0e9 s after 1990-01-01 00:00 is Thu 2021-09-09 01:46:40 (UTC in tests).
inline constexpr double kGroup1Time = 1.0e9;
// 123456789 s is Mon 1993-11-29 21:33:09.
inline constexpr double kGroup2Time = 123456789.0;

// Group 1 (big-endian samples, 4 points):
//   0 "t" [s] slot 0         the time base
//   1 "Vm-1" [mV] slot 1     axis -80..40, style 2, colour 9, 4 ticks, height 2
//   2 "I" [pA] slot 2        auto-zero 12.5
//   3 "Temp" [C] slot 0      kept only with /A
//   4 "" [V] slot 1          read, but no wave
//   5 "Ca" [µM] slot 3       the micro sign byte 0xB5
// Group 2 (little-endian samples, 2 points): "t" and "Vm-1".
inline XChartRecording Cell(ByteOrder order = ByteOrder::kBig) {
  XChartRecording rec;
  rec.treeOrder = order;
  SetText(rec.header.identification, "v3.6.8");
  SetText(rec.header.title, "Slice 4.chart");
  auto& g1 = rec.AddGroup(kGroup1Time);
  g1.SetTrace(0, "t", "s", 0, {0.0f, 0.5f, 1.0f, 1.5f});
  auto& vm = g1.SetTrace(1, "Vm-1", "mV", 1, {-70, -65, XChartMissingValue(), -60}).record;
  vm.axisMin = -80;
  vm.axisMax = 40;
  vm.style = 2;
  vm.colour = 9;
  vm.ticks = 4;
  vm.height = 2;
  auto& current = g1.SetTrace(2, "I", "pA", 2, {1, 2, 3, 4}).record;
  current.autoZeroApplied = 1;
  current.autoZero = 12.5f;
  current.axisMin = -100;
  current.axisMax = 100;
  g1.SetTrace(3, "Temp", "C", 0, {30, 31, 32, 33});
  g1.SetTrace(4, "", "V", 1, {5, 5, 5, 5});
  auto& ca = g1.SetTrace(5, "Ca", "\xB5M", 3, {0.1f, 0.2f, 0.3f, 0.4f}).record;
  ca.axisMin = 0;
  ca.axisMax = 2;
  auto& g2 = rec.AddGroup(kGroup2Time);
  g2.record.sampleOrder = 1;
  g2.SetTrace(0, "t", "s", 0, {0, 1});
  g2.SetTrace(1, "Vm-1", "mV", 1, {7, 8});
  return rec;
}

// The loader fixture with LoadXChart's command, what its last run posted
// and sent, and its beeps.
class XChartTest : public LoaderSessionTest {
 protected:
  // Writes the recording as `name` (a .tree file) and its data file; returns
  // the tree file's path.
  std::string Write(const XChartRecording& rec, const std::string& name = "cell.tree") {
    WriteXChartRecording(rec, dir_.path() / name);
    return dir_.File(name);
  }

  // Runs "LoadXChart<flags> "path"" and returns its result.
  int32_t Load(const std::string& flags, const std::string& path) {
    mark_ = wb_.history().size();
    logMark_ = wb_.commandLog().size();
    beepMark_ = Beeps();
    return wb_.Run("LoadXChart" + flags + " \"" + path + "\"");
  }

  // What the last Load posted to the history, without its echoed line.
  std::string Posted() const {
    std::string text = wb_.history().substr(mark_);
    const size_t echo = text.find('\r');
    return echo == std::string::npos ? std::string() : text.substr(echo + 1);
  }
  // The command lines the last Load sent.
  std::vector<std::string> Sent() const {
    const auto& log = wb_.commandLog();
    return {log.begin() + static_cast<std::ptrdiff_t>(logMark_), log.end()};
  }
  // Beeps since the last Load.
  int NewBeeps() { return Beeps() - beepMark_; }
  const Variable* Var(const std::string& name) { return wb_.root().FindVariable(name); }

 private:
  int Beeps() {
    int n = 0;
    for (const auto& e : wb_.interaction().events()) n += e.kind == "beep";
    return n;
  }

  size_t mark_ = 0;
  size_t logMark_ = 0;
  int beepMark_ = 0;
};

// Matches a list of samples in which NaN equals NaN.
inline auto Samples(const std::vector<double>& expected) {
  return ::testing::Pointwise(::testing::NanSensitiveDoubleEq(), expected);
}

}  // namespace kwt::test
