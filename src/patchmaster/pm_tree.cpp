#include "patchmaster/pm_tree.h"

#include <array>
#include <new>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/host.h"
#include "pulse/pulse_tree.h"
#include "support/format.h"
#include "support/layered_tree.h"

namespace kwt {
namespace {

// ---- Decoding by record type ------------------------------------------------
//
// The decoders of the records the module takes fields from.  The generic
// builder below decodes an entry with the one that takes its type (the
// pulsed root is a root record with more); records that no decoder takes
// have nothing the module uses.
constexpr std::tuple kDecoders{
    &DecodePmRootRecord,       &DecodePmGroupRecord,        &DecodePmSeriesRecord,
    &DecodePmSweepRecord,      &DecodePmTraceRecord,        &DecodePmStimulationRecord,
    &DecodePmChannelRecord,    &DecodePmSegmentRecord,      &DecodeAmpStateRecord,
    &DecodeSolutionRecord,
};

template <class Decoder, class Record>
void DecodeWith(Decoder decode, std::span<const uint8_t> bytes, ByteOrder order, Record* record) {
  if constexpr (std::is_invocable_v<Decoder, std::span<const uint8_t>, ByteOrder, Record*>)
    decode(bytes, order, record);
}

template <class Record>
void DecodeRecord(std::span<const uint8_t> bytes, ByteOrder order, Record* record) {
  std::apply([&](auto... decoders) { (DecodeWith(decoders, bytes, order, record), ...); },
             kDecoders);
}

template <class Entry>
struct RecordOf;
template <class Record>
struct RecordOf<PmEntry<Record>> {
  using type = Record;
};

// ---- Trees ------------------------------------------------------------------

// A tree in memory: the root and one array of entries per lower level.
template <class RootRecord, class... Records>
struct Tree {
  static constexpr size_t kLevels = 1 + sizeof...(Records);
  bool loaded = false;
  RootRecord root;
  std::tuple<std::vector<PmEntry<Records>>...> levels;
  TreeSpan span;  // where the records ended in the tree's bytes

  // The entries of level L (1 = the root's children).
  template <size_t L>
  const auto& Level() const {
    return std::get<L - 1>(levels);
  }
};

using PulsedTree = Tree<PmPulsedRoot, PmGroupRecord, PmSeriesRecord, PmSweepRecord, PmTraceRecord>;
using StimulusTree = Tree<PmStimRootRecord, PmStimulationRecord, PmChannelRecord, PmSegmentRecord>;
using AmplifierTree = Tree<AmpRootRecord, AmpSeriesRecord, AmpStateRecord>;
using SolutionTree = Tree<SolRootRecord, SolutionRecord, ChemicalRecord>;

// Known record sizes per level, root first.
constexpr std::array<size_t, 5> kPulsedSizes = {kPmRootRecordSize, kPmGroupRecordSize,
                                                kPmSeriesRecordSize, kPmSweepRecordSize,
                                                kPmTraceRecordSize};
constexpr std::array<size_t, 4> kStimulusSizes = {kPmStimRootRecordSize, kPmStimulationRecordSize,
                                                  kPmChannelRecordSize, kPmSegmentRecordSize};
constexpr std::array<size_t, 3> kAmplifierSizes = {kAmpRootRecordSize, kAmpSeriesRecordSize,
                                                   kAmpStateRecordSize};
constexpr std::array<size_t, 3> kSolutionSizes = {kSolRootRecordSize, kSolutionRecordSize,
                                                  kChemicalRecordSize};
static_assert(kPulsedSizes.size() == PulsedTree::kLevels);
static_assert(kStimulusSizes.size() == StimulusTree::kLevels);
static_assert(kAmplifierSizes.size() == AmplifierTree::kLevels);
static_assert(kSolutionSizes.size() == SolutionTree::kLevels);

// The module-wide trees.  The host calls the module on one thread, one
// message at a time.
PulsedTree gPulsed;
StimulusTree gStimulus;
AmplifierTree gAmplifier;
SolutionTree gSolution;

// Fills a tree from the reader's callbacks: decodes each record into the
// entry of its level and index, and stores its links beside it.
template <class TreeT>
class Builder final : public TreeSink {
 public:
  explicit Builder(TreeT* tree) : tree_(tree) {}

  void Root(std::span<const uint8_t> known, ByteOrder order) override {
    DecodeRecord(known, order, &tree_->root);
  }

  void Reserve(std::span<const int32_t> counts) override {
    ReserveLevels(counts, std::make_index_sequence<TreeT::kLevels - 1>());
  }

