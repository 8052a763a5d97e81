// The records of a Pulse acquisition tree (.pul file): root, group, series
// and sweep, as the module reads them.
//
// Each struct holds every field of its record in file order, packed in the
// file without padding.  Numbers are swapped at their field width when the
// tree is big-endian; single bytes, texts and raw byte fields are taken as
// they stand.  Text fields of N bytes are kept as char[N + 1] with a NUL
// added.  Members named fieldNN are stored at offset NN and not interpreted
// by the module; they are kept so that the layout stays exact.
//
// A record in the file may be longer than its known fields (the rest is
// ignored) or shorter (the missing fields read as zero).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "support/byte_reader.h"
#include "support/record_decoder.h"
#include "traces/recording_mode.h"
#include "traces/trace_samples.h"

namespace kwt {

// Root record: 438 bytes of known fields.
struct RootRecord {
  int16_t version = 0;             // 0: format version, not interpreted
  char versionName[14 + 1] = {};   // 2: version of the acquisition program
  char field16[14 + 1] = {};
  char field30[80 + 1] = {};       // 30, 110, 190, 270: four text lines
  char field110[80 + 1] = {};
  char field190[80 + 1] = {};
  char field270[80 + 1] = {};
  char field350[80 + 1] = {};
  double startTime = 0.0;          // 430: start of the file, s since 1990

  bool operator==(const RootRecord&) const = default;
};

// Group record: 106 bytes of known fields.
struct GroupRecord {
  char label[14 + 1] = {};  // 0
  char text[80 + 1] = {};   // 14
  int32_t field94 = 0;
  double field98 = 0.0;

  bool operator==(const GroupRecord&) const = default;
};

// Series record: 440 bytes of known fields.
struct SeriesRecord {
  double seriesTime = 0.0;         // 0: start of the series, s since 1990
  double bandwidth = 0.0;          // 8: filter bandwidth, Hz
  double holding = 0.0;            // 16: holding potential, V
  double cellPotential = 0.0;      // 24: V
  double pipetteResistance = 0.0;  // 32: Ohm
  double sealResistance = 0.0;     // 40: Ohm
  double field48 = 0.0;
  double temperature = 0.0;        // 56: degrees Celsius
  double field64 = 0.0;
  double userParam1Value = 0.0;    // 72
  char userParam1Name[14 + 1] = {};  // 80
  char userParam1Unit[2 + 1] = {};   // 94
  double userParam2Value = 0.0;      // 96
  char userParam2Name[14 + 1] = {};  // 104
  char userParam2Unit[2 + 1] = {};   // 118
  uint8_t recordingMode = 0;       // 120: index into the recording-mode table
  uint8_t field121 = 0;
  char comment[80 + 1] = {};       // 122
  uint8_t field202 = 0;
  uint8_t clampSpeed = 0;          // 203: 0, 1 or 2
  uint8_t field204 = 0;
  uint8_t gainRange = 0;           // 205: 0 to 3
  uint8_t field206 = 0;
  uint8_t filter2Type = 0;         // 207
  float filter1Bandwidth = 0.0f;   // 208: Hz
  uint8_t rsOn = 0;                // 212: series-resistance compensation on
  uint8_t field213 = 0;
  uint32_t field214 = 0;
  float rsFraction = 0.0f;         // 218: compensated fraction
  uint32_t field222 = 0;
  float cFastAmp1 = 0.0f;          // 226: F
  float cFastAmp2 = 0.0f;          // 230: F
  uint32_t field234 = 0;
  uint8_t compensationCorrection = 0;  // 238
  uint8_t field239 = 0;
  uint32_t field240 = 0;
  uint32_t field244 = 0;
  uint8_t field248 = 0;
  uint8_t stimFilterOn862 = 0;     // 249: stimulus filter, amplifier model "862"
  std::array<uint8_t, 2> field250 = {};
  uint8_t stimFilterOn = 0;        // 252: stimulus filter, other amplifier models
  uint8_t field253 = 0;
  uint8_t field254 = 0;
  uint8_t field255 = 0;
  uint32_t field256 = 0;
  float vOffset = 0.0f;            // 260: V
  float lj = 0.0f;                 // 264: liquid junction potential, V
  uint8_t field268 = 0;
  uint8_t field269 = 0;
  uint32_t field270 = 0;
  uint32_t field274 = 0;
  uint8_t field278 = 0;
  uint8_t field279 = 0;
  uint8_t field280 = 0;
  uint8_t field281 = 0;
  float filter2Bandwidth = 0.0f;   // 282: Hz, 0 = no second filter
  uint8_t field286 = 0;
  uint8_t field287 = 0;
  uint8_t field288 = 0;
  uint8_t field289 = 0;
  int16_t field290 = 0;
  int32_t field292 = 0;
  int32_t field296 = 0;
  uint8_t amplifierKind = 0;       // 300: a letter
  uint8_t field301 = 0;
  char amplifierModel[4 + 1] = {};   // 302
  int32_t internalSolution = 0;    // 306: 0 = none
  int32_t externalSolution = 0;    // 310: 0 = none
  char unit1[2 + 1] = {};          // 314: data unit of the first trace
  char unit2[2 + 1] = {};          // 316: unit of the second trace as stored; not used
  std::array<uint8_t, 4> field318 = {};
  std::array<uint8_t, 4> field322 = {};
  double furaKEff = 0.0;           // 326
  double furaRMin = 0.0;           // 334
  double furaRMax = 0.0;           // 342
  double phase = 0.0;              // 350: degrees
  std::array<uint8_t, 8> field358 = {};
  double field366 = 0.0;
  double field374 = 0.0;
  double field382 = 0.0;
  double field390 = 0.0;
  double extPhase = 0.0;           // 398: degrees
  double extAttenuation = 0.0;     // 406
  double field414 = 0.0;
  double field422 = 0.0;
  double field430 = 0.0;
  uint8_t extCalibrationValid = 0;   // 438
  uint8_t field439 = 0;

