// The four trees of a PatchMaster recording in memory: reading them from a
// bundle or from sibling files, releasing them, and the lookups by 1-based
// numbers.
//
// Each tree is read with a fixed number of levels: pulsed 5 (root, group,
// series, sweep, trace), stimulus 4 (root, stimulation, channel, segment),
// amplifier 3 (root, amplifier series, amplifier state), solution 3 (root,
// solution, chemical).  A tree keeps its root record and one array per
// lower level with every record of that level in file order; each entry is
// the record followed by its links (support/layered_tree.h): its 1-based
// number among its parent's children, its child count, the index of its
// first child in the next level's array and the index of its next sibling.
// The pulsed root also carries the totals of groups, series, sweeps and
// traces.
//
// The trees are module-wide, one of each kind at a time: the operation that
// reads them releases them before it returns.  A read replaces the tree of
// its kind; a failed read leaves that tree empty, never half-read.  Entry
// pointers and the spans of the arrays stay valid until the tree is freed
// or read again.  Lookups answer none (nullptr) when the tree is not loaded
// or a number is below 1 or beyond its parent's child count.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "patchmaster/pm_bundle.h"
#include "patchmaster/pm_records.h"
#include "support/byte_reader.h"
#include "support/layered_tree.h"

namespace kwt {

// ---- Entries ----------------------------------------------------------------

// A record of a tree with its links.
template <class Record>
struct PmEntry : Record, TreeLinks {};

struct PmPulsedRoot : PmRootRecord {
  int32_t groupCount = 0;   // groups of the file
  int32_t seriesCount = 0;  // series of the whole file
  int32_t sweepCount = 0;   // sweeps of the whole file
  int32_t traceCount = 0;   // traces of the whole file
};

using PmGroupEntry = PmEntry<PmGroupRecord>;
using PmSeriesEntry = PmEntry<PmSeriesRecord>;
using PmSweepEntry = PmEntry<PmSweepRecord>;
using PmTraceEntry = PmEntry<PmTraceRecord>;
using PmStimulationEntry = PmEntry<PmStimulationRecord>;
using PmChannelEntry = PmEntry<PmChannelRecord>;
using PmSegmentEntry = PmEntry<PmSegmentRecord>;
using AmpSeriesEntry = PmEntry<AmpSeriesRecord>;
using AmpStateEntry = PmEntry<AmpStateRecord>;
using SolutionEntry = PmEntry<SolutionRecord>;
using ChemicalEntry = PmEntry<ChemicalRecord>;

// ---- Reading ----------------------------------------------------------------
//
// From a path (a native path): when its extension is exactly "dat", the
// tree is the bundle item of its kind (DetectDataFileKind runs first, not
// quiet, and must find a bundle); otherwise the file itself is the tree file.
// From a source: the tree begins at its offset 0 (a sibling file's bytes,
// or a window on a bundle item); from a bundle source: the item is found
// through the bundle's header.
//
// Each returns true when the whole tree was read.  False when the file
// cannot be opened or is empty, the bundle item is absent or reaches
// outside the file, the magic is not "Tree"/"eerT", the level count is not
// the tree's, a size or count is one the file cannot hold, the file ends
// inside the tree, or memory runs out.  Callers report a failed stimulus
// read as 10031 and a failed pulsed read as 10032; the amplifier and
// solution trees are optional.

bool ReadPulsedTree(const std::string& path);
bool ReadPulsedTree(const ByteSource& tree);
bool ReadPulsedTreeFromBundle(const ByteSource& bundle);

bool ReadStimulusTree(const std::string& path);
bool ReadStimulusTree(const ByteSource& tree);
bool ReadStimulusTreeFromBundle(const ByteSource& bundle);

bool ReadAmplifierTree(const std::string& path);
bool ReadAmplifierTree(const ByteSource& tree);
bool ReadAmplifierTreeFromBundle(const ByteSource& bundle);

bool ReadSolutionTree(const std::string& path);
bool ReadSolutionTree(const ByteSource& tree);
bool ReadSolutionTreeFromBundle(const ByteSource& bundle);

// Reads the sibling stimulus tree at `path` (a native path) with the reader
// of its format: ReadStimulusTree for a 4-level tree, ReadPulseStimulusTree
// for a 3-level one.  *format tells which format was found.  The stimulus
// tree of the other format is released, so one stimulus tree is loaded at a
// time.  True when the tree was read; false when the format is unknown
// (both are then released) or the read failed (the caller reports 10031
// for both).
bool ReadStimulusTreeOfEitherFormat(const std::string& path, StimulusTreeFormat* format);

// Release a tree; each may be called when nothing is loaded.  Freeing the
// pulsed tree also clears the sample byte-order switch.
void FreePulsedTree();
void FreeStimulusTree();
void FreeAmplifierTree();
void FreeSolutionTree();

// ---- Pulsed tree ------------------------------------------------------------

// The root with the totals; none when no pulsed tree is loaded (a loaded
// tree without groups has a root with groupCount 0).
const PmPulsedRoot* GetPulsedRoot();
const PmGroupEntry* FindPmGroup(int32_t group);
const PmSeriesEntry* FindPmSeries(int32_t group, int32_t series);
const PmSweepEntry* FindPmSweep(int32_t group, int32_t series, int32_t sweep);
// Trace t of sweep (g, s, w).  The byte order of its samples is its own
// (TraceSampleOrder), kept with the trace's context (pm_relations.h).
const PmTraceEntry* LookUpPmTrace(int32_t group, int32_t series, int32_t sweep, int32_t trace);
// Where the records of the loaded pulsed tree end in its bytes (all zero
// when none is loaded).  Records that end before the bytes do tell of a
// damaged tree: the records behind its end were never read.
TreeSpan PulsedTreeSpan();

// Every entry of a level in file order, for walks along the links (the
// link indices point into these arrays).  Empty when nothing is loaded.
std::span<const PmGroupEntry> PmGroups();
std::span<const PmSeriesEntry> PmSeriesEntries();
std::span<const PmSweepEntry> PmSweeps();
std::span<const PmTraceEntry> PmTraces();

// ---- Stimulus tree ----------------------------------------------------------

// The root; none when no stimulus tree is loaded.
const PmStimRootRecord* GetPmStimulusRoot();
// The same for the loaded stimulus tree.
TreeSpan PmStimulusTreeSpan();
int32_t PmStimulationCount();
// Stimulation n (1-based position under the root), its channel c, and the
// channel's segment k.
const PmStimulationEntry* FindPmStimulation(int32_t stimulation);
const PmChannelEntry* FindPmChannel(int32_t stimulation, int32_t channel);
const PmSegmentEntry* FindPmSegment(int32_t stimulation, int32_t channel, int32_t segment);

std::span<const PmStimulationEntry> PmStimulations();
std::span<const PmChannelEntry> PmChannels();
std::span<const PmSegmentEntry> PmSegments();

// ---- Amplifier tree ---------------------------------------------------------

int32_t AmpSeriesCount();
// Amplifier series n (1-based) and its state k.
const AmpSeriesEntry* FindAmpSeries(int32_t series);
const AmpStateEntry* FindAmpState(int32_t series, int32_t state);

std::span<const AmpSeriesEntry> AmpSeriesEntries();
std::span<const AmpStateEntry> AmpStates();

// ---- Solution tree ----------------------------------------------------------

int32_t SolutionCount();
// Solution n (1-based position under the root).
const SolutionEntry* FindSolution(int32_t solution);

std::span<const SolutionEntry> Solutions();
std::span<const ChemicalEntry> Chemicals();

}  // namespace kwt
