// Damage in a PatchMaster recording: where its samples may lie, and the
// checks that tell a sweep or trace of a damaged pulsed tree from one that
// was recorded.
//
// A block of zeros or a shifted read leaves records that decode without
// complaint: traces of 0 points, an x interval of 1.13e-314 s, a data scaler
// of 0, samples placed in the bundle header or in the trees.  LoadPM leaves
// such items out with a report (ProblemKind::kDamaged) and kwt info marks
// them; everything else of the recording loads as before.  The checks ask
// only for what every recording holds, so that no real recording trips
// them.
#pragma once

#include <cstdint>
#include <string>

#include "patchmaster/pm_records.h"
#include "patchmaster/pm_tree.h"
#include "support/byte_reader.h"

namespace kwt {

// Where the samples of a recording may lie in its data file.  In a bundle
// they are its data item (item 0): the header before it and the trees
// behind it are no samples.  A raw-data file beside sibling trees is
// samples throughout.  Reads of samples stop at `end` (and at the end of
// the file, which may come first when the file was cut short).
struct PmSampleBounds {
  uint64_t start = 0;
  uint64_t end = 0;
  bool bundle = false;
};

// The bounds in the data file `data`.  A bundle whose table lists no data
// item has its samples between the header and the first item behind it.
PmSampleBounds PmSampleBoundsOf(const ByteSource& data);

// Why a trace record cannot be loaded as data; "" when it can.  A trace is
// damaged when its point count is negative, or 0 while its series holds
// samples (`seriesHasSamples`), when its x interval is no sampling interval,
// its data scaler no scale factor or its x start no number, when its
// interleave numbers are negative, or when its samples begin outside the
// data: before the data item or behind its end in a bundle, before the file
// in a raw-data file (one cut short keeps its traces: their samples are
// missing, not damaged).
std::string PmTraceDamage(const PmTraceRecord& trace, const PmSampleBounds& bounds,
                          bool seriesHasSamples);

// Why a sweep cannot be loaded; "" when it can.  A sweep without traces in a
// recording whose pulsed tree holds traces (`recordingTraces` > 0) is the
// mark of a child count lost to damage.
std::string PmSweepDamage(const PmSweepEntry& sweep, int32_t recordingTraces);

// True when a trace of series s of group g holds samples.
bool PmSeriesHasSamples(int32_t group, int32_t series);

}  // namespace kwt
