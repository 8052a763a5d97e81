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

// Below 1 nS and negative values are shown in pS; a hold of 0 marks Rm.
TEST_F(LockInReport, ResultLines) {
  const struct {
    LockInResult r;
    const char* text;
  } cases[] = {
      {{.segments = 1, .lastA = 0.5e-9, .lastB = -2e-9, .lastb = 3e-9, .lastPhase = 123.4,
        .meanGs = 1e-7, .meanGm = 2.5e-10, .meanCm = 12.3456e-12},
       "A:    500.00 pS;  B:  -2000.00 pS;  b:      3.00 nS;  Phase: 123.4 \xBA\r"
       "Rs:    10.00 MOhm;  Rm:     4.00 GOhm;  Cm:  12.3456 pF \r\r"},
      {{.segments = 2, .lastA = 25e-9, .lastB = 40e-9, .lastb = 0.0, .lastPhase = 58.0,
        .lastHoldZero = true, .meanGs = 2e-8, .meanGm = 0.0, .meanCm = 3.25e-12},
       "A:     25.00 nS;  B:     40.00 nS;  b:      0.00 pS;  Phase:  58.0 \xBA\r"
       "Rs:    50.00 MOhm;  Rm: (hold=0)      inf GOhm;  Cm:   3.2500 pF \r\r"},
  };
  for (const auto& c : cases) {
    const size_t before = wb_.history().size();
    ReportLockInResult(c.r);
    EXPECT_EQ(wb_.history().substr(before), std::string("\r LockIn Result:\r") + c.text);
  }
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
// 70.90 degrees, b = 990.10 pS.  On the reversal potential: b = 0, Rm
// unknown, and the two-element cell's Rs' = 11.01 MOhm and Cm' = 5.0051 pF.
TEST_F(LockInReport, WholeRunsOfAnIdealCell) {
  const std::string cal =
      "\r LockIn External Calibration:\rExt. Phase:   0.0 \xBA;  Ext. Att.:    1.000;\r";
  Sweep sweep({Constant(3), Sine(6)});
  sweep.in.extCalValid = false;  // the estimate stays silent too
  EXPECT_EQ(sweep.Run(9), "NNNNvvvvv");
  EXPECT_EQ(Posted(), "") << "nothing is posted without report";
  sweep.in.extCalValid = true;
  sweep.in.report = true;
  sweep.Run(9);
  EXPECT_EQ(Posted(), cal +
                          "\r LockIn Result:\r"
                          "A:      9.72 nS;  B:     28.08 nS;  b:    990.10 pS;  Phase:  70.9 \xBA\r"
                          "Rs:    10.00 MOhm;  Rm:     1.00 GOhm;  Cm:   5.0000 pF \r\r");

  const size_t before = wb_.history().size();
  Sweep reversal({Constant(3), Sine(6)}, LockInPath::kPatchMaster, 0, Cell{.vrev = -0.02});
  reversal.in.report = true;
  reversal.in.recordVReversal = -0.02;
  reversal.Run(9);
  EXPECT_EQ(wb_.history().substr(before),
            cal +
                "\r LockIn Result:\r"
                "A:      9.72 nS;  B:     28.08 nS;  b:      0.00 pS;  Phase:  70.9 \xBA\r"
                "Rs:    11.01 MOhm;  Rm: (hold=0)      inf GOhm;  Cm:   5.0051 pF \r\r");
}

// Runs without a result: no sine, a sine too short for its skipped cycles,
// too few points per cycle.
TEST_F(LockInReport, RunsWithoutAResultSaySo) {
  const struct {
    StimSegment segment;
    double dt;
    LockInStatus status;
    const char* text;
  } cases[] = {
      {Constant(6), kDt, LockInStatus::kOk,
       "No sine or square-wave segment evaluated: Cm, Gs and Gm are NaN."},
      {Sine(1.5), kDt, LockInStatus::kSegmentTooShort,
       "Sine segment 1 is shorter than 2 cycles: LockIn stopped."},
      {Sine(1.5), 5e-4, LockInStatus::kPeriodTooShort,
       "Sine period 0.001 s at 0.0005 s per sample gives 2 points per cycle, fewer than 3: no "
       "LockIn."},
  };
  for (const auto& c : cases) {
    Sweep sweep({c.segment}, LockInPath::kPulse, 600);
    sweep.in.report = true;
    sweep.in.sampleInterval = c.dt;
    const size_t before = wb_.history().size();
    sweep.Run(6, c.status);
    EXPECT_EQ(wb_.history().substr(before),
              "\r LockIn External Calibration:\rExt. Phase:   0.0 \xBA;  Ext. Att.:    1.000;\r"
              "\r LockIn Result:\r" + std::string(c.text) + "\r\r");
  }
}

}  // namespace
}  // namespace kwt::test
