// The Pulse side of the LockIn: the inputs of ComputeLockIn taken from the
// stimulation, series and sweep records, the sweep's stimulus segments
// reconstructed through the protocol rules, and the three result waves.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/host.h"

#include "lockin/lockin.h"
#include "pulse/pulse_records.h"
#include "pulse/pulse_tree.h"

namespace kwt {

// The sweep's stimulus as the LockIn asks for it: segment k of stimulation
// `stimulation` with its class, its level and its duration at the sweep's
// protocol position.  The stimulus tree must stay loaded while it is used.
class PulseLockInStimulus final : public LockInStimulus {
 public:
  PulseLockInStimulus(int32_t stimulation, const SeriesRecord& series, const SweepRecord& sweep);

  int32_t SegmentCount() const override;
  bool GetSegment(int32_t k, LockInSegment* segment) const override;
  int32_t ProtocolPosition() const override { return position_; }
  int32_t ProtocolSweeps() const override { return protocolSweeps_; }

 private:
  int32_t stimulation_;
  const SeriesRecord& series_;
  int32_t position_ = 1;
  int32_t protocolSweeps_ = 0;
};

// The samples of the stimulus channel per sample of the trace channel, from
// the stimulation's channel counts.  A ratio that is not a positive finite
// number (counts of 0 in the record) is taken as 1.
double PulseSamplingRatio(const StimulationRecord& stimulation);

// The inputs of one LockIn run for a sweep, without the trace, the leak and
// the stimulus (the caller adds them): sample interval, sine period and
// amplitude, skipped cycles and reversal potential of the stimulation;
// compensation and calibration of the series; C-slow, G-series and the leak
// flag of the sweep; /H and /V from the loader's settings.
LockInInputs PulseLockInInputs(const StimulationRecord& stimulation, const SeriesRecord& series,
                               const SweepRecord& sweep);

// Samples per LockIn cycle: the sine period over the sample interval,
// rounded; 0 when it cannot be formed (a period under half a sample).
int64_t PulseCycleSamples(const StimulationRecord& stimulation);

// Makes "%s_Cm", "%s_Gs" and "%s_Gm" (64-bit reals, `points` each) for the
// first trace's wave `waveName` and fills them by the LockIn, with the leak
// trace from the wave "test_leak" when the sweep has one; then sets their
// units ("s" and "F", "s" and "S") and x scaling (the sine period from
// xOffset on).  `report` posts the LockIn's calibration and result.
// False, with no LockIn wave made, when the first trace's wave or the leak
// wave is missing; false also when a result wave cannot be made (those made
// hold NaN then).
bool RunPulseLockIn(std::string_view waveName, const PulseStimulationEntry& stimulation,
                    const SeriesRecord& series, const SweepRecord& sweep, int64_t points,
                    double xOffset, bool overwrite, bool report);

}  // namespace kwt
