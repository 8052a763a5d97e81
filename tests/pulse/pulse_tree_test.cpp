// Reading the Pulse tree files: both byte orders, shapes with empty levels,
// stored record sizes other than the known ones, damaged files, the lookups
// and their links, the probes and the derived file names.
#include <gtest/gtest.h>

#include <vector>

#include "pulse/pulse_tree.h"
#include "support/paths.h"
#include "tests/testkit/byte_writer.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/temp_dir.h"

namespace kwt {
namespace {

using test::PulseRecording;
using test::PulseSeries;
using test::SetText;
using Bytes = std::vector<uint8_t>;

// Offsets in a .pul file written with the known record sizes: the header is
// 24 bytes, the root record 438, so the group count follows at 462.
constexpr size_t kPulRootCountOffset = 24 + 438;
constexpr size_t kPulFirstSeriesCountOffset = kPulRootCountOffset + 4 + 106;
// In a .pgf file the header is 20 bytes and the root 74.
constexpr size_t kPgfRootCountOffset = 20 + 74;

// Three groups: the first with a series of three sweeps and one without
// sweeps, the second without series, the third with one series of two
// sweeps; three stimulations, the second without segments.
PulseRecording Shaped() {
  PulseRecording rec;
  SetText(rec.root.versionName, "v8.50");
  rec.root.startTime = 3.5e8;
  rec.root.version = 9;
  rec.pgfRoot.version = 5;

  auto& g1 = rec.AddGroup("first group");
  SetText(g1.record.text, "group text");
  PulseSeries& s11 = g1.AddSeries();
  SetText(s11.record.comment, "comment 1-1");
  s11.record.holding = -0.065;
  for (int i = 0; i < 3; ++i) {
    auto& w = s11.AddSweep({1.0 + i, -2.0, 3.0});
    w.record.sweepTime = 3.5e8 + 10.0 * i;
    w.record.factor1 = 1e-12 * (i + 1);
    SetText(w.record.label, "sweep");
  }
  g1.AddSeries().record.temperature = 21.5;  // no sweeps
  rec.AddGroup("empty group");
  auto& s31 = rec.AddGroup("third").AddSeries();
  s31.record.recordingMode = kRecordingModeCClamp;
  auto& little = s31.AddSweep({5, 6});
  little.record.kindBits = kSweepKindLittleEndian;
  little.record.stimulation = 3;
  s31.AddSweep({7}).record.stimulation = 2;

  rec.AddStimulation("IV").AddSegment(kSegmentConstant, -0.08, 0.01).AddSegment(kSegmentRamp, 0.02, 0.005);
  rec.AddStimulation("none");
  auto& sine = rec.AddStimulation("sine").AddSegment(kSegmentConstant, -0.07, 0.001);
  sine.AddSegment(kSegmentSine, -0.07, 0.1).AddSegment(kSegmentConstant, -0.06, 0.002);
  sine.record.sinePeriod = 0.001;
  return rec;
}

class PulseTreeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ReleasePulseAcquisitionTree();
    ReleasePulseStimulusTree();
  }
};

