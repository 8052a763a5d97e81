// Binary wave records: one wave with its scaling, units, full scale and
// note, as an .ibw file holds it and as a packed experiment's wave record
// holds it.  Records are written little-endian, the samples straight from
// the wave's own buffer, so that a large wave is never copied.
#pragma once

#include <cstdint>

namespace kwt {

struct HostWave;
class FileSink;

// The bytes the record of `wave` takes; 0 when it cannot be stored (its
// sizes are counted in 32 bits, so a record stays below 2 GB).
uint64_t IbwRecordSize(const HostWave& wave);

// Appends the record of `wave` to `out`; the caller checks IbwRecordSize
// first and out.ok() afterwards.
void WriteIbwRecord(const HostWave& wave, FileSink& out);

}  // namespace kwt
