// The software lock-in: membrane capacitance Cm, series conductance Gs and
// membrane conductance Gm of a cell, one point per stimulus cycle.
//
// The cell is modelled as Gs in series with Gm parallel to Cm.  For every
// cycle of a sine (or square-wave) segment of the voltage stimulus the
// current is correlated with a sine and a cosine reference at the stimulus
// frequency, giving the in-phase admittance A and the quadrature admittance
// B; the cycle's mean current over the driving force gives the DC
// conductance b.  Gs, Gm and Cm follow from A, B and b.  What the amplifier's
// C-slow and series-resistance compensation took out of the current can be
// added back first.
//
// The computation knows no file format.  Its caller fills LockInInputs from
// its records, answers for the sweep's stimulus segments through
// LockInStimulus, and owns the three output arrays.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "lockin/lockin_calibration.h"
#include "lockin/lockin_path.h"
#include "lockin/lockin_report.h"

namespace kwt {

// How a run of ComputeLockIn ended.
enum class LockInStatus : int32_t {
  kOk = 0,
  // The trace is leak-subtracted and no leak trace came with it.
  kNoLeakTrace = 1,
  // A failure without a text of its own (no memory for the reference table).
  kFailed = -1,
  // No calibration available (the estimate always succeeds, so not returned).
  kNoCalibration = -3,
  // A sine segment holds fewer than skipCycles + 1 cycles.
  kSegmentTooShort = -4,
  // The sine period gives fewer than 3 samples per cycle, or sinePeriod or
  // sampleInterval is not a positive number.
  kPeriodTooShort = -5,
};

// One segment of the sweep's stimulus as this sweep ran it.
struct LockInSegment {
  int32_t segmentClass = 0;  // the file's class code (lockin_path.h)
  double voltage = 0.0;      // level V_k, V
  double duration = 0.0;     // D_k, s
};

// The sweep's stimulus, as the loader reconstructs it.
class LockInStimulus {
 public:
  virtual ~LockInStimulus() = default;
  // The stimulus' segment count.
  virtual int32_t SegmentCount() const = 0;
  // Segment k (1-based) for this sweep; false when there is no such segment.
  virtual bool GetSegment(int32_t k, LockInSegment* segment) const = 0;
  // The sweep's position in the protocol's sweep order (1-based).
  virtual int32_t ProtocolPosition() const = 0;
  // The number of sweeps of the protocol; a sweep whose position lies
  // beyond it has no segments to evaluate.
  virtual int32_t ProtocolSweeps() const = 0;
};

// A stimulus held as a list: what tests and simple callers hand over.
class LockInSegmentList final : public LockInStimulus {
 public:
  LockInSegmentList() = default;
  explicit LockInSegmentList(std::vector<LockInSegment> segments, int32_t position = 1,
                             int32_t protocolSweeps = 1)
      : segments_(std::move(segments)), position_(position), protocolSweeps_(protocolSweeps) {}

  int32_t SegmentCount() const override { return static_cast<int32_t>(segments_.size()); }
  bool GetSegment(int32_t k, LockInSegment* segment) const override;
  int32_t ProtocolPosition() const override { return position_; }
  int32_t ProtocolSweeps() const override { return protocolSweeps_; }

 private:
  std::vector<LockInSegment> segments_;
  int32_t position_ = 1;
  int32_t protocolSweeps_ = 1;
};

// Everything one run needs besides the outputs.  Units are SI throughout.
struct LockInInputs {
  LockInPath path = LockInPath::kPulse;
  std::span<const float> trace;  // current samples of the sweep, from sample 0, A
  std::span<const float> leak;   // the sweep's leak trace, or empty
  bool leakSubtracted = false;   // trace is leak-subtracted: add `leak` back
  double sampleInterval = 0.0;   // dt, s
  double sinePeriod = 0.0;       // T, s
  double sineAmplitude = 0.0;    // V
  int32_t skipCycles = 0;        // cycles left out at the start of each sine segment
  double recordVReversal = 0.0;  // reversal potential stored with the stimulus, V
  double cSlow = 0.0;            // C-slow compensation, F
  double gSeries = 0.0;          // G-series compensation, S
  bool rsOn = false;             // series-resistance compensation was on
  double rsFraction = 0.0;       // compensated fraction of Rs
  bool compCorrection = false;   // add the compensation back into the admittance
  bool extCalValid = false;      // use extPhase and extAttenuation
  double extPhase = 0.0;         // degrees
  double extAttenuation = 1.0;
  double phaseShift = 0.0;       // the user's extra phase, degrees
  // The user's reversal potential, V; NaN takes recordVReversal.
  double vReversal = std::numeric_limits<double>::quiet_NaN();
  bool report = false;           // post calibration and result to the history
  LockInCalibrationInputs calibration;  // for the estimate when !extCalValid
  const LockInStimulus* stimulus = nullptr;  // null: a stimulus without segments
};

// The caller's arrays, one point per stimulus cycle.  The run writes the
// first nOut points of each, nOut being the smallest of the three sizes.
struct LockInOutputs {
  std::span<double> cm;  // F
  std::span<double> gs;  // S
  std::span<double> gm;  // S
};

// Points per cycle: sinePeriod / sampleInterval rounded to the nearest
// integer; 0 when either is not positive or the result is not a number from
// 1 to 2^31 - 1.
int64_t LockInPointsPerCycle(double sinePeriod, double sampleInterval);

// Runs the lock-in over the trace and fills the outputs.  Points that belong
// to no evaluated cycle hold NaN.  Returns kOk, kNoLeakTrace (nothing
// written), kSegmentTooShort or kPeriodTooShort (the outputs then hold what
// was computed before and NaN after), or kFailed.  With inputs.report,
// posts the calibration and the result (or why there is none).  `result`,
// when given, receives the summary.
// Nothing is kept between runs; the trace and the outputs must stay in
// place during the call.
[[nodiscard]] LockInStatus ComputeLockIn(const LockInInputs& inputs,
                                         const LockInOutputs& outputs,
                                         LockInResult* result = nullptr);

}  // namespace kwt
