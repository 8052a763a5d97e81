// The records of an X-Chart tree file (".tree"): the file header, the group
// record and the trace record, as the module reads them.
//
// All records are packed.  Multi-byte numbers are in the tree's byte order
// (the magic decides it, see xchart_tree.h); single bytes and texts are
// taken as they stand.  Text fields of N bytes are kept as char[N + 1] with
// a NUL added.  Only the fields the loader and the load dialog use are
// kept; the rest of each record lies between them and is skipped, so the
// offsets below are those of the stored record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "support/byte_reader.h"

namespace kwt {

// Bytes of each record that the module knows.  A stored group or trace
// record may be longer (the header's G and T); the extra bytes are skipped.
inline constexpr size_t kXChartHeaderSize = 1752;
inline constexpr size_t kXChartGroupSize = 1138;
inline constexpr size_t kXChartTraceSize = 88;
// Every group holds this many trace records; position 0 is the time base.
inline constexpr int kXChartTraces = 17;
// Description lines of a group record.
inline constexpr int kXChartDescriptionLines = 8;

// The tree header, 1752 bytes at offset 0 of the file.
struct XChartHeader {
  ByteOrder order = ByteOrder::kLittle;  // what the magic at 0 announced
  int32_t rootSize = 0;                  // 8: R, the stored root record
  int32_t groupSize = 0;                 // 12: G, a stored group record
  int32_t traceSize = 0;                 // 16: T, a stored trace record
  char identification[22 + 1] = {};      // 20: the recording program's text
  char title[80 + 1] = {};               // 54: title of the recording
  int16_t groupCount = 0;                // 552: groups in the file; 0 or less: not given

  bool operator==(const XChartHeader&) const = default;
};

// A group record, 1138 bytes.
struct XChartGroup {
  char description[kXChartDescriptionLines][80 + 1] = {};  // 0: 8 lines of 80
  int32_t points = 0;        // 1076: points of every trace of the group
  int32_t sampleOffset = 0;  // 1080: where the group's samples begin in the data file
  uint8_t sampleOrder = 0;   // 1089: 1 little-endian samples, else big-endian
  double time = 0.0;         // 1092: start, seconds since 1990-01-01 00:00 local time

  bool operator==(const XChartGroup&) const = default;
};

// A trace record, 88 bytes (stored T bytes apart plus a 4-byte count).
struct XChartTrace {
  uint8_t active = 0;           // 0: a signed byte; the trace exists when > 0
  char name[12 + 1] = {};       // 22
  char unit[12 + 1] = {};       // 34: possibly with a one-letter prefix ("mV")
  uint8_t style = 0;            // 46: display style 0 to 12
  int16_t ticks = 0;            // 48: ticks of its axis
  double axisMin = 0.0;         // 50: axis range, in the prefixed unit
  double axisMax = 0.0;         // 58
  int16_t slot = 0;             // 66: display slot 1..16; 0 or less not displayed
  int16_t height = 0;           // 68: relative height of its slot
  int16_t colour = 0;           // 70: colour index 0 to 15
  uint8_t autoZeroApplied = 0;  // 78: non-zero when auto-zero was applied
  float autoZero = 0.0f;        // 80: the auto-zero value

  bool operator==(const XChartTrace&) const = default;
};

// The 17 trace records of one group, in table order.
using XChartTraceTable = std::array<XChartTrace, kXChartTraces>;

// True when the trace's active byte, read as a signed byte, is above 0.
inline bool IsActiveTrace(const XChartTrace& trace) {
  return trace.active > 0 && trace.active < 0x80;
}

// Decoders: fill *out from the bytes of one stored record in `order`.
// Bytes the span does not hold read as zero.  The header's byte order and
// sizes are decoded too; the caller checks them.
void DecodeXChartHeader(std::span<const uint8_t> bytes, ByteOrder order, XChartHeader* out);
void DecodeXChartGroup(std::span<const uint8_t> bytes, ByteOrder order, XChartGroup* out);
void DecodeXChartTrace(std::span<const uint8_t> bytes, ByteOrder order, XChartTrace* out);

}  // namespace kwt
