// Damaged PatchMaster recordings: traces and sweeps that no recording holds
// are left out with a report, samples come only from the data item, and a
// block of zeros in the pulsed tree never loads as data (generated bundles
// in both byte orders, and copies of the real recordings).
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>

#include "tests/patchmaster/loadpm_fixture.h"
#include "tests/pulse/load_fixture.h"

namespace kwt::test {
namespace {

namespace fs = std::filesystem;

// Three series of twelve sweeps of two traces, every trace with samples of
// its own.
PmRecording Cell(ByteOrder order) {
  PmRecording rec;
  rec.AddStimulation("steps").AddChannel(1).AddSegment(kPmSegmentConstant, -0.07, 3e-4);
  test::PmGroup& group = rec.AddGroup("cell");
  for (int s = 1; s <= 3; ++s) {
    test::PmSeries& series = group.AddSeries();
    for (int w = 1; w <= 12; ++w) {
      test::PmSweep& sweep = series.AddSweep();
      const double x = w;
      sweep.AddTrace("Imon", {100.0 * s + x, -x, 7});
      sweep.AddTrace("Vmon", {x, 0, -100.0 * s});
    }
  }
  test::SetPmByteOrder(rec, order);
  return rec;
}

class PmDamage : public test::LoadPmTest {
 protected:
  // Zeroes each 4 KiB block of the pulsed tree of `bundle` in turn (every
  // `step` bytes) and loads a copy: see LoadWithZeroedBlocks.
  int ZeroBlocksOfThePulsedTree(const fs::path& bundle, size_t step) {
    std::ifstream in(bundle, std::ios::binary);
    const std::vector<uint8_t> good{std::istreambuf_iterator<char>(in), {}};
    // The header's own byte order (its byte 52) gives the item table's.
    const ByteOrder order = good.at(52) == 0 ? ByteOrder::kBig : ByteOrder::kLittle;
    const auto item = test::BundleItemEntryOffset(kBundleItemPulsed);
    const auto start = static_cast<size_t>(LoadI32(good, item, order));
    const auto length = static_cast<size_t>(LoadI32(good, item + 4, order));
    const std::string copy = dir_.File("copy.dat");
    return LoadWithZeroedBlocks(good, start, start + length, step, copy,
                                [&] { return Load("/Q", copy); }, kErrCannotOpenPul);
  }
};

// `points` samples at byte 8 of the bundle, inside its header.
void Unplaced(test::PmTrace& t, int32_t points) {
  t.placeData = false;
  t.samples.clear();
  t.record.trDataOffset = 8;
  t.record.trDataPoints = points;
}

class PmDamageInBothOrders : public PmDamage, public ::testing::WithParamInterface<ByteOrder> {};

TEST_P(PmDamageInBothOrders, ATraceThatNoRecordingHoldsIsLeftOut) {
  struct Case {
    std::function<void(test::PmTrace&)> damage;
    const char* why;
  };
  const std::vector<Case> cases = {
      {[](test::PmTrace& t) { t.record.trXInterval = 1.13e-314; },
       "its x interval 1.13e-314 s is no sampling interval"},
      {[](test::PmTrace& t) { t.record.trXInterval = 0.0; }, "its x interval 0 s is no sampling interval"},
      {[](test::PmTrace& t) { t.record.trDataScaler = 0.0; }, "its data scaler 0 is no scale factor"},
      {[](test::PmTrace& t) { t.record.trXStart = std::numeric_limits<double>::quiet_NaN(); },
       "its x start nan is no number"},
      {[](test::PmTrace& t) { t.samples.clear(); },
       "it holds no samples, where its series holds samples"},
      {[](test::PmTrace& t) { Unplaced(t, -3); }, "its point count -3 is negative"},
      {[](test::PmTrace& t) { Unplaced(t, 3); },
       "its samples at byte 8 lie outside the data (bytes 256 to 682)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    PmRecording rec = Cell(GetParam());
    c.damage(rec.groups[0].series[0].sweeps[1].traces[1]);
    ASSERT_EQ(Load("/A=1/B=1/C=1/R=3", rec), 0);
    EXPECT_THAT(Problems(ProblemKind::kDamaged),
                ElementsAre(std::string("LoadPM: cell.dat: group 1, series 1, sweep 2, trace 2 was "
                                        "left out: ") +
                            c.why));
    EXPECT_THAT(PostedWithoutTiming(),
                HasSubstr(std::string("LoadPM: cell.dat: group 1, series 1, sweep 2, trace 2 is "
                                      "damaged and was left out: ") +
                          c.why + "\r"));
    EXPECT_THAT(WaveNames(), ElementsAre("PMPulse_1_1_1_1_Imon", "PMPulse_1_1_1_2_Vmon",
                                         "PMPulse_1_1_2_1_Imon", "PMPulse_1_1_3_1_Imon",
                                         "PMPulse_1_1_3_2_Vmon"));
    KillAll();
  }

  // A sweep whose trace count was lost.
  PmRecording rec = Cell(GetParam());
  rec.groups[0].series[1].sweeps[4].traces.clear();
  ASSERT_EQ(Load("/Q/A=1/B=2", rec), 0);
  EXPECT_THAT(Problems(ProblemKind::kDamaged),
              ElementsAre("LoadPM: cell.dat: group 1, series 2, sweep 5 was left out: it holds no "
                          "traces, where the recording's sweeps hold traces"));
  EXPECT_EQ(WaveNames().size(), 22u);
}

// Samples end with the data item: a trace that reaches beyond it into the
// trees has missing samples, not the trees' bytes.
TEST_P(PmDamageInBothOrders, SamplesComeOnlyFromTheDataItem) {
  PmRecording rec = Cell(GetParam());
  test::LayOutPmData(rec, kBundleHeaderSize);
  test::PmTrace& last = rec.groups[0].series[2].sweeps[11].traces[1];
  last.placeData = false;
  last.record.trDataPoints = 10;
  ASSERT_EQ(Load("/A=1/B=3/C=12/D=2", rec), 0);
  EXPECT_THAT(Values("PMPulse_1_3_12_2_Vmon"), ElementsAre(12, 0, -300, 0, 0, 0, 0, 0, 0, 0));
  const auto& problems = wb_.results().back().problems;
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].kind, ProblemKind::kMissingSamples);
  EXPECT_EQ(problems[0].missing, 7);
  EXPECT_EQ(problems[0].points, 10);
}

// Samples the sibling data file does not hold are missing; a trace placed
// before the file is damaged.
TEST_P(PmDamageInBothOrders, ANegativeOffsetInADataFileIsDamage) {
  PmRecording rec = Cell(GetParam());
  test::PmTrace& trace = rec.groups[0].series[0].sweeps[0].traces[0];
  trace.placeData = false;
  trace.record.trDataOffset = -2;
  trace.record.trDataPoints = 3;
  ASSERT_EQ(Load("/A=1/B=1/C=1", WriteSiblings(rec)), 0);
  EXPECT_THAT(Problems(ProblemKind::kDamaged),
              ElementsAre(HasSubstr("trace 1 was left out: its data offset -2 is negative")));
}

TEST_P(PmDamageInBothOrders, ZeroedBlocksOfTheGeneratedPulsedTreeAreFlaggedNotLoaded) {
  const fs::path path = test::WritePmBundle(Cell(GetParam()), dir_.path() / "cell.dat").data;
  EXPECT_GT(ZeroBlocksOfThePulsedTree(path, 2048), 0);
}

INSTANTIATE_TEST_SUITE_P(BothOrders, PmDamageInBothOrders,
                         ::testing::Values(ByteOrder::kBig, ByteOrder::kLittle));

// A copy of each real recording, damaged as the user's were.
TEST_F(PmDamage, ZeroedBlocksOfTheRealPulsedTreesAreFlaggedNotLoaded) {
  std::vector<fs::path> recordings;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(KWT_REALDATA_DIR, ec))
    if (entry.path().extension() == ".dat") recordings.push_back(entry.path());
  if (recordings.empty()) GTEST_SKIP() << "no real recordings in " << KWT_REALDATA_DIR;
  for (const fs::path& real : recordings) {
    SCOPED_TRACE(real.string());
    EXPECT_GT(ZeroBlocksOfThePulsedTree(real, 12 * 1024), 0);
  }
}

// A recording of the Pulse kind read through LoadPM is checked alike, and
// reported under the operation the user ran.
TEST_F(PmDamage, PulseRecordingsThroughLoadPm) {
  test::PulseRecording pulse = test::SmallRecording(2);
  pulse.groups[0].series[0].sweeps[1].record.factor1 = 0.0;
  const test::PulseFiles files = test::WritePulseRecording(pulse, dir_.path() / "p.dat");
  ASSERT_EQ(Load("/Q", files.data.string()), 0);
  EXPECT_THAT(Problems(ProblemKind::kDamaged),
              ElementsAre("LoadPM: p.dat: group 1, series 1, sweep 2 was left out: its factor 0 is "
                          "no scale factor"));
  EXPECT_THAT(WaveNames(), ElementsAre("PMPulse_1_1_1"));
}

}  // namespace
}  // namespace kwt::test
