#include "lockin/lockin.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "host/host.h"

namespace kwt {
namespace {

// gSeries below this is taken as this, so that the compensation terms stay
// finite.
constexpr double kMinSeriesConductance = 1e-15;

// Fewer samples per cycle cannot separate the in-phase from the quadrature
// part: with two, the sine reference is zero at every sample.
constexpr int64_t kMinPointsPerCycle = 3;

// Seconds to a whole number of samples: t / dt + 0.5, truncated.  Durations
// come from files; NaN counts as 0 and huge values are held where the
// integer arithmetic below cannot overflow.
int64_t ToPoints(double seconds, double dt) {
  const double v = seconds / dt + 0.5;
  if (std::isnan(v)) return 0;
  constexpr double kLimit = 4.0e18;
  if (v >= kLimit) return static_cast<int64_t>(kLimit);
  if (v <= -kLimit) return -static_cast<int64_t>(kLimit);
  return static_cast<int64_t>(v);
}

// Two cycles side by side, one in each lane of a vector register that
// every x86-64 processor has: each lane is computed with the same
// operations in the same order as one cycle alone, so its results are bit
// for bit those of the scalar code.  (Vectors wider than the build's
// registers are kept in memory, which costs more than they save.)  Four
// such pairs go together, so that the sums of one wait for the adder
// while those of the others are made.
typedef double Lanes __attribute__((vector_size(2 * sizeof(double))));
constexpr int kLanes = 2;
constexpr int kPairs = 4;
constexpr int kBatch = kLanes * kPairs;  // cycles read together

// The series-resistance compensation hid the fraction k = alpha / gS of the
// series resistance from the current: the true admittance is Y / (1 + kY).
// D is double or Lanes.
template <class D>
void RestoreSeriesResistance(double k, D& a, D& b, D& dc) {
  dc = dc / (k * dc + 1.0);
  const D ka1 = k * a + 1.0;
  const D kb = k * b;
  const D d = ka1 * ka1 + kb * kb;
  const D na = (ka1 * a + kb * b) / d;
  const D nb = (ka1 * b - kb * a) / d;
  a = na;
  b = nb;
}

// An admittance Y = A + jB with the DC conductance b of the same cycle or
// segment.
struct Admittance {
  double a = 0.0;
  double b = 0.0;
  double dc = 0.0;
};

void RestoreSeriesResistance(double k, Admittance* y) {
  RestoreSeriesResistance(k, y->a, y->b, y->dc);
}

// The three elements of the cell from its admittance at omega and its DC
// conductance.  Zero denominators give IEEE infinities or NaN, which mark
// the point as unusable without stopping the run.
template <class D>
void CellElements(const D& a, const D& b, const D& dc, double omega, D& gs, D& gm, D& cm) {
  gs = a + b * b / (a - dc);
  gm = gs * dc / (gs - dc);
  cm = gs * gs * (a - dc) / (omega * (gs - dc) * b);
}

struct Cell {
  double gs = 0.0;
  double gm = 0.0;
  double cm = 0.0;
};

Cell CellFromAdmittance(const Admittance& y, double omega) {
  Cell cell;
  CellElements(y.a, y.b, y.dc, omega, cell.gs, cell.gm, cell.cm);
  return cell;
}

// Phase of A + jB in degrees, brought into 0 <= phase < 360.
double PhaseDegrees(const Admittance& y, double radToDeg) {
  double phase = std::atan(y.b / y.a) * radToDeg;
  if (y.a < 0.0) {
    phase += 180.0;
  } else if (y.b < 0.0) {
    phase += 360.0;
  }
  while (phase >= 360.0) phase -= 360.0;
  return phase;
}

// One run of the lock-in: the inputs, the output cursor and the sums.
class Run {
 public:
  Run(const LockInInputs& in, const LockInOutputs& out)
      : in_(in), out_(out), k_(LockInConstantsFor(in.path)) {
    nOut_ = static_cast<int64_t>(std::min({out.cm.size(), out.gs.size(), out.gm.size()}));
    // Cycles are read only where every sample (and its leak sample) exists.
    available_ = static_cast<int64_t>(in.trace.size());
    if (in.leakSubtracted) {
      available_ = std::min(available_, static_cast<int64_t>(in.leak.size()));
    }
  }

  LockInStatus Execute(LockInResult* result);

  // NaN from the cursor to the end of the outputs.
  void FillRest() {
    while (i_ < nOut_) WriteNaN();
  }

