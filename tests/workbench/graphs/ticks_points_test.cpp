// Tick values and labels, and the thinning of large traces.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "tests/workbench/graphs/picture.h"
#include "workbench/graphs/axis_ticks.h"
#include "workbench/graphs/trace_points.h"

namespace kwt {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST(AxisTicks, NiceStepsAndTheTicksOfARange) {
  // The range, how many ticks, and the step: 0.024 rounds to 2 x 10^-2,
  // 333 to 5 x 10^2; nothing to divide gives no step.
  const struct {
    double range;
    int ticks;
    double step;
  } steps[] = {{0.12, 5, 0.02}, {10, 5, 2}, {1000, 3, 500}, {7, 1, 10}, {0, 5, 0}, {NAN, 5, 0}};
  for (const auto& c : steps) EXPECT_DOUBLE_EQ(NiceStep(c.range, c.ticks), c.step) << c.range;
  EXPECT_DOUBLE_EQ(NextNiceStep(0.2), 0.5);
  EXPECT_DOUBLE_EQ(NextNiceStep(5), 10);

  const std::vector<double> t = TicksWithin(-0.08, 0.04, 0.02);
  ASSERT_EQ(t.size(), 7u) << "both ends are ticks";
  EXPECT_EQ(t[4], 0.0) << "zero is exactly zero";
  EXPECT_NEAR(t[0], -0.08, 1e-15);
  EXPECT_EQ(TicksWithin(3, 1, 1).size(), 3u) << "a reversed range";
  EXPECT_TRUE(TicksWithin(0, 1e300, 1e-300).empty()) << "never a million ticks";
}

TEST(AxisTicks, PrefixesKeepTickLabelsShort) {
  const struct {
    double lo, hi;
    const char* units;
    int exponent;
    const char* shown;
  } scales[] = {
      {-0.08, 0.04, "V", -3, "mV"},
      {0, 2.5e-10, "A", -12, "pA"},
      {0, 4e-6, "s", -6, "\xC2\xB5s"},
      {0, 1500, "Hz", 3, "kHz"},
      {0, 0.5, "", 0, ""},  // plain numbers without units
      {0, 3e-7, "", -9, "\xC3\x97" "10\xE2\x81\xBB\xE2\x81\xB9"},  // ×10⁻⁹
      {0, 50, "%", 0, "%"},
  };
  for (const auto& c : scales) {
    const AxisScale s = ChooseAxisScale(c.lo, c.hi, c.units);
    EXPECT_EQ(s.exponent, c.exponent) << c.hi << c.units;
    EXPECT_EQ(s.unitText, c.shown) << c.hi << c.units;
  }

  EXPECT_EQ(FormatTick(-80, 20), "\xE2\x88\x92" "80");
  EXPECT_EQ(FormatTick(0.4, 0.2), "0.4");
  EXPECT_EQ(FormatTick(1, 0.2), "1.0") << "as many decimals as the step";
  EXPECT_EQ(FormatTick(-1e-17, 0.5), "0.0") << "never -0";
  EXPECT_EQ(FormatTick(0.05, 0.05), "0.05");
}

// A wave of float samples 0, 1, 2, ... with x = point number.
HostWave* Ramp(Workbench& wb, const char* name, int64_t n) {
  EXPECT_EQ(wb.Run(std::string("Make/O/N=") + std::to_string(n) + " " + name + " = p"), 0);
  return wb.ResolveWave(name);
}

TEST(TracePoints, ColumnsKeepTheirFirstLowestHighestAndLast) {
  Workbench wb;
  HostWave* w = Ramp(wb, "w", 1000);
  // A zigzag: 0, 10, 0, 10, ... then one spike and one dip.
  for (int64_t i = 0; i < 1000; ++i) w->SetValue(i, i % 2 == 0 ? 0 : 10);
  w->SetValue(555, 99);
  w->SetValue(577, -3);
  const DeviceBounds b{0, 0, 10, 100};
  // 100 points per device column: x device = point / 100.
  const ThinnedTrace t = ThinTrace({w, nullptr, 0, 0}, {0, 0.01}, {0, 1}, b, true);
  ASSERT_EQ(t.runs.size(), 1u);
  EXPECT_TRUE(t.thinned);
  EXPECT_EQ(t.finitePoints, 1000);
  const auto& r = t.runs[0];
  EXPECT_LE(r.size(), 40u) << "at most four points for each of ten columns";
  double top = -1;
  for (const DevicePoint& p : r) top = std::max(top, p.y);
  EXPECT_EQ(top, 99) << "the spike survives";
  EXPECT_EQ(r.front().y, 0);
  EXPECT_EQ(r.back().y, 10);
  // Column 5 holds points 500..599: first 0 (500), high 99 (555), low -3
  // (577), last 10 (599).
  std::vector<double> col5;
  for (const DevicePoint& p : r)
    if (p.x >= 5 && p.x < 6) col5.push_back(p.y);
  EXPECT_THAT(col5, ElementsAre(0, 99, -3, 10)) << "in the order of the points";
}

TEST(TracePoints, FarPointsAreClampedAndXWavesPaired) {
  Workbench wb;
  HostWave* y = Ramp(wb, "y", 5);
  HostWave* x = Ramp(wb, "x", 3);
  y->SetValue(1, 1e30);
  x->SetValue(2, -7);
  const ThinnedTrace t = ThinTrace({y, x, 1, 0}, {0, 1}, {0, 1}, {0, 0, 10, 10}, true);
  ASSERT_EQ(t.runs.size(), 1u);
  ASSERT_EQ(t.runs[0].size(), 3u) << "as many points as the shorter wave";
  EXPECT_EQ(t.runs[0][1].y, 10 + 1e6) << "kept within reach of the drawing library";
  EXPECT_EQ(t.runs[0][2].x, -6) << "x from the x wave, with its offset";

  double lo, hi;
  ASSERT_TRUE(TraceExtent({y, x, 0, 0}, false, nullptr, &lo, &hi));
  EXPECT_EQ(std::make_pair(lo, hi), std::make_pair(-7.0, 1.0));
  ErrorBarSetting e;
  e.kind = ErrorBarSetting::Kind::kConst;
  e.value = 0.5;
  ASSERT_TRUE(TraceExtent({y, nullptr, 0, 0}, true, &e, &lo, &hi));
  EXPECT_EQ(lo, -0.5) << "error bars widen the extent";
}

TEST(TracePoints, ErrorBarsOfOneColumnMerge) {
  Workbench wb;
  HostWave* y = Ramp(wb, "y", 4);
  ErrorBarSetting e;
  e.kind = ErrorBarSetting::Kind::kConst;
  e.value = 1;
  // Points 0 and 1 share device column 0, points 2 and 3 column 1.
  std::vector<ErrorSpan> s = ErrorSpans({y, nullptr, 0, 0}, e, true, {0, 0.5}, {0, 10}, {0, -100, 10, 100});
  ASSERT_EQ(s.size(), 2u);
  EXPECT_FALSE(s[0].single);
  EXPECT_EQ(std::make_pair(s[0].from, s[0].to), std::make_pair(-10.0, 20.0)) << "from 0 - 1 to 1 + 1";
  s = ErrorSpans({y, nullptr, 0, 0}, e, true, {0, 5}, {0, 10}, {0, -100, 100, 100});
  ASSERT_EQ(s.size(), 4u);
  EXPECT_TRUE(s[3].single);
  EXPECT_EQ(std::make_tuple(s[3].at, s[3].from, s[3].to), std::make_tuple(15.0, 20.0, 40.0));
}

}  // namespace
}  // namespace kwt
