// The Pulse stimulus tree (.pgf file): stimulation and segment records, the
// rules by which a segment's level and duration change from sweep to sweep
// of a protocol, and the stimulus template wave of a sweep.
//
// Records follow the conventions of pulse_records.h: every field in file
// order, numbers swapped at their width in big-endian trees, texts of N
// bytes kept as char[N + 1], fieldNN stored at offset NN and not
// interpreted.
//
// The level and duration functions look the records up in the module-wide
// stimulus tree (pulse_tree.h); they answer 0 when a record is missing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "pulse/pulse_records.h"
#include "support/byte_reader.h"
#include "support/record_decoder.h"

namespace kwt {

// The root record of a stimulus tree: its first 74 bytes are kept; only the
// format version is a number.
struct PgfRootRecord {
  int16_t version = 0;                 // 0
  std::array<uint8_t, 72> field2 = {};

  bool operator==(const PgfRootRecord&) const = default;
};

// Stimulation record: 376 bytes of known fields.  Bytes 120 to 203 are three
// channel blocks of 28 bytes (int16, three real64, two bytes); the first
// real64 of the first block is startOffset.
struct StimulationRecord {
  char field0[14 + 1] = {};
  char stimName[14 + 1] = {};      // 14: name of the stimulation
  double sampleInterval = 0.0;     // 28: s
  double field36 = 0.0;
  double field44 = 0.0;
  int32_t protocolSweeps = 0;      // 52: sweeps of the protocol
  int32_t field56 = 0;
  double field60 = 0.0;
  char field68[14 + 1] = {};
  double field82 = 0.0;
  int32_t leakCount = 0;           // 90: leak pulses, 0 = none
  double leakSize = 0.0;           // 94
  double leakHolding = 0.0;        // 102: V
  uint8_t field110 = 0;
  uint8_t field111 = 0;
  double leakDelay = 0.0;          // 112: s
  int16_t block1Word0 = 0;         // 120: first channel block
  double startOffset = 0.0;        // 122: subtracted from segment 1's duration
  double block1Real10 = 0.0;
  double block1Real18 = 0.0;
  uint8_t block1Byte26 = 0;        // 146
  uint8_t block1Byte27 = 0;
  int16_t block2Word0 = 0;         // 148: second channel block
  double block2Real2 = 0.0;
  double block2Real10 = 0.0;
  double block2Real18 = 0.0;
  uint8_t block2Byte26 = 0;        // 174
  uint8_t block2Byte27 = 0;
  int16_t block3Word0 = 0;         // 176: third channel block
  double block3Real2 = 0.0;
  double block3Real10 = 0.0;
  double block3Real18 = 0.0;
  uint8_t block3Byte26 = 0;        // 202
  uint8_t block3Byte27 = 0;
  int16_t channelBlocks = 0;       // 204: channel blocks in use (LockIn estimate)
  int16_t field206 = 0;
  int16_t field208 = 0;
  uint8_t field210 = 0;
  uint8_t sweepOrder = 0;          // 211: order of the protocol's sweeps
  int32_t stimPoints = 0;          // 212: samples per trace with useStimPoints
  int32_t field216 = 0;
  int16_t samplingCount = 0;       // 220: read by the LockIn estimate
  uint8_t field222 = 0;
  uint8_t relativeToHolding = 0;   // 223: levels relative to the holding
  uint8_t useStimPoints = 0;       // 224
  uint8_t incrementMode = 0;       // 225: != 0 rule A, 0 rule B
  int16_t field226 = 0;
  int16_t field228 = 0;
  int16_t field230 = 0;
  char leakUnit[2 + 1] = {};       // 232
  char secondUnit[2 + 1] = {};     // 234
  float holdingStep = 0.0f;        // 236: V per sweep
  uint8_t field240 = 0;
  uint8_t field241 = 0;
  int16_t field242 = 0;
  double sinePeriod = 0.0;         // 244: s
  double sineAmplitude = 0.0;      // 252
  uint8_t hasFura = 0;             // 260
  uint8_t holdingSource = 0;       // 261
  double furaInterval = 0.0;       // 262: s
  double furaStart = 0.0;          // 270: s
  double field278 = 0.0;
  double field286 = 0.0;
  double field294 = 0.0;
  double field302 = 0.0;
  double field310 = 0.0;
  int16_t furaPoints = 0;          // 318
  int32_t skipCycles = 0;          // 320: LockIn cycles skipped per segment
  double recordVReversal = 0.0;    // 324: LockIn reversal potential, V
  uint8_t field332 = 0;
  uint8_t field333 = 0;
  std::array<uint8_t, 16> field334 = {};
  std::array<uint8_t, 16> field350 = {};
  uint8_t field366 = 0;
  uint8_t field367 = 0;
  int16_t samplingRatioA = 0;      // 368: read by the LockIn estimate
  int16_t samplingRatioB = 0;      // 370
  int16_t field372 = 0;
  int16_t field374 = 0;

