// Writes the demo's recordings: the Pulse recording DIR/cell.dat with
// cell.pul and cell.pgf, the PatchMaster bundle DIR/patch.dat and the
// X-Chart recording DIR/chart.tree with chart.grp.
//
// Two cells recorded in whole-cell voltage clamp.  Cell 1 has a current-
// voltage series (steps from -70 mV, with the leak trace and the voltage
// monitor as second trace) and a sine series for the LockIn; cell 2 has the
// same steps, stored as little-endian 32-bit reals.  The currents are those
// of a simple cell (Rs 10 MOhm, Rm 500 MOhm, Cm 20 pF), so the LockIn of
// the sine series finds about 20 pF.  The bundle holds the same cell once
// more: a current-voltage series with current and voltage monitor, and a
// sine series for the LockIn.  The chart follows the same cell for a
// minute at 10 Hz: its membrane potential with a slow drift and two
// spontaneous depolarisations, and the holding current.
#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <vector>

#include "tests/testkit/pm_writer.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/xchart_writer.h"
#include "traces/trace_samples.h"

namespace {

using kwt::ByteOrder;
using kwt::test::PulseRecording;
using kwt::test::PulseSeries;
using kwt::test::PulseStimulation;
using kwt::test::PulseSweep;
using kwt::test::SetText;

// The cell and the recording.
constexpr double kRs = 10e6;    // Ohm
constexpr double kRm = 500e6;   // Ohm
constexpr double kCm = 20e-12;  // F
constexpr double kHolding = -0.07;
constexpr double kDt = 20e-6;             // 50 kHz sampling
constexpr double kCurrentFactor = 1e-12;  // A per stored unit
constexpr double kVoltageFactor = 1e-4;   // V per stored unit

// Current of the cell after a step of the command from v0 to v1, t seconds
// into the step: the capacitive transient through Rs on top of the new
// steady current through Rs + Rm.
double StepCurrent(double v0, double v1, double t) {
  const double steady0 = v0 / (kRs + kRm);
  const double steady1 = v1 / (kRs + kRm);
  const double tau = kRs * kCm * kRm / (kRs + kRm);
  const double peak = (v1 - v0) / kRs;
  const double settled = steady1 - steady0;
  return steady0 + settled + (peak - settled) * std::exp(-t / tau);
}

// Samples of a command that steps through `levels` for `durations`.
struct Trace {
  std::vector<double> current;  // stored units
  std::vector<double> voltage;
};

Trace Steps(const std::vector<double>& levels, const std::vector<double>& durations, double scale) {
  Trace out;
  double previous = kHolding;
  for (size_t k = 0; k < levels.size(); ++k) {
    const int n = static_cast<int>(durations[k] / kDt + 0.5);
    for (int i = 0; i < n; ++i) {
      const double amps = StepCurrent(previous, levels[k], i * kDt) * scale;
      out.current.push_back(amps / kCurrentFactor);
      out.voltage.push_back(levels[k] / kVoltageFactor);
    }
    previous = levels[k];
  }
  return out;
}

// The stimulation of the current-voltage series: -70 mV, a 50 ms step from
// -100 mV up by 20 mV per sweep, back to -70 mV; four leak pulses.
PulseStimulation& AddSteps(PulseRecording& rec) {
  PulseStimulation& iv = rec.AddStimulation("IV");
  iv.record.sampleInterval = kDt;
  iv.record.protocolSweeps = 5;
  iv.record.leakCount = 4;
  iv.record.leakSize = -0.25;
  iv.record.leakHolding = -0.12;
  iv.record.leakDelay = 0.1;
  SetText(iv.record.leakUnit, "A");
  SetText(iv.record.secondUnit, "V");
  iv.AddSegment(kwt::kSegmentConstant, kHolding, 0.01)
      .AddSegment(kwt::kSegmentConstant, -0.1, 0.05)
      .AddSegment(kwt::kSegmentConstant, kHolding, 0.02);
  iv.segments[1].voltageIncrement = 0.02;
  return iv;
}

// A 1 kHz sine of 10 mV around the holding for 200 ms.
PulseStimulation& AddSine(PulseRecording& rec) {
  PulseStimulation& sine = rec.AddStimulation("sine");
  sine.record.sampleInterval = kDt;
  sine.record.sinePeriod = 1e-3;
  sine.record.sineAmplitude = 0.01;
  sine.record.skipCycles = 2;
  sine.record.protocolSweeps = 3;
  sine.AddSegment(kwt::kSegmentConstant, kHolding, 0.02)
      .AddSegment(kwt::kSegmentSine, kHolding, 0.2)
      .AddSegment(kwt::kSegmentConstant, kHolding, 0.02);
  return sine;
}

// The steady current of the cell under a sine of the command, and the
// holding current, for the LockIn series.
// `sine` tells for each segment (of `durations`) whether it is the sine.
std::vector<double> SineCurrent(double period, double amplitude,
                                const std::vector<double>& durations,
                                const std::vector<bool>& sine) {
  const double omega = 2.0 * std::numbers::pi / period;
  const std::complex<double> membrane(1.0 / kRm, omega * kCm);
  const std::complex<double> y = 1.0 / (kRs + 1.0 / membrane);
  const double hold = kHolding / (kRs + kRm);
  std::vector<double> samples;
  for (size_t k = 0; k < durations.size(); ++k) {
    const int n = static_cast<int>(durations[k] / kDt + 0.5);
    for (int i = 0; i < n; ++i) {
      double amps = hold;
      if (sine[k]) {
        const std::complex<double> v =
            amplitude * std::exp(std::complex<double>(0.0, omega * i * kDt));
        amps += (y * v).imag();
      }
      samples.push_back(amps / kCurrentFactor);
    }
  }
  return samples;
}

std::vector<double> SineCurrent(const PulseStimulation& sine) {
  std::vector<double> durations;
  std::vector<bool> isSine;
  for (const kwt::SegmentRecord& seg : sine.segments) {
    durations.push_back(seg.duration);
    isSine.push_back(seg.segmentClass == kwt::kSegmentSine);
  }
  return SineCurrent(sine.record.sinePeriod, sine.record.sineAmplitude, durations, isSine);
}

PulseSeries& AddStepSeries(kwt::test::PulseGroup& group, double time, int32_t format,
                           ByteOrder order) {
  PulseSeries& series = group.AddSeries();
  series.record.seriesTime = time;
  series.record.holding = kHolding;
  series.record.temperature = 22.0;
  SetText(series.record.comment, "steps");
  for (int w = 1; w <= 5; ++w) {
    const double level = -0.1 + 0.02 * (w - 1);
    const Trace trace = Steps({kHolding, level, kHolding}, {0.01, 0.05, 0.02}, 1.0);
    // The leak pulses are a quarter of the step, of opposite sign, from the
    // leak holding; their sum is what the amplifier stored.
    const double leakStep = -0.25 * (level - kHolding);
    const Trace leak = Steps({-0.12, -0.12 + leakStep, -0.12}, {0.01, 0.05, 0.02}, 4.0);
    PulseSweep& sweep = series.AddSweep(trace.current);
    sweep.record.sweepTime = time + 2.0 * w;
    sweep.record.timer = 40.0 + 2.0 * w;
    sweep.record.hasLeak = 1;
    sweep.record.hasSecondTrace = 1;
    sweep.record.factor1 = kCurrentFactor;
    sweep.record.factor2 = kVoltageFactor;
    sweep.record.cSlow = kCm;
    sweep.record.gSeries = 1.0 / kRs;
    sweep.record.rsValue = kRs;
    kwt::test::SetSampleLayout(sweep.record, format, order);
    sweep.leak = leak.current;
    sweep.second = trace.voltage;
    SetText(sweep.record.label, "step");
  }
  return series;
}

// The PatchMaster bundle: one cell with a current-voltage series (three
// sweeps, current and voltage monitor, the step from -100 mV up by 20 mV per
// sweep) and a sine series for the LockIn, big-endian trees and samples.
void WritePatchMasterBundle(const std::filesystem::path& path) {
  using namespace kwt::test;
  PmRecording rec;
  SetPmByteOrder(rec, ByteOrder::kBig);
  SetText(rec.root.roVersionName, "v2x90 demo");
  rec.root.roStartTime = 1.0e9;

  PmStimulation& iv = rec.AddStimulation("IV");
  iv.record.stSampleInterval = kDt;
  iv.record.stNumberSweeps = 3;
  PmChannel& ivOut = iv.AddChannel(1, 0);
  ivOut.record.chHolding = kHolding;
  ivOut.AddSegment(kwt::kPmSegmentConstant, kHolding, 0.01)
      .AddSegment(kwt::kPmSegmentConstant, -0.1, 0.05)
      .AddSegment(kwt::kPmSegmentRamp, kHolding, 0.02);
  ivOut.segments[1].segDeltaVIncrement = 0.02;
  for (kwt::PmSegmentRecord& seg : ivOut.segments) seg.segStore = 1;

  PmStimulation& sine = rec.AddStimulation("sine");
  sine.record.stSampleInterval = kDt;
  sine.record.stLockInFlag = 1;
  PmChannel& sineOut = sine.AddChannel(1, 0);
  sineOut.record.chHolding = kHolding;
  sineOut.record.chSineCycle = 1e-3;
  sineOut.record.chSineAmplitude = 0.01;
  sineOut.record.chSkipCycles = 2;
  sineOut.AddSegment(kwt::kPmSegmentConstant, kHolding, 0.02)
      .AddSegment(kwt::kPmSegmentSine, kHolding, 0.2)
      .AddSegment(kwt::kPmSegmentConstant, kHolding, 0.02);

  PmGroup& cell = rec.AddGroup("cell 1");
  PmSeries& steps = cell.AddSeries("IV");
  SetText(steps.record.seComment, "steps");
  steps.record.seAmplifierState.amplKind = 1;
  steps.record.seAmplifierState.vHold = kHolding;
  steps.record.seAmplifierState.gSeries = 1.0 / kRs;
  for (int w = 1; w <= 3; ++w) {
    const double level = -0.1 + 0.02 * (w - 1);
    const Trace trace = Steps({kHolding, level, kHolding}, {0.01, 0.05, 0.02}, 1.0);
    PmSweep& sweep = steps.AddSweep(1);
    sweep.record.swTime = 1.0e9 + 60.0 + 2.0 * w;
    sweep.record.swTemperature = 22.0;
    for (int t = 0; t < 2; ++t) {
      PmTrace& out = sweep.AddTrace(t == 0 ? "Imon" : "Vmon", t == 0 ? trace.current : trace.voltage);
      out.record.trDataScaler = t == 0 ? kCurrentFactor : kVoltageFactor;
      out.record.trXInterval = kDt;
      out.record.trRecordingMode = kwt::kRecordingModeWholeCell;
      out.record.trLinkDAChannel = 1;
      out.record.trCSlow = kCm;
      out.record.trGSeries = 1.0 / kRs;
      SetText(out.record.trYUnit, t == 0 ? "A" : "V");
      SetPmSampleLayout(out.record, kwt::kPmSampleInt16, ByteOrder::kBig);
    }
  }

  PmSeries& lockIn = cell.AddSeries("sine");
  SetText(lockIn.record.seComment, "sine 1 kHz");
  lockIn.record.seAmplifierState.amplKind = 1;
  lockIn.record.seAmplifierState.vHold = kHolding;
  // A measured calibration of an ideal chain, as in the Pulse recording.
  lockIn.record.seLockInParams.extCalValid = 1;
  lockIn.record.seLockInParams.extAttenuation = 1.0;
  PmSweep& sweep = lockIn.AddSweep(2);
  sweep.record.swTime = 1.0e9 + 120.0;
  PmTrace& current = sweep.AddTrace(
      "Imon", SineCurrent(1e-3, 0.01, {0.02, 0.2, 0.02}, {false, true, false}));
  current.record.trDataScaler = kCurrentFactor;
  current.record.trXInterval = kDt;
  current.record.trRecordingMode = kwt::kRecordingModeWholeCell;
  current.record.trLinkDAChannel = 1;
  current.record.trGSeries = 1.0 / kRs;
  SetPmSampleLayout(current.record, kwt::kPmSampleInt16, ByteOrder::kBig);

  WritePmBundle(rec, path);
  std::printf("wrote %s\n", path.string().c_str());
}

void WriteChart(const std::filesystem::path& path) {
  kwt::test::XChartRecording rec;
  SetText(rec.header.title, "cell 1 at rest");
  kwt::test::XChartFixtureGroup& group = rec.AddGroup(1.0e9 + 900.0);
  SetText(group.record.description[0], "membrane potential and holding current");
  constexpr int kPoints = 600;  // 60 s at 10 Hz
  std::vector<float> t(kPoints), vm(kPoints), ihold(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    const double s = i * 0.1;
    t[i] = static_cast<float>(s);
    // Samples are stored in volts and amperes; the units' prefixes say how
    // the chart shows them.  A resting potential drifting by 2 mV, with two
    // events of 15 mV, and a holding current creeping from -35 pA.
    double v = -0.070 + 0.002 * s / 60.0;
    for (const double at : {17.0, 41.5})
      if (s >= at) v += 0.015 * std::exp(-(s - at) / 1.5);
    vm[i] = static_cast<float>(v);
    ihold[i] = static_cast<float>((-35.0 - 0.5 * s / 60.0) * 1e-12);
  }
  // Style 6: drawn as lines.
  group.SetTrace(0, "t", "s", 0, t);
  kwt::XChartTrace& v = group.SetTrace(1, "Vm", "mV", 1, vm).record;
  v.style = 6;
  v.axisMin = -80.0;
  v.axisMax = -40.0;
  kwt::XChartTrace& i = group.SetTrace(2, "Ihold", "pA", 2, ihold).record;
  i.style = 6;
  i.axisMin = -50.0;
  i.axisMax = 0.0;
  const auto files = kwt::test::WriteXChartRecording(rec, path);
  std::printf("wrote %s and %s\n", files.tree.string().c_str(), files.data.string().c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);

  PulseRecording rec;
  SetText(rec.root.versionName, "v8.31 demo");
  rec.root.startTime = 1.0e9;  // 9 September 2021 on the recordings' clock
  AddSteps(rec);
  const PulseStimulation& sine = AddSine(rec);

  kwt::test::PulseGroup& cell1 = rec.AddGroup("cell 1");
  SetText(cell1.record.text, "whole cell, 20 pF");
  AddStepSeries(cell1, 1.0e9 + 60.0, kwt::kSampleInt16, ByteOrder::kBig);
  PulseSeries& lockIn = cell1.AddSeries();
  lockIn.record.seriesTime = 1.0e9 + 120.0;
  lockIn.record.holding = kHolding;
  SetText(lockIn.record.comment, "sine 1 kHz");
  // A measured calibration of an ideal chain: the LockIn then needs no
  // estimate of the amplifier and filters.
  lockIn.record.extCalibrationValid = 1;
  lockIn.record.extPhase = 0.0;
  lockIn.record.extAttenuation = 1.0;
  for (int w = 1; w <= 3; ++w) {
    PulseSweep& sweep = lockIn.AddSweep(SineCurrent(sine));
    sweep.record.stimulation = 2;
    sweep.record.sweepTime = 1.0e9 + 120.0 + w;
    sweep.record.factor1 = kCurrentFactor;
    sweep.record.gSeries = 1.0 / kRs;
    sweep.record.rsValue = kRs;
  }

  kwt::test::PulseGroup& cell2 = rec.AddGroup("cell 2");
  AddStepSeries(cell2, 1.0e9 + 600.0, kwt::kSampleReal32, ByteOrder::kLittle);

  const auto files = kwt::test::WritePulseRecording(rec, dir / "cell.dat");
  std::printf("wrote %s, %s and %s\n", files.data.string().c_str(), files.pul.string().c_str(),
              files.pgf.string().c_str());
  WritePatchMasterBundle(dir / "patch.dat");
  WriteChart(dir / "chart.tree");
  return 0;
}
