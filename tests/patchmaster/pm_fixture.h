// A PatchMaster recording of several shapes, used by the tree and relation
// tests, and a snapshot of everything the lookups give for the loaded trees.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "patchmaster/pm_tree.h"
#include "pulse/pulse_tree.h"
#include "tests/testkit/pm_writer.h"

namespace kwt::test {

// Three groups: the first with a series of two sweeps of two traces and a
// series without sweeps, the second without series, the third with one
// sweep of three traces in the other sample formats.  Stimulations with
// channels and segments of every class, one without channels; two
// amplifier series; two solutions with chemicals.
inline PmRecording Shaped() {
  PmRecording rec;
  SetText(rec.root.roVersionName, "v2x90.5");
  rec.root.roStartTime = 1.25e9;

  PmGroup& g1 = rec.AddGroup("cell 1");
  SetText(g1.record.grText, "first cell");
  PmSeries& s11 = g1.AddSeries("IV");
  SetText(s11.record.seComment, "steps from -80 mV");
  s11.record.seTime = 1.25e9 + 60.0;
  s11.record.seUserParamValue = {1.5, -2.0, 3e-3, 4e6};
  SetText(s11.record.seUserParamName[0].name, "Temp");
  SetText(s11.record.seUserParamName[0].unit, "C");
  SetText(s11.record.seUserParamName[3].name, "Seal");
  SetText(s11.record.seUserParamName[3].unit, "Ohm");
  s11.record.seLockInParams.extPhase = 12.5;
  s11.record.seLockInParams.extAttenuation = 0.98;
  s11.record.seLockInParams.extCalValid = 1;
  AmplifierState& sa = s11.record.seAmplifierState;
  sa.filter1Bandwidth = 10000.0;
  sa.filter2Bandwidth = 2900.0;
  sa.rsValue = 5.5e6;
  sa.rsFraction = 0.7;
  sa.cFastAmp1 = 2.1e-12;
  sa.cFastAmp2 = 0.5e-12;
  sa.gSeries = 1.0 / 8e6;
  sa.vHold = -0.07;
  sa.vOffset = 0.012;
  sa.vLiquidJunction = 0.0105;
  sa.amplKind = 2;
  sa.aDBoard = 3;
  sa.clampSpeed = 1;
  sa.filter2Type = 2;
  sa.rsOn = 1;
  sa.compCorrection = 1;
  sa.gainRange = 4;
  sa.stimFilterOn = 1;
  for (int w = 0; w < 2; ++w) {
    PmSweep& sweep = s11.AddSweep(1);
    SetText(sweep.record.swLabel, w == 0 ? "sweep 1" : "sweep 2");
    sweep.record.swTime = 1.25e9 + 61.0 + w;
    sweep.record.swTimer = 12.25 + w;
    sweep.record.swTemperature = 22.5;
    sweep.record.swDigitalIn = static_cast<int16_t>(0x8001);
    sweep.record.swDigitalOut = 0x0102;
    PmTrace& imon = sweep.AddTrace("Imon-1", {1, -2, 3, -32768, 32767});
    imon.record.trDataScaler = 3.125e-13;
    imon.record.trXStart = 0.001;
    imon.record.trZeroData = -1e-12;
    imon.record.trBandwidth = 2900.0;
    imon.record.trCSlow = 4.2e-12;
    imon.record.trGSeries = 1.0 / 7e6;
    imon.record.trRsValue = 7e6;
    imon.record.trRecordingMode = 3;
    imon.record.trAmplIndex = static_cast<uint8_t>(w + 1);
    imon.record.trIntSolution = 1;
    imon.record.trExtSolution = 2;
    imon.record.trAverageCount = 4;
    imon.record.trLinkDAChannel = 1;
    PmTrace& vmon = sweep.AddTrace("Vmon-1", {-7000, -7001, -6999});
    SetText(vmon.record.trYUnit, "V");
    vmon.record.trDataScaler = 1e-5;
    vmon.record.trDataKind = static_cast<int16_t>(vmon.record.trDataKind | kTraceKindNoStimulus);
    SetPmSampleLayout(vmon.record, kPmSampleInt16, ByteOrder::kBig);
  }
  g1.AddSeries("empty");
  rec.AddGroup("no series");
  PmGroup& g3 = rec.AddGroup("cell 3");
  PmSweep& mixed = g3.AddSeries("formats").AddSweep(2);
  SetPmSampleLayout(mixed.AddTrace("int32", {100000, -100000}).record, kPmSampleInt32,
                    ByteOrder::kBig);
  SetPmSampleLayout(mixed.AddTrace("real32", {0.5, -0.25, 8}).record, kPmSampleReal32,
                    ByteOrder::kLittle);
  SetPmSampleLayout(mixed.AddTrace("real64", {1e-300}).record, kPmSampleReal64, ByteOrder::kBig);
  mixed.traces[2].record.trAmplIndex = 9;  // no such state

  PmStimulation& iv = rec.AddStimulation("IV");
  iv.record.stStartSegment = 2;
  iv.record.stStartTime = 0.005;
  iv.record.stLeakDelay = 0.1;
  iv.record.stNumberSweeps = 2;
  iv.record.stNumberLeaks = 4;
  PmChannel& c1 = iv.AddChannel(1, 1);
  c1.record.chHolding = -0.08;
  c1.record.chLeakHolding = -0.1;
  c1.record.chLeakSize = 0.25;
  c1.record.chHoldFromLast = 1;
  c1.AddSegment(kPmSegmentConstant, -0.08, 0.01)
      .AddSegment(kPmSegmentRamp, -0.02, 0.005)
      .AddSegment(kPmSegmentContinuous, 0.01, 0.02)
      .AddSegment(kPmSegmentSine, -0.07, 0.1)
      .AddSegment(kPmSegmentSquare, -0.07, 0.05);
  PmSegmentRecord& step = c1.segments[2];
  step.segVoltageIncMode = 6;
  step.segDurationIncMode = 2;
  step.segVoltageSource = 1;
  step.segDeltaVFactor = 1.5;
  step.segDeltaVIncrement = 0.01;
  step.segDeltaTFactor = 2.0;
  step.segDeltaTIncrement = 0.001;
  step.segStore = 0;
  PmChannel& dig = iv.AddChannel(2, 3);
  dig.record.chDacMode = 3;
  dig.record.chDacBit = 5;
  dig.record.chAdcMode = 0;
  dig.AddSegment(kPmSegmentConstant, 1.0, 0.05);

  PmStimulation& sine = rec.AddStimulation("sine");
  sine.record.stLockInFlag = 1;
  sine.record.stSampleInterval = 2e-5;
  PmChannel& sc = sine.AddChannel(1);
  sc.record.chSineCycle = 1e-3;
  sc.record.chSineAmplitude = 0.01;
  sc.record.chReversalPotential = 0.04;
  sc.record.chSkipCycles = 3;
  sc.AddSegment(kPmSegmentSine, -0.07, 0.2);
  rec.AddStimulation("empty");

  PmAmpSeries& a1 = rec.AddAmpSeries();
  a1.AddState().amplifierState.vHold = -0.06;
  AmpStateRecord& st2 = a1.AddState();
  st2.amplifierState.vHold = -0.05;
  st2.amplifierState.aDBoard = 2;
  st2.amplifierState.rsOn = 1;
  st2.lockInParams.extPhase = -3.5;
  st2.lockInParams.extCalValid = 1;
  rec.AddAmpSeries().AddState().amplifierState.vHold = 0.02;

  rec.AddSolution("KCl internal").chemicals = 3;
  rec.AddSolution("Ringer").chemicals = 0;
  return rec;
}

// Everything the loaded trees hold, in file order.
struct PmSnapshot {
  PmRootRecord root;
  std::vector<int32_t> counts;  // groups, series, sweeps, traces
  std::vector<PmGroupRecord> groups;
  std::vector<PmSeriesRecord> series;
  std::vector<PmSweepRecord> sweeps;
  std::vector<PmTraceRecord> traces;
  std::vector<PmStimulationRecord> stimulations;
  std::vector<PmChannelRecord> channels;
  std::vector<PmSegmentRecord> segments;
  std::vector<AmpStateRecord> ampStates;
  std::vector<SolutionRecord> solutions;
  std::vector<int32_t> childCounts;  // of every parent, level by level
  bool operator==(const PmSnapshot&) const = default;
};

// Appends the records of `entries` to `out` and, for parents, their child
// counts to `childCounts`.
template <typename Record, typename Entries>
void Append(std::vector<Record>& out, Entries entries, std::vector<int32_t>* childCounts) {
  for (const auto& e : entries) {
    out.push_back(e);
    if (childCounts != nullptr) childCounts->push_back(e.childCount);
  }
}

inline PmSnapshot TakeSnapshot() {
  PmSnapshot s;
  const PmPulsedRoot* root = GetPulsedRoot();
  if (root == nullptr) return s;
  s.root = *root;
  s.counts = {root->groupCount, root->seriesCount, root->sweepCount, root->traceCount};
  std::vector<int32_t>* counts = &s.childCounts;
  Append(s.groups, PmGroups(), counts);
  Append(s.series, PmSeriesEntries(), counts);
  Append(s.sweeps, PmSweeps(), counts);
  Append(s.traces, PmTraces(), nullptr);
  Append(s.stimulations, PmStimulations(), counts);
  Append(s.channels, PmChannels(), counts);
  Append(s.segments, PmSegments(), nullptr);
  for (const AmpSeriesEntry& a : AmpSeriesEntries()) counts->push_back(a.childCount);
  Append(s.ampStates, AmpStates(), nullptr);
  Append(s.solutions, Solutions(), counts);
  return s;
}

// The records the trees of `rec` hold, in file order, with the samples laid
// out from `dataStart` (256 in a bundle); no counts, no child counts.
inline PmSnapshot RecordsOf(PmRecording rec, uint64_t dataStart = 256) {
  LayOutPmData(rec, dataStart);
  PmSnapshot s;
  s.root = rec.root;
  for (const PmGroup& g : rec.groups) {
    s.groups.push_back(g.record);
    for (const PmSeries& series : g.series) {
      s.series.push_back(series.record);
      for (const PmSweep& w : series.sweeps) {
        s.sweeps.push_back(w.record);
        for (const PmTrace& t : w.traces) s.traces.push_back(t.record);
      }
    }
  }
  for (const PmStimulation& stim : rec.stimulations) {
    s.stimulations.push_back(stim.record);
    for (const PmChannel& c : stim.channels) {
      s.channels.push_back(c.record);
      s.segments.insert(s.segments.end(), c.segments.begin(), c.segments.end());
    }
  }
  for (const PmAmpSeries& a : rec.ampSeries)
    s.ampStates.insert(s.ampStates.end(), a.states.begin(), a.states.end());
  for (const PmSolution& sol : rec.solutions) s.solutions.push_back(sol.record);
  return s;
}

// Reads all four trees of a recording from its bundle written in memory.
inline bool ReadPmBundle(const PmRecording& rec) {
  const std::vector<uint8_t> file = PmBundleBytes(rec);
  const MemorySource source(file);
  const bool pulsed = ReadPulsedTreeFromBundle(source);
  const bool stimulus = ReadStimulusTreeFromBundle(source);
  const bool amplifier = ReadAmplifierTreeFromBundle(source);
  const bool solution = ReadSolutionTreeFromBundle(source);
  return pulsed && stimulus && amplifier && solution;
}

// Frees every tree the tests may have loaded.
inline void FreeAllTrees() {
  FreePulsedTree();
  FreeStimulusTree();
  FreeAmplifierTree();
  FreeSolutionTree();
  ReleasePulseStimulusTree();
  ReleasePulseAcquisitionTree();
}

}  // namespace kwt::test
