// Graph pictures checked by their content: where each trace's pixels are,
// the axis ranges and tick labels, colours, gaps, error bars, annotations.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "tests/workbench/graphs/picture.h"
#include "workbench/graphs/render_graph.h"

namespace kwt {
namespace {

using ::testing::ElementsAre;
using test::Colour8;
using test::DrawFront;
using test::FindColour;
using test::RunAll;

const Colour8 kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

// The pixels of a colour fill the box from (left, top) to (right, bottom).
void ExpectBox(const test::ColourBox& b, double left, double top, double right, double bottom,
               double tolerance) {
  EXPECT_NEAR(b.left, left, tolerance);
  EXPECT_NEAR(b.top, top, tolerance);
  EXPECT_NEAR(b.right, right, tolerance);
  EXPECT_NEAR(b.bottom, bottom, tolerance);
}

// The device column of x on the bottom axis.
int Column(const GraphImage& img, double x) {
  return static_cast<int>(std::lround(img.layout.FindAxis("bottom")->ToDevice(x)));
}

TEST(RenderGraph, OneAxisWithItsRangeTicksAndColour) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=101 w", "SetScale/P x 0, 0.01, \"s\", w", "SetScale d 0, 0, \"V\", w",
              "w = x", "Display w", "ModifyGraph rgb(w)=(0,0,65535),lsize(w)=3"});
  const GraphImage img = DrawFront(wb, 800, 600);
  const GraphLayout& l = img.layout;
  const AxisLayout *left = l.FindAxis("left"), *bottom = l.FindAxis("bottom");
  ASSERT_TRUE(left != nullptr && bottom != nullptr);
  // Autoscaled to the data: 0 to 1 on both axes, in steps of 0.2; the
  // units stand for a missing label.
  EXPECT_EQ(std::make_tuple(left->min, left->max, left->label, bottom->label),
            std::make_tuple(0.0, 1.0, "V", "s"));
  EXPECT_THAT(left->tickLabels, ElementsAre("0.0", "0.2", "0.4", "0.6", "0.8", "1.0"));
  EXPECT_NEAR(left->start, l.plotBottom, 1e-9);
  EXPECT_NEAR(left->end, l.plotTop, 1e-9);
  EXPECT_EQ(left->position, l.plotLeft);

  const test::ColourBox blue = FindColour(img, kBlue);
  ASSERT_GT(blue.count, 500);
  ExpectBox(blue, l.plotLeft, l.plotTop, l.plotRight, l.plotBottom, 3);
  // The diagonal passes through the middle of the plot.
  const int midX = static_cast<int>(bottom->ToDevice(0.5));
  const test::ColourBox column = FindColour(img, kBlue, midX, 0, midX, -1);
  const double midY = l.plotBottom - 0.5 * (l.plotBottom - l.plotTop);
  EXPECT_NEAR((column.top + column.bottom) / 2.0, midY, 3);
}

