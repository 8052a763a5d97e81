// Reading the four PatchMaster trees: both byte orders, the bundle and the
// sibling arrangement, stored record sizes other than the known ones,
// damaged trees and bundle items, the lookups with their links and the
// sample byte-order switch, and the choice between the two stimulus tree
// formats.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "patchmaster/pm_tree.h"
#include "pulse/pulse_tree.h"
#include "tests/patchmaster/pm_fixture.h"
#include "tests/testkit/byte_writer.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/temp_dir.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using Bytes = std::vector<uint8_t>;
using test::PmRecording;
using test::Shaped;

// Offsets in a pulsed tree written at the known sizes: a header of
// 4 + 4 + 5 * 4 bytes, then the root (544) and its child count.
constexpr size_t kPulHeader = 28;
constexpr size_t kRootCount = kPulHeader + 544;
constexpr size_t kFirstGroupCount = kRootCount + 4 + 128;
constexpr size_t kFirstSeriesCount = kFirstGroupCount + 4 + 1312;
constexpr size_t kFirstSweepCount = kFirstSeriesCount + 4 + 160;
constexpr size_t kFirstTraceCount = kFirstSweepCount + 4 + 384;

class PmTreeTest : public ::testing::Test {
 protected:
  void TearDown() override { test::FreeAllTrees(); }
};

TEST_F(PmTreeTest, LinksNumberChildrenAndChainSiblings) {
  EXPECT_EQ(GetPulsedRoot(), nullptr);
  EXPECT_EQ(FindPmGroup(1), nullptr);
  EXPECT_EQ(FindPmStimulation(1), nullptr);
  ASSERT_TRUE(test::ReadPmBundle(Shaped()));
  const auto groups = PmGroups();
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(static_cast<const TreeLinks&>(groups[0]), (TreeLinks{1, 2, 0, 1}));
  EXPECT_EQ(static_cast<const TreeLinks&>(groups[1]), (TreeLinks{2, 0, kNoLink, 2}));
  EXPECT_EQ(static_cast<const TreeLinks&>(groups[2]), (TreeLinks{3, 1, 2, kNoLink}));
  EXPECT_EQ(static_cast<const TreeLinks&>(PmSeriesEntries()[2]), (TreeLinks{1, 1, 2, kNoLink}));
  EXPECT_EQ(static_cast<const TreeLinks&>(PmTraces()[5]), (TreeLinks{2, 0, kNoLink, 6}));
  EXPECT_EQ(static_cast<const TreeLinks&>(PmChannels()[1]), (TreeLinks{2, 1, 5, kNoLink}));
  EXPECT_EQ(static_cast<const TreeLinks&>(PmStimulations()[2]), (TreeLinks{3, 0, kNoLink, kNoLink}));

  // Lookups outside their ranges answer none.
  EXPECT_EQ(FindPmGroup(4), nullptr);
  EXPECT_EQ(FindPmSeries(1, 3), nullptr);
  EXPECT_EQ(FindPmSeries(2, 1), nullptr);  // a group without series
  EXPECT_EQ(FindPmSweep(1, 2, 1), nullptr);
  EXPECT_EQ(FindPmSweep(1, 1, -1), nullptr);
  EXPECT_EQ(LookUpPmTrace(1, 1, 1, 3), nullptr);
  EXPECT_EQ(LookUpPmTrace(1, 1, 3, 1), nullptr);
  EXPECT_EQ(FindPmStimulation(4), nullptr);
  EXPECT_EQ(FindPmChannel(3, 1), nullptr);
  EXPECT_EQ(FindPmSegment(1, 2, 2), nullptr);
  EXPECT_EQ(FindPmSegment(1, 1, 6), nullptr);
  EXPECT_EQ(FindAmpSeries(3), nullptr);
  EXPECT_EQ(FindAmpState(1, 3), nullptr);
  EXPECT_EQ(FindAmpState(2, 0), nullptr);
  EXPECT_EQ(FindSolution(3), nullptr);
}