 private:
  void WriteNaN() {
    SetNaN64(&out_.cm[static_cast<size_t>(i_)]);
    SetNaN64(&out_.gs[static_cast<size_t>(i_)]);
    SetNaN64(&out_.gm[static_cast<size_t>(i_)]);
    ++i_;
  }
  void WriteCell(const Cell& cell) {
    out_.cm[static_cast<size_t>(i_)] = cell.cm;
    out_.gs[static_cast<size_t>(i_)] = cell.gs;
    out_.gm[static_cast<size_t>(i_)] = cell.gm;
    ++i_;
  }
  // NaN at `count` points (at least one), never at or beyond nOut.
  void SkipPoints(int64_t count, bool atLeastOnce) {
    if (atLeastOnce) count = std::max<int64_t>(count, 1);
    for (int64_t c = 0; c < count && i_ < nOut_; ++c) WriteNaN();
  }

  void BuildReferences(bool square, const LockInCalibration& cal);
  Admittance Correlate(int64_t first) const;
  // The sums of kBatch cycles, the first at `first`: cycle 2k + l in lane
  // l of pair k.
  template <bool kLeak>
  void CorrelateLanes(int64_t first, Lanes (&p)[kPairs], Lanes (&q)[kPairs],
                      Lanes (&sum)[kPairs]) const;
  // Evaluates one sine or square segment; returns false when it is too
  // short for the skipped cycles and one more.
  bool EvaluateSegment(const LockInSegment& seg, int64_t start, int64_t length,
                       const LockInCalibration& cal);

  const LockInInputs& in_;
  const LockInOutputs& out_;
  const LockInConstants& k_;
  int64_t nOut_ = 0;
  int64_t available_ = 0;
  int64_t i_ = 0;  // next output point

  int64_t n_ = 0;        // points per cycle
  double omega_ = 0.0;
  double gS_ = 0.0;
  double a0_ = 0.0;      // admittance of the C-slow compensation
  double b0_ = 0.0;
  int64_t skip_ = 0;
  std::vector<double> sin_;
  std::vector<double> cos_;