// Everything the lookups give for a tree, in file order.
struct Snapshot {
  RootRecord root;
  std::vector<int32_t> counts;
  std::vector<GroupRecord> groups;
  std::vector<SeriesRecord> series;
  std::vector<SweepRecord> sweeps;
  std::vector<StimulationRecord> stimulations;
  std::vector<SegmentRecord> segments;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take() {
  Snapshot s;
  const PulseRootEntry* root = GetRoot();
  if (root == nullptr) return s;
  s.root = *root;
  s.counts = {root->groupCount, root->seriesCount, root->sweepCount};
  for (int g = 1; g <= root->groupCount; ++g) {
    const PulseGroupEntry* group = FindGroup(g);
    s.groups.push_back(*group);
    for (int i = 1; i <= group->seriesCount; ++i) {
      const PulseSeriesEntry* series = FindSeries(g, i);
      s.series.push_back(*series);
      for (int w = 1; w <= series->sweepCount; ++w) s.sweeps.push_back(*FindSweep(g, i, w));
    }
  }
  for (int i = 1; i <= StimulationCount(); ++i) {
    const PulseStimulationEntry* stim = FindStimulation(i);
    s.stimulations.push_back(*stim);
    for (int j = 1; j <= stim->segmentCount; ++j) s.segments.push_back(*FindSegment(i, j));
  }
  return s;
}

TEST_F(PulseTreeTest, BigAndLittleEndianTreesReadToTheSameValues) {
  PulseRecording big = Shaped();
  PulseRecording little = Shaped();
  little.pulOrder = little.pgfOrder = ByteOrder::kLittle;
  ASSERT_TRUE(test::LoadPulseTrees(big));
  const Snapshot fromBig = Take();
  ASSERT_TRUE(test::LoadPulseTrees(little));
  const Snapshot fromLittle = Take();

  EXPECT_TRUE(fromBig == fromLittle);

  // And the values are the ones described, not merely equal.
  EXPECT_EQ(fromBig.counts, (std::vector<int32_t>{3, 3, 5}));
  EXPECT_EQ(FieldText(fromBig.root.versionName), "v8.50");
  ASSERT_EQ(fromBig.sweeps.size(), 5u);
  EXPECT_EQ(fromBig.sweeps[2].factor1, 3e-12);
  // int16 samples, three per sweep, laid out from 0: 0, 6, 12, ...
  EXPECT_EQ(fromBig.sweeps[3].dataOffset, 18);
  EXPECT_EQ(fromBig.series[1].temperature, 21.5);
  EXPECT_EQ(FieldText(fromBig.stimulations[2].stimName), "sine");
  EXPECT_EQ(fromBig.segments[3].segmentClass, kSegmentSine);

  // Larger stored records are read whole and their extra bytes ignored.
  PulseRecording larger = Shaped();
  larger.pulRecordSizes = {500, 120, 460, 231};
  larger.pgfRecordSizes = {120, 400, 64};  // a pgf root longer than 74 bytes
  larger.padding = 0x7F;
  ASSERT_TRUE(test::LoadPulseTrees(larger));
  EXPECT_TRUE(Take() == fromBig);
  EXPECT_EQ(GetStimulusRoot()->version, 5);
}

// Entries are numbered within their parent; empty levels have no first
// child; the segments of each stimulation are its own; lookups out of range
// find none; a sweep found sets the sample swap flag.
TEST_F(PulseTreeTest, EntriesAreNumberedAndLinked) {
  ASSERT_TRUE(test::LoadPulseTrees(Shaped()));
  EXPECT_EQ(FindGroup(3)->number, 3);
  EXPECT_EQ(FindGroup(2)->firstSeries, kNoEntry);
  EXPECT_EQ(FindGroup(3)->firstSeries, 2);  // the third series of the file
  EXPECT_EQ(FindGroup(1)->nextGroup, 1);    // index of group 2
  EXPECT_EQ(FindSweep(1, 1, 3)->nextSweep, kNoEntry);
  EXPECT_EQ(FindSeries(1, 2)->number, 2);
  EXPECT_EQ(FindSeries(1, 2)->firstSweep, kNoEntry);
  EXPECT_EQ(FindSeries(3, 1)->recordingMode, kRecordingModeCClamp);
  EXPECT_EQ(FindSweep(1, 1, 3)->number, 3);
  EXPECT_EQ(FindSweep(3, 1, 2)->group, 3);
  EXPECT_EQ(FindSweep(3, 1, 2)->stimulation, 2);
  EXPECT_EQ(FindStimulation(2)->segmentCount, 0);
  EXPECT_EQ(FindStimulation(3)->firstSegment, 2);
  EXPECT_EQ(FindSegment(1, 2)->voltage, 0.02);
  EXPECT_EQ(FindSegment(3, 3)->voltage, -0.06);
  EXPECT_EQ(SegmentTotal(), 5);

  // Numbers out of range, a group without series, a series without sweeps.
  const void* found[] = {FindGroup(0),        FindGroup(4),         FindSeries(1, 0),
                         FindSeries(1, 3),    FindSeries(2, 1),     FindSweep(1, 2, 1),
                         FindSweep(1, 1, 4),  FindSweep(4, 1, 1),   FindStimulation(4),
                         FindSegment(2, 1),   FindSegment(1, 3),    FindSegment(9, 1)};
  for (size_t i = 0; i < std::size(found); ++i) EXPECT_EQ(found[i], nullptr) << i;

  // FindSweep sets the data swap flag.
  ASSERT_NE(FindSweep(3, 1, 1), nullptr);  // kind bit 4 set: little-endian samples
  EXPECT_FALSE(PulseDataSwap());
  ASSERT_NE(FindSweep(1, 1, 1), nullptr);  // bit 4 clear: big-endian, swapped
  EXPECT_TRUE(PulseDataSwap());
  FindSweep(1, 1, 9);  // a sweep not found leaves the flag alone
  EXPECT_TRUE(PulseDataSwap());
  ReleasePulseAcquisitionTree();
  EXPECT_FALSE(PulseDataSwap());
}

TEST_F(PulseTreeTest, ReleaseMayBeRepeatedAndZeroGroupsGiveNoRoot) {
  ReleasePulseAcquisitionTree();  // nothing loaded yet
  ReleasePulseStimulusTree();
  ASSERT_TRUE(test::LoadPulseTrees(Shaped()));
  ReleasePulseAcquisitionTree();
  ReleasePulseStimulusTree();
  ReleasePulseAcquisitionTree();
  EXPECT_EQ(GetStimulusRoot(), nullptr);
  EXPECT_EQ(StimulationCount(), 0);

  ASSERT_TRUE(test::LoadPulseTrees(PulseRecording{}));
  EXPECT_EQ(GetRoot(), nullptr);
  EXPECT_EQ(FindGroup(1), nullptr);
  EXPECT_NE(GetStimulusRoot(), nullptr);
}

TEST_F(PulseTreeTest, ShorterRecordsLeaveTheMissingFieldsZeroEmptyOnesTheCounts) {
  PulseRecording rec = Shaped();
  // Each cut at a field boundary: the root before startTime, the group
  // before field94, the series before unit1, the sweep before kindBits.
  rec.pulRecordSizes = {430, 94, 314, 128};
  rec.pgfRecordSizes = {2, 52, 10};
  for (auto& g : rec.groups)
    for (auto& s : g.series) {
      SetText(s.record.unit1, "V");
      for (auto& w : s.sweeps) w.record.kindBits = 0x19;
    }
  ASSERT_TRUE(test::LoadPulseTrees(rec));
  const PulseRootEntry* root = GetRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->startTime, 0.0);
  EXPECT_EQ(root->sweepCount, 5);
  EXPECT_EQ(FindSeries(1, 1)->holding, -0.065);
  EXPECT_EQ(FieldText(FindSeries(1, 1)->unit1), "");
  const PulseSweepEntry* w = FindSweep(1, 1, 2);
  EXPECT_EQ(w->factor1, 2e-12);
  EXPECT_EQ(w->dataOffset, 6);
  EXPECT_EQ(w->kindBits, 0);
  EXPECT_TRUE(PulseDataSwap());  // kind bits read as 0: big-endian samples
  EXPECT_EQ(GetStimulusRoot()->version, 5);
  EXPECT_EQ(FindStimulation(1)->sampleInterval, 1e-4);
  EXPECT_EQ(FindStimulation(1)->protocolSweeps, 0);  // at 52, cut off
  EXPECT_EQ(FindSegment(1, 1)->voltage, -0.08);
  EXPECT_EQ(FindSegment(1, 1)->duration, 0.0);