  void Record(size_t level, int32_t index, std::span<const uint8_t> known, ByteOrder order,
              const TreeLinks& links) override {
    StoreRecord(level, index, known, order, links,
                std::make_index_sequence<TreeT::kLevels - 1>());
  }

 private:
  template <size_t... I>
  void ReserveLevels(std::span<const int32_t> counts, std::index_sequence<I...>) {
    // The counts are bounded by the file's size (each record takes at least
    // its 4-byte child count), so these allocations are too.
    (std::get<I>(tree_->levels).assign(static_cast<size_t>(counts[I + 1]), {}), ...);
  }

  template <size_t... I>
  void StoreRecord(size_t level, int32_t index, std::span<const uint8_t> known, ByteOrder order,
                   const TreeLinks& links, std::index_sequence<I...>) {
    (void)((level == I + 1 && (StoreAt<I>(index, known, order, links), true)) || ...);
  }

  template <size_t I>
  void StoreAt(int32_t index, std::span<const uint8_t> known, ByteOrder order,
               const TreeLinks& links) {
    auto& entries = std::get<I>(tree_->levels);
    // The reader keeps every index inside the counts it reserved; the check
    // keeps a broken promise from writing outside the array.
    if (index < 0 || static_cast<size_t>(index) >= entries.size()) return;
    auto& entry = entries[static_cast<size_t>(index)];
    using Record = typename RecordOf<std::decay_t<decltype(entry)>>::type;
    DecodeRecord(known, order, static_cast<Record*>(&entry));
    static_cast<TreeLinks&>(entry) = links;
  }

