#include "pulse/pulse_tree.h"

#include <array>
#include <new>
#include <utility>
#include <vector>

#include "host/host.h"
#include "support/format.h"
#include "support/layered_tree.h"
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

// The acquisition tree as the layered-tree walker hands it over: root,
// groups, series and sweeps, each linked to its parent by number.
class AcquisitionSink final : public TreeSink {
 public:
  explicit AcquisitionSink(AcquisitionTree* tree) : tree_(tree) {}

  void Root(std::span<const uint8_t> known, ByteOrder order) override {
    DecodeRootRecord(known, order, &tree_->root);
  }

  void Reserve(std::span<const int32_t> counts) override {
    tree_->groups.assign(static_cast<size_t>(counts[1]), PulseGroupEntry{});
    tree_->series.assign(static_cast<size_t>(counts[2]), PulseSeriesEntry{});
    tree_->sweeps.assign(static_cast<size_t>(counts[3]), PulseSweepEntry{});
    tree_->root.groupCount = counts[1];
    tree_->root.seriesCount = counts[2];
    tree_->root.sweepCount = counts[3];
  }

  // The walker hands over indices inside the reserved arrays, in file
  // order, so the latest group and series are the parents of what follows.
  void Record(size_t level, int32_t index, std::span<const uint8_t> known, ByteOrder order,
              const TreeLinks& links) override {
    const auto at = static_cast<size_t>(index);
    switch (level) {
      case 1: {
        PulseGroupEntry& group = tree_->groups[at];
        DecodeGroupRecord(known, order, &group);
        group.number = group_ = links.number;
        group.seriesCount = links.childCount;
        group.firstSeries = links.firstChild;
        group.nextGroup = links.nextSibling;
        break;
      }
      case 2: {
        PulseSeriesEntry& series = tree_->series[at];
        DecodeSeriesRecord(known, order, &series);
        series.group = group_;
        series.number = series_ = links.number;
        series.sweepCount = links.childCount;
        series.firstSweep = links.firstChild;
        series.nextSeries = links.nextSibling;
        break;
      }
      default: {
        PulseSweepEntry& sweep = tree_->sweeps[at];
        DecodeSweepRecord(known, order, &sweep);
        sweep.group = group_;
        sweep.series = series_;
        sweep.number = links.number;
        sweep.nextSweep = links.nextSibling;
        break;
      }
    }
  }

 private:
  AcquisitionTree* tree_;
  int32_t group_ = 0;
  int32_t series_ = 0;
};

// The stimulus tree: root, stimulations and their segments.
class StimulusSink final : public TreeSink {
 public:
  explicit StimulusSink(StimulusTree* tree) : tree_(tree) {}

  void Root(std::span<const uint8_t> known, ByteOrder order) override {
    DecodePgfRootRecord(known, order, &tree_->root);
  }

  void Reserve(std::span<const int32_t> counts) override {
    tree_->stimulations.assign(static_cast<size_t>(counts[1]), PulseStimulationEntry{});
    tree_->segments.assign(static_cast<size_t>(counts[2]), SegmentRecord{});
  }

  void Record(size_t level, int32_t index, std::span<const uint8_t> known, ByteOrder order,
              const TreeLinks& links) override {
    const auto at = static_cast<size_t>(index);
    if (level == 1) {
      PulseStimulationEntry& stimulation = tree_->stimulations[at];
      DecodeStimulationRecord(known, order, &stimulation);
      stimulation.segmentCount = links.childCount;
      stimulation.firstSegment = links.firstChild;
    } else {
      DecodeSegmentRecord(known, order, &tree_->segments[at]);
    }
  }

 private:
  StimulusTree* tree_;
};

// Record sizes the module knows, per level, root first.  A record stored
// longer is cut to these; one stored shorter reads as zeros beyond.
constexpr std::array<size_t, kAcquisitionLevels> kAcquisitionSizes = {
    kRootRecordSize, kGroupRecordSize, kSeriesRecordSize, kSweepRecordSize};
constexpr std::array<size_t, kStimulusLevels> kStimulusSizes = {
    kPgfRootRecordSize, kStimulationRecordSize, kSegmentRecordSize};

// Reads a tree into *global, or says what stopped the read.
template <class Sink, class Tree, size_t N>
bool ReadInto(const ByteSource& source, const std::array<size_t, N>& sizes, const char* subject,
              Tree* global) {
  std::string why;
  if (ReadTreeInto<Sink>(source, sizes, global, &why)) return true;
  HostDiagnose(TreeProblem(subject, why));
  return false;
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

bool ReadPulseStimulusTree(const ByteSource& source) {
  ReleasePulseStimulusTree();
  return ReadInto<StimulusSink>(source, kStimulusSizes, "the stimulus tree",
                                               &gStimulus);
}

bool ReadPulseStimulusTree(const std::string& path) {
  const FileSource file(path);
  if (!file.is_open()) {
    ReleasePulseStimulusTree();
    file.DiagnoseFailure(path);
    return false;
  }
  return ReadPulseStimulusTree(file);
}

bool ReadPulseAcquisitionTree(const ByteSource& source) {
  ReleasePulseAcquisitionTree();
  return ReadInto<AcquisitionSink>(source, kAcquisitionSizes,
                                                    "the acquisition tree", &gAcquisition);
}

bool ReadPulseAcquisitionTree(const std::string& path) {
  const FileSource file(path);
  if (!file.is_open()) {
    ReleasePulseAcquisitionTree();
    file.DiagnoseFailure(path);
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