// LoadPulse/P/L/S: the leak, the second trace and the sweep on three
// stacked free axes with gaps of 0.02 between them.
TEST(RenderGraph, StackedFreeAxesKeepEachTraceInItsBand) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=2000 s_leak, s_2nd, s", "SetScale/P x 0, 1e-4, \"s\", s_leak, s_2nd, s",
              "SetScale d 0, 0, \"A\", s_leak, s", "SetScale d 0, 0, \"V\", s_2nd",
              "s_leak = 2e-12 * sin(p / 50)", "s_2nd = -0.07 + 0.05 * (p > 500) * (p < 1500)",
              "s = 2e-10 * cos(p / 30)"});
  RunAll(wb, {"Display;ModifyGraph margin(left)=60", "AppendToGraph/L=l1 's_leak'",
              "ModifyGraph axisEnab(l1)={0.0000,0.3200},freePos(l1)=0,lblPos(l1)=60",
              "AppendToGraph/L=l2 's_2nd'",
              "ModifyGraph axisEnab(l2)={0.3400,0.6600},freePos(l2)=0,lblPos(l2)=60",
              "AppendToGraph/L=l3 's'",
              "ModifyGraph axisEnab(l3)={0.6800,1.0000},freePos(l3)=0,lblPos(l3)=60"});
  // A second instance of s on a right axis, hidden by its instance name.
  RunAll(wb, {"ModifyGraph rgb(s_leak)=(0,65535,0),rgb(s_2nd)=(0,0,65535),lsize=2",
              "AppendToGraph/R=r9 s", "ModifyGraph hideTrace(s#1)=1"});
  const GraphImage img = DrawFront(wb, 900, 700);
  const GraphLayout& l = img.layout;
  EXPECT_NEAR(l.plotLeft, 60 * l.scale, 1e-9) << "margin(left)=60 points";
  ASSERT_NE(l.FindAxis("r9"), nullptr);
  EXPECT_EQ(l.FindAxis("r9")->position, l.plotRight);
  const double height = l.plotBottom - l.plotTop;
  struct Band {
    const char* axis;
    Colour8 colour;
    double lo, hi;
  };
  const Band bands[] = {{"l1", kGreen, 0.0, 0.32}, {"l2", kBlue, 0.34, 0.66}, {"l3", kRed, 0.68, 1.0}};
  for (const Band& b : bands) {
    SCOPED_TRACE(b.axis);
    const AxisLayout* a = l.FindAxis(b.axis);
    ASSERT_NE(a, nullptr);
    const double bottom = l.plotBottom - b.lo * height, top = l.plotBottom - b.hi * height;
    EXPECT_NEAR(a->start, bottom, 1e-6);
    EXPECT_NEAR(a->end, top, 1e-6);
    EXPECT_EQ(a->position, l.plotLeft) << "freePos 0: on the plot's left edge";
    const test::ColourBox box = FindColour(img, b.colour, static_cast<int>(l.plotLeft) + 2);
    ASSERT_GT(box.count, 100);
    // Autoscaled, each trace fills its band and stays inside it.
    EXPECT_NEAR(box.top, top + 0.5, 2.5);
    EXPECT_NEAR(box.bottom, bottom - 0.5, 2.5);
    EXPECT_GE(a->tickLabels.size(), 2u);
  }
  EXPECT_EQ(l.FindAxis("l2")->unitText, "mV");
  EXPECT_EQ(l.FindAxis("l3")->label, "pA");
}

// The X-Chart graph's axis: a range in volts shown in millivolts.
TEST(RenderGraph, SetAxisRangeAndPrefixedTickLabels) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=100 XC_Vm1, XC_t", "XC_t = p * 0.5", "SetScale d 0, 0, \"V\", XC_Vm1",
              "SetScale d 0, 0, \"s\", XC_t", "XC_Vm1 = -0.06 + 0.01 * sin(p / 10)",
              "Display/W=(10,40,436,520)", "ModifyGraph margin(left)=90,gaps=0",
              "AppendToGraph/L=l1 XC_Vm1 vs XC_t",
              "ModifyGraph axisEnab(l1)={0.0000,1.0000},freePos(l1)=0",
              "SetAxis l1 -0.08,0.04", "Label l1 \"[\\U]\"",
              "ModifyGraph lblPos(l1)=60,lblLatPos=0", "ModifyGraph grid(l1)=1,nticks(l1)=5"});
  const GraphImage img = DrawFront(wb, 640, 720);
  const AxisLayout *l1 = img.layout.FindAxis("l1"), *bottom = img.layout.FindAxis("bottom");
  ASSERT_NE(l1, nullptr);
  // x comes from the x wave.
  EXPECT_EQ(std::make_tuple(l1->min, l1->max, l1->label, bottom->min, bottom->max),
            std::make_tuple(-0.08, 0.04, "[mV]", 0.0, 49.5));
  EXPECT_THAT(l1->tickLabels, ElementsAre("\xE2\x88\x92" "80", "\xE2\x88\x92" "60", "\xE2\x88\x92" "40",
                                          "\xE2\x88\x92" "20", "0", "20", "40"));
  // The grid lines are drawn at the ticks, in light grey.
  const int y0 = static_cast<int>(std::lround(l1->ToDevice(0)));
  const int midX = static_cast<int>((img.layout.plotLeft + img.layout.plotRight) / 2);
  EXPECT_TRUE(test::Near(img.At(midX, y0), {217, 217, 217}, 40)) << "a grid line at 0 mV";
}

// AutoStats/G: the mean with error bars of one standard deviation.
TEST(RenderGraph, ErrorBarsSpanTheirWaves) {
  Workbench wb;
  RunAll(wb, {"Make/O/D/N=5 m_mean, m_sdev", "m_sdev = 1", "m_sdev[2] = 1.5", "Display 'm_mean'",
              "ErrorBars 'm_mean' Y,wave=('m_sdev','m_sdev')", "SetAxis left -2,2",
              "SetAxis bottom -1,5", "ModifyGraph rgb(m_mean)=(0,0,65535)"});
  const GraphImage img = DrawFront(wb);
  const AxisLayout* left = img.layout.FindAxis("left");
  for (const auto& [x, sdev] : {std::pair{2, 1.5}, std::pair{1, 1.0}}) {
    const test::ColourBox bar = FindColour(img, kBlue, Column(img, x) - 1, 0, Column(img, x) + 1, -1, 90);
    EXPECT_NEAR(bar.top, left->ToDevice(sdev), 2.5) << x;
    EXPECT_NEAR(bar.bottom, left->ToDevice(-sdev), 2.5) << x;
  }
  // Between the points only the mean line is drawn.
  const test::ColourBox line = FindColour(img, kBlue, Column(img, 1.5), 0, Column(img, 1.5), -1, 90);
  EXPECT_LE(line.bottom - line.top, 4);
}

