#include "xchart/xchart_tree.h"

#include <array>
#include <limits>

#include "host/result_codes.h"
#include "support/paths.h"
#include "support/tree_framing.h"

namespace kwt {
namespace {

// The framing ahead of the root record (magic, level count, three sizes)
// and the root's child count behind it.
constexpr uint64_t kFramingBytes = 20;
constexpr uint64_t kCountBytes = 4;
// The largest position handed to a source: well inside int64, so that
// adding a record size to it can never wrap.
constexpr uint64_t kMaxPosition = uint64_t{1} << 62;
// int16 group counts cannot go beyond this.
constexpr int32_t kMaxGroups = std::numeric_limits<int16_t>::max();

// Bytes from one group record to the next: the group with its count and
// 17 traces with theirs.
uint64_t GroupStride(const XChartHeader& h) {
  return static_cast<uint64_t>(h.groupSize) + kCountBytes +
         kXChartTraces * (static_cast<uint64_t>(h.traceSize) + kCountBytes);
}

// True when the header's sizes are ones this reader can place records by.
bool SizesValid(const XChartHeader& h) {
  return h.rootSize >= 0 && h.groupSize >= static_cast<int32_t>(kXChartGroupSize) &&
         h.traceSize >= static_cast<int32_t>(kXChartTraceSize);
}

// True when the source holds `length` bytes from `offset` on.  Compared as
// remaining bytes, so no end position is formed that could wrap.
bool Holds(const ByteSource& source, uint64_t offset, uint64_t length) {
  return offset <= source.size() && length <= source.size() - offset;
}

}  // namespace

bool XChartSiblingPath(const std::string& path, std::string_view extension, std::string* out) {
  std::string sibling = path;
  // A dot in a folder name is no extension of the file; the result must
  // stay a path the host can take.
  if (!ReplaceExtension(sibling, extension, kHostMaxPathLength)) return false;
  *out = std::move(sibling);
  return true;
}

std::optional<uint64_t> XChartGroupOffset(const XChartHeader& header, int32_t group) {
  if (group < 1 || !SizesValid(header)) return std::nullopt;
  const uint64_t first = kFramingBytes + static_cast<uint64_t>(header.rootSize) + kCountBytes;
  const uint64_t stride = GroupStride(header);
  const uint64_t index = static_cast<uint64_t>(group) - 1;
  // Sizes are below 2^31, so the stride is below 2^36 and first below
  // 2^32: the test below keeps index * stride + first under kMaxPosition.
  if (index > (kMaxPosition - first) / stride) return std::nullopt;
  return first + index * stride;
}

std::optional<uint64_t> XChartTraceOffset(const XChartHeader& header, int32_t group,
                                          int32_t position) {
  if (position < 0 || position >= kXChartTraces) return std::nullopt;
  const std::optional<uint64_t> start = XChartGroupOffset(header, group);
  if (!start) return std::nullopt;
  const uint64_t unit = static_cast<uint64_t>(header.traceSize) + kCountBytes;
  const uint64_t offset = *start + static_cast<uint64_t>(header.groupSize) + kCountBytes +
                          static_cast<uint64_t>(position) * unit;
  // At most 2^62 + 2^31 + 4 + 16 * (2^31 + 4): far below 2^63.
  return offset;
}

bool ReadXChartHeader(const ByteSource& tree, XChartHeader* out) {
  *out = XChartHeader{};
  // Only the two magics say which order the file is in; anything else is
  // not a tree file, and reading it in a guessed order would give nonsense.
  const std::optional<ByteOrder> order = TreeByteOrder(tree);
  if (!order) return false;
  std::array<uint8_t, kXChartHeaderSize> bytes{};
  if (tree.ReadAt(0, bytes) != bytes.size()) return false;
  XChartHeader header;
  DecodeXChartHeader(bytes, *order, &header);
  // Every position below is computed from these sizes; records smaller
  // than their known fields would make the records overlap.
  if (!SizesValid(header)) return false;
  *out = header;
  return true;
}

bool ReadXChartGroup(const ByteSource& tree, const XChartHeader& header, int32_t group,
                     XChartGroup* out) {
  *out = XChartGroup{};
  if (group < 1) return false;
  if (header.groupCount > 0 && group > header.groupCount) return false;
  const std::optional<uint64_t> offset = XChartGroupOffset(header, group);
  if (!offset || !Holds(tree, *offset, kXChartGroupSize)) return false;
  std::array<uint8_t, kXChartGroupSize> bytes{};
  if (tree.ReadAt(*offset, bytes) != bytes.size()) return false;
  DecodeXChartGroup(bytes, header.order, out);
  return true;
}

int32_t ReadXChartTraces(const ByteSource& tree, const XChartHeader& header, int32_t group,
                         XChartTraceTable* out) {
  out->fill(XChartTrace{});
  int32_t read = 0;
  for (int32_t position = 0; position < kXChartTraces; ++position) {
    const std::optional<uint64_t> offset = XChartTraceOffset(header, group, position);
    // A record is taken only whole: half a record would pass its zeroed
    // fields off as the file's.
    if (!offset || !Holds(tree, *offset, kXChartTraceSize)) break;
    std::array<uint8_t, kXChartTraceSize> bytes{};
    if (tree.ReadAt(*offset, bytes) != bytes.size()) break;
    DecodeXChartTrace(bytes, header.order, &(*out)[static_cast<size_t>(position)]);
    ++read;
  }
  return read;
}

int32_t XChartGroupsInFile(const ByteSource& tree, const XChartHeader& header) {
  if (!SizesValid(header)) return 0;
  if (header.groupCount > 0) return header.groupCount;
  // No count given: the groups whose records the file holds whole.  The
  // record positions grow by the stride, so the count follows from the
  // size without walking the file.
  const std::optional<uint64_t> first = XChartGroupOffset(header, 1);
  if (!first || !Holds(tree, *first, kXChartGroupSize)) return 0;
  const uint64_t after = tree.size() - *first - kXChartGroupSize;
  const uint64_t count = after / GroupStride(header) + 1;
  return count > static_cast<uint64_t>(kMaxGroups) ? kMaxGroups : static_cast<int32_t>(count);
}

}  // namespace kwt
