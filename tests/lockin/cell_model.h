// A patch-clamped cell as an electrical circuit, for the LockIn tests: the
// series conductance Gs in series with the membrane, Gm parallel to Cm, Gm
// with its reversal potential.  The current is computed from the circuit
// itself (its exact time-domain solution, or its complex admittance), never
// from the LockIn's own formulas, and sampled as an ideal recording chain
// would: the instantaneous current at every sample time, stored as float.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <span>
#include <string>
#include <vector>

#include "lockin/lockin.h"

namespace kwt::test {

// The sampling and sine of the LockIn tests: 100 points per 1 kHz cycle of
// 10 mV.
constexpr double kDt = 1e-5;
constexpr double kPeriod = 1e-3;
constexpr double kAmp = 0.01;

struct Cell {
  double cm = 5e-12;    // F
  double gs = 1e-7;     // S (Rs 10 MOhm)
  double gm = 1e-9;     // S (Rm 1 GOhm)
  double vrev = 0.0;    // V
};

// Admittance of the whole cell at angular frequency omega.
inline std::complex<double> CellAdmittance(const Cell& c, double omega) {
  const std::complex<double> membrane(c.gm, omega * c.cm);
  return c.gs * membrane / (c.gs + membrane);
}

// One stimulus segment as the tests describe it: sine segments carry a sine
// of the given amplitude on their level that starts at phase 0 with the
// segment.
struct StimSegment {
  bool sine = false;
  double level = 0.0;     // V
  double duration = 0.0;  // s
};

// The current of the cell over a sweep of `points` samples at interval dt.
// Before the sweep the cell rests at the first segment's level.  Within each
// segment the membrane voltage is the steady solution for that segment's
// drive plus the decaying difference from where the previous segment left
// it (time constant Cm / (Gs + Gm)).
inline std::vector<float> CellCurrent(const Cell& c, const std::vector<StimSegment>& segs,
                                      double dt, double period, double amplitude,
                                      size_t points) {
  const double omega = 2.0 * std::numbers::pi / period;
  const double g = c.gs + c.gm;
  const double tau = c.cm / g;
  // Membrane response to the sine part of the command.
  const std::complex<double> h = c.gs / std::complex<double>(g, omega * c.cm);
  auto steadyDc = [&](double v) { return (c.gs * v + c.gm * c.vrev) / g; };

  std::vector<float> out(points, 0.0f);
  double vm = segs.empty() ? c.vrev : steadyDc(segs.front().level);
  double start = 0.0;
  size_t m = 0;
  for (const StimSegment& s : segs) {
    const double end = start + s.duration;
    auto steady = [&](double t) {
      double v = steadyDc(s.level);
      if (s.sine) v += amplitude * std::imag(h * std::polar(1.0, omega * (t - start)));
      return v;
    };
    const double offset = vm - steady(start);
    for (; m < points && static_cast<double>(m) * dt < end - 0.5 * dt; ++m) {
      const double t = static_cast<double>(m) * dt;
      double v = s.level;
      if (s.sine) v += amplitude * std::sin(omega * (t - start));
      const double membrane = steady(t) + offset * std::exp(-(t - start) / tau);
      out[m] = static_cast<float>(c.gs * (v - membrane));
    }
    vm = steady(end) + offset * std::exp(-s.duration / tau);
    start = end;
  }
  return out;
}

// The LockIn's view of the same stimulus.
inline LockInSegmentList ToLockInStimulus(const std::vector<StimSegment>& segs,
                                          LockInPath path, bool square = false) {
  const bool pulse = path == LockInPath::kPulse;
  const int32_t sine = square ? (pulse ? kPulseSquareClass : kPatchMasterSquareClass)
                              : (pulse ? kPulseSineClass : kPatchMasterSineClass);
  std::vector<LockInSegment> list;
  for (const StimSegment& s : segs) list.push_back({s.sine ? sine : 0, s.level, s.duration});
  return LockInSegmentList(std::move(list));
}

// Inputs of an ideal chain: an external calibration of phase 0 and
// attenuation 1, the first cycle of each sine segment skipped, and no
// compensation added back.
inline LockInInputs IdealInputs(LockInPath path, std::span<const float> trace,
                                const LockInStimulus& stim, double period = kPeriod,
                                double dt = kDt) {
  LockInInputs in;
  in.path = path;
  in.trace = trace;
  in.sampleInterval = dt;
  in.sinePeriod = period;
  in.sineAmplitude = kAmp;
  in.skipCycles = 1;
  in.extCalValid = true;
  in.stimulus = &stim;
  return in;
}

// Relative difference, for tolerances that scale with the value.
inline double Relative(double value, double expected) {
  return std::fabs(value - expected) / std::fabs(expected);
}

constexpr double kSentinel = 42.0;  // what the caller put into the outputs

struct Outputs {
  explicit Outputs(size_t n) : cm(n, kSentinel), gs(n, kSentinel), gm(n, kSentinel) {}
  LockInOutputs Spans() { return LockInOutputs{cm, gs, gm}; }
  // 'N' NaN in all three, 'v' a finite value in all three, 's' untouched.
  std::string Pattern() const {
    std::string p;
    for (size_t i = 0; i < cm.size(); ++i) {
      if (std::isnan(cm[i]) && std::isnan(gs[i]) && std::isnan(gm[i])) {
        p += 'N';
      } else if (cm[i] == kSentinel && gs[i] == kSentinel && gm[i] == kSentinel) {
        p += 's';
      } else if (std::isfinite(cm[i]) && std::isfinite(gs[i]) && std::isfinite(gm[i])) {
        p += 'v';
      } else {
        p += '?';
      }
    }
    return p;
  }
  std::vector<double> cm, gs, gm;
};

// A sweep of `cell` over the given segments (`points` samples, or as many
// as the segments last), with the inputs of an ideal chain.
struct Sweep {
  explicit Sweep(const std::vector<StimSegment>& segs, LockInPath path = LockInPath::kPulse,
                 size_t points = 0, const Cell& c = {}, double dt = kDt)
      : cell(c), stim(ToLockInStimulus(segs, path)) {
    double t = 0.0;
    for (const StimSegment& s : segs) t += s.duration;
    if (points == 0) points = static_cast<size_t>(t / dt + 0.5);
    trace = CellCurrent(cell, segs, dt, kPeriod, kAmp, points);
    in = IdealInputs(path, trace, stim, kPeriod, dt);
  }
  Sweep(const Sweep&) = delete;
  // Runs the LockIn into `n` points; returns their pattern.
  std::string Run(size_t n, LockInStatus expected = LockInStatus::kOk,
                  LockInResult* result = nullptr) {
    Outputs out(n);
    EXPECT_EQ(ComputeLockIn(in, out.Spans(), result), expected);
    return out.Pattern();
  }
  Cell cell;
  LockInSegmentList stim;
  std::vector<float> trace;
  LockInInputs in;
};

// Segments measured in sine cycles.
inline StimSegment Constant(double cycles, double level = -0.07) {
  return {false, level, cycles * kPeriod};
}
inline StimSegment Sine(double cycles, double level = -0.02) {
  return {true, level, cycles * kPeriod};
}

}  // namespace kwt::test
