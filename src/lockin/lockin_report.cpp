#include "lockin/lockin_report.h"

#include "host/host.h"
#include "lockin/lockin_calibration.h"
#include "support/format.h"

namespace kwt {

double LockInReportConductance(double siemens, const char** unit) {
  double value = siemens * 1e9;
  *unit = "nS";
  // Small and negative conductances read better in pS; a NaN stays in nS.
  if (value < 1.0) {
    value *= 1000.0;
    *unit = "pS";
  }
  return value;
}

void ReportLockInResult(const LockInResult& r) {
  HostNotice("\r LockIn Result:\r");
  if (r.segments <= 0) {
    // Without an evaluated segment there is nothing to average; say so
    // rather than print 0/0.
    HostNotice("No sine or square-wave segment evaluated: Cm, Gs and Gm are NaN.\r\r");
    return;
  }
  const char* unitA = nullptr;
  const char* unitB = nullptr;
  const char* unitb = nullptr;
  const double a = LockInReportConductance(r.lastA, &unitA);
  const double b = LockInReportConductance(r.lastB, &unitB);
  const double dc = LockInReportConductance(r.lastb, &unitb);
  HostNotice(Format("A:  %8.2f %s;  B:  %8.2f %s;  b:  %8.2f %s;  Phase: %5.1f %s\r", a, unitA,
                    b, unitB, dc, unitb, r.lastPhase, kLockInDegreeSign));

  // Rs in MOhm, Rm in GOhm, Cm in pF, posted as one line.  On the reversal
  // potential the DC conductance is unknown and taken as 0, which the Rm
  // field marks.
  std::string line = Format("Rs: %8.2f M%s", 1e-6 / r.meanGs, "Ohm");
  if (r.lastHoldZero) {
    AppendFormat(line, ";  Rm: (hold=0) %8.2f G%s;  ", 1e-9 / r.meanGm, "Ohm");
  } else {
    AppendFormat(line, ";  Rm: %8.2f G%s;  ", 1e-9 / r.meanGm, "Ohm");
  }
  AppendFormat(line, "Cm: %8.4f pF \r\r", r.meanCm * 1e12);
  HostNotice(line);
}

void ReportLockInSegmentTooShort(int32_t segment, int64_t cycles) {
  HostNotice("\r LockIn Result:\r");
  HostNotice(Format("Sine segment %d is shorter than %lld cycles: LockIn stopped.\r\r", segment,
                    static_cast<long long>(cycles)));
}

void ReportLockInPeriodTooShort(double sinePeriod, double sampleInterval, int64_t points) {
  HostNotice("\r LockIn Result:\r");
  HostNotice(Format("Sine period %g s at %g s per sample gives %lld points per cycle, "
                    "fewer than 3: no LockIn.\r\r",
                    sinePeriod, sampleInterval, static_cast<long long>(points)));
}

}  // namespace kwt
