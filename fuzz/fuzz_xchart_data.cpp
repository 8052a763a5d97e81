// The X-Chart data file as the loader walks it.  The first 12 bytes stand
// for the group and its trace table; the rest is the data file:
//
//   0..2   which of the 17 traces are active (bit i of the 24 bits, low first)
//   3      the group's sample-order byte (1 little-endian, else big)
//   4..5   point count, 6..7 sample offset (little-endian)
//   8..10  which present traces the visitor skips
//   11     the position at which it stops (none beyond 16)
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "support/byte_reader.h"
#include "xchart/xchart_data.h"
#include "xchart/xchart_records.h"

namespace {

constexpr size_t kConfigBytes = 12;

uint32_t Bits24(const uint8_t* b) {
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16;
}

class Checker final : public kwt::XChartSampleVisitor {
 public:
  Checker(int32_t points, uint32_t skip, int stop) : points_(points), skip_(skip), stop_(stop) {}

  Placement Place(int32_t position) override {
    // The walk places traces in table order, each at most once.
    if (position <= last_ || position >= kwt::kXChartTraces) std::abort();
    last_ = position;
    if (position == stop_) return {Action::kStop, {}};
    if (skip_ & (1u << position)) return {Action::kSkip, {}};
    buffer_.assign(static_cast<size_t>(points_), -1.0f);
    placed_ = position;
    return {Action::kRead, buffer_};
  }

  void Placed(int32_t position, bool complete) override {
    // Only the trace just placed is reported, and only once.
    if (position != placed_) std::abort();
    placed_ = -1;
    // Behind a short read the last sample cannot have come from the file.
    if (!complete && !buffer_.empty() && !std::isnan(buffer_.back())) std::abort();
    sum_ += buffer_.size();
  }

  size_t sum() const { return sum_; }

 private:
  int32_t points_;
  uint32_t skip_;
  int stop_;
  int32_t last_ = -1;
  int32_t placed_ = -1;
  std::vector<float> buffer_;
  size_t sum_ = 0;
};

volatile size_t gSink = 0;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kConfigBytes) return 0;
  kwt::XChartTraceTable traces{};
  const uint32_t active = Bits24(data);
  for (int p = 0; p < kwt::kXChartTraces; ++p)
    traces[static_cast<size_t>(p)].active = (active >> p) & 1u ? 1 : 0;
  kwt::XChartGroup group;
  group.sampleOrder = data[3];
  group.points = data[4] | data[5] << 8;
  group.sampleOffset = data[6] | data[7] << 8;
  Checker checker(group.points, Bits24(data + 8), data[11]);

  const kwt::MemorySource file(std::span<const uint8_t>(data + kConfigBytes, size - kConfigBytes));
  const kwt::XChartDataEnd end = kwt::ReadXChartSamples(file, group, traces, checker);
  gSink = checker.sum() + static_cast<size_t>(end);
  return 0;
}
