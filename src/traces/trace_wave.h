// The trace-wave maker: a 32-bit real wave made from stored samples, with
// its x scaling, full scale and units, and the notice of samples the data
// did not hold.  Waves belong to the host.
#pragma once

#include <cstdint>
#include <string_view>

#include "traces/trace_samples.h"

namespace kwt {

// Makes the 32-bit real wave `name` with samples.points points, fills it
// with sample x factor - zero (integers are signed), and sets x step and x start,
// the data full scale (bottom factor x -32768, top factor x 32767) and the
// units "s" and `unit`.  Samples the source does not hold are 0; *missing
// (when given) receives their number.  False, with nothing made, when the
// format is unknown, the count negative, or the host cannot make the wave
// (it exists and `overwrite` is false, the name is not valid, no memory).
bool MakeTraceWave(std::string_view name, const TraceSamples& samples, double factor, double xStart,
                   double xStep, std::string_view unit, bool overwrite, int64_t* missing = nullptr,
                   double zero = 0.0);

// The same without the converter's full scale: for traces stored as reals
// (the Fura traces) whose units are their own.
bool MakeSampleWave(std::string_view name, const TraceSamples& samples, double factor, double zero,
                    bool fullScale, double xStart, double xStep, std::string_view unit,
                    bool overwrite, int64_t* missing);

// Tells the host how many samples of a wave the data file did not hold,
// and posts it to the history unless quiet.
void NoticeMissingSamples(std::string_view name, int64_t missing, int64_t points, bool quiet);

// Appends `text` to the note of the wave `name` in the current data folder.
// False when name or text is empty, the wave does not exist or the host
// refuses the note.
bool AppendWaveNote(std::string_view name, std::string_view text);

}  // namespace kwt