  bool operator==(const SeriesRecord&) const = default;
};

// Sweep record: 200 bytes of known fields.
struct SweepRecord {
  double sweepTime = 0.0;      // 0: s since 1990
  int32_t stimulation = 0;     // 8: 1-based number in the stimulus tree
  int32_t sweepNumber = 0;     // 12: number within its protocol
  int32_t averageCount = 0;    // 16
  uint8_t hasLeak = 0;         // 20: a leak trace follows the first trace
  uint8_t hasSecondTrace = 0;  // 21: a second trace follows
  char label[14 + 1] = {};     // 22
  int32_t dataPoints = 0;      // 36: samples per trace
  int32_t dataOffset = 0;      // 40: byte offset of the first trace in the data file
  int32_t field44 = 0;
  double factor1 = 0.0;        // 48: scale of the first and the leak trace
  double factor2 = 0.0;        // 56: scale of the second trace
  double cSlow = 0.0;          // 64: F
  double gSeries = 0.0;        // 72: S
  double rsValue = 0.0;        // 80: Ohm
  double field88 = 0.0;
  double field96 = 0.0;
  double field104 = 0.0;
  double field112 = 0.0;
  int32_t field120 = 0;
  int32_t field124 = 0;
  int16_t kindBits = 0;        // 128: sample layout bits (kSweepKind...)
  int32_t field130 = 0;
  int32_t field134 = 0;
  int32_t field138 = 0;
  double field142 = 0.0;
  double field150 = 0.0;
  double field158 = 0.0;
  double field166 = 0.0;
  uint8_t sampleFormat = 0;    // 174: kSampleInt16 ... kSampleReal64
  uint8_t field175 = 0;
  double timer = 0.0;          // 176: s
  std::array<uint8_t, 4> field184 = {};
  std::array<uint8_t, 8> field188 = {};
  std::array<uint8_t, 4> field196 = {};

  bool operator==(const SweepRecord&) const = default;
};

// Bytes of the known fields of each record.
inline constexpr size_t kRootRecordSize = 438;
inline constexpr size_t kGroupRecordSize = 106;
inline constexpr size_t kSeriesRecordSize = 440;
inline constexpr size_t kSweepRecordSize = 200;

// The field layouts, in file order.
std::span<const RecordField<RootRecord>> RootRecordFields();
std::span<const RecordField<GroupRecord>> GroupRecordFields();
std::span<const RecordField<SeriesRecord>> SeriesRecordFields();
std::span<const RecordField<SweepRecord>> SweepRecordFields();

// Each fills *out (every field) from the bytes of one stored record; bytes
// beyond `bytes` decode as zero.
void DecodeRootRecord(std::span<const uint8_t> bytes, ByteOrder order, RootRecord* out);
void DecodeGroupRecord(std::span<const uint8_t> bytes, ByteOrder order, GroupRecord* out);
void DecodeSeriesRecord(std::span<const uint8_t> bytes, ByteOrder order, SeriesRecord* out);
void DecodeSweepRecord(std::span<const uint8_t> bytes, ByteOrder order, SweepRecord* out);

// The series' holding potential with the sign of its recording mode applied.
double SignedHolding(const SeriesRecord& series);

// ---- Samples of a sweep ---------------------------------------------------

inline constexpr int16_t kSweepKindFormatBit0 = 0x1;  // with bit 3: sampleFormat applies
inline constexpr int16_t kSweepKindFormatBit3 = 0x8;
inline constexpr int16_t kSweepKindLittleEndian = 0x10;  // samples stored little-endian

// The sample format of the sweep's traces: its sampleFormat when kind bits
// 0 and 3 are both set, else kSampleInt16.  May be an unknown value (>= 4).
int32_t SweepSampleFormat(const SweepRecord& sweep);
// The byte order of the sweep's samples in the data file (kind bit 4).
ByteOrder SweepSampleOrder(const SweepRecord& sweep);

}  // namespace kwt