// AutoStats over a long series: thousands of bars a pixel or two apart.
// They become a lighter band (the envelope of the bar ends) behind the
// mean, which keeps the trace's own colour on top; a gap in the mean is a
// gap in the band.
TEST(RenderGraph, DenseErrorBarsBecomeABandBehindTheMean) {
  Workbench wb;
  RunAll(wb, {"Make/O/D/N=3000 m_mean, m_sdev", "m_mean = 0.5 * sin(p / 500)", "m_sdev = 0.4",
              "Display 'm_mean'", "ErrorBars 'm_mean' Y,wave=('m_sdev','m_sdev')",
              "SetAxis left -2,2", "ModifyGraph rgb(m_mean)=(0,0,65535)"});
  HostWave* mean = wb.ResolveWave("m_mean");
  for (int i = 1400; i < 1600; ++i) mean->SetValue(i, NAN);
  const GraphImage img = DrawFront(wb);
  const AxisLayout* left = img.layout.FindAxis("left");
  for (int p : {200, 700, 1100, 2000, 2700}) {
    SCOPED_TRACE(p);
    const double m = 0.5 * std::sin(p / 500.0);
    const int x = Column(img, p);
    // The line: one of the pixels at the mean is the trace's blue.
    const int y = static_cast<int>(std::lround(left->ToDevice(m)));
    EXPECT_GT(FindColour(img, kBlue, x, y - 1, x, y + 1, 40).count, 0);
    // The band, halfway out to either bar end: lighter, still bluish.
    for (double side : {-0.2, 0.2}) {
      const test::Colour8 band =
          test::PixelColour(img.At(x, static_cast<int>(std::lround(left->ToDevice(m + side)))));
      EXPECT_EQ(band.b, 255);
      EXPECT_GT(band.r, 120) << "lighter than the line";
      EXPECT_LT(band.r, 235) << "but not the white ground";
    }
    // Past the bar ends: the ground.
    const int outside = static_cast<int>(std::lround(left->ToDevice(m + 0.5)));
    EXPECT_TRUE(test::Near(img.At(x, outside), {255, 255, 255}, 0));
  }
  EXPECT_EQ(FindColour(img, kBlue, Column(img, 1500), 0, Column(img, 1500), -1, 200).count, 0)
      << "no band across the gap";
}

TEST(RenderGraph, NanLeavesAGapUnlessGapsAreOff) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=1000 w = 0.5", "w[400] = NaN", "Display w", "SetAxis left 0,1",
              "ModifyGraph rgb(w)=(0,0,65535),lsize=2"});
  // Points 400 to 599 have no value.
  HostWave* w = wb.ResolveWave("w");
  for (int i = 400; i < 600; ++i) w->SetValue(i, NAN);
  GraphImage img = DrawFront(wb);
  auto blueAt = [&](double x) { return FindColour(img, kBlue, Column(img, x), 0, Column(img, x), -1, 60).count; };
  for (double x : {300, 450, 550, 700}) EXPECT_EQ(blueAt(x) > 0, x < 400 || x >= 600) << x;
  ASSERT_EQ(wb.Run("ModifyGraph gaps=0"), 0);
  img = DrawFront(wb);
  EXPECT_GT(blueAt(500), 0) << "the line bridges the missing points";
}

// PlotWaves' dashed baseline at 0.5 of l1, across the plot (the legend's
// symbol is checked where the legend finds its place).
TEST(RenderGraph, DrawnDashedBaseline) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=100 w = 0.1", "Display/L=l1 w", "SetAxis l1 0,1",
              "SetDrawEnv xcoord=prel,ycoord=l1,linefgc=(0,0,39321),dash=3", "DrawLine 0,0.500000,1,0.500000"});
  const GraphImage img = DrawFront(wb);
  const GraphLayout& l = img.layout;
  const int y = static_cast<int>(std::lround(l.FindAxis("l1")->ToDevice(0.5)));
  const test::ColourBox dash = FindColour(img, {0, 0, 153}, 0, y - 1, -1, y + 1, 30);
  EXPECT_NEAR(dash.left, l.plotLeft, 3);
  EXPECT_NEAR(dash.right, l.plotRight, 8);
  EXPECT_LT(FindColour(img, {0, 0, 153}, 0, y, -1, y, 30).count, (l.plotRight - l.plotLeft) * 0.8) << "dashed";
}

