// Where the samples of a trace lie in a recording's data, and their
// conversion into 32-bit reals: one tight loop per sample format and byte
// order, reading in bounded blocks, with what the data does not hold left
// as the host made it (zero) and counted.
#pragma once

#include <cstdint>
#include <span>

#include "support/byte_reader.h"

namespace kwt {

// Sample formats of the data files.
inline constexpr int32_t kSampleInt16 = 0;
inline constexpr int32_t kSampleInt32 = 1;
inline constexpr int32_t kSampleReal32 = 2;
inline constexpr int32_t kSampleReal64 = 3;

// Bytes per sample of a format: 2, 4, 4 or 8; 0 for an unknown format.
int32_t SampleFormatWidth(int32_t format);

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

}  // namespace kwt