  // Sums over evaluated segments.
  double sumA_ = 0.0, sumB_ = 0.0, sumb_ = 0.0;
  double sumGs_ = 0.0, sumGm_ = 0.0, sumCm_ = 0.0;
  LockInResult summary_;
};

void Run::BuildReferences(bool square, const LockInCalibration& cal) {
  const double n = static_cast<double>(n_);
  double phi0 = (cal.phase + in_.phaseShift) * kLockInDegToRad;
  double amp = cal.attenuation * in_.sineAmplitude;
  if (amp == 0.0) amp = 1.0;
  if (square) {
    // The fundamental of a square wave sampled N times per cycle has the
    // amplitude 4 / (N sin(pi/N)) and leads by half a sample.
    amp = amp * 4.0 / n / std::sin(k_.pi / n);
    phi0 += k_.pi / n;
  }
  // One reference per sample of the cycle, however many that are, so that
  // every sample is correlated and the next cycle starts N samples on.
  sin_.resize(static_cast<size_t>(n_));
  cos_.resize(static_cast<size_t>(n_));
  const double step = k_.twoPi / n;
  for (int64_t j = 0; j < n_; ++j) {
    const double phase = phi0 + static_cast<double>(j) * step;
    sin_[static_cast<size_t>(j)] = std::sin(phase) / amp;
    cos_[static_cast<size_t>(j)] = std::cos(phase) / amp;
  }
}

// P, Q and X of the cycle that starts at sample `first` (in a, b, dc).
Admittance Run::Correlate(int64_t first) const {
  const float* x = in_.trace.data() + first;
  const double* s = sin_.data();
  const double* c = cos_.data();
  double p = 0.0, q = 0.0, sum = 0.0;
  if (in_.leakSubtracted) {
    // The leak was taken out sample by sample; put it back the same way.
    const float* l = in_.leak.data() + first;
    for (int64_t j = 0; j < n_; ++j) {
      const double v = static_cast<double>(x[j]) + static_cast<double>(l[j]);
      p += v * s[j];
      q += v * c[j];
      sum += v;
    }
  } else {
    for (int64_t j = 0; j < n_; ++j) {
      const double v = static_cast<double>(x[j]);
      p += v * s[j];
      q += v * c[j];
      sum += v;
    }
  }
  return Admittance{p, q, sum};
}

template <bool kLeak>
void Run::CorrelateLanes(int64_t first, Lanes (&p)[kPairs], Lanes (&q)[kPairs],
                         Lanes (&sum)[kPairs]) const {
  const size_t n = static_cast<size_t>(n_);
  const float* x = in_.trace.data() + first;
  const float* l = kLeak ? in_.leak.data() + first : nullptr;
  const double* s = sin_.data();
  const double* c = cos_.data();
  Lanes pk[kPairs] = {}, qk[kPairs] = {}, sk[kPairs] = {};
  for (size_t j = 0; j < n; ++j) {
#pragma GCC unroll 8
    for (int k = 0; k < kPairs; ++k) {
      Lanes v = {x[j + 2 * k * n], x[j + (2 * k + 1) * n]};
      if constexpr (kLeak) v = v + Lanes{l[j + 2 * k * n], l[j + (2 * k + 1) * n]};
      pk[k] += v * s[j];
      qk[k] += v * c[j];
      sk[k] += v;
    }
  }
  for (int k = 0; k < kPairs; ++k) p[k] = pk[k], q[k] = qk[k], sum[k] = sk[k];
}

bool Run::EvaluateSegment(const LockInSegment& seg, int64_t start, int64_t length,
                          const LockInCalibration& cal) {
  if ((skip_ + 1) * n_ > length) return false;
  SkipPoints(std::min(skip_, nOut_), false);

  // Driving force of the DC current.  On the reversal potential b is not
  // measurable and is taken as 0.
  const double vrev = std::isnan(in_.vReversal) ? in_.recordVReversal : in_.vReversal;
  const double dV = seg.voltage - vrev;
  const double g = dV == 0.0 ? 0.0 : 1.0 / (static_cast<double>(n_) * dV);

  const bool restoreRs = in_.compCorrection && in_.rsOn;
  const double kRs = in_.rsFraction / gS_;
  const double norm = 2.0 / static_cast<double>(n_);

  const int64_t cycles = std::min(length / n_ - skip_, nOut_);
  int64_t first = start + skip_ * n_;
  int64_t done = 0;
  double sumP = 0.0, sumQ = 0.0, sumb = 0.0;
  // The table is built only when a cycle will be read, so its size is
  // bounded by the trace that the caller holds.
  if (cycles > 0 && i_ < nOut_ && first >= 0 && first <= available_ - n_) {
    BuildReferences(IsLockInSquare(in_.path, seg.segmentClass), cal);
  }
  while (done < cycles && i_ < nOut_) {
    // A cycle that reaches past the recorded samples (a stimulus longer than
    // the trace, or a segment placed before it) is not evaluated.
    if (first < 0 || first > available_ - n_) break;
    if (cycles - done >= kBatch && nOut_ - i_ >= kBatch && first <= available_ - kBatch * n_) {
      Lanes p[kPairs], q[kPairs], x[kPairs];
      if (in_.leakSubtracted) CorrelateLanes<true>(first, p, q, x);
      else CorrelateLanes<false>(first, p, q, x);
      for (int k = 0; k < kPairs; ++k) {
        Lanes a = norm * p[k] + a0_, b = norm * q[k] + b0_, dc = g * x[k];
        for (int l = 0; l < kLanes; ++l) {
          sumP += norm * p[k][l];
          sumQ += norm * q[k][l];
          sumb += dc[l];
        }
        if (restoreRs) RestoreSeriesResistance(kRs, a, b, dc);
        Lanes gs, gm, cm;
        CellElements(a, b, dc, omega_, gs, gm, cm);
        for (int l = 0; l < kLanes; ++l) WriteCell(Cell{gs[l], gm[l], cm[l]});
      }
      done += kBatch;
      first += kBatch * n_;
      continue;
    }
    const Admittance raw = Correlate(first);
    Admittance y{norm * raw.a + a0_, norm * raw.b + b0_, g * raw.dc};
    sumP += norm * raw.a;
    sumQ += norm * raw.b;
    sumb += y.dc;
    if (restoreRs) RestoreSeriesResistance(kRs, &y);
    WriteCell(CellFromAdmittance(y, omega_));
    ++done;
    first += n_;
  }
  if (done == 0) return true;  // nothing measured: the segment adds no result

  const double cyclesDone = static_cast<double>(done);
  Admittance mean{sumP / cyclesDone + a0_, sumQ / cyclesDone + b0_, sumb / cyclesDone};
  if (restoreRs) RestoreSeriesResistance(kRs, &mean);
  const Cell cell = CellFromAdmittance(mean, omega_);
  sumA_ += mean.a;
  sumB_ += mean.b;
  sumb_ += mean.dc;
  sumGs_ += cell.gs;
  sumGm_ += cell.gm;
  sumCm_ += cell.cm;
  ++summary_.segments;
  summary_.lastA = mean.a;
  summary_.lastB = mean.b;
  summary_.lastb = mean.dc;
  summary_.lastPhase = PhaseDegrees(mean, k_.radToDeg);
  summary_.lastHoldZero = dV == 0.0;
  return true;
}

LockInStatus Run::Execute(LockInResult* result) {
  gS_ = in_.gSeries < kMinSeriesConductance ? kMinSeriesConductance : in_.gSeries;

  LockInCalibration cal;
  if (in_.extCalValid) {
    cal.phase = in_.extPhase;
    cal.attenuation = in_.extAttenuation;
    if (in_.report) ReportLockInExternalCalibration(cal.phase, cal.attenuation);
  } else if (EstimateLockInCalibration(in_.path, in_.sinePeriod, in_.sampleInterval,
                                       in_.calibration, in_.report, &cal) != 0) {
    FillRest();
    return LockInStatus::kNoCalibration;
  }

  n_ = LockInPointsPerCycle(in_.sinePeriod, in_.sampleInterval);
  if (n_ < kMinPointsPerCycle) {
    FillRest();
    if (in_.report) ReportLockInPeriodTooShort(in_.sinePeriod, in_.sampleInterval, n_);
    return LockInStatus::kPeriodTooShort;
  }
  // The correlation measures the admittance at the frequency whose period is
  // the N samples of one cycle: the stimulus repeats every N samples, and
  // that is its frequency even where the stored period is not a whole
  // number of samples (1/1200 s at 10 us is 83.33 samples; the sine then
  // runs at 1/(83 dt) = 1204.8 Hz, and 2 pi / T would put Cm 0.4 % high).
  omega_ = k_.twoPi / (static_cast<double>(n_) * in_.sampleInterval);
  // A negative count from a damaged record would start the cycles before
  // the segment; no cycles are skipped then.
  skip_ = std::max<int64_t>(in_.skipCycles, 0);

  // What the C-slow compensation removed: the admittance of cSlow in series
  // with the part of the series resistance left uncompensated.
  if (in_.compCorrection) {
    const double e = omega_ * in_.cSlow / gS_;
    const double f = in_.rsOn ? 1.0 - in_.rsFraction : 1.0;
    b0_ = omega_ * in_.cSlow / (f * f * e * e + 1.0);
    a0_ = b0_ * f * e;
  }

  const LockInStimulus* stim = in_.stimulus;
  const int32_t count = stim != nullptr ? stim->SegmentCount() : 0;
  double elapsed = 0.0;  // durations are summed before rounding
  for (int32_t k = 1; k <= count; ++k) {
    LockInSegment seg;
    if (!stim->GetSegment(k, &seg)) break;
    if (stim->ProtocolPosition() > stim->ProtocolSweeps()) break;
    const int64_t length = ToPoints(seg.duration, in_.sampleInterval);
    const int64_t start = ToPoints(elapsed, in_.sampleInterval);
    elapsed += seg.duration;

    if (!IsLockInSine(in_.path, seg.segmentClass) &&
        !IsLockInSquare(in_.path, seg.segmentClass)) {
      // One NaN per whole cycle of the segment, and one for a segment shorter
      // than a cycle.
      SkipPoints(std::min(length / n_, nOut_), true);
      continue;
    }
    if (!EvaluateSegment(seg, start, length, cal)) {
      // The points after the ones written hold no value; mark them so
      // rather than leave what the caller put there.
      FillRest();
      if (result != nullptr) *result = summary_;
      if (in_.report) ReportLockInSegmentTooShort(k, skip_ + 1);
      return LockInStatus::kSegmentTooShort;
    }
  }
  FillRest();

  if (summary_.segments > 0) {
    const double segments = static_cast<double>(summary_.segments);
    summary_.meanA = sumA_ / segments;
    summary_.meanB = sumB_ / segments;
    summary_.meanb = sumb_ / segments;
    summary_.meanGs = sumGs_ / segments;
    summary_.meanGm = sumGm_ / segments;
    summary_.meanCm = sumCm_ / segments;
  }
  if (result != nullptr) *result = summary_;
  if (in_.report) ReportLockInResult(summary_);
  return LockInStatus::kOk;
}

}  // namespace

bool LockInSegmentList::GetSegment(int32_t k, LockInSegment* segment) const {
  if (k < 1 || static_cast<size_t>(k) > segments_.size()) return false;
  *segment = segments_[static_cast<size_t>(k - 1)];
  return true;
}

int64_t LockInPointsPerCycle(double sinePeriod, double sampleInterval) {
  if (!(sinePeriod > 0.0) || !(sampleInterval > 0.0)) return 0;
  const double v = sinePeriod / sampleInterval + 0.5;
  if (!(v >= 1.0) || v >= 2147483648.0) return 0;
  return static_cast<int64_t>(v);
}

LockInStatus ComputeLockIn(const LockInInputs& inputs, const LockInOutputs& outputs,
                           LockInResult* result) {
  if (result != nullptr) *result = LockInResult{};
  if (inputs.leakSubtracted && inputs.leak.empty()) return LockInStatus::kNoLeakTrace;
  Run run(inputs, outputs);
  try {
    return run.Execute(result);
  } catch (const std::bad_alloc&) {
    // Only the reference table allocates; without it nothing can be
    // measured, so the remaining points get no value.
    run.FillRest();
    HostNoteOutOfMemory();
    return LockInStatus::kFailed;
  }
}

}  // namespace kwt