  // Records of size 0 still carry their counts.
  rec.pulRecordSizes = {0, 0, 0, 0};
  rec.pgfRecordSizes = {0, 0, 0};
  ASSERT_TRUE(test::LoadPulseTrees(rec));
  ASSERT_NE(GetRoot(), nullptr);
  EXPECT_EQ(GetRoot()->seriesCount, 3);
  EXPECT_EQ(FindSeries(1, 1)->sweepCount, 3);
  EXPECT_EQ(FindSweep(1, 1, 3)->factor1, 0.0);
  EXPECT_EQ(FindStimulation(3)->segmentCount, 3);
}

TEST_F(PulseTreeTest, WrongMagicOrLevelCountIsRefused) {
  PulseRecording rec = Shaped();
  test::LayOutPulseData(rec);
  Bytes pul = test::PulseAcquisitionTreeBytes(rec);
  Bytes pgf = test::PulseStimulusTreeBytes(rec);
  ASSERT_TRUE(ReadPulseAcquisitionTree(MemorySource(pul)));
  ASSERT_TRUE(ReadPulseStimulusTree(MemorySource(pgf)));
  pul[0] = 'X';
  pgf[2] = 'E';  // "TrEe"
  // A failed read leaves nothing loaded, not the previous tree.
  EXPECT_FALSE(ReadPulseAcquisitionTree(MemorySource(pul)));
  EXPECT_FALSE(ReadPulseStimulusTree(MemorySource(pgf)));
  EXPECT_EQ(GetRoot(), nullptr);
  EXPECT_EQ(FindStimulation(1), nullptr);

  PulseRecording five = Shaped();
  five.pulLevels = 5;
  five.pgfLevels = 4;
  EXPECT_FALSE(ReadPulseAcquisitionTree(MemorySource(test::PulseAcquisitionTreeBytes(five))));
  EXPECT_FALSE(ReadPulseStimulusTree(MemorySource(test::PulseStimulusTreeBytes(five))));
}