// A legend that the command does not place goes where the data leave
// room: here only the lower left is free.  A place the command gives is
// kept, even over the data.
TEST(RenderGraph, LegendGoesWhereTheDataLeaveRoom) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=400 hi, lo", "hi = 0.75 + 0.24 * sin(p * 1.3)",
              "lo = 0.25 + 0.24 * sin(p * 1.7)", "Display hi, lo", "SetAxis left 0,1",
              "ModifyGraph rgb(hi)=(0,65535,0),rgb(lo)=(0,0,65535)", "Legend/N=legend"});
  HostWave* lo = wb.ResolveWave("lo");
  for (int i = 0; i < 200; ++i) lo->SetValue(i, NAN);
  GraphImage img = DrawFront(wb);
  const double midX = (img.layout.plotLeft + img.layout.plotRight) / 2;
  const double midY = (img.layout.plotTop + img.layout.plotBottom) / 2;
  ASSERT_EQ(img.layout.annotations.size(), 1u);
  const AnnotationBox& box = img.layout.annotations[0];
  EXPECT_EQ(box.name, "legend");
  EXPECT_LT(box.right, midX);
  EXPECT_GT(box.top, midY);
  EXPECT_GE(box.left, img.layout.plotLeft);
  EXPECT_LE(box.bottom, img.layout.plotBottom);
  // Green below the middle can only be the legend's symbol of hi.
  EXPECT_GT(FindColour(img, kGreen, 0, static_cast<int>(midY), static_cast<int>(midX), -1).count, 5);

  for (const char* placed : {"Legend/C/N=legend/A=RT", "Legend/C/N=legend/X=2/Y=3"}) {
    RunAll(wb, {placed});
    img = DrawFront(wb);
    ASSERT_EQ(img.layout.annotations.size(), 1u);
    EXPECT_GT(img.layout.annotations[0].left, midX) << placed;
    EXPECT_LT(img.layout.annotations[0].bottom, midY) << placed;
  }
}

// (The SVG pictures are read back with an XML parser where the index of
// the pictures is.)
TEST(RenderGraph, PicturesHaveABoundedSize) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=10 w = p", "Display w"});
  RenderOptions o;
  o.width = 20000;
  o.height = 200;
  std::string png, error;
  EXPECT_FALSE(RenderGraphPng(BuildGraphModel(wb.windows().front(), wb), o, &png, &error));
  EXPECT_EQ(error, "a picture of 20000 x 200 pixels cannot be drawn (16 to 16384 a side)");
}

TEST(RenderGraph, PictureSizeFromTheWindow) {
  GraphModel m;
  int w, h;
  const auto size = [&](RenderOptions o) {
    PictureSize(m, o, &w, &h);
    return std::make_pair(w, h);
  };
  EXPECT_EQ(size({}), std::make_pair(960, 640));
  m.hasRect = true;
  const double rect[4] = {10, 40, 436, 520};
  std::copy(rect, rect + 4, m.rect);
  EXPECT_EQ(size({}), std::make_pair(639, 720)) << "426 x 480 points at 1.5 pixels each";
  EXPECT_EQ(size({300, 200}), std::make_pair(300, 200));
}

// A graph whose waves hold nothing to draw still makes a picture.
TEST(RenderGraph, EmptyAndUndrawableGraphs) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=0 e", "Make/O/N=3 n = NaN", "Make/O/T/N=2 t", "Display e, n",
              "AppendToGraph/L=l1 t", "SetAxis left 5,5"});
  const GraphImage img = DrawFront(wb, 200, 150);
  EXPECT_EQ(img.width, 200);
  const AxisLayout* left = img.layout.FindAxis("left");
  EXPECT_LT(left->min, 5);
  EXPECT_GT(left->max, 5) << "an empty range is widened around its value";
  RunAll(wb, {"Display"});
  const GraphImage blank = DrawFront(wb, 200, 150);
  EXPECT_EQ(FindColour(blank, {255, 255, 255}, 0, 0, -1, -1, 0).count, 200 * 150);
}

}  // namespace
}  // namespace kwt