TEST_F(PmTreeTest, TraceRecordsOf296BytesZeroFillTheRest) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    PmRecording rec = Shaped();
    test::SetPmByteOrder(rec, order);
    rec.pul.sizes[4] = 296;
    test::PmSweep& sweep = rec.groups[0].series[0].sweeps[0];
    sweep.interleaveBlock = 4;  // both traces get size 4 and skip 8
    ASSERT_TRUE(ReadPulsedTreeFromBundle(MemorySource(test::PmBundleBytes(rec))));
    const PmTraceEntry* t = LookUpPmTrace(1, 1, 1, 1);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->trInterleaveSize, 4);  // at 292, inside the stored record
    EXPECT_EQ(t->trInterleaveSkip, 0);  // at 296, behind it
    EXPECT_EQ(t->trExtSolution, 2);
    // The records after it are still found at their places.
    EXPECT_EQ(FieldText(LookUpPmTrace(3, 1, 1, 3)->trLabel), "real64");
    EXPECT_EQ(GetPulsedRoot()->traceCount, 7);
  }
}

TEST_F(PmTreeTest, BundleWithoutSolutionItemStillLoadsTheOtherTrees) {
  PmRecording rec = Shaped();
  rec.writeSolution = false;
  const Bytes file = test::PmBundleBytes(rec);
  const MemorySource source(file);
  EXPECT_TRUE(ReadStimulusTreeFromBundle(source));
  EXPECT_TRUE(ReadPulsedTreeFromBundle(source));
  EXPECT_TRUE(ReadAmplifierTreeFromBundle(source));
  EXPECT_FALSE(ReadSolutionTreeFromBundle(source));
  EXPECT_EQ(GetPulsedRoot()->traceCount, 7);
  EXPECT_EQ(FindSolution(1), nullptr);
  EXPECT_EQ(AmpSeriesCount(), 2);
}

TEST_F(PmTreeTest, TruncatedTreesFailAndLeaveNothingLoaded) {
  const PmRecording rec = Shaped();
  const Bytes pul = test::PulsedTreeBytes(rec);
  const Bytes pgf = test::StimulusTreeBytes(rec);
  const Bytes amp = test::AmplifierTreeBytes(rec);
  const Bytes sol = test::SolutionTreeBytes(rec);
  ASSERT_TRUE(ReadPulsedTree(MemorySource(pul)));
  // Every cut, at every byte, is found: the tree ends inside a record or
  // a child count somewhere.
  for (size_t n = 0; n < pul.size(); ++n) {
    ASSERT_FALSE(ReadPulsedTree(MemorySource(std::span(pul).first(n)))) << n;
    ASSERT_EQ(GetPulsedRoot(), nullptr) << n;
  }
  for (size_t n = 0; n < pgf.size(); ++n) {
    ASSERT_FALSE(ReadStimulusTree(MemorySource(std::span(pgf).first(n)))) << n;
    ASSERT_EQ(GetPmStimulusRoot(), nullptr) << n;
  }
  for (size_t n = 0; n < amp.size(); ++n)
    ASSERT_FALSE(ReadAmplifierTree(MemorySource(std::span(amp).first(n)))) << n;
  for (size_t n = 0; n < sol.size(); ++n)
    ASSERT_FALSE(ReadSolutionTree(MemorySource(std::span(sol).first(n)))) << n;
  EXPECT_EQ(AmpSeriesCount(), 0);
  EXPECT_EQ(SolutionCount(), 0);
}

