#include "waveutils/auto_stats.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/result_codes.h"
#include "support/format.h"
#include "waveutils/wave_paths.h"
#include "waveutils/wave_util_support.h"

namespace kwt {
namespace {

// The outputs, in the order they are made and listed.
enum Output { kMean, kSdev, kSem, kNum, kMin, kMax, kOutputCount };
constexpr const char* kSuffixes[kOutputCount] = {"_mean", "_sdev", "_sem", "_num", "_min", "_max"};

// Points per block of the point-by-point loops: the six output blocks stay
// in the first-level cache while every input streams through its block.
constexpr int64_t kBlockPoints = 512;

double NaN64() {
  double v;
  SetNaN64(&v);
  return v;
}

// The six output arrays.  While the statistics are gathered they hold the
// running values: kMean the sum (then the mean), kNum the count, kSem the
// sum of deviations from the mean and kSdev the sum of their squares.
// The extremes are gathered only when they are kept (kMin and kMax are
// null otherwise).
struct Outputs {
  double* a[kOutputCount] = {};
};

void ClearRange(Outputs& o, int64_t begin, int64_t end) {
  const double nan = NaN64();
  for (int64_t i = begin; i < end; ++i) {
    o.a[kMean][i] = 0.0;
    o.a[kSdev][i] = 0.0;
    o.a[kSem][i] = 0.0;
    o.a[kNum][i] = 0.0;
    if (o.a[kMin] == nullptr) continue;
    o.a[kMin][i] = nan;
    o.a[kMax][i] = nan;
  }
}

// GCC vectorizes the point-by-point loops only with its full cost model,
// which -O2 does not use.  Each output point keeps its own sums in the
// order of the waves, so the vector loop adds exactly what the scalar one
// does.
#if defined(__GNUC__) && !defined(__clang__)
// Without trapping math the selects below need no branch; it changes no
// value, only whether a comparison with NaN may raise a floating-point
// exception, which nothing here reads.
// Where the processor has AVX2 the loops run four doubles wide (chosen
// when the program starts); no fused multiply-add is used either way.
#define KWT_VECTORIZE                                                                      \
  __attribute__((optimize("tree-vectorize", "vect-cost-model=dynamic", "no-trapping-math"), \
                 target_clones("avx2", "default")))
#else
#define KWT_VECTORIZE
#endif

// First pass: sum, count, minimum and maximum of data[begin, end).  Point
// by point (perPoint) input point i feeds output point i; per wave every
// point feeds output point `at`.  NaN is left out: without a branch, as 0 added to the sum and the count
// (sums start at +0, so adding +0 never changes one) and as no change of
// the extremes.
template <bool perPoint, bool extremes, class T>
KWT_VECTORIZE void GatherSums(const T* __restrict data, int64_t begin, int64_t end, Outputs& o,
                              int64_t at) {
  double* __restrict sum = o.a[kMean];
  double* __restrict num = o.a[kNum];
  double* __restrict mn = o.a[kMin];
  double* __restrict mx = o.a[kMax];
  for (int64_t i = begin; i < end; ++i) {
    // Widening keeps NaN a NaN, so the test can be made in double.
    const double x = static_cast<double>(data[i]);
    const bool valid = x == x;
    const double v = valid ? x : 0.0;
    const int64_t k = perPoint ? i : at;
    sum[k] += v;
    num[k] += valid ? 1.0 : 0.0;
    if (!extremes) continue;
    // "not >=" is also true while the minimum is still NaN.
    const double low = mn[k];
    const double high = mx[k];
    mn[k] = valid && !(v >= low) ? v : low;
    mx[k] = valid && !(v <= high) ? v : high;
  }
}

// Second pass: deviations from the mean, so that the spread never comes
// from the difference of two large sums.  NaN adds 0 to both sums.
template <bool perPoint, class T>
KWT_VECTORIZE void GatherDeviations(const T* __restrict data, int64_t begin, int64_t end,
                                    Outputs& o, int64_t at) {
  const double* __restrict mean = o.a[kMean];
  double* __restrict dev = o.a[kSem];
  double* __restrict dev2 = o.a[kSdev];
  for (int64_t i = begin; i < end; ++i) {
    const double x = static_cast<double>(data[i]);
    const int64_t k = perPoint ? i : at;
    const double deviation = x - mean[k];
    const double d = x == x ? deviation : 0.0;
    dev[k] += d;
    dev2[k] += d * d;
  }
}

void SumsToMeans(Outputs& o, int64_t begin, int64_t end) {
  for (int64_t i = begin; i < end; ++i) {
    const double n = o.a[kNum][i];
    o.a[kMean][i] = n > 0 ? o.a[kMean][i] / n : NaN64();
  }
}

// The final values: with fewer than two valid values mean, sdev and sem
// are NaN; otherwise the sample deviation (n - 1), with the rounding error
// of the mean taken out by the sum of deviations.
void Finish(Outputs& o, int64_t begin, int64_t end) {
  const double nan = NaN64();
  for (int64_t i = begin; i < end; ++i) {
    const double n = o.a[kNum][i];
    if (n < 2) {
      o.a[kMean][i] = nan;
      o.a[kSdev][i] = nan;
      o.a[kSem][i] = nan;
      continue;
    }
    const double dev = o.a[kSem][i];
    double variance = (o.a[kSdev][i] - dev * dev / n) / (n - 1);
    if (variance < 0) variance = 0;
    const double sdev = std::sqrt(variance);
    o.a[kSdev][i] = sdev;
    o.a[kSem][i] = sdev / std::sqrt(n);
  }
}

// Calls f with the input's data in the width it is stored in.
template <class F>
void ForInput(const LockedWave& w, int64_t begin, int64_t end, F&& f) {
  if (w.type == kWaveFloat64) f(static_cast<const double*>(w.data), begin, end);
  else f(static_cast<const float*>(w.data), begin, end);
}

// Eight output points at a time, every input read across: the points'
// running values stay in registers while the waves go by, so each input
// sample is loaded once per pass and no running value is stored and
// loaded again per wave.  Lane by lane the arithmetic is that of
// GatherSums and GatherDeviations, in the same order of the waves, so the
// results are the same to the bit.  The helpers take and give vectors by
// reference and are always inlined, so they run in the width of the
// clone that calls them.
#if defined(__GNUC__)
#define KWT_ACROSS_WAVES 1
#define KWT_INLINE inline __attribute__((always_inline))
typedef double V4 __attribute__((vector_size(32)));
typedef int64_t M4 __attribute__((vector_size(32)));

// Written element by element, this becomes the one widening load that
// the processor has (a whole-vector conversion does not, with GCC 12).
KWT_INLINE void Load4(V4& v, const float* p) { v = V4{p[0], p[1], p[2], p[3]}; }
KWT_INLINE void Load4(V4& v, const double* p) { std::memcpy(&v, p, sizeof v); }
// Lanes of a where m is set, of b elsewhere, into r.
KWT_INLINE void Select(V4& r, const M4& m, const V4& a, const V4& b) {
  r = (V4)(((M4)a & m) | ((M4)b & ~m));
}

struct Lanes {
  V4 zero, one, nan;
};
struct Sums {
  V4 sum, num, mn, mx;
};
struct Deviations {
  V4 dev, dev2;
};

template <bool extremes>
KWT_INLINE void AddSample(Sums& s, const V4& x, const Lanes& c) {
  const M4 valid = x == x;
  V4 v, counted;
  Select(v, valid, x, c.zero);
  Select(counted, valid, c.one, c.zero);
  s.sum += v;
  s.num += counted;
  if (!extremes) return;
  Select(s.mn, valid & ~(v >= s.mn), v, s.mn);
  Select(s.mx, valid & ~(v <= s.mx), v, s.mx);
}

KWT_INLINE void AddDeviation(Deviations& d, const V4& x, const V4& mean, const Lanes& c) {
  V4 deviation;
  Select(deviation, x == x, x - mean, c.zero);
  d.dev += deviation;
  d.dev2 += deviation * deviation;
}

template <bool extremes>
KWT_INLINE void Store4(double* const (&out)[kOutputCount], int64_t i, const V4& mean,
                       const Sums& s, const Deviations& d) {
  std::memcpy(out[kMean] + i, &mean, sizeof mean);
  std::memcpy(out[kNum] + i, &s.num, sizeof mean);
  if (extremes) {
    std::memcpy(out[kMin] + i, &s.mn, sizeof mean);
    std::memcpy(out[kMax] + i, &s.mx, sizeof mean);
  }
  std::memcpy(out[kSem] + i, &d.dev, sizeof mean);
  std::memcpy(out[kSdev] + i, &d.dev2, sizeof mean);
}

// Every input has `shared` points.  Returns the first point of
// [begin, end) left for the per-wave loops (fewer than eight at the end).
template <bool extremes, class T>
KWT_VECTORIZE int64_t GatherAcrossWaves(const T* const* data, size_t waves, int64_t begin,
                                        int64_t end, int64_t shared, Outputs& o) {
  Lanes c;
  c.zero = V4{};
  c.one = c.zero + 1.0;
  c.nan = c.zero + NaN64();
  int64_t i = begin;
  for (; i + 8 <= end; i += 8) {
    Sums a{c.zero, c.zero, c.nan, c.nan}, b = a;
    // The waves' next blocks are asked for now: a hundred waves read side
    // by side are too many streams for the hardware to guess.
    const bool ahead = i + kBlockPoints < shared;
    for (size_t w = 0; w < waves; ++w) {
      V4 x0, x1;
      Load4(x0, data[w] + i);
      Load4(x1, data[w] + i + 4);
      if (ahead) __builtin_prefetch(data[w] + i + kBlockPoints);
      AddSample<extremes>(a, x0, c);
      AddSample<extremes>(b, x1, c);
    }
    V4 meanA, meanB;
    Select(meanA, a.num > c.zero, a.sum / a.num, c.nan);
    Select(meanB, b.num > c.zero, b.sum / b.num, c.nan);
    Deviations da{c.zero, c.zero}, db = da;
    for (size_t w = 0; w < waves; ++w) {
      V4 x0, x1;
      Load4(x0, data[w] + i);
      Load4(x1, data[w] + i + 4);
      AddDeviation(da, x0, meanA, c);
      AddDeviation(db, x1, meanB, c);
    }
    Store4<extremes>(o.a, i, meanA, a, da);
    Store4<extremes>(o.a, i + 4, meanB, b, db);
  }
  return i;
}
#endif

// Both passes over [begin, end), wave by wave, for the points that not
// every input has or that are not stored alike.
template <bool extremes>
void GatherByWaves(std::span<const LockedWave> inputs, int64_t begin, int64_t end, Outputs& o) {
  ClearRange(o, begin, end);
  // Point i counts only the waves that have a point i.
  for (const LockedWave& w : inputs) {
    const int64_t stop = std::min(end, w.points);
    if (stop <= begin) continue;
    ForInput(w, begin, stop, [&](auto* data, int64_t lo, int64_t hi) {
      GatherSums<true, extremes>(data, lo, hi, o, 0);
      const int64_t next = std::min(w.points, hi + kBlockPoints);
      for (int64_t i = hi; i < next; i += 64 / static_cast<int64_t>(sizeof(*data)))
        __builtin_prefetch(data + i);
    });
  }
  SumsToMeans(o, begin, end);
  for (const LockedWave& w : inputs) {
    const int64_t stop = std::min(end, w.points);
    if (stop <= begin) continue;
    ForInput(w, begin, stop, [&](auto* data, int64_t lo, int64_t hi) {
      GatherDeviations<true>(data, lo, hi, o, 0);
    });
  }
}

// Point i of the outputs summarises point i of every input that has one,
// block by block, so that an input's block is still in the cache for the
// second pass.  Where every input has the block's points in one width they
// are read across the waves.
template <bool extremes>
void PointByPoint(std::span<const LockedWave> inputs, int64_t points, Outputs& o) {
  int64_t shared = points;  // points that every input has
  std::vector<const float*> floats;
  std::vector<const double*> doubles;
  for (const LockedWave& w : inputs) {
    shared = std::min(shared, w.points);
    if (w.type == kWaveFloat64) doubles.push_back(static_cast<const double*>(w.data));
    else floats.push_back(static_cast<const float*>(w.data));
  }
  for (int64_t b = 0; b < points; b += kBlockPoints) {
    const int64_t e = std::min(points, b + kBlockPoints);
    int64_t left = b;
#ifdef KWT_ACROSS_WAVES
    if (e <= shared && doubles.empty())
      left = GatherAcrossWaves<extremes>(floats.data(), floats.size(), b, e, shared, o);
    else if (e <= shared && floats.empty())
      left = GatherAcrossWaves<extremes>(doubles.data(), doubles.size(), b, e, shared, o);
#endif
    if (left < e) GatherByWaves<extremes>(inputs, left, e, o);
    Finish(o, b, e);
  }
}

// Point i of the outputs summarises input wave i as a whole.
template <bool extremes>
void PerWave(std::span<const LockedWave> inputs, Outputs& o) {
  const int64_t n = static_cast<int64_t>(inputs.size());
  ClearRange(o, 0, n);
  for (int64_t i = 0; i < n; ++i) {
    const LockedWave& w = inputs[static_cast<size_t>(i)];
    ForInput(w, 0, w.points, [&](auto* data, int64_t lo, int64_t hi) {
      GatherSums<false, extremes>(data, lo, hi, o, i);
    });
    SumsToMeans(o, i, i + 1);
    ForInput(w, 0, w.points, [&](auto* data, int64_t lo, int64_t hi) {
      GatherDeviations<false>(data, lo, hi, o, i);
    });
  }
  Finish(o, 0, n);
}

// Asks whether to go on when the x scaling (delta and offset of dimension
// 0) of a wave differs from the first wave's.  Returns 0 and sets *goOn.
int32_t CheckXScaling(std::span<const WaveHandle> waves, bool* goOn) {
  *goOn = true;
  double delta0 = 0, offset0 = 0;
  if (int32_t err = HostGetDimScaling(waves[0], 0, &delta0, &offset0)) return err;
  for (size_t j = 1; j < waves.size(); ++j) {
    double delta = 0, offset = 0;
    if (int32_t err = HostGetDimScaling(waves[j], 0, &delta, &offset)) return err;
    if (delta != delta0 || offset != offset0) {
      *goOn = HostAskYesNo("KWT",
                           "Some of the waves have a different x-scaling. Do you want to "
                           "continue?") == kAnswerYes;
      return 0;  // the remaining waves are not checked
    }
  }
  return 0;
}

// Dimension 0 and 1 scaling, x units and data units of `from` onto every
// output that still exists, in output order.
int32_t CopyScaling(WaveHandle from, const WaveHandle (&outputs)[kOutputCount]) {
  double delta0 = 0, offset0 = 0, delta1 = 0, offset1 = 0;
  std::string xUnits, dataUnits;
  if (int32_t err = HostGetDimScaling(from, 0, &delta0, &offset0)) return err;
  if (int32_t err = HostGetDimScaling(from, 1, &delta1, &offset1)) return err;
  if (int32_t err = HostGetDimUnits(from, 0, &xUnits)) return err;
  if (int32_t err = HostGetDimUnits(from, -1, &dataUnits)) return err;
  for (WaveHandle out : outputs) {
    if (out == nullptr) continue;
    if (int32_t err = HostSetDimScaling(out, 0, delta0, offset0)) return err;
    if (int32_t err = HostSetDimScaling(out, 1, delta1, offset1)) return err;
    if (int32_t err = HostSetDimUnits(out, 0, xUnits)) return err;
    if (int32_t err = HostSetDimUnits(out, -1, dataUnits)) return err;
  }
  return 0;
}

// " 'b_mean' 'b_sdev' ..." for the first `count` outputs.
std::string QuotedOutputList(const std::string (&names)[kOutputCount], int count) {
  std::string list;
  for (int k = 0; k < count; ++k) list += " '" + names[k] + "'";
  return list;
}

}  // namespace

int32_t RunAutoStats(const WaveUtilSettings& s, std::span<const WaveHandle> waves) {
  if (waves.empty()) return kHostErrExpectedWave;

  // Every check that can refuse the command runs before anything is made.
  if (int32_t err = CheckRealFloatWaves(waves)) return err;
  std::string names[kOutputCount];
  for (int k = 0; k < kOutputCount; ++k) {
    names[k] = Format("%s%s", s.baseName.c_str(), kSuffixes[k]);
    if (names[k].size() > static_cast<size_t>(kHostMaxNameLength)) return kErrNameTooLong;
  }
  // Outputs are made with overwrite: none may replace what it is computed
  // from or plotted against.
  std::vector<WaveHandle> inputs(waves.begin(), waves.end());
  if (s.xWave != nullptr) inputs.push_back(s.xWave);
  for (const std::string& name : names)
    if (int32_t err = CheckOutputReplacesNone(name, inputs)) return err;

  bool goOn = true;
  if (int32_t err = CheckXScaling(waves, &goOn)) return err;
  if (!goOn) return 0;

  // The inputs are read in place while locked; every input empty leaves
  // nothing to summarise.
  WaveLocks locks;
  std::vector<LockedWave> locked;
  int64_t maxPoints = 0;
  if (int32_t err = locks.Lock(waves, &locked, &maxPoints))
    return err == kHostErrNoMemory ? kErrNoMemoryForStats : err;
  if (maxPoints == 0) return kErrNoMemoryForStats;

  const int64_t outPoints = s.perWave ? static_cast<int64_t>(waves.size()) : maxPoints;
  WaveHandle out[kOutputCount] = {};
  Outputs o;
  // Minimum and maximum are made in any case, so that the ones of an
  // earlier run go.  They are gathered when they are kept, or when a wave
  // of that name exists, which may be shown and then stays with them.
  const FolderHandle here = HostCurrentFolder();
  const bool extremes = s.keepMinMax || HostFetchWaveInFolder(here, names[kMin]) != nullptr ||
                        HostFetchWaveInFolder(here, names[kMax]) != nullptr;
  const auto kept = [&](int k) { return extremes || (k != kMin && k != kMax); };
  for (int k = 0; k < kOutputCount; ++k) {
    int32_t err = HostMakeWave(&out[k], names[k], kept(k) ? outPoints : 0, kWaveFloat64, true);
    if (err == 0 && out[k] == nullptr) err = kHostErrInternal;
    if (err != 0) {
      for (int j = 0; j < k; ++j) HostKillWave(out[j]);
      return kErrNoMemoryForStats;
    }
  }
  // Data addresses are taken once every output exists.
  for (int k = 0; k < kOutputCount; ++k) {
    if (!kept(k)) continue;
    o.a[k] = static_cast<double*>(HostWaveData(out[k]));
    if (o.a[k] == nullptr) {
      for (WaveHandle w : out) HostKillWave(w);
      return kErrNoMemoryForStats;
    }
  }

  if (s.perWave) (extremes ? PerWave<true> : PerWave<false>)(locked, o);
  else (extremes ? PointByPoint<true> : PointByPoint<false>)(locked, outPoints, o);
  locks.Release();

  // Windows show the first four outputs, or all six with /M.
  const int shown = s.keepMinMax ? kOutputCount : kNum + 1;
  if (s.appendToTop) {
    std::string top;
    if (HostWaveList(&top, "*", ";", "WIN:") == 0 && !top.empty()) {
      if (int32_t err = SendCommand("Append" + QuotedOutputList(names, shown), CommandRoute::kCommand))
        return err;
    }
  }

  // Minimum and maximum are kept only on request.
  if (!s.keepMinMax) {
    for (int k : {kMin, kMax}) {
      if (int32_t err = HostKillWave(out[k])) return err;
      out[k] = nullptr;
    }
  }

  if (!s.graph && !s.table) return 0;
  PausedUpdates paused;
  std::string vs;
  if (!s.xWavePath.empty()) {
    std::string quoted = s.xWavePath;
    QuotePathComponents(&quoted);
    vs = " vs " + quoted;
  }
  const char* base = s.baseName.c_str();
  if (s.graph) {
    if (int32_t err = SendCommand(Format("Display '%s%s'%s", base, "_mean", vs.c_str())))
      return err;
    // The mean trace with symmetric error bars of one standard deviation.
    if (int32_t err = SendCommand(Format("ErrorBars '%s%s' Y,wave=('%s%s','%s%s')", base, "_mean",
                                         base, "_sdev", base, "_sdev")))
      return err;
  }
  if (s.table) {
    if (int32_t err = SendCommand("Edit" + QuotedOutputList(names, shown))) return err;
  }
  // The scaling copy belongs to the display step: it runs only with a
  // graph or table, and its code is the command's.
  if (s.copyScaling) return CopyScaling(waves[0], out);
  return 0;
}

}  // namespace kwt