TEST_F(PulseTreeTest, CountsAndSizesTheFileCannotHoldAreRefused) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    PulseRecording rec = Shaped();
    rec.pulOrder = rec.pgfOrder = order;
    test::LayOutPulseData(rec);
    const Bytes pul = test::PulseAcquisitionTreeBytes(rec);
    const Bytes pgf = test::PulseStimulusTreeBytes(rec);

    const auto pulWith = [&](size_t offset, int32_t value) {
      Bytes b = pul;
      test::PatchI32(b, offset, value, order);
      return ReadPulseAcquisitionTree(MemorySource(b));
    };
    const auto pgfWith = [&](size_t offset, int32_t value) {
      Bytes b = pgf;
      test::PatchI32(b, offset, value, order);
      return ReadPulseStimulusTree(MemorySource(b));
    };
    EXPECT_FALSE(pulWith(kPulRootCountOffset, -1));
    EXPECT_FALSE(pulWith(kPulRootCountOffset, 0x7FFFFFFF));
    EXPECT_FALSE(pulWith(kPulRootCountOffset, 4));  // one group more than stored
    EXPECT_FALSE(pulWith(kPulFirstSeriesCountOffset, -5));
    EXPECT_FALSE(pulWith(kPulFirstSeriesCountOffset, 1000000));
    EXPECT_FALSE(pulWith(8, -1));           // root size
    EXPECT_FALSE(pulWith(8, 0x7FFFFFFF));
    EXPECT_FALSE(pulWith(12, 0x7FFFFFFF));  // group size
    EXPECT_FALSE(pulWith(20, -200));        // sweep size
    EXPECT_FALSE(pgfWith(kPgfRootCountOffset, -1));
    EXPECT_FALSE(pgfWith(kPgfRootCountOffset, 0x40000000));
    EXPECT_FALSE(pgfWith(8, 0x7FFFFFFF));
    EXPECT_FALSE(pgfWith(16, -50));  // segment size
    // The first stimulation's segment count, behind its 376-byte record.
    EXPECT_FALSE(pgfWith(kPgfRootCountOffset + 4 + 376, 0x7FFFFFFF));
    EXPECT_EQ(GetRoot(), nullptr);
    EXPECT_EQ(StimulationCount(), 0);
  }
}

