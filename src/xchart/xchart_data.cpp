#include "xchart/xchart_data.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>

namespace kwt {
namespace {

constexpr uint64_t kSampleBytes = 4;
// Samples are read in blocks of this many bytes and decoded from there.
constexpr size_t kChunkBytes = 16384;

// Decodes whole samples from `bytes` into `out` (one loop per byte order,
// no per-sample branching on it).
template <ByteOrder Order>
void DecodeBlock(const uint8_t* bytes, size_t count, float* out) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* b = bytes + i * kSampleBytes;
    const uint32_t bits =
        Order == ByteOrder::kLittle
            ? uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24
            : uint32_t{b[3]} | uint32_t{b[2]} << 8 | uint32_t{b[1]} << 16 | uint32_t{b[0]} << 24;
    out[i] = bits == kXChartMissingSample ? kNaN : std::bit_cast<float>(bits);
  }
}

// Reads out.size() samples from `offset` on; returns how many were read
// whole before the file ended.
size_t ReadSamples(const ByteSource& data, uint64_t offset, ByteOrder order,
                   std::span<float> out) {
  std::array<uint8_t, kChunkBytes> chunk;
  size_t done = 0;
  while (done < out.size()) {
    const size_t want = std::min(out.size() - done, chunk.size() / kSampleBytes);
    const size_t got =
        data.ReadAt(offset + done * kSampleBytes, std::span(chunk.data(), want * kSampleBytes));
    const size_t whole = got / kSampleBytes;
    float* to = out.data() + done;
    if (order == ByteOrder::kLittle) DecodeBlock<ByteOrder::kLittle>(chunk.data(), whole, to);
    else DecodeBlock<ByteOrder::kBig>(chunk.data(), whole, to);
    done += whole;
    if (whole < want) break;
  }
  return done;
}

}  // namespace

ByteOrder XChartSampleOrder(const XChartGroup& group) {
  return group.sampleOrder == 1 ? ByteOrder::kLittle : ByteOrder::kBig;
}

XChartDataEnd ReadXChartSamples(const ByteSource& data, const XChartGroup& group,
                                const XChartTraceTable& traces, XChartSampleVisitor& visitor,
                                int32_t* at) {
  int32_t ignored = 0;
  int32_t& where = at != nullptr ? *at : ignored;
  where = -1;
  if (group.points < 0 || group.sampleOffset < 0) return XChartDataEnd::kShort;
  const uint64_t size = data.size();
  const uint64_t traceBytes = static_cast<uint64_t>(group.points) * kSampleBytes;
  uint64_t pos = static_cast<uint64_t>(group.sampleOffset);
  // A trace's wave is as large as its samples: checking that one trace
  // fits behind the offset bounds every placement by the file's size, so a
  // damaged point count cannot ask for more memory than the file holds.
  if (pos > size || size - pos < 1 + traceBytes) return XChartDataEnd::kShort;
  const ByteOrder order = XChartSampleOrder(group);

  for (int32_t position = 0; position < kXChartTraces; ++position) {
    where = position;
    if (pos >= size) return XChartDataEnd::kShort;
    std::array<uint8_t, 1> flag{};
    data.ReadAt(pos, flag);
    ++pos;
    if (flag[0] == 0) continue;
    // Samples follow a present flag only for an active trace; for any other
    // the file and its tree disagree, and every byte behind this flag could
    // be a sample or the next flag.
    if (!IsActiveTrace(traces[static_cast<size_t>(position)])) return XChartDataEnd::kInconsistent;

    const XChartSampleVisitor::Placement placement = visitor.Place(position);
    if (placement.action == XChartSampleVisitor::Action::kStop) return XChartDataEnd::kStopped;
    if (placement.action == XChartSampleVisitor::Action::kRead) {
      // A destination of another size is the visitor's mistake; reading
      // into it would overrun or leave part of it undefined.
      if (placement.samples.size() != static_cast<size_t>(group.points))
        return XChartDataEnd::kStopped;
      const size_t read = ReadSamples(data, pos, order, placement.samples);
      const auto points = static_cast<int64_t>(placement.samples.size());
      if (read < placement.samples.size()) {
        std::fill(placement.samples.begin() + static_cast<std::ptrdiff_t>(read),
                  placement.samples.end(), std::numeric_limits<float>::quiet_NaN());
        visitor.PlacedSamples(position, static_cast<int64_t>(read), points);
        return XChartDataEnd::kShort;
      }
      visitor.PlacedSamples(position, points, points);
    } else if (size - pos < traceBytes) {
      return XChartDataEnd::kShort;
    }
    pos += traceBytes;
  }
  where = -1;
  return XChartDataEnd::kComplete;
}

}  // namespace kwt
