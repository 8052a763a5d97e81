// The file browser run by the scripted driver on recordings written by the
// testkit: a PatchMaster recording of three groups and a Pulse recording
// of two, in either byte order.
#pragma once

#include <string>
#include <vector>

#include "resources/dialogs.h"
#include "tests/testkit/loader_session.h"
#include "tests/testkit/pm_writer.h"
#include "tests/testkit/pulse_writer.h"

namespace kwt::test {

using A = DialogAction;
using namespace resources::command_controls;
using namespace resources::browser_controls;

// 1.0e9 s after 1990 is Thu Sep 09 2021 01:46:40 (the tests run in UTC).
inline constexpr double kStart = 1.0e9;

// Group 1 "cell A": series 1 of one IV sweep with traces Imon and Vmon.
// Group 2 "cell B": series 1 of two Ramp sweeps, series 2 of one IV sweep.
// Group 3 "cell C": series 1 of one sine sweep (LockIn) of 400 points.
inline PmRecording PmCell(ByteOrder order) {
  PmRecording rec;
  SetText(rec.root.roVersionName, "v2x90");
  rec.root.roStartTime = kStart;
  rec.AddStimulation("IV").AddChannel(1).AddSegment(kPmSegmentConstant, -0.07, 0.01);
  rec.AddStimulation("Ramp").AddChannel(1).AddSegment(kPmSegmentRamp, -0.07, 0.01);
  PmStimulation& sine = rec.AddStimulation("sine");
  sine.record.stLockInFlag = 1;
  PmChannel& sc = sine.AddChannel(1);
  sc.record.chSineCycle = 1e-3;
  sc.record.chSineAmplitude = 0.01;
  sc.record.chSkipCycles = 2;
  sc.AddSegment(kPmSegmentConstant, -0.07, 0.01).AddSegment(kPmSegmentSine, -0.07, 0.03);

  PmGroup& a = rec.AddGroup("cell A");
  SetText(a.record.grText, "first cell");
  PmSeries& a1 = a.AddSeries("IV");
  SetText(a1.record.seComment, "steps");
  a1.record.seTime = kStart + 60;
  a1.record.seUserParamValue[0] = 2.5;
  SetText(a1.record.seUserParamName[0].name, "pH");
  SetText(a1.record.seUserParamName[0].unit, "pHx");
  a1.record.seLockInParams.phase = 12.5;
  a1.record.seAmplifierState.vHold = -0.07;
  a1.record.seAmplifierState.amplKind = 1;
  a1.record.seAmplifierState.gSeries = 1e-7;
  a1.record.seAmplifierState.rsValue = 5e6;
  a1.record.seAmplifierState.rsFraction = 0.6;
  a1.record.seAmplifierState.rsOn = 1;
  PmSweep& w = a1.AddSweep(1);
  SetText(w.record.swLabel, "first");
  w.record.swTime = kStart + 3723.5;
  w.record.swTimer = 61.25;
  PmTrace& imon = w.AddTrace("Imon", {100, -200, 300});
  imon.record.trRecordingMode = 3;
  imon.record.trIntSolution = 4;
  imon.record.trExtSolution = 7;
  imon.record.trCSlow = 12.5e-12;
  imon.record.trAverageCount = 2;
  w.AddTrace("Vmon", {4, 5, 6});

  PmGroup& b = rec.AddGroup("cell B");
  PmSeries& b1 = b.AddSeries();
  b1.AddSweep(2).AddTrace("Imon", {1, 2});
  b1.AddSweep(2).AddTrace("Imon", {3, 4});
  b.AddSeries().AddSweep(1).AddTrace("Imon", {5, 6});

  std::vector<double> samples;
  for (int i = 0; i < 400; ++i) samples.push_back(1000.0 * ((i / 5) % 2 == 0 ? 1 : -1));
  PmSweep& s = rec.AddGroup("cell C").AddSeries().AddSweep(3);
  s.AddTrace("Imon", samples).record.trXInterval = 1e-4;
  SetPmByteOrder(rec, order);
  return rec;
}

// Group 1 "slice": series 1 of two IV sweeps (leak and second trace).
// Group 2 "slice 2": series 1 of one Ramp sweep.
inline PulseRecording PulseCell(ByteOrder order) {
  PulseRecording rec;
  rec.pulOrder = rec.pgfOrder = order;
  SetText(rec.root.versionName, "v8.5");
  rec.root.startTime = kStart;
  rec.AddStimulation("IV").AddSegment(kSegmentConstant, -0.07, 0.01);
  rec.AddStimulation("Ramp").AddSegment(kSegmentRamp, -0.07, 0.01);
  PulseGroup& g = rec.AddGroup("slice");
  SetText(g.record.text, "rat");
  PulseSeries& s = g.AddSeries();
  s.record.seriesTime = kStart + 30;
  SetText(s.record.comment, std::string(45, 'c'));
  s.record.internalSolution = 3;
  s.record.externalSolution = 9;
  s.record.phase = 1.5;
  PulseSweep& w1 = s.AddSweep({10, 20, 30});
  w1.record.sweepTime = kStart + 61.0;
  w1.record.hasLeak = 1;
  w1.leak = {1, 1, 1};
  SetText(w1.record.label, "one");
  w1.record.gSeries = 2e-7;
  w1.record.cSlow = 3e-12;
  w1.record.rsValue = 4e6;
  s.AddSweep({7, 8, 9}).record.sweepTime = kStart + 62.0;
  rec.AddGroup("slice 2").AddSeries().AddSweep({1, 2}).record.stimulation = 2;
  return rec;
}

class BrowserTest : public LoaderSessionTest {
 protected:
  static constexpr int32_t kMenuItem = 1;

  DialogRecord Open(std::vector<A> actions, int32_t* result = nullptr) {
    wb_.dialogs().SetScript(std::move(actions));
    const int32_t r = wb_.ChooseMenuItem(kMenuItem);
    if (result != nullptr) *result = r;
    const DialogRecord* run = wb_.dialogs().lastRun();
    if (run == nullptr) return {};
    EXPECT_TRUE(run->problems.empty()) << run->problems.front();
    return *run;
  }
  // Presses "File..." and answers the file dialog with `path`, then runs
  // `more`.
  DialogRecord OpenWith(const std::string& path, std::vector<A> more) {
    std::vector<A> actions{A::Press(kFileButton), A::ChooseFile(path)};
    actions.insert(actions.end(), more.begin(), more.end());
    return Open(std::move(actions));
  }
  std::string PmBundle(ByteOrder order = ByteOrder::kLittle, const std::string& name = "pm.dat") {
    return WritePmBundle(PmCell(order), dir_.File(name)).data.string();
  }
  std::string PmSiblings(ByteOrder order = ByteOrder::kLittle) {
    return WritePmSiblings(PmCell(order), dir_.File("sib.dat")).data.string();
  }
  std::string Pulse(ByteOrder order = ByteOrder::kBig) {
    return WritePulseRecording(PulseCell(order), dir_.File("cell.dat")).data.string();
  }
};

}  // namespace kwt::test