TEST_F(PulseTreeTest, EveryTruncationOfATreeFailsCleanly) {
  PulseRecording rec = Shaped();
  test::LayOutPulseData(rec);
  const Bytes pul = test::PulseAcquisitionTreeBytes(rec);
  const Bytes pgf = test::PulseStimulusTreeBytes(rec);
  for (size_t n = 0; n < pul.size(); ++n) {
    const Bytes cut(pul.begin(), pul.begin() + static_cast<std::ptrdiff_t>(n));
    ASSERT_FALSE(ReadPulseAcquisitionTree(MemorySource(cut))) << n << " bytes";
    ASSERT_EQ(FindGroup(1), nullptr);
  }
  for (size_t n = 0; n < pgf.size(); ++n) {
    const Bytes cut(pgf.begin(), pgf.begin() + static_cast<std::ptrdiff_t>(n));
    ASSERT_FALSE(ReadPulseStimulusTree(MemorySource(cut))) << n << " bytes";
    ASSERT_EQ(FindStimulation(1), nullptr);
  }
  EXPECT_TRUE(ReadPulseAcquisitionTree(MemorySource(pul)));
  EXPECT_TRUE(ReadPulseStimulusTree(MemorySource(pgf)));
}

// A tree header only: magic in `order`, level count, nothing else needed
// by the probes.
Bytes Header(ByteOrder order, int32_t levels) {
  test::ByteWriter w(order);
  const char* magic = order == ByteOrder::kBig ? "Tree" : "eerT";
  for (int i = 0; i < 4; ++i) w.PutU8(static_cast<uint8_t>(magic[i]));
  w.PutI32(levels);
  return w.Take();
}

TEST(Probes, KindFromLevelsAndByteOrder) {
  struct Case {
    ByteOrder order;
    int32_t levels;
    int pul, pgf;
  };
  for (const Case& c : {Case{ByteOrder::kLittle, 4, 1, 2}, Case{ByteOrder::kBig, 4, 5, 2},
                        Case{ByteOrder::kLittle, 5, 2, 0}, Case{ByteOrder::kBig, 5, 6, 0},
                        Case{ByteOrder::kBig, 3, 0, 1}, Case{ByteOrder::kLittle, 3, 0, 1},
                        Case{ByteOrder::kLittle, 0x04000000, 0, 0}}) {
    const Bytes header = Header(c.order, c.levels);
    EXPECT_EQ(ProbePulKind(MemorySource(header)), c.pul) << c.levels;
    EXPECT_EQ(ProbePgfKind(MemorySource(header)), c.pgf) << c.levels;
  }
  Bytes magicOnly = Header(ByteOrder::kBig, 4);
  magicOnly.resize(4);
  EXPECT_EQ(ProbePulKind(MemorySource(magicOnly)), 0);
  EXPECT_EQ(ProbePgfKind(MemorySource(Bytes{'e', 'e', 'r', 'T'})), 0);
  Bytes wrong = Header(ByteOrder::kBig, 4);
  wrong[1] = 'R';
  EXPECT_EQ(ProbePulKind(MemorySource(wrong)), 0);
}

TEST(Probes, FilesThatCannotBeReadGiveZero) {
  test::TempDir dir;
  const test::PulseFiles files = test::WritePulseRecording(Shaped(), dir.path() / "cell.dat");
  EXPECT_EQ(ProbePulKind(files.pul.string()), 5);  // written big-endian, 4 levels
  EXPECT_EQ(ProbePgfKind(files.pgf.string()), 1);
  EXPECT_EQ(ProbePulKind(dir.File("missing.pul")), 0);
  EXPECT_EQ(ProbePgfKind(dir.path().string()), 0);
}

}  // namespace
}  // namespace kwt
