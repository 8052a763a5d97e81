// Pulse tree files: the framing of the .pul and .pgf files, reading them
// into the module-wide trees, the lookups into those trees, and the probes
// that tell Pulse trees from others.
//
// Both tree files begin with the magic "Tree" (big-endian tree) or "eerT"
// (little-endian), a level count, one record size per level and then the
// records depth-first, each followed by its child count.  The acquisition
// tree has four levels (root, group, series, sweep), the stimulus tree three
// (root, stimulation, segment).
//
// The trees are module-wide: one of each kind is loaded at a time, by the
// operation that needs it, and released before that operation returns.
// Lookups answer none (nullptr) when nothing is loaded or a number is out
// of range.  Entry pointers stay valid until the tree is released or read
// again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pulse/pulse_records.h"
#include "pulse/pulse_stimulus.h"
#include "support/byte_reader.h"
#include "support/layered_tree.h"

namespace kwt {

// A link between entries: the index of the linked entry in its array, or
// kNoEntry.
inline constexpr int32_t kNoEntry = -1;

// ---- The acquisition tree -------------------------------------------------

struct PulseRootEntry : RootRecord {
  int32_t groupCount = 0;   // groups of the file
  int32_t seriesCount = 0;  // series of the whole file
  int32_t sweepCount = 0;   // sweeps of the whole file
};

struct PulseGroupEntry : GroupRecord {
  int32_t number = 0;              // 1-based
  int32_t seriesCount = 0;
  int32_t firstSeries = kNoEntry;  // index of its first series entry
  int32_t nextGroup = kNoEntry;    // index of the next group entry
};

struct PulseSeriesEntry : SeriesRecord {
  int32_t group = 0;               // number of its group
  int32_t number = 0;              // 1-based within the group
  int32_t sweepCount = 0;
  int32_t firstSweep = kNoEntry;   // index of its first sweep entry
  int32_t nextSeries = kNoEntry;   // index of the next series of the group
};

struct PulseSweepEntry : SweepRecord {
  int32_t group = 0;
  int32_t series = 0;
  int32_t number = 0;              // 1-based within the series
  int32_t nextSweep = kNoEntry;    // index of the next sweep of the series
};

// ---- The stimulus tree ----------------------------------------------------

struct PulseStimulationEntry : StimulationRecord {
  int32_t segmentCount = 0;
  int32_t firstSegment = kNoEntry;  // index of its first segment
};

// ---- Reading ----------------------------------------------------------------

// Reads the .pgf file at `path` (a native path) into the stimulus tree,
// replacing the one loaded.  False when the file cannot be opened, its magic
// or its level count (3) is wrong, a size or count is one the file cannot
// hold, the file ends inside the tree, or memory runs out; nothing is
// loaded then.  The caller reports false as 10031.
bool ReadPulseStimulusTree(const std::string& path);
// The same from bytes already at hand.
bool ReadPulseStimulusTree(const ByteSource& source);

// Reads the .pul file at `path` into the acquisition tree, as above (level
// count 4).  The caller reports false as 10032.
bool ReadPulseAcquisitionTree(const std::string& path);
bool ReadPulseAcquisitionTree(const ByteSource& source);

// Free the trees and clear the data-swap flag; each may be called when
// nothing is loaded.
void ReleasePulseAcquisitionTree();
void ReleasePulseStimulusTree();

// ---- Lookups into the acquisition tree ------------------------------------

// The root entry; none when no tree is loaded or it holds no group.
const PulseRootEntry* GetRoot();
// Group g (1-based); none when g is outside 1..number of groups.
const PulseGroupEntry* FindGroup(int32_t group);
// Series s of group g; none when either is out of range.
const PulseSeriesEntry* FindSeries(int32_t group, int32_t series);
// Sweep w of series s of group g; none when any is out of range.  A sweep
// found sets the data-swap flag: on when its samples are big-endian (kind
// bit 4 clear), off when they are little-endian.
const PulseSweepEntry* FindSweep(int32_t group, int32_t series, int32_t sweep);
// The data-swap flag: true when the samples of the sweep last found by
// FindSweep are stored big-endian and must be byte-reversed.
bool PulseDataSwap();

// Where the records of the loaded acquisition and stimulus trees end in
// their files (all zero when none is loaded); records that end before the
// file does tell of a damaged tree (support/layered_tree.h).
TreeSpan PulseAcquisitionTreeSpan();
TreeSpan PulseStimulusTreeSpan();

// ---- Lookups into the stimulus tree ---------------------------------------

// The kept root of the stimulus tree; none when none is loaded.
const PgfRootRecord* GetStimulusRoot();
// Number of stimulations and of segments of the loaded stimulus tree.
int32_t StimulationCount();
int32_t SegmentTotal();
// Stimulation i (1-based); none when i is outside 1..StimulationCount().
const PulseStimulationEntry* FindStimulation(int32_t stimulation);
// Segment j of stimulation i; none when either is out of range.
const SegmentRecord* FindSegment(int32_t stimulation, int32_t segment);

// ---- Probes -------------------------------------------------------------

// For a stimulus tree file: 1 when its level count is 3 (Pulse), 2 when it
// is 4 (the other acquisition program's stimulus tree), 0 otherwise or when
// the file cannot be opened, is empty or has no tree magic.
int32_t ProbePgfKind(const std::string& path);
int32_t ProbePgfKind(const ByteSource& source);

// For an acquisition tree file: 1 when its level count is 4 (Pulse), 2 when
// it is 5, each plus 4 when the file is big-endian (so 1, 5, 2 or 6); 0
// otherwise or when the file cannot be opened, is empty or has no magic.
int32_t ProbePulKind(const std::string& path);
int32_t ProbePulKind(const ByteSource& source);

}  // namespace kwt
