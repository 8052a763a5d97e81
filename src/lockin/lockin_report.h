// The LockIn's summary in the history: the admittance and phase of the last
// evaluated segment and the cell's Rs, Rm and Cm averaged over all evaluated
// segments.
#pragma once

#include <cstdint>
#include <string>

namespace kwt {

// What one LockIn run found.  "Last" is the last sine or square segment that
// had at least one evaluated cycle; the means run over all such segments.
struct LockInResult {
  int32_t segments = 0;        // evaluated segments; 0 leaves the rest undefined (NaN)
  double lastA = 0.0;          // in-phase admittance, S
  double lastB = 0.0;          // quadrature admittance, S
  double lastb = 0.0;          // DC conductance, S
  double lastPhase = 0.0;      // degrees, 0 to 360
  bool lastHoldZero = false;   // the last segment sat on the reversal potential
  double meanA = 0.0;
  double meanB = 0.0;
  double meanb = 0.0;
  double meanGs = 0.0;         // S
  double meanGm = 0.0;         // S
  double meanCm = 0.0;         // F
};

// Posts the result lines.  With no evaluated segment it posts, after the
// heading, one line saying so instead of numbers.
void ReportLockInResult(const LockInResult& result);

// The lines for a run that stopped because sine segment `segment` holds
// fewer than `cycles` cycles.
void ReportLockInSegmentTooShort(int32_t segment, int64_t cycles);

// The lines for a run refused because a cycle would have fewer than three
// samples (`points` per cycle).
void ReportLockInPeriodTooShort(double sinePeriod, double sampleInterval, int64_t points);

// A conductance in siemens as the report shows it: the number in nS, or in
// pS when it is below 1 nS (negative values included); `unit` gets "nS" or
// "pS".
double LockInReportConductance(double siemens, const char** unit);

}  // namespace kwt
