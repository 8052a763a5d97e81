// One sweep of a Pulse recording into waves: the first trace with its note,
// and on request the leak trace, the second trace, the Fura traces, the
// LockIn waves and the stimulus template.
//
// Samples are read from the data file in bounded blocks and converted
// straight into the wave's 32-bit reals (value = sample x factor), one
// tight loop per sample format and byte order.  A load therefore holds the
// waves it makes plus one block, never a copy of a trace or of the file.
// Samples that the data file does not hold (a recording cut short) are 0,
// and a notice says how many there were.
//
// The functions look records up in the module-wide trees (pulse_tree.h),
// which the caller has read.  Waves belong to the host.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "support/byte_reader.h"

namespace kwt {

// Loads sweep w of series s of group g from the data file at `path` (native
// form) into waves named after `waveName` (at most 31 characters), as the
// bits of `flags` (load_pulse.h) ask.  `announce` posts the notices (and
// sets kwtLastPulseWave) unless flags has /Q; with announce off the second
// trace is loaded under waveName itself.  Returns true when the sweep was
// handled, even when a single wave could not be made (it is left out);
// false when the sweep cannot be loaded: a record is missing, its
// stimulation is missing (an alert says so), its sample format is unknown,
// its point count is negative, the data file cannot be opened, or the
// second trace's name would be longer than 31 characters.
bool LoadPulseSweep(const std::string& path, std::string_view waveName, int32_t group,
                    int32_t series, int32_t sweep, uint32_t flags, bool announce);

// Where the samples of one trace lie: `points` samples of `format`
// (kSampleInt16 ... kSampleReal64) stored in `order` from byte `offset` of
// `source` on, in one piece or, interleaved with other traces, in blocks of
// `blockBytes` bytes that begin `blockSkip` bytes apart.  A negative offset
// places every sample outside the source.
struct TraceSamples {
  const ByteSource* source = nullptr;
  int64_t offset = 0;
  int64_t points = 0;
  int32_t format = 0;
  ByteOrder order = ByteOrder::kBig;
  int64_t blockBytes = 0;  // 0: in one piece
  int64_t blockSkip = 0;   // below blockBytes: in one piece
};

// Reads the samples into out (which holds samples.points values, zero as
// the host makes them) through `buffer` (at least one sample wide) and
// converts them: out[i] = sample i x factor - zero.  Returns the number of
// samples the source did not hold, from the first one missing on; they
// stay zero.  A sample split between two blocks is put together.
int64_t ReadTraceSamples(const TraceSamples& samples, double factor, double zero,
                         std::span<uint8_t> buffer, std::span<float> out);

// Tells the host how many samples of a wave the data file did not hold,
// and posts it to the history unless quiet.
void NoticeMissingSamples(std::string_view name, int64_t missing, int64_t points, bool quiet);

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

// Converts bytes.size() / width samples of `format` stored in `order` into
// out (which must hold that many): out[i] = sample i x factor - offset,
// computed in double and rounded once.  False, with nothing written, for an
// unknown format.
bool ConvertTraceSamples(std::span<const uint8_t> bytes, int32_t format, ByteOrder order,
                         double factor, std::span<float> out, double offset = 0.0);

// Appends `text` to the note of the wave `name` in the current data folder.
// False when name or text is empty, the wave does not exist or the host
// refuses the note.
bool AppendWaveNote(std::string_view name, std::string_view text);

// The LockIn values that the loading operations set for their sweeps:
// the extra phase shift of /H in degrees (0 unless given) and the reversal
// potential of /V in volts (NaN unless given: the stimulation's own value is
// used).  Module-wide; each load resets them before it parses its flags.
struct PulseLockInSettings {
  double phaseShift = 0.0;
  double vReversal = std::numeric_limits<double>::quiet_NaN();
};
PulseLockInSettings& PulseLockInState();
void ResetPulseLockInSettings();

}  // namespace kwt
