#include "pulse/pulse_tree.h"

#include <array>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "support/tree_framing.h"

namespace kwt {
namespace {

// Levels of the two tree kinds as this module reads them.
constexpr int32_t kAcquisitionLevels = 4;
constexpr int32_t kStimulusLevels = 3;
// Level counts of the other acquisition program's trees, told apart by the
// probes.
constexpr int32_t kOtherStimulusLevels = 4;
constexpr int32_t kOtherAcquisitionLevels = 5;

struct AcquisitionTree {
  bool loaded = false;
  PulseRootEntry root;
  std::vector<PulseGroupEntry> groups;
  std::vector<PulseSeriesEntry> series;
  std::vector<PulseSweepEntry> sweeps;
  TreeSpan span;  // where the records ended in the file
};

struct StimulusTree {
  bool loaded = false;
  PgfRootRecord root;
  std::vector<PulseStimulationEntry> stimulations;
  std::vector<SegmentRecord> segments;
  TreeSpan span;
};

// The module-wide trees and the data-swap flag.  The host calls the module
// on one thread, one message at a time, and each operation releases what it
// read before it returns.
AcquisitionTree gAcquisition;
StimulusTree gStimulus;
bool gDataSwap = false;

// Reads the level count and the record sizes of a tree whose magic has been
// checked; false unless the count is `levels` and every size is >= 0.
template <size_t Levels>
bool ReadTreeHeader(ByteReader& reader, std::array<int32_t, Levels>* sizes) {
  int32_t levels = 0;
  if (!reader.Seek(kTreeLevelCountOffset) || !reader.ReadI32(&levels)) return false;
  // A tree with another number of levels stores its records at other
  // places and in another nesting; reading it as this kind would give
  // nonsense, so it is refused.
  if (levels != static_cast<int32_t>(Levels)) return false;
  for (int32_t& size : *sizes)
    if (!reader.ReadI32(&size) || size < 0) return false;
  return true;
}

// Sums of the first pass must fit the int32 counts of the root entry.
bool AddCount(int64_t* total, int32_t count) {
  *total += count;
  return *total <= std::numeric_limits<int32_t>::max();
}

// The acquisition tree: header, root, then two passes over the groups.  The
// first counts (so that each array is allocated once, at its final size),
// the second reads and links.  Any size or count the file cannot hold, or a
// file that ends inside the tree, fails the read.
bool ReadAcquisition(const ByteSource& source, AcquisitionTree* tree) {
  const std::optional<ByteOrder> order = TreeByteOrder(source);
  if (!order) return false;
  ByteReader reader(source, *order);
  std::array<int32_t, kAcquisitionLevels> sizes{};
  if (!ReadTreeHeader(reader, &sizes)) return false;
  const int32_t groupSize = sizes[1];
  const int32_t seriesSize = sizes[2];
  const int32_t sweepSize = sizes[3];

  // One scratch buffer per level, at the size of its known fields: the
  // bytes a stored record has beyond them are skipped, the bytes it lacks
  // stay zero.
  std::array<uint8_t, kRootRecordSize> rootBytes{};
  std::array<uint8_t, kGroupRecordSize> groupBytes{};
  std::array<uint8_t, kSeriesRecordSize> seriesBytes{};
  std::array<uint8_t, kSweepRecordSize> sweepBytes{};

  if (!ReadTreeRecord(reader, sizes[0], rootBytes)) return false;
  DecodeRootRecord(rootBytes, *order, &tree->root);
  int32_t groupCount = 0;
  if (!ReadChildCount(reader, ChildBytes(groupSize), &groupCount)) return false;
  const uint64_t firstGroup = reader.position();

  // First pass: count the series and sweeps, skipping over the records.
  // Every count is checked against the bytes that remain before it is
  // used, so the totals are bounded by the file's size.
  int64_t seriesTotal = 0;
  int64_t sweepTotal = 0;
  for (int32_t g = 0; g < groupCount; ++g) {
    int32_t seriesCount = 0;
    if (!reader.Skip(static_cast<uint64_t>(groupSize)) ||
        !ReadChildCount(reader, ChildBytes(seriesSize), &seriesCount) ||
        !AddCount(&seriesTotal, seriesCount))
      return false;
    for (int32_t s = 0; s < seriesCount; ++s) {
      int32_t sweepCount = 0;
      if (!reader.Skip(static_cast<uint64_t>(seriesSize)) ||
          !ReadChildCount(reader, ChildBytes(sweepSize), &sweepCount) ||
          !AddCount(&sweepTotal, sweepCount))
        return false;
      // The sweeps with their (zero) child counts, in one step; the count
      // has been checked against the remaining bytes, so this fits.
      if (!reader.Skip(ChildBytes(sweepSize) * static_cast<uint64_t>(sweepCount))) return false;
    }
  }

  tree->groups.assign(static_cast<size_t>(groupCount), PulseGroupEntry{});
  tree->series.assign(static_cast<size_t>(seriesTotal), PulseSeriesEntry{});
  tree->sweeps.assign(static_cast<size_t>(sweepTotal), PulseSweepEntry{});
  tree->root.groupCount = groupCount;
  tree->root.seriesCount = static_cast<int32_t>(seriesTotal);
  tree->root.sweepCount = static_cast<int32_t>(sweepTotal);

  // Second pass: read and link the records.  The counts are read again and
  // must stay within the totals of the first pass.
  if (!reader.Seek(firstGroup)) return false;
  int32_t nextSeries = 0;
  int32_t nextSweep = 0;
  for (int32_t g = 0; g < groupCount; ++g) {
    PulseGroupEntry& group = tree->groups[static_cast<size_t>(g)];
    int32_t seriesCount = 0;
    if (!ReadTreeRecord(reader, groupSize, groupBytes) ||
        !ReadChildCount(reader, ChildBytes(seriesSize), &seriesCount) ||
        seriesCount > seriesTotal - nextSeries)
      return false;
    DecodeGroupRecord(groupBytes, *order, &group);
    group.number = g + 1;
    group.seriesCount = seriesCount;
    group.firstSeries = seriesCount > 0 ? nextSeries : kNoEntry;
    group.nextGroup = g + 1 < groupCount ? g + 1 : kNoEntry;

    for (int32_t s = 0; s < seriesCount; ++s) {
      const int32_t seriesIndex = nextSeries++;
      PulseSeriesEntry& series = tree->series[static_cast<size_t>(seriesIndex)];
      int32_t sweepCount = 0;
      if (!ReadTreeRecord(reader, seriesSize, seriesBytes) ||
          !ReadChildCount(reader, ChildBytes(sweepSize), &sweepCount) ||
          sweepCount > sweepTotal - nextSweep)
        return false;
      DecodeSeriesRecord(seriesBytes, *order, &series);
      series.group = g + 1;
      series.number = s + 1;
      series.sweepCount = sweepCount;
      series.firstSweep = sweepCount > 0 ? nextSweep : kNoEntry;
      series.nextSeries = s + 1 < seriesCount ? seriesIndex + 1 : kNoEntry;

      for (int32_t w = 0; w < sweepCount; ++w) {
        const int32_t sweepIndex = nextSweep++;
        PulseSweepEntry& sweep = tree->sweeps[static_cast<size_t>(sweepIndex)];
        // The child count of a sweep (the last level) is read over.
        int32_t ignored = 0;
        if (!ReadTreeRecord(reader, sweepSize, sweepBytes) || !reader.ReadI32(&ignored))
          return false;
        DecodeSweepRecord(sweepBytes, *order, &sweep);
        sweep.group = g + 1;
        sweep.series = s + 1;
        sweep.number = w + 1;
        sweep.nextSweep = w + 1 < sweepCount ? sweepIndex + 1 : kNoEntry;
      }
    }
  }
  // Both passes must have seen the same tree.
  tree->span = {reader.position(), source.size()};
  return nextSeries == seriesTotal && nextSweep == sweepTotal;
}

// The stimulus tree in the same two passes: the first reads the
// stimulations and their segment counts and skips the segments, the second
// reads the segments into one array sized by the first pass's total.
bool ReadStimulus(const ByteSource& source, StimulusTree* tree) {
  const std::optional<ByteOrder> order = TreeByteOrder(source);
  if (!order) return false;
  ByteReader reader(source, *order);
  std::array<int32_t, kStimulusLevels> sizes{};
  if (!ReadTreeHeader(reader, &sizes)) return false;
  const int32_t stimulationSize = sizes[1];
  const int32_t segmentSize = sizes[2];

  // The root keeps its first 74 bytes; a longer root is skipped over.
  std::array<uint8_t, kPgfRootRecordSize> rootBytes{};
  std::array<uint8_t, kStimulationRecordSize> stimulationBytes{};
  std::array<uint8_t, kSegmentRecordSize> segmentBytes{};

  if (!ReadTreeRecord(reader, sizes[0], rootBytes)) return false;
  DecodePgfRootRecord(rootBytes, *order, &tree->root);
  int32_t stimulationCount = 0;
  if (!ReadChildCount(reader, ChildBytes(stimulationSize), &stimulationCount)) return false;
  const uint64_t firstStimulation = reader.position();

  // First pass: the stimulations and their segment counts; the segments are
  // skipped.
  tree->stimulations.assign(static_cast<size_t>(stimulationCount), PulseStimulationEntry{});
  int64_t segmentTotal = 0;
  for (PulseStimulationEntry& stimulation : tree->stimulations) {
    int32_t segmentCount = 0;
    if (!ReadTreeRecord(reader, stimulationSize, stimulationBytes) ||
        !ReadChildCount(reader, ChildBytes(segmentSize), &segmentCount) ||
        !AddCount(&segmentTotal, segmentCount) ||
        !reader.Skip(ChildBytes(segmentSize) * static_cast<uint64_t>(segmentCount)))
      return false;
    DecodeStimulationRecord(stimulationBytes, *order, &stimulation);
    stimulation.segmentCount = segmentCount;
  }

  // The first pass has walked the whole tree, segments included.
  tree->span = {reader.position(), source.size()};

  // Second pass: the segments, each stimulation's behind its record and
  // count.
  tree->segments.assign(static_cast<size_t>(segmentTotal), SegmentRecord{});
  if (!reader.Seek(firstStimulation)) return false;
  int32_t nextSegment = 0;
  for (PulseStimulationEntry& stimulation : tree->stimulations) {
    if (!reader.Skip(ChildBytes(stimulationSize))) return false;
    stimulation.firstSegment = stimulation.segmentCount > 0 ? nextSegment : kNoEntry;
    for (int32_t j = 0; j < stimulation.segmentCount; ++j) {
      int32_t ignored = 0;
      if (!ReadTreeRecord(reader, segmentSize, segmentBytes) || !reader.ReadI32(&ignored))
        return false;
      DecodeSegmentRecord(segmentBytes, *order, &tree->segments[static_cast<size_t>(nextSegment)]);
      ++nextSegment;
    }
  }
  return nextSegment == segmentTotal;
}

// The level count of a tree file and its byte order; false when the source
// is empty, has no magic or ends before the count.
bool ProbeLevels(const ByteSource& source, ByteOrder* order, int32_t* levels) {
  if (source.size() == 0) return false;
  const std::optional<ByteOrder> magic = TreeByteOrder(source);
  if (!magic) return false;
  ByteReader reader(source, *magic);
  if (!reader.Seek(kTreeLevelCountOffset) || !reader.ReadI32(levels)) return false;
  *order = *magic;
  return true;
}

}  // namespace

bool ReplaceExtension(std::string& name, std::string_view extension, size_t capacity) {
  if (name.empty() || extension.empty()) return false;
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  // A dot in a folder name ("run.1/cell") is no extension of the file.
  const size_t separator = name.find_last_of("/\\");
  if (separator != std::string::npos && dot < separator) return false;
  if (dot + extension.size() >= capacity) return false;
  name.resize(dot + 1);
  name.append(extension);
  return true;
}

bool ReadPulseStimulusTree(const ByteSource& source) {
  ReleasePulseStimulusTree();
  // The tree is built aside and only becomes the module's on success, so a
  // failed read leaves nothing loaded.
  try {
    StimulusTree tree;
    if (!ReadStimulus(source, &tree)) return false;
    tree.loaded = true;
    gStimulus = std::move(tree);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool ReadPulseStimulusTree(const std::string& path) {
  const FileSource file(path);
  if (!file.is_open()) {
    ReleasePulseStimulusTree();
    return false;
  }
  return ReadPulseStimulusTree(file);
}

bool ReadPulseAcquisitionTree(const ByteSource& source) {
  ReleasePulseAcquisitionTree();
  try {
    AcquisitionTree tree;
    if (!ReadAcquisition(source, &tree)) return false;
    tree.loaded = true;
    gAcquisition = std::move(tree);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool ReadPulseAcquisitionTree(const std::string& path) {
  const FileSource file(path);
  if (!file.is_open()) {
    ReleasePulseAcquisitionTree();
    return false;
  }
  return ReadPulseAcquisitionTree(file);
}

void ReleasePulseAcquisitionTree() {
  // Swapping with empty vectors gives the memory back, not only the size.
  AcquisitionTree empty;
  std::swap(gAcquisition, empty);
  gDataSwap = false;
}

void ReleasePulseStimulusTree() {
  StimulusTree empty;
  std::swap(gStimulus, empty);
}

// The lookups index the arrays directly: the children of a parent lie back
// to back from its first child, so child n is first + n - 1, checked
// against the parent's count.  The links stay for callers that walk.

const PulseRootEntry* GetRoot() {
  if (!gAcquisition.loaded || gAcquisition.root.groupCount < 1) return nullptr;
  return &gAcquisition.root;
}

const PulseGroupEntry* FindGroup(int32_t group) {
  if (!gAcquisition.loaded || group < 1 ||
      static_cast<size_t>(group) > gAcquisition.groups.size())
    return nullptr;
  return &gAcquisition.groups[static_cast<size_t>(group) - 1];
}

const PulseSeriesEntry* FindSeries(int32_t group, int32_t series) {
  const PulseGroupEntry* parent = FindGroup(group);
  if (parent == nullptr || series < 1 || series > parent->seriesCount) return nullptr;
  // The series of a group lie back to back from its first one.
  return &gAcquisition.series[static_cast<size_t>(parent->firstSeries) +
                              static_cast<size_t>(series) - 1];
}

const PulseSweepEntry* FindSweep(int32_t group, int32_t series, int32_t sweep) {
  const PulseSeriesEntry* parent = FindSeries(group, series);
  if (parent == nullptr || sweep < 1 || sweep > parent->sweepCount) return nullptr;
  const PulseSweepEntry* found = &gAcquisition.sweeps[static_cast<size_t>(parent->firstSweep) +
                                                      static_cast<size_t>(sweep) - 1];
  gDataSwap = SweepSampleOrder(*found) == ByteOrder::kBig;
  return found;
}

bool PulseDataSwap() { return gDataSwap; }

TreeSpan PulseAcquisitionTreeSpan() { return gAcquisition.span; }

TreeSpan PulseStimulusTreeSpan() { return gStimulus.span; }

const PgfRootRecord* GetStimulusRoot() { return gStimulus.loaded ? &gStimulus.root : nullptr; }

int32_t StimulationCount() { return static_cast<int32_t>(gStimulus.stimulations.size()); }

int32_t SegmentTotal() { return static_cast<int32_t>(gStimulus.segments.size()); }

const PulseStimulationEntry* FindStimulation(int32_t stimulation) {
  if (!gStimulus.loaded || stimulation < 1 ||
      static_cast<size_t>(stimulation) > gStimulus.stimulations.size())
    return nullptr;
  return &gStimulus.stimulations[static_cast<size_t>(stimulation) - 1];
}

const SegmentRecord* FindSegment(int32_t stimulation, int32_t segment) {
  const PulseStimulationEntry* parent = FindStimulation(stimulation);
  if (parent == nullptr || segment < 1 || segment > parent->segmentCount) return nullptr;
  return &gStimulus.segments[static_cast<size_t>(parent->firstSegment) +
                             static_cast<size_t>(segment) - 1];
}

int32_t ProbePgfKind(const ByteSource& source) {
  ByteOrder order = ByteOrder::kLittle;
  int32_t levels = 0;
  if (!ProbeLevels(source, &order, &levels)) return 0;
  if (levels == kStimulusLevels) return 1;
  if (levels == kOtherStimulusLevels) return 2;
  return 0;
}

int32_t ProbePgfKind(const std::string& path) {
  const FileSource file(path);
  return file.is_open() ? ProbePgfKind(file) : 0;
}

int32_t ProbePulKind(const ByteSource& source) {
  // Adding 4 for big-endian files lets a caller tell the byte order from
  // the same answer.
  ByteOrder order = ByteOrder::kLittle;
  int32_t levels = 0;
  if (!ProbeLevels(source, &order, &levels)) return 0;
  int32_t kind = 0;
  if (levels == kAcquisitionLevels) kind = 1;
  else if (levels == kOtherAcquisitionLevels) kind = 2;
  else return 0;
  return order == ByteOrder::kBig ? kind + 4 : kind;
}

int32_t ProbePulKind(const std::string& path) {
  const FileSource file(path);
  return file.is_open() ? ProbePulKind(file) : 0;
}

}  // namespace kwt