TEST_F(PmTreeTest, CountsAndSizesTheFileCannotHoldAreRefused) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    PmRecording rec = Shaped();
    test::SetPmByteOrder(rec, order);
    const Bytes good = test::PulsedTreeBytes(rec);
    ASSERT_TRUE(ReadPulsedTree(MemorySource(good)));

    // A billion groups in a file of a few kilobytes: refused before any
    // array is sized.
    for (const auto& [offset, value] : {std::pair{kRootCount, 1000000000},
                                        std::pair{kRootCount, -1},
                                        std::pair{kFirstGroupCount, 0x7FFFFFFF},
                                        std::pair{kFirstSeriesCount, 100},
                                        std::pair{kFirstSweepCount, -3},
                                        std::pair{kPulHeader - 4, -1},          // trace size
                                        std::pair{kPulHeader - 4, 0x40000000},  // trace size
                                        std::pair{size_t{8}, 100000}}) {        // root size
      Bytes bad = good;
      test::PatchI32(bad, offset, value, order);
      EXPECT_FALSE(ReadPulsedTree(MemorySource(bad))) << offset << " " << value;
      EXPECT_EQ(GetPulsedRoot(), nullptr);
    }
  }
}

TEST_F(PmTreeTest, MagicAndLevelCountAreCheckedTheLastChildCountReadOver) {
  const Bytes good = test::PulsedTreeBytes(Shaped());
  Bytes odd = good;
  test::PatchI32(odd, kFirstTraceCount, 5, ByteOrder::kLittle);
  ASSERT_TRUE(ReadPulsedTree(MemorySource(good)));
  const test::PmSnapshot expected = test::TakeSnapshot();
  ASSERT_TRUE(ReadPulsedTree(MemorySource(odd)));
  EXPECT_TRUE(test::TakeSnapshot() == expected);

  Bytes wrongMagic = good;
  wrongMagic[0] = 'x';
  EXPECT_FALSE(ReadPulsedTree(MemorySource(wrongMagic)));
  // "Tree" in a little-endian file: the numbers no longer make sense and
  // the tree is refused rather than read as garbage.
  Bytes swappedMagic = good;
  std::copy_n("Tree", 4, swappedMagic.begin());
  EXPECT_FALSE(ReadPulsedTree(MemorySource(swappedMagic)));
  // The same records announced with four levels are not a pulsed tree.
  Bytes fourLevels = good;
  test::PatchI32(fourLevels, 4, 4, ByteOrder::kLittle);
  EXPECT_FALSE(ReadPulsedTree(MemorySource(fourLevels)));
  // A stimulus tree handed to the pulsed reader, and the other way round.
  EXPECT_FALSE(ReadPulsedTree(MemorySource(test::StimulusTreeBytes(Shaped()))));
  EXPECT_FALSE(ReadStimulusTree(MemorySource(good)));
}

TEST_F(PmTreeTest, EmptyTreesAreValidReadingReplacesAndFailingEmpties) {
  ASSERT_TRUE(test::ReadPmBundle(PmRecording{}));
  ASSERT_NE(GetPulsedRoot(), nullptr);
  EXPECT_EQ(GetPulsedRoot()->traceCount, 0);
  EXPECT_EQ(FindPmGroup(1), nullptr);
  ASSERT_NE(GetPmStimulusRoot(), nullptr);
  EXPECT_EQ(PmStimulationCount(), 0);

  PmRecording one;
  one.AddGroup("only").AddSeries().AddSweep().AddTrace("t", {1});
  ASSERT_TRUE(ReadPulsedTree(MemorySource(test::PulsedTreeBytes(Shaped()))));
  ASSERT_TRUE(ReadPulsedTree(MemorySource(test::PulsedTreeBytes(one))));
  EXPECT_EQ(GetPulsedRoot()->groupCount, 1);
  EXPECT_EQ(FieldText(FindPmGroup(1)->grLabel), "only");
  EXPECT_FALSE(ReadPulsedTree(MemorySource(Bytes{'e', 'e', 'r', 'T'})));
  EXPECT_EQ(GetPulsedRoot(), nullptr);
  EXPECT_TRUE(PmTraces().empty());
}