  TreeT* tree_;
};

// Reads a tree at offset 0 of `source` into *global.  The old tree goes
// first; the new one is built aside and becomes the module's only when it
// was read whole.
template <class TreeT, size_t N>
bool ReadInto(const ByteSource& source, const std::array<size_t, N>& knownSizes,
              const char* subject, TreeT* global) {
  *global = TreeT{};
  std::string why;
  if (ReadTreeInto<Builder<TreeT>>(source, knownSizes, global, &why)) return true;
  HostDiagnose(TreeProblem(subject, why));
  return false;
}

// The name of a bundle item's tree, for messages.
const char* ItemTreeName(size_t item) {
  switch (item) {
    case kBundleItemPulsed: return "pulsed";
    case kBundleItemStimulus: return "stimulus";
    case kBundleItemAmplifier: return "amplifier";
    default: return "solution";
  }
}

using TreeReader = bool (*)(const ByteSource&);
using TreeRelease = void (*)();

// The readers of a source, named apart from their overloads so that a
// plain function pointer can be taken.
bool ReadPulsedSource(const ByteSource& s) { return ReadPulsedTree(s); }
bool ReadStimulusSource(const ByteSource& s) { return ReadStimulusTree(s); }
bool ReadAmplifierSource(const ByteSource& s) { return ReadAmplifierTree(s); }
bool ReadSolutionSource(const ByteSource& s) { return ReadSolutionTree(s); }

// Reads the tree of bundle item `item` of a bundle whose header is
// `header`.  The item must lie inside the file; the tree is read from a
// window on it, so that no read leaves the item.
bool ReadItem(const ByteSource& bundle, const BundleHeader& header, size_t item, TreeReader read,
              TreeRelease release) {
  uint64_t start = 0;
  uint64_t length = 0;
  if (!BundleItemExtent(header, item, bundle.size(), &start, &length)) {
    HostDiagnose(Format("the bundle's item table places no %s tree inside the file",
                        ItemTreeName(item)));
    release();
    return false;
  }
  const SliceSource window(bundle, start, length);
  return read(window);
}

bool FromBundle(const ByteSource& bundle, size_t item, TreeReader read, TreeRelease release) {
  DataFileKind kind = kDataFileRaw;
  BundleItemMask mask = 0;
  if (DetectDataFileKind(bundle, &kind, &mask) != 0 || kind != kDataFileBundle) {
    HostDiagnose("the file does not begin with a bundle's header");
    release();
    return false;
  }
  return ReadItem(bundle, CurrentBundleHeader(), item, read, release);
}

bool FromPath(const std::string& path, size_t item, TreeReader read, TreeRelease release) {
  if (HasDataExtension(path)) {
    // A "dat" file holds the trees only when it is a bundle.
    DataFileKind kind = kDataFileRaw;
    BundleItemMask mask = 0;
    if (DetectDataFileKind(path, &kind, &mask, false) != 0 || kind != kDataFileBundle) {
      HostDiagnose(path + " is not a bundle, so it holds no " + ItemTreeName(item) + " tree");
      release();
      return false;
    }
    std::string native = path;
    if (HostToNativePath(&native) != 0) {
      release();
      return false;
    }
    const FileSource file(native);
    if (!file.is_open()) {
      file.DiagnoseFailure(path);
      release();
      return false;
    }
    return ReadItem(file, CurrentBundleHeader(), item, read, release);
  }
  const FileSource file(path);
  if (!file.is_open() || file.size() == 0) {
    if (file.is_open()) HostDiagnose(path + " is empty");
    else file.DiagnoseFailure(path);
    release();
    return false;
  }
  return read(file);
}

// The child n (1-based) of a parent whose children lie back to back from
// its first child in `children`.
template <class Parent, class Child>
const Child* ChildOf(const Parent* parent, int32_t n, const std::vector<Child>& children) {
  if (parent == nullptr || n < 1 || n > parent->childCount || parent->firstChild < 0)
    return nullptr;
  const size_t at = static_cast<size_t>(parent->firstChild) + static_cast<size_t>(n - 1);
  return at < children.size() ? &children[at] : nullptr;
}

// Entry n (1-based) of the first level under the root.
template <class Entry>
const Entry* TopLevel(bool loaded, int32_t n, const std::vector<Entry>& entries) {
  if (!loaded || n < 1 || static_cast<size_t>(n) > entries.size()) return nullptr;
  return &entries[static_cast<size_t>(n) - 1];
}

}  // namespace

// ---- Reading ----------------------------------------------------------------

bool ReadPulsedTree(const ByteSource& tree) {
  if (!ReadInto(tree, kPulsedSizes, "the pulsed tree", &gPulsed)) return false;
  // The totals count every record of each level; they fit int32 because
  // the reader refuses levels of more than 2^31 - 1 records.
  gPulsed.root.groupCount = static_cast<int32_t>(gPulsed.Level<1>().size());
  gPulsed.root.seriesCount = static_cast<int32_t>(gPulsed.Level<2>().size());
  gPulsed.root.sweepCount = static_cast<int32_t>(gPulsed.Level<3>().size());
  gPulsed.root.traceCount = static_cast<int32_t>(gPulsed.Level<4>().size());
  return true;
}

bool ReadStimulusTree(const ByteSource& tree) {
  return ReadInto(tree, kStimulusSizes, "the stimulus tree", &gStimulus);
}

bool ReadAmplifierTree(const ByteSource& tree) {
  return ReadInto(tree, kAmplifierSizes, "the amplifier tree", &gAmplifier);
}

bool ReadSolutionTree(const ByteSource& tree) {
  return ReadInto(tree, kSolutionSizes, "the solution tree", &gSolution);
}

bool ReadPulsedTreeFromBundle(const ByteSource& bundle) {
  return FromBundle(bundle, kBundleItemPulsed, ReadPulsedSource, FreePulsedTree);
}
bool ReadStimulusTreeFromBundle(const ByteSource& bundle) {
  return FromBundle(bundle, kBundleItemStimulus, ReadStimulusSource, FreeStimulusTree);
}
bool ReadAmplifierTreeFromBundle(const ByteSource& bundle) {
  return FromBundle(bundle, kBundleItemAmplifier, ReadAmplifierSource, FreeAmplifierTree);
}
bool ReadSolutionTreeFromBundle(const ByteSource& bundle) {
  return FromBundle(bundle, kBundleItemSolution, ReadSolutionSource, FreeSolutionTree);
}

bool ReadPulsedTree(const std::string& path) {
  return FromPath(path, kBundleItemPulsed, ReadPulsedSource, FreePulsedTree);
}
bool ReadStimulusTree(const std::string& path) {
  return FromPath(path, kBundleItemStimulus, ReadStimulusSource, FreeStimulusTree);
}
bool ReadAmplifierTree(const std::string& path) {
  return FromPath(path, kBundleItemAmplifier, ReadAmplifierSource, FreeAmplifierTree);
}
bool ReadSolutionTree(const std::string& path) {
  return FromPath(path, kBundleItemSolution, ReadSolutionSource, FreeSolutionTree);
}

bool ReadStimulusTreeOfEitherFormat(const std::string& path, StimulusTreeFormat* format) {
  *format = ProbeStimulusTreeFormat(path);
  // One stimulus tree is in force at a time: reading one format releases
  // the other, so that no stale tree of an earlier recording answers.
  switch (*format) {
    case StimulusTreeFormat::kPatchMaster:
      ReleasePulseStimulusTree();
      return ReadStimulusTree(path);
    case StimulusTreeFormat::kPulse:
      FreeStimulusTree();
      return ReadPulseStimulusTree(path);
    case StimulusTreeFormat::kUnknown:
      break;
  }
  ReleasePulseStimulusTree();
  FreeStimulusTree();
  const FileSource file(path);
  if (file.is_open()) HostDiagnose(path + " holds no stimulus tree of a known kind");
  else file.DiagnoseFailure(path);
  return false;
}

void FreePulsedTree() {
  // Assigning an empty tree gives the arrays' memory back.
  gPulsed = PulsedTree{};
}
void FreeStimulusTree() { gStimulus = StimulusTree{}; }
void FreeAmplifierTree() { gAmplifier = AmplifierTree{}; }
void FreeSolutionTree() { gSolution = SolutionTree{}; }

// ---- Pulsed tree ------------------------------------------------------------

const PmPulsedRoot* GetPulsedRoot() { return gPulsed.loaded ? &gPulsed.root : nullptr; }

const PmGroupEntry* FindPmGroup(int32_t group) {
  return TopLevel(gPulsed.loaded, group, gPulsed.Level<1>());
}

const PmSeriesEntry* FindPmSeries(int32_t group, int32_t series) {
  return ChildOf(FindPmGroup(group), series, gPulsed.Level<2>());
}

const PmSweepEntry* FindPmSweep(int32_t group, int32_t series, int32_t sweep) {
  return ChildOf(FindPmSeries(group, series), sweep, gPulsed.Level<3>());
}

const PmTraceEntry* LookUpPmTrace(int32_t group, int32_t series, int32_t sweep, int32_t trace) {
  return ChildOf(FindPmSweep(group, series, sweep), trace, gPulsed.Level<4>());
}

TreeSpan PulsedTreeSpan() { return gPulsed.span; }

std::span<const PmGroupEntry> PmGroups() { return gPulsed.Level<1>(); }
std::span<const PmSeriesEntry> PmSeriesEntries() { return gPulsed.Level<2>(); }
std::span<const PmSweepEntry> PmSweeps() { return gPulsed.Level<3>(); }
std::span<const PmTraceEntry> PmTraces() { return gPulsed.Level<4>(); }

// ---- Stimulus tree ----------------------------------------------------------

const PmStimRootRecord* GetPmStimulusRoot() {
  return gStimulus.loaded ? &gStimulus.root : nullptr;
}

TreeSpan PmStimulusTreeSpan() { return gStimulus.span; }

int32_t PmStimulationCount() { return static_cast<int32_t>(gStimulus.Level<1>().size()); }

const PmStimulationEntry* FindPmStimulation(int32_t stimulation) {
  return TopLevel(gStimulus.loaded, stimulation, gStimulus.Level<1>());
}

const PmChannelEntry* FindPmChannel(int32_t stimulation, int32_t channel) {
  return ChildOf(FindPmStimulation(stimulation), channel, gStimulus.Level<2>());
}

const PmSegmentEntry* FindPmSegment(int32_t stimulation, int32_t channel, int32_t segment) {
  return ChildOf(FindPmChannel(stimulation, channel), segment, gStimulus.Level<3>());
}

std::span<const PmStimulationEntry> PmStimulations() { return gStimulus.Level<1>(); }
std::span<const PmChannelEntry> PmChannels() { return gStimulus.Level<2>(); }
std::span<const PmSegmentEntry> PmSegments() { return gStimulus.Level<3>(); }

// ---- Amplifier tree ---------------------------------------------------------

int32_t AmpSeriesCount() { return static_cast<int32_t>(gAmplifier.Level<1>().size()); }

const AmpSeriesEntry* FindAmpSeries(int32_t series) {
  return TopLevel(gAmplifier.loaded, series, gAmplifier.Level<1>());
}

const AmpStateEntry* FindAmpState(int32_t series, int32_t state) {
  return ChildOf(FindAmpSeries(series), state, gAmplifier.Level<2>());
}

std::span<const AmpSeriesEntry> AmpSeriesEntries() { return gAmplifier.Level<1>(); }
std::span<const AmpStateEntry> AmpStates() { return gAmplifier.Level<2>(); }

// ---- Solution tree ----------------------------------------------------------

int32_t SolutionCount() { return static_cast<int32_t>(gSolution.Level<1>().size()); }

const SolutionEntry* FindSolution(int32_t solution) {
  return TopLevel(gSolution.loaded, solution, gSolution.Level<1>());
}

std::span<const SolutionEntry> Solutions() { return gSolution.Level<1>(); }
std::span<const ChemicalEntry> Chemicals() { return gSolution.Level<2>(); }

}  // namespace kwt
