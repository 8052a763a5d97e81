#include "patchmaster/pm_damage.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "patchmaster/pm_bundle.h"
#include "support/format.h"
#include "traces/damage.h"

namespace kwt {
namespace {

constexpr size_t kDataItem = 0;

// True when the file begins with the bundle signature, tested byte by byte.
bool IsBundle(const ByteSource& data) {
  std::array<uint8_t, 4> signature{};
  return data.ReadAt(0, signature) == signature.size() && signature[0] == 'D' &&
         signature[1] == 'A' && signature[2] == 'T' && signature[3] == '2';
}

}  // namespace

PmSampleBounds PmSampleBoundsOf(const ByteSource& data) {
  PmSampleBounds bounds{0, data.size(), false};
  if (!IsBundle(data) || data.size() < kBundleHeaderSize) return bounds;
  std::array<uint8_t, kBundleHeaderSize> bytes{};
  data.ReadAt(0, bytes);
  const BundleHeader header = DecodeBundleHeader(bytes);
  bounds.bundle = true;
  const BundleItem& item = header.items[kDataItem];
  // Numbers from the file: the sums are formed in 64 bits from values below
  // 2^31, so they cannot wrap.
  if (item.start > 0 && item.length >= 0) {
    bounds.start = static_cast<uint64_t>(item.start);
    bounds.end = bounds.start + static_cast<uint64_t>(item.length);
  } else {
    bounds.start = kBundleHeaderSize;
    bounds.end = data.size();
  }
  // No item that begins inside the data holds samples, whatever the data
  // item's length says.
  for (size_t i = 0; i < kBundleItemCount; ++i) {
    const int32_t start = header.items[i].start;
    if (i == kDataItem || start <= 0) continue;
    const auto at = static_cast<uint64_t>(start);
    if (at >= bounds.start && at < bounds.end) bounds.end = at;
  }
  return bounds;
}

std::string PmTraceDamage(const PmTraceRecord& t, const PmSampleBounds& bounds,
                          bool seriesHasSamples) {
  if (t.trDataPoints < 0) return Format("its point count %d is negative", t.trDataPoints);
  if (t.trDataPoints == 0 && seriesHasSamples)
    return "it holds no samples, where its series holds samples";
  std::string why = SampleIntervalDamage("x interval", t.trXInterval);
  if (why.empty()) why = ScaleFactorDamage("data scaler", t.trDataScaler);
  if (!why.empty()) return why;
  if (!std::isfinite(t.trXStart)) return Format("its x start %g is no number", t.trXStart);
  if (t.trInterleaveSize < 0 || t.trInterleaveSkip < 0)
    return Format("its interleave block of %d bytes every %d bytes is negative",
                  t.trInterleaveSize, t.trInterleaveSkip);
  if (t.trDataPoints == 0) return {};
  if (t.trDataOffset < 0) return Format("its data offset %d is negative", t.trDataOffset);
  const auto offset = static_cast<uint64_t>(t.trDataOffset);
  if (bounds.bundle && (offset < bounds.start || offset >= bounds.end))
    return Format("its samples at byte %d lie outside the data (bytes %llu to %llu)",
                  t.trDataOffset, static_cast<unsigned long long>(bounds.start),
                  static_cast<unsigned long long>(bounds.end));
  return {};
}

std::string PmSweepDamage(const PmSweepEntry& sweep, int32_t recordingTraces) {
  if (sweep.childCount == 0 && recordingTraces > 0)
    return "it holds no traces, where the recording's sweeps hold traces";
  return {};
}

bool PmSeriesHasSamples(int32_t g, int32_t s) {
  const PmSeriesEntry* series = FindPmSeries(g, s);
  if (series == nullptr) return false;
  for (int32_t w = 1; w <= series->childCount; ++w) {
    const PmSweepEntry* sweep = FindPmSweep(g, s, w);
    if (sweep == nullptr) break;
    for (int32_t t = 1; t <= sweep->childCount; ++t) {
      const PmTraceEntry* trace = LookUpPmTrace(g, s, w, t);
      if (trace != nullptr && trace->trDataPoints > 0) return true;
    }
  }
  return false;
}

}  // namespace kwt