TEST_F(PmTreeTest, BundleItemsOutsideTheFileMakeTheirTreeUnreadable) {
  const PmRecording rec = Shaped();
  const Bytes good = test::PmBundleBytes(rec);
  const size_t pulEntry = test::BundleItemEntryOffset(kBundleItemPulsed);
  const int32_t pulStart = LoadI32(good, pulEntry, ByteOrder::kLittle);
  const int32_t pulLength = LoadI32(good, pulEntry + 4, ByteOrder::kLittle);
  const auto fileSize = static_cast<int32_t>(good.size());
  for (const auto& [start, length] :
       {std::pair{fileSize - 10, pulLength}, std::pair{fileSize + 100, 10},
        std::pair{-pulStart, pulLength}, std::pair{pulStart, -1},
        std::pair{pulStart, 0x7FFFFFFF}, std::pair{pulStart, pulLength - 1},
        std::pair{pulStart, fileSize - pulStart + 1},  // one byte beyond the end
        std::pair{0, pulLength}}) {
    Bytes bad = good;
    test::PatchI32(bad, pulEntry, start, ByteOrder::kLittle);
    test::PatchI32(bad, pulEntry + 4, length, ByteOrder::kLittle);
    EXPECT_FALSE(ReadPulsedTreeFromBundle(MemorySource(bad))) << start << " " << length;
    EXPECT_EQ(GetPulsedRoot(), nullptr);
    // The other trees do not depend on the damaged item.
    EXPECT_TRUE(ReadStimulusTreeFromBundle(MemorySource(bad)));
  }
  // A file that is no bundle holds no trees.
  Bytes dat1 = good;
  dat1[3] = '1';
  EXPECT_FALSE(ReadPulsedTreeFromBundle(MemorySource(dat1)));
}

class PmTreeFileTest : public PmTreeTest {
 protected:
  Workbench bench_;
  test::TempDir dir_;
};

// Every field Shaped() sets holds a value of its own: a wrong offset, width
// or missing swap in any record of any tree shows as a difference.  Both
// orders, as a bundle and as sibling files; the little-endian trees store
// records longer than the known ones (read at the known size, the rest
// skipped).
TEST_F(PmTreeFileTest, EveryRecordReadsAsWritten) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    for (bool bundle : {true, false}) {
      SCOPED_TRACE(::testing::Message() << (order == ByteOrder::kBig ? "big" : "little")
                                        << (bundle ? " bundle" : " siblings"));
      PmRecording rec = Shaped();
      test::SetPmByteOrder(rec, order);
      if (order == ByteOrder::kLittle) {
        rec.pul.sizes = {640, 144, 1728, 352, 408};
        rec.pgf.sizes = {1144, 260, 420, 96};
        rec.amp.sizes = {100, 20, 600};
        rec.sol.sizes = {90, 170, 48};
      }
      if (bundle) {
        ASSERT_TRUE(test::ReadPmBundle(rec));
      } else {
        const test::PmFiles files = test::WritePmSiblings(rec, dir_.path() / "cell.dat");
        ASSERT_TRUE(ReadPulsedTree(files.pul.string()) && ReadStimulusTree(files.pgf.string()) &&
                    ReadAmplifierTree(files.amp.string()) && ReadSolutionTree(files.sol.string()));
      }
      const test::PmSnapshot got = test::TakeSnapshot();
      EXPECT_EQ(got.counts, (std::vector<int32_t>{3, 3, 3, 7}));
      EXPECT_EQ(got.childCounts,
                (std::vector<int32_t>{2, 0, 1, 2, 0, 1, 2, 2, 3, 2, 1, 0, 5, 1, 1, 2, 1, 3, 0}));
      // The samples lie from the data start of the arrangement on.
      test::PmSnapshot want = test::RecordsOf(rec, bundle ? 256 : rec.siblingDataStart);
      want.counts = got.counts;
      want.childCounts = got.childCounts;
      EXPECT_TRUE(got == want);
      EXPECT_EQ(Chemicals().size(), 3u);
    }
  }
  EXPECT_TRUE(bench_.interaction().events().empty());
}