  bool operator==(const StimulationRecord&) const = default;
};

// Segment classes.
inline constexpr uint8_t kSegmentConstant = 0;
inline constexpr uint8_t kSegmentRamp = 1;
inline constexpr uint8_t kSegmentContinuous = 2;
inline constexpr uint8_t kSegmentConstant3 = 3;  // built like a constant segment
inline constexpr uint8_t kSegmentSine = 4;
inline constexpr uint8_t kSegmentSquare = 5;

// Segment record: 50 bytes of known fields.
struct SegmentRecord {
  uint8_t segmentClass = 0;        // 0: kSegment...
  uint8_t followsHolding = 0;      // 1: level from the holding potential
  double voltage = 0.0;            // 2: level for the protocol's first sweep
  double duration = 0.0;           // 10: s, for the first sweep
  double voltageFactor = 0.0;      // 18
  double voltageIncrement = 0.0;   // 26
  double durationFactor = 0.0;     // 34
  double durationIncrement = 0.0;  // 42

  bool operator==(const SegmentRecord&) const = default;
};

inline constexpr size_t kPgfRootRecordSize = 74;
inline constexpr size_t kStimulationRecordSize = 376;
inline constexpr size_t kSegmentRecordSize = 50;

// The field layouts, in file order.
std::span<const RecordField<PgfRootRecord>> PgfRootRecordFields();
std::span<const RecordField<StimulationRecord>> StimulationRecordFields();
std::span<const RecordField<SegmentRecord>> SegmentRecordFields();

// Each fills *out from the bytes of one stored record; missing bytes decode
// as zero.
void DecodePgfRootRecord(std::span<const uint8_t> bytes, ByteOrder order, PgfRootRecord* out);
void DecodeStimulationRecord(std::span<const uint8_t> bytes, ByteOrder order,
                             StimulationRecord* out);
void DecodeSegmentRecord(std::span<const uint8_t> bytes, ByteOrder order, SegmentRecord* out);

// ---- Protocol rules ---------------------------------------------------------

// Sweep orders of a protocol (sweepOrder).
inline constexpr int32_t kSweepOrderReverse = 1;
inline constexpr int32_t kSweepOrderNeighbours = 2;
inline constexpr int32_t kSweepOrderNeighboursReverse = 3;
inline constexpr int32_t kSweepOrderFromBothEnds = 4;

// The position within its protocol (1-based) of the sweep numbered n of a
// protocol of N sweeps run in `sweepOrder`.  Positions of sweep numbers
// outside 1..N may fall outside 1..N as well; the arithmetic never
// overflows (the result is clamped to the int32 range).
int32_t ProtocolSweep(int32_t sweepNumber, int32_t protocolSweeps, int32_t sweepOrder);

// Rule A (incrementMode != 0) for value x of the first sweep, factor f and
// increment d at protocol position k: x + (k - 1) d when f = 1; else x for
// k <= 1 and x + d f^(k - 2) after.
double IncrementRuleA(double x, double factor, double increment, int32_t position);
// Rule B (incrementMode 0): x for k <= 1, else x f^(k - 1) + (k - 1) d.
double IncrementRuleB(double x, double factor, double increment, int32_t position);

// Samples per trace of a sweep: the stimulation's stimPoints when its
// useStimPoints is set, else the sweep's dataPoints.
int32_t PulseTracePoints(const SweepRecord& sweep, const StimulationRecord& stimulation);

// True when stimulation i exists and one of its segments is a sine or a
// square-wave segment (the stimulation is fit for the LockIn).
bool HasLockInSegment(int32_t stimulation);

// The level of segment j of stimulation i at protocol position k, for a
// sweep of `series`; 0 when the stimulation or the segment is missing.
double PulseSegmentLevel(int32_t segment, int32_t position, int32_t stimulation,
                         const SeriesRecord& series);

// The duration in s of segment j of stimulation i at protocol position k
// (segment 1 less the stimulation's startOffset); 0 when missing.
double PulseSegmentDuration(int32_t segment, int32_t position, int32_t stimulation);

// Makes the stimulus template wave `name` (32-bit reals, one point per
// sample of the sweep's traces) for `sweep` of `series`, recorded with
// stimulation number `stimulation`, x start `xOffset`, x step the sample
// interval, units "s" and "A" in current clamp, "s" and "V" otherwise.
// True when the wave was made (segments that are missing end the template
// early); false when the stimulation is missing, the point count is
// negative or the host cannot make the wave.  The wave belongs to the host.
bool BuildStimTemplate(std::string_view name, const SeriesRecord& series,
                       const SweepRecord& sweep, int32_t stimulation, double xOffset,
                       bool overwrite);

}  // namespace kwt
