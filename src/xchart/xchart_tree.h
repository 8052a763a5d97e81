// X-Chart tree files: the byte-order rule, where each group and its trace
// records lie, and the readers of the header, a group record and a group's
// trace table.
//
// The file begins with the framing the other tree files share: a magic
// ("Tree" big-endian, "eerT" little-endian), a level count, the stored sizes
// R, G and T of the root, group and trace records, then the records
// depth-first, each followed by a 4-byte child count.  Every group has 17
// traces, so the records lie at computed positions:
//
//   group g (from 1):      R + 24 + (G + 17 * (T + 4) + 4) * (g - 1)
//   its trace unit i:      group + G + 4 + i * (T + 4)
//
// With the usual T = 88 a trace unit is 92 bytes.  All positions are worked
// out in 64-bit arithmetic and checked against the file before any read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/byte_reader.h"
#include "xchart/xchart_records.h"

namespace kwt {

// The path of the other file of the pair: `path` with the text after the
// last "." of its file name replaced by `extension` ("tree" or "grp").
// False when the file name has no "." (a "." in a folder name does not
// count) or the result would be longer than 259 characters.
bool XChartSiblingPath(const std::string& path, std::string_view extension, std::string* out);

// Where group `group` (from 1) begins; nullopt when group < 1 or the
// position does not fit in 63 bits.
std::optional<uint64_t> XChartGroupOffset(const XChartHeader& header, int32_t group);
// Where trace unit `position` (0..16) of group `group` begins; nullopt as
// above or for a position outside 0..16.
std::optional<uint64_t> XChartTraceOffset(const XChartHeader& header, int32_t group,
                                          int32_t position);

// Reads the 1752-byte header.  False when the magic is neither "Tree" nor
// "eerT", the file is shorter than the header, R is negative, G is below
// 1138 or T below 88 (records that small cannot hold the known fields).
bool ReadXChartHeader(const ByteSource& tree, XChartHeader* out);

// Reads the record of group `group` (from 1) into *out.  False, with *out
// zeroed, when group < 1, group is beyond the header's group count (when
// the header gives one), or the file does not hold the whole record.
bool ReadXChartGroup(const ByteSource& tree, const XChartHeader& header, int32_t group,
                     XChartGroup* out);

// Reads the 17 trace records of group `group` into *out, which is zeroed
// first.  Records are read while the file holds them whole; a record cut
// by the end of the file and those behind it stay zero (inactive).
// Returns the number of records read (0..17).
int32_t ReadXChartTraces(const ByteSource& tree, const XChartHeader& header, int32_t group,
                         XChartTraceTable* out);

// The groups of the file: the header's group count when it gives one,
// otherwise as many group records as the file holds whole (at most 32767).
int32_t XChartGroupsInFile(const ByteSource& tree, const XChartHeader& header);

}  // namespace kwt
