// The LockIn's history texts, byte for byte, as the host receives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lockin/lockin.h"
#include "tests/lockin/cell_model.h"
#include "workbench/workbench.h"

namespace kwt::test {
namespace {

// The history posted since the fixture was set up.
class LockInReport : public ::testing::Test {
 protected:
  std::string Posted() const { return wb_.history().substr(start_); }
  Workbench wb_;
  size_t start_ = wb_.history().size();
};

TEST_F(LockInReport, ResultLinesWithUnitsSwitchingToPicosiemens) {
  LockInResult r;
  r.segments = 1;
  r.lastA = 0.5e-9;   // below 1 nS: shown in pS
  r.lastB = -2e-9;    // negative: shown in pS too
  r.lastb = 3e-9;
  r.lastPhase = 123.4;
  r.meanGs = 1e-7;
  r.meanGm = 2.5e-10;
  r.meanCm = 12.3456e-12;
  ReportLockInResult(r);
  EXPECT_EQ(Posted(),
            "\r LockIn Result:\r"
            "A:    500.00 pS;  B:  -2000.00 pS;  b:      3.00 nS;  Phase: 123.4 \xBA\r"
            "Rs:    10.00 MOhm;  Rm:     4.00 GOhm;  Cm:  12.3456 pF \r\r");
}

TEST_F(LockInReport, HoldZeroMarksRm) {
  LockInResult r;
  r.segments = 2;
  r.lastA = 25e-9;
  r.lastB = 40e-9;
  r.lastb = 0.0;
  r.lastPhase = 58.0;
  r.lastHoldZero = true;
  r.meanGs = 2e-8;
  r.meanGm = 0.0;
  r.meanCm = 3.25e-12;
  ReportLockInResult(r);
  EXPECT_EQ(Posted(),
            "\r LockIn Result:\r"
            "A:     25.00 nS;  B:     40.00 nS;  b:      0.00 pS;  Phase:  58.0 \xBA\r"
            "Rs:    50.00 MOhm;  Rm: (hold=0)      inf GOhm;  Cm:   3.2500 pF \r\r");
}

TEST_F(LockInReport, CalibrationLines) {
  ReportLockInExternalCalibration(345.0, 0.8);
  EXPECT_EQ(Posted(),
            "\r LockIn External Calibration:\r"
            "Ext. Phase: 345.0 \xBA;  Ext. Att.:    0.800;\r");

  const size_t before = wb_.history().size();
  LockInCalibration cal;
  LockInCalibrationInputs amp;
  amp.clampSpeed = 3;
  EstimateLockInCalibration(LockInPath::kPulse, 1e-3, 1e-5, amp, true, &cal);
  // 355.5296 degrees, attenuation 0.99972 (see the calibration tests).
  EXPECT_EQ(wb_.history().substr(before),
            "\r LockIn Calibration:\r"
            "Est. Int. Phase: 355.5 \xBA;  Est. Att.:    1.000;\r");
}

// A whole run with report on the cell of the physical tests (Cm 5 pF,
// Rs 10 MOhm, Rm 1 GOhm) at 1 kHz: Y = 9.7244 + j 28.0801 nS, phase
// 70.90 degrees, b = 990.10 pS.
std::vector<float> CellTrace(Cell cell, double level) {
  return CellCurrent(cell, {{false, -0.07, 0.003}, {true, level, 0.006}}, kDt, kPeriod, kAmp, 900);
}

LockInInputs ReportInputs(std::span<const float> trace, const LockInStimulus& stim) {
  LockInInputs in = IdealInputs(LockInPath::kPulse, trace, stim);
  in.report = true;
  return in;
}

TEST_F(LockInReport, WholeRunOfAnIdealCell) {
  const std::vector<float> trace = CellTrace(Cell{}, -0.02);
  const LockInSegmentList stim = ToLockInStimulus(
      {{false, -0.07, 0.003}, {true, -0.02, 0.006}}, LockInPath::kPulse);
  std::vector<double> cm(9), gs(9), gm(9);
  ASSERT_EQ(ComputeLockIn(ReportInputs(trace, stim), LockInOutputs{cm, gs, gm}), LockInStatus::kOk);
  EXPECT_EQ(Posted(),
            "\r LockIn External Calibration:\r"
            "Ext. Phase:   0.0 \xBA;  Ext. Att.:    1.000;\r"
            "\r LockIn Result:\r"
            "A:      9.72 nS;  B:     28.08 nS;  b:    990.10 pS;  Phase:  70.9 \xBA\r"
            "Rs:    10.00 MOhm;  Rm:     1.00 GOhm;  Cm:   5.0000 pF \r\r");
}

// On the reversal potential: b = 0, Rm unknown, and the two-element cell's
// Rs' = 11.01 MOhm and Cm' = 5.0051 pF (see the physical tests).
TEST_F(LockInReport, WholeRunOnTheReversalPotential) {
  Cell cell;
  cell.vrev = -0.02;
  const std::vector<float> trace = CellTrace(cell, -0.02);
  const LockInSegmentList stim = ToLockInStimulus(
      {{false, -0.07, 0.003}, {true, -0.02, 0.006}}, LockInPath::kPatchMaster);
  LockInInputs in = ReportInputs(trace, stim);
  in.path = LockInPath::kPatchMaster;
  in.recordVReversal = -0.02;
  std::vector<double> cm(9), gs(9), gm(9);
  ASSERT_EQ(ComputeLockIn(in, LockInOutputs{cm, gs, gm}), LockInStatus::kOk);
  EXPECT_EQ(Posted(),
            "\r LockIn External Calibration:\r"
            "Ext. Phase:   0.0 \xBA;  Ext. Att.:    1.000;\r"
            "\r LockIn Result:\r"
            "A:      9.72 nS;  B:     28.08 nS;  b:      0.00 pS;  Phase:  70.9 \xBA\r"
            "Rs:    11.01 MOhm;  Rm: (hold=0)      inf GOhm;  Cm:   5.0051 pF \r\r");
}

TEST_F(LockInReport, RunsWithoutAResultSaySo) {
  const std::vector<float> trace(600, 0.0f);
  const LockInSegmentList constant({{0, -0.07, 0.006}});
  std::vector<double> cm(6), gs(6), gm(6);
  ASSERT_EQ(ComputeLockIn(ReportInputs(trace, constant), LockInOutputs{cm, gs, gm}), LockInStatus::kOk);
  const std::string cal =
      "\r LockIn External Calibration:\rExt. Phase:   0.0 \xBA;  Ext. Att.:    1.000;\r";
  EXPECT_EQ(Posted(), cal +
                          "\r LockIn Result:\r"
                          "No sine or square-wave segment evaluated: Cm, Gs and Gm are NaN.\r\r");

  size_t before = wb_.history().size();
  const LockInSegmentList shortSine({{kPulseSineClass, -0.02, 0.0015}});
  ASSERT_EQ(ComputeLockIn(ReportInputs(trace, shortSine), LockInOutputs{cm, gs, gm}),
            LockInStatus::kSegmentTooShort);
  EXPECT_EQ(wb_.history().substr(before),
            cal + "\r LockIn Result:\rSine segment 1 is shorter than 2 cycles: LockIn stopped.\r\r");

  before = wb_.history().size();
  LockInInputs coarse = ReportInputs(trace, shortSine);
  coarse.sampleInterval = 5e-4;
  ASSERT_EQ(ComputeLockIn(coarse, LockInOutputs{cm, gs, gm}), LockInStatus::kPeriodTooShort);
  EXPECT_EQ(wb_.history().substr(before),
            cal + "\r LockIn Result:\rSine period 0.001 s at 0.0005 s per sample gives 2 points "
                  "per cycle, fewer than 3: no LockIn.\r\r");
}

TEST_F(LockInReport, NothingIsPostedWithoutReport) {
  const std::vector<float> trace = CellTrace(Cell{}, -0.02);
  const LockInSegmentList stim = ToLockInStimulus(
      {{false, -0.07, 0.003}, {true, -0.02, 0.006}}, LockInPath::kPulse);
  LockInInputs in = ReportInputs(trace, stim);
  in.report = false;
  in.extCalValid = false;  // the estimate stays silent too
  std::vector<double> cm(9), gs(9), gm(9);
  ASSERT_EQ(ComputeLockIn(in, LockInOutputs{cm, gs, gm}), LockInStatus::kOk);
  EXPECT_EQ(Posted(), "");
}

}  // namespace
}  // namespace kwt::test
