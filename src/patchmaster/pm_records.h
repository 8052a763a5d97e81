// The records of the four trees of a PatchMaster recording, as the module
// reads them: the pulsed tree (root, group, series, sweep, trace), the
// stimulus tree (root, stimulation, channel, segment), the amplifier tree
// (root, amplifier series, amplifier state) and the solution tree (root,
// solution, chemical).
//
// Each struct holds the fields the module uses, each decoded from its offset
// at its width; the bytes between them are not interpreted.  Numbers are
// read in the tree's byte order (swapped at their width in big-endian
// trees); single bytes and texts are taken as they stand.  A text field of
// N bytes is kept as char[N + 1] with a NUL added.  The comment behind each
// member gives its offset in the stored record.
//
// Every record has a known size: the buffer the tree reader reads a stored
// record into.  A stored record that is shorter leaves the rest of the
// known size zero, so fields behind its end read as 0; one that is longer
// has its extra bytes skipped.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "support/byte_reader.h"
#include "support/record_decoder.h"

namespace kwt {

// ---- Blocks shared by series and amplifier-state records -------------------

// LockIn parameters (96 bytes): the calibration that the LockIn computation
// takes from the amplifier.
struct LockInParams {
  double extPhase = 0.0;        // 0: phase of the external calibration, degrees
  double extAttenuation = 0.0;  // 8: attenuation of the external calibration
  double phase = 0.0;           // 16: phase of the LockIn, degrees (shown by the browser)
  uint8_t extCalValid = 0;      // 64: non-zero when the two values above hold

  bool operator==(const LockInParams&) const = default;
};

// Amplifier settings (400 bytes).
struct AmplifierState {
  double filter1Bandwidth = 0.0;  // 16: Hz
  double filter2Bandwidth = 0.0;  // 24: Hz
  double rsValue = 0.0;           // 32: series resistance, Ohm
  double rsFraction = 0.0;        // 40: compensated fraction, 0 to 1
  double cFastAmp1 = 0.0;         // 56: F
  double cFastAmp2 = 0.0;         // 64: F
  double gSeries = 0.0;           // 88: series conductance, S
  double vHold = 0.0;             // 112: holding potential, V
  double vOffset = 0.0;           // 128: pipette offset, V
  double vLiquidJunction = 0.0;   // 136: liquid junction potential, V
  double ccIHold = 0.0;           // 144: holding current in current clamp, A
  uint8_t amplKind = 0;           // 232: 0 = no amplifier (holding from the stimulus)
  uint8_t aDBoard = 0;            // 234: interface board kind
  uint8_t clampSpeed = 0;         // 238: clamp speed index
  uint8_t filter2Type = 0;        // 239
  uint8_t rsOn = 0;               // 240: series-resistance compensation on
  uint8_t compCorrection = 0;     // 241: compensation correction on
  uint8_t ccRange = 0;            // 242: current-clamp range index
  uint8_t ccGain = 0;             // 243: current-clamp gain index (kCcGain...)
  uint8_t gainRange = 0;          // 281: gain range index
  uint8_t stimFilterOn = 0;       // 282: stimulus filter on

  bool operator==(const AmplifierState&) const = default;
};

// Current-clamp gains by index (ccGain): the amperes the amplifier injects
// per volt of its stimulus input (0.1, 1 and 10 pA/mV).
inline constexpr double kCcGain[] = {1e-10, 1e-9, 1e-8};

inline constexpr size_t kLockInParamsSize = 96;
inline constexpr size_t kAmplifierStateSize = 400;

// ---- Pulsed tree ------------------------------------------------------------

struct PmRootRecord {
  char roVersionName[32 + 1] = {};  // 8: version of the acquisition program
  double roStartTime = 0.0;         // 520: start of the file, s since 1990

  bool operator==(const PmRootRecord&) const = default;
};

struct PmGroupRecord {
  char grLabel[32 + 1] = {};  // 4
  char grText[80 + 1] = {};   // 36

  bool operator==(const PmGroupRecord&) const = default;
};

// Name and unit of one series user parameter.
struct PmUserParamName {
  char name[32 + 1] = {};
  char unit[8 + 1] = {};

  bool operator==(const PmUserParamName&) const = default;
};

struct PmSeriesRecord {
  char seLabel[32 + 1] = {};                    // 4
  char seComment[80 + 1] = {};                  // 36
  double seTime = 0.0;                          // 136: s since 1990
  std::array<double, 4> seUserParamValue = {};  // 344
  LockInParams seLockInParams;                  // 376 (96 bytes)
  AmplifierState seAmplifierState;              // 472 (400 bytes)
  std::array<PmUserParamName, 4> seUserParamName = {};  // 952: 4 x (char[32], char[8])

