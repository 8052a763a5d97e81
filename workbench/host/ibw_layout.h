// The layout of a binary wave record (version 5), as both the writer and
// the reader of .ibw files and packed-experiment wave records see it.
//
// A record is a 64-byte file header, a 320-byte wave header, the samples,
// then optional sections whose sizes the file header gives, in this order:
// dependency formula, note, extended data units, extended units of the four
// dimensions, dimension labels and, for text waves, the end offset of each
// point's text.  All numbers share one byte order; the version field (5)
// tells which.  The 16-bit words of both headers sum to zero.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kwt::ibw {

inline constexpr int16_t kVersion = 5;
inline constexpr size_t kFileHeaderBytes = 64;
inline constexpr size_t kWaveHeaderBytes = 320;
inline constexpr size_t kHeaderBytes = kFileHeaderBytes + kWaveHeaderBytes;
inline constexpr size_t kMaxDims = 4;
inline constexpr size_t kNameBytes = 32;       // 31 characters and a NUL
inline constexpr size_t kShortUnitBytes = 4;   // 3 characters and a NUL

// The file header (offsets from the start of the record).
inline constexpr size_t kVersionAt = 0;
inline constexpr size_t kChecksumAt = 2;
inline constexpr size_t kWfmSizeAt = 4;         // wave header + samples
inline constexpr size_t kFormulaSizeAt = 8;
inline constexpr size_t kNoteSizeAt = 12;
inline constexpr size_t kDataEUnitsSizeAt = 16;
inline constexpr size_t kDimEUnitsSizeAt = 20;  // 4 sizes
inline constexpr size_t kDimLabelsSizeAt = 36;  // 4 sizes
inline constexpr size_t kSIndicesSizeAt = 52;

// The wave header (offsets from the start of the record, not of the wave
// header, so that one table serves both).
inline constexpr size_t kCreationDateAt = kFileHeaderBytes + 4;
inline constexpr size_t kModDateAt = kFileHeaderBytes + 8;
inline constexpr size_t kPointsAt = kFileHeaderBytes + 12;
inline constexpr size_t kTypeAt = kFileHeaderBytes + 16;
inline constexpr size_t kWaveHeaderVersionAt = kFileHeaderBytes + 26;
inline constexpr size_t kNameAt = kFileHeaderBytes + 28;
inline constexpr size_t kDimSizeAt = kFileHeaderBytes + 68;      // 4 int32
inline constexpr size_t kDimDeltaAt = kFileHeaderBytes + 84;     // 4 doubles
inline constexpr size_t kDimOffsetAt = kFileHeaderBytes + 116;   // 4 doubles
inline constexpr size_t kDataUnitsAt = kFileHeaderBytes + 148;
inline constexpr size_t kDimUnitsAt = kFileHeaderBytes + 152;    // 4 x 4 bytes
inline constexpr size_t kFullScaleValidAt = kFileHeaderBytes + 168;
inline constexpr size_t kTopFullScaleAt = kFileHeaderBytes + 172;
inline constexpr size_t kBottomFullScaleAt = kFileHeaderBytes + 180;

// Seconds between 1 January 1904, where the record's dates count from, and
// 1 January 1970.
inline constexpr int64_t kDateEpochOffset = 2082844800;

}  // namespace kwt::ibw