TEST_F(PmTreeFileTest, DatFileThatIsNoBundleHoldsNoTrees) {
  const test::PmFiles files = test::WritePmSiblings(Shaped(), dir_.path() / "cell.dat");
  EXPECT_FALSE(ReadPulsedTree(files.data.string()));
  EXPECT_FALSE(ReadStimulusTree(files.data.string()));
  EXPECT_TRUE(bench_.interaction().events().empty());
  // A missing bundle is reported by the detection's alert.
  EXPECT_FALSE(ReadPulsedTree(dir_.File("missing.dat")));
  EXPECT_EQ(bench_.interaction().events().size(), 1u);
  // Missing or empty sibling tree files fail quietly.
  EXPECT_FALSE(ReadAmplifierTree(dir_.File("missing.amp")));
  test::WriteFileBytes(dir_.File("empty.sol"), {});
  EXPECT_FALSE(ReadSolutionTree(dir_.File("empty.sol")));
  EXPECT_EQ(bench_.interaction().events().size(), 1u);
}

TEST_F(PmTreeFileTest, StimulusTreeFormatSelectsTheReader) {
  // A 4-level "eerT" tree is read by the PatchMaster reader.
  PmRecording rec = Shaped();
  const test::PmFiles files = test::WritePmSiblings(rec, dir_.path() / "pm.dat");
  EXPECT_EQ(ProbeStimulusTreeFormat(files.pgf.string()), StimulusTreeFormat::kPatchMaster);
  StimulusTreeFormat format = StimulusTreeFormat::kUnknown;
  ASSERT_TRUE(ReadStimulusTreeOfEitherFormat(files.pgf.string(), &format));
  EXPECT_EQ(format, StimulusTreeFormat::kPatchMaster);
  EXPECT_EQ(PmStimulationCount(), 3);
  EXPECT_EQ(GetStimulusRoot(), nullptr);

  // A 3-level one by the Pulse reader.
  test::PulseRecording pulse;
  pulse.pgfOrder = ByteOrder::kLittle;
  pulse.AddStimulation("old").AddSegment(kSegmentConstant, -0.07, 0.01);
  pulse.AddGroup().AddSeries().AddSweep({1, 2});
  const test::PulseFiles old = test::WritePulseRecording(pulse, dir_.path() / "old.dat");
  EXPECT_EQ(ProbeStimulusTreeFormat(old.pgf.string()), StimulusTreeFormat::kPulse);
  ASSERT_TRUE(ReadStimulusTreeOfEitherFormat(old.pgf.string(), &format));
  EXPECT_EQ(format, StimulusTreeFormat::kPulse);
  EXPECT_EQ(StimulationCount(), 1);
  // Only one stimulus tree is loaded at a time: the other format's went.
  EXPECT_EQ(PmStimulationCount(), 0);
  ASSERT_TRUE(ReadStimulusTreeOfEitherFormat(files.pgf.string(), &format));
  EXPECT_EQ(StimulationCount(), 0);

  // Big-endian level counts are read in their order too.
  rec.pgf.order = ByteOrder::kBig;
  const test::PmFiles bigFiles = test::WritePmSiblings(rec, dir_.path() / "big.dat");
  EXPECT_EQ(ProbeStimulusTreeFormat(bigFiles.pgf.string()), StimulusTreeFormat::kPatchMaster);

  // Any other level count, or no tree at all, is neither.
  rec.pgf.levels = 5;
  const test::PmFiles odd = test::WritePmSiblings(rec, dir_.path() / "odd.dat");
  EXPECT_EQ(ProbeStimulusTreeFormat(odd.pgf.string()), StimulusTreeFormat::kUnknown);
  EXPECT_FALSE(ReadStimulusTreeOfEitherFormat(odd.pgf.string(), &format));
  EXPECT_EQ(format, StimulusTreeFormat::kUnknown);
  EXPECT_EQ(ProbeStimulusTreeFormat(dir_.File("missing.pgf")), StimulusTreeFormat::kUnknown);
}

}  // namespace
}  // namespace kwt