  bool operator==(const PmSeriesRecord&) const = default;
};

struct PmSweepRecord {
  char swLabel[32 + 1] = {};   // 4
  int32_t stimNo = 0;          // 40: 1-based stimulation in the stimulus tree
  int32_t swSweepNumber = 0;   // 44: number within the series' protocol
  double swTime = 0.0;         // 48: s since 1990
  double swTimer = 0.0;        // 56: s
  double swTemperature = 0.0;  // 96: degrees Celsius
  int16_t swDigitalIn = 0;     // 112
  int16_t swDigitalOut = 0;    // 116

  bool operator==(const PmSweepRecord&) const = default;
};

struct PmTraceRecord {
  char trLabel[32 + 1] = {};     // 4: last part of the wave name
  int32_t trTraceCount = 0;      // 36
  int32_t trDataOffset = 0;      // 40: first sample, absolute in the data file
  int32_t trDataPoints = 0;      // 44
  int32_t trIntSolution = 0;     // 48: 0 = none
  int32_t trAverageCount = 0;    // 52
  int32_t trLeakCount = 0;       // 56
  int16_t trDataKind = 0;        // 64: bits, see kTraceKind...
  uint8_t trRecordingMode = 0;   // 68
  uint8_t trAmplIndex = 0;       // 69: 1-based amplifier state, 0 = none
  uint8_t trDataFormat = 0;      // 70: kPmSample...
  double trDataScaler = 0.0;     // 72: data units per stored unit
  double trXStart = 0.0;         // 80: s
  double trZeroData = 0.0;       // 88: data units
  char trYUnit[8 + 1] = {};      // 96
  double trXInterval = 0.0;      // 104: s
  double trBandwidth = 0.0;      // 144: Hz
  double trCSlow = 0.0;          // 176: F
  double trGSeries = 0.0;        // 184: S
  double trRsValue = 0.0;        // 192: Ohm
  int32_t trLinkDAChannel = 0;   // 216: linked stimulus channel
  int32_t trExtSolution = 0;     // 244: 0 = none
  int32_t trInterleaveSize = 0;  // 292: bytes per block, 0 = one block
  int32_t trInterleaveSkip = 0;  // 296: bytes from block start to block start

  bool operator==(const PmTraceRecord&) const = default;
};

// Bits of trDataKind.
inline constexpr int16_t kTraceKindLittleEndian = 0x1;  // samples stored little-endian
inline constexpr int16_t kTraceKindNoStimulus = 0x4;    // no stimulus waves, no LockIn

// Values of trDataFormat.
inline constexpr uint8_t kPmSampleInt16 = 0;
inline constexpr uint8_t kPmSampleInt32 = 1;
inline constexpr uint8_t kPmSampleReal32 = 2;
inline constexpr uint8_t kPmSampleReal64 = 3;

// The byte order of a trace's samples in the data file (trDataKind bit 0).
ByteOrder TraceSampleOrder(const PmTraceRecord& trace);

// ---- Stimulus tree ----------------------------------------------------------

// The stimulus root holds nothing the module uses.
struct PmStimRootRecord {
  bool operator==(const PmStimRootRecord&) const = default;
};

struct PmStimulationRecord {
  char stName[32 + 1] = {};       // 4
  int32_t stStartSegment = 0;     // 100: segment in which recording starts
  double stStartTime = 0.0;       // 104: s within that segment
  double stSampleInterval = 0.0;  // 112: s
  double stLeakDelay = 0.0;       // 128: s
  int32_t stNumberSweeps = 0;     // 144
  int32_t stNumberLeaks = 0;      // 148
  uint8_t stLockInFlag = 0;       // 168: non-zero: carries a LockIn sine

  bool operator==(const PmStimulationRecord&) const = default;
};

struct PmChannelRecord {
  int32_t chLinkedChannel = 0;        // 4: trace number the output is linked to
  uint8_t chAdcMode = 0;              // 22: non-zero: the channel records
  uint8_t chHoldFromLast = 0;         // 27
  int16_t chDacChannel = 0;           // 28
  uint8_t chDacMode = 0;              // 30: 0 none, 1 analog, 2 digital word, 3 bit
  double chHolding = 0.0;             // 48: V (A in current clamp)
  double chLeakHolding = 0.0;         // 56
  double chLeakSize = 0.0;            // 64
  int16_t chDacBit = 0;               // 84
  double chSineCycle = 0.0;           // 96: s
  double chSineAmplitude = 0.0;       // 104
  double chReversalPotential = 0.0;   // 112: V
  int32_t chSkipCycles = 0;           // 160

