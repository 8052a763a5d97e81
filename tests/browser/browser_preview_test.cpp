// The preview: its background, the mapping of a trace, the view buttons,
// the overlay order and colours, NaN gaps in LockIn curves, and the
// reduction of long traces to the pixels.
#include <cmath>

#include "browser/browser_preview.h"
#include "tests/browser/browser_fixture.h"

namespace kwt::test {
namespace {

using Kind = DrawStep::Kind;
constexpr DrawColour kBlack{0, 0, 0}, kGray{192, 192, 192}, kRed{255, 0, 0}, kLightRed{255, 192, 192};

const std::vector<DrawStep>& Picture(const DialogRecord& run) { return run.Find(kPreview)->picture; }

// The steps after the dotted zero line: the traces.
std::vector<DrawStep> Traces(const std::vector<DrawStep>& p) {
  for (size_t i = 0; i < p.size(); ++i)
    if (p[i].kind == Kind::kPen && p[i].dotted) return {p.begin() + static_cast<long>(i) + 2, p.end()};
  return {};
}

std::vector<DrawColour> Pens(const std::vector<DrawStep>& steps) {
  std::vector<DrawColour> pens;
  for (const DrawStep& s : steps)
    if (s.kind == Kind::kPen) pens.push_back(s.colour);
  return pens;
}

TEST_F(BrowserTest, ASweepDrawsOnTheGridWithItsZeroLine) {
  const std::string file = PmBundle();
  // Sweep 1 of series 1 of group 1, then the view buttons and Cancel.
  const auto picture = [&](std::vector<int32_t> buttons) {
    std::vector<A> actions{A::Choose(kGroupPopup, 2), A::Choose(kSeriesPopup, 2), A::Choose(kSweepPopup, 2)};
    buttons.push_back(kCancel);
    for (int32_t b : buttons) actions.push_back(A::Press(b));
    return Picture(OpenWith(file, actions));
  };
  const std::vector<DrawStep> p = picture({});
  // The area is 330 x 215 units, 578 x 376 pixels; 2 pixels less each side.
  ASSERT_GE(p.size(), 4u);
  EXPECT_EQ(p[0].kind, Kind::kClip);
  EXPECT_EQ(p[0].values, (std::vector<float>{2, 2, 574, 372}));
  EXPECT_EQ(p[1].kind, Kind::kFill);
  EXPECT_EQ(p[1].colour, (DrawColour{255, 255, 255}));
  EXPECT_EQ(p[2].colour, kGray);
  std::vector<float> xs, ys;
  size_t i = 3;
  for (; p[i].kind == Kind::kPolyline; ++i)
    (p[i].values[0] == p[i].values[2] ? xs : ys).push_back(p[i].values[p[i].values[0] == p[i].values[2] ? 0 : 1]);
  EXPECT_EQ(xs.size(), 32u);  // x = 2, 20, ... 560
  EXPECT_EQ(xs.back(), 560);
  // y = 2, 20, ... 362 without index (372 / 18) / 2 = 10, at 182.
  EXPECT_EQ(ys.size(), 20u);
  EXPECT_EQ(std::count(ys.begin(), ys.end(), 182.0f), 0);
  EXPECT_TRUE(p[i].dotted);
  EXPECT_EQ(p[i].colour, kRed);
  EXPECT_EQ(p[i + 1].values, (std::vector<float>{2, 188, 576, 188}));
  // Imon: 100, -200, 300 over the width, 300 at the top.
  const std::vector<DrawStep> t = Traces(p);
  ASSERT_GE(t.size(), 2u);
  EXPECT_EQ(t[0].colour, kBlack);
  EXPECT_EQ(t[1].values, (std::vector<float>{2, 126, 289, 312, 576, 2}));
  EXPECT_TRUE(wb_.root().waves.empty());  // the scratch waves are gone

  // Grow stretches by 1.5 (300 reaches 279 above the centre); Up moves the
  // centre up by a tenth of half the height (to 169.4); Reset undoes both.
  EXPECT_THAT(Traces(picture({kViewGrow, kViewUp}))[1].values,
              ::testing::Pointwise(::testing::FloatNear(0.01f),
                                   std::vector<float>{2, 76.4f, 289, 355.4f, 576, -109.6f}));
  EXPECT_EQ(Traces(picture({kViewGrow, kViewReset}))[1].values, t[1].values);
  EXPECT_TRUE(Traces(picture({kViewClear})).empty());
}

TEST_F(BrowserTest, OverlayKeepsEarlierTracesInGrayUnderTheNewest) {
  const std::string file = PmBundle();
  for (const bool overlay : {true, false}) {
    const DialogRecord run = OpenWith(file, {A::Check(kOverlay, overlay), A::Choose(kGroupPopup, 2),
                                             A::Choose(kSeriesPopup, 2), A::Choose(kSweepPopup, 2),
                                             A::Choose(kTracePopup, 3), A::Press(kCancel)});
    const std::vector<DrawStep> t = Traces(Picture(run));
    if (overlay)
      EXPECT_EQ(Pens(t), (std::vector<DrawColour>{kGray, kLightRed, kBlack, kRed}));
    else
      EXPECT_EQ(Pens(t), (std::vector<DrawColour>{kBlack, kRed}));
    // The newest (Vmon 4, 5, 6) is drawn last.
    EXPECT_EQ(t[t.size() - 2].values, (std::vector<float>{2, 64, 289, 33, 576, 2}));
  }
}

TEST_F(BrowserTest, LockInCurvesBreakAtMissingValues) {
  const DialogRecord run = OpenWith(PmBundle(), {A::Check(kLockIn, true), A::Choose(kGroupPopup, 4),
                                                 A::Choose(kSeriesPopup, 2), A::Choose(kSweepPopup, 2),
                                                 A::Press(kCancel)});
  const std::vector<DrawStep> t = Traces(Picture(run));
  size_t red = 0;
  while (red < t.size() && !(t[red].kind == Kind::kPen && t[red].colour == kRed)) ++red;
  ASSERT_LT(red, t.size());
  size_t lines = 0;
  for (size_t i = red + 1; i < t.size(); ++i) {
    ++lines;
    for (float v : t[i].values) EXPECT_TRUE(std::isfinite(v));
    // The cycles skipped at the start hold no value: no curve starts at
    // the left edge.
    EXPECT_GT(t[i].values[0], 2.0f);
  }
  EXPECT_GE(lines, 3u);  // Cm, Gs and Gm
  EXPECT_TRUE(wb_.root().waves.empty());
}

TEST_F(BrowserTest, ATraceLongerThanItsFileDrawsNothing) {
  PmRecording rec = PmCell(ByteOrder::kLittle);
  PmTrace& t = rec.groups[0].series[0].sweeps[0].traces[0];
  t.placeData = false;
  t.record.trDataOffset = 256;
  t.record.trDataPoints = 2'000'000'000;  // 4 GB of samples in a small file
  const std::string file = WritePmBundle(rec, dir_.File("long.dat")).data.string();
  const DialogRecord run = OpenWith(file, {A::Choose(kGroupPopup, 2), A::Choose(kSeriesPopup, 2),
                                           A::Choose(kSweepPopup, 2), A::Press(kCancel)});
  EXPECT_TRUE(Traces(Picture(run)).empty());
  EXPECT_EQ(run.Text(kRightTitle), "Sweep Info 1(3)/1(1)/1(1)/all(2) Time 01:02:03.500");
}

TEST(PreviewCurveTest, ALongTraceIsReducedToItsExtremesPerColumn) {
  std::vector<float> samples(1'000'000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<float>(std::sin(i * 1e-4));
  samples[500'000] = 1.5f;  // a spike that must not be lost
  samples[700'000] = std::nanf("");
  const PreviewRect rect{2, 2, 574, 372};
  std::vector<DrawStep> picture;
  AppendCurve({samples.data(), false, static_cast<int64_t>(samples.size()), 1.5}, rect, PreviewView{}, &picture);
  size_t points = 0;
  float top = 1e9f;
  for (const DrawStep& s : picture) {
    points += s.values.size() / 2;
    for (size_t k = 1; k < s.values.size(); k += 2) top = std::min(top, s.values[k]);
  }
  EXPECT_EQ(picture.size(), 2u);  // broken at the NaN
  EXPECT_LE(points, 2u * 575u);
  EXPECT_FLOAT_EQ(top, 2.0f);  // the spike reaches the top
}

}  // namespace
}  // namespace kwt::test