  bool operator==(const PmChannelRecord&) const = default;
};

struct PmSegmentRecord {
  uint8_t segClass = 0;              // 4: kPmSegment...
  uint8_t segStore = 0;              // 5: listed in the note when non-zero
  uint8_t segVoltageIncMode = 0;     // 6: 0 to 9
  uint8_t segDurationIncMode = 0;    // 7: 0 to 9
  double segVoltage = 0.0;           // 8
  int32_t segVoltageSource = 0;      // 16: 1 = the holding level
  double segDeltaVFactor = 0.0;      // 20
  double segDeltaVIncrement = 0.0;   // 28
  double segDuration = 0.0;          // 36: s
  double segDeltaTFactor = 0.0;      // 48
  double segDeltaTIncrement = 0.0;   // 56

  bool operator==(const PmSegmentRecord&) const = default;
};

// Values of segClass.
inline constexpr uint8_t kPmSegmentConstant = 0;
inline constexpr uint8_t kPmSegmentRamp = 1;
inline constexpr uint8_t kPmSegmentContinuous = 2;
inline constexpr uint8_t kPmSegmentSine = 3;
inline constexpr uint8_t kPmSegmentSquare = 4;

// ---- Amplifier tree ---------------------------------------------------------

struct AmpRootRecord {
  bool operator==(const AmpRootRecord&) const = default;
};

// An amplifier series serves only as the parent of its states.
struct AmpSeriesRecord {
  bool operator==(const AmpSeriesRecord&) const = default;
};

struct AmpStateRecord {
  LockInParams lockInParams;      // 16 (96 bytes)
  AmplifierState amplifierState;  // 112 (400 bytes)

  bool operator==(const AmpStateRecord&) const = default;
};

// ---- Solution tree ----------------------------------------------------------

struct SolRootRecord {
  bool operator==(const SolRootRecord&) const = default;
};

struct SolutionRecord {
  char solName[80 + 1] = {};  // 4

  bool operator==(const SolutionRecord&) const = default;
};

struct ChemicalRecord {
  bool operator==(const ChemicalRecord&) const = default;
};

// ---- Known sizes ------------------------------------------------------------

inline constexpr size_t kPmRootRecordSize = 544;
inline constexpr size_t kPmGroupRecordSize = 128;
inline constexpr size_t kPmSeriesRecordSize = 1312;
inline constexpr size_t kPmSweepRecordSize = 160;
inline constexpr size_t kPmTraceRecordSize = 384;
inline constexpr size_t kPmStimRootRecordSize = 584;
inline constexpr size_t kPmStimulationRecordSize = 248;
inline constexpr size_t kPmChannelRecordSize = 400;
inline constexpr size_t kPmSegmentRecordSize = 80;
inline constexpr size_t kAmpRootRecordSize = 80;
inline constexpr size_t kAmpSeriesRecordSize = 16;
inline constexpr size_t kAmpStateRecordSize = 560;
inline constexpr size_t kSolRootRecordSize = 88;
inline constexpr size_t kSolutionRecordSize = 160;
inline constexpr size_t kChemicalRecordSize = 40;

// ---- Decoding ---------------------------------------------------------------

// Each fills every field of *out from the bytes of one record (its known
// size or shorter); fields beyond `bytes` decode as zero.
void DecodePmRootRecord(std::span<const uint8_t> bytes, ByteOrder order, PmRootRecord* out);
void DecodePmGroupRecord(std::span<const uint8_t> bytes, ByteOrder order, PmGroupRecord* out);
void DecodePmSeriesRecord(std::span<const uint8_t> bytes, ByteOrder order, PmSeriesRecord* out);
void DecodePmSweepRecord(std::span<const uint8_t> bytes, ByteOrder order, PmSweepRecord* out);
void DecodePmTraceRecord(std::span<const uint8_t> bytes, ByteOrder order, PmTraceRecord* out);
void DecodePmStimulationRecord(std::span<const uint8_t> bytes, ByteOrder order,
                               PmStimulationRecord* out);
void DecodePmChannelRecord(std::span<const uint8_t> bytes, ByteOrder order, PmChannelRecord* out);
void DecodePmSegmentRecord(std::span<const uint8_t> bytes, ByteOrder order, PmSegmentRecord* out);
void DecodeAmpStateRecord(std::span<const uint8_t> bytes, ByteOrder order, AmpStateRecord* out);
void DecodeSolutionRecord(std::span<const uint8_t> bytes, ByteOrder order, SolutionRecord* out);
// The two blocks on their own, from the bytes of the block.
void DecodeLockInParams(std::span<const uint8_t> bytes, ByteOrder order, LockInParams* out);
void DecodeAmplifierState(std::span<const uint8_t> bytes, ByteOrder order, AmplifierState* out);

}  // namespace kwt
