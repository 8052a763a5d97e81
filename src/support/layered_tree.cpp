#include "support/layered_tree.h"

#include <array>
#include <limits>
#include <optional>
#include <vector>

#include "support/tree_framing.h"

namespace kwt {
namespace {

// The state of one read: the stored sizes from the header, the totals of
// the counting pass and the scratch buffers of the reading pass.
struct Walk {
  explicit Walk(ByteReader& r) : reader(r) {}

  ByteReader& reader;
  size_t levels = 0;
  std::array<int32_t, kMaxTreeLevels> stored{};
  std::array<int64_t, kMaxTreeLevels> totals{};
  std::array<int32_t, kMaxTreeLevels> next{};
  std::array<std::vector<uint8_t>, kMaxTreeLevels> scratch;
  TreeSink* sink = nullptr;

  bool IsLast(size_t level) const { return level + 1 == levels; }
  // The bytes a child on `level` takes at least: its record and its count.
  uint64_t ChildBytesAt(size_t level) const { return ChildBytes(stored[level]); }
};

// Adds `count` records to the total of a level; false when the total no
// longer fits the int32 indices of the links.
bool AddToTotal(Walk& walk, size_t level, int32_t count) {
  walk.totals[level] += count;
  return walk.totals[level] <= std::numeric_limits<int32_t>::max();
}

// Counting pass: `count` records of `level` follow at the reader's
// position; seek over each and count its descendants.
bool CountLevel(Walk& walk, size_t level, int32_t count) {
  if (!AddToTotal(walk, level, count)) return false;
  if (walk.IsLast(level)) {
    // Records of the last level and their (zero) child counts are passed in
    // one seek.  The count was checked against the remaining bytes with
    // exactly this per-child size, so the product cannot exceed the file.
    return walk.reader.Skip(walk.ChildBytesAt(level) * static_cast<uint64_t>(count));
  }
  for (int32_t i = 0; i < count; ++i) {
    int32_t children = 0;
    if (!walk.reader.Skip(static_cast<uint64_t>(walk.stored[level])) ||
        !ReadChildCount(walk.reader, walk.ChildBytesAt(level + 1), &children) ||
        !CountLevel(walk, level + 1, children))
      return false;
  }
  return true;
}

// Reading pass: the same walk, now reading each record into its level's
// scratch buffer and handing it over with its links.  The counts are read
// again and must stay within the totals of the first pass, so that the
// indices handed over always fall inside the arrays the sink reserved.
bool ReadLevel(Walk& walk, size_t level, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    if (walk.next[level] >= walk.totals[level]) return false;
    const int32_t index = walk.next[level]++;
    std::vector<uint8_t>& known = walk.scratch[level];
    if (!ReadTreeRecord(walk.reader, walk.stored[level], known)) return false;

    TreeLinks links;
    links.number = i + 1;
    links.nextSibling = i + 1 < count ? index + 1 : kNoLink;
    if (walk.IsLast(level)) {
      // The child count behind a record of the last level is read over: a
      // last-level record has no children to hold.
      int32_t ignored = 0;
      if (!walk.reader.ReadI32(&ignored)) return false;
    } else {
      int32_t children = 0;
      if (!ReadChildCount(walk.reader, walk.ChildBytesAt(level + 1), &children) ||
          children > walk.totals[level + 1] - walk.next[level + 1])
        return false;
      links.childCount = children;
      // Children follow their parent directly, so the first child takes the
      // next free index of the level below.
      links.firstChild = children > 0 ? walk.next[level + 1] : kNoLink;
    }
    walk.sink->Record(level, index, known, walk.reader.order(), links);
    if (links.childCount > 0 && !ReadLevel(walk, level + 1, links.childCount)) return false;
  }
  return true;
}

}  // namespace

bool ReadLayeredTree(const ByteSource& source, std::span<const size_t> knownSizes,
                     TreeSink& sink, TreeSpan* span) {
  const size_t levels = knownSizes.size();
  if (levels == 0 || levels > kMaxTreeLevels) return false;
  const std::optional<ByteOrder> order = TreeByteOrder(source);
  if (!order) return false;
  ByteReader reader(source, *order);

  // A tree with another number of levels places its records differently
  // (the size table is longer or shorter, the nesting deeper or flatter);
  // reading it with this layout would only give nonsense, so it is refused.
  int32_t levelCount = 0;
  if (!reader.Seek(kTreeLevelCountOffset) || !reader.ReadI32(&levelCount) ||
      levelCount != static_cast<int32_t>(levels))
    return false;

  Walk walk(reader);
  walk.levels = levels;
  walk.sink = &sink;
  for (size_t level = 0; level < levels; ++level) {
    if (!reader.ReadI32(&walk.stored[level]) || walk.stored[level] < 0) return false;
    walk.scratch[level].assign(knownSizes[level], 0);
  }

  if (!ReadTreeRecord(reader, walk.stored[0], walk.scratch[0])) return false;
  sink.Root(walk.scratch[0], *order);
  walk.totals[0] = 1;
  int32_t rootChildren = 0;
  if (levels == 1) {
    // A root alone: its child count is read over like any last level's.
    if (!reader.ReadI32(&rootChildren)) return false;
    if (span != nullptr) *span = {reader.position(), source.size()};
    return true;
  }
  if (!ReadChildCount(reader, walk.ChildBytesAt(1), &rootChildren)) return false;
  const uint64_t firstChild = reader.position();

  if (!CountLevel(walk, 1, rootChildren)) return false;

  std::array<int32_t, kMaxTreeLevels> counts{};
  for (size_t level = 0; level < levels; ++level)
    counts[level] = static_cast<int32_t>(walk.totals[level]);
  sink.Reserve(std::span<const int32_t>(counts.data(), levels));

  if (!reader.Seek(firstChild)) return false;
  walk.next[0] = 1;
  if (!ReadLevel(walk, 1, rootChildren)) return false;
  // Both passes must have seen the same tree.
  for (size_t level = 1; level < levels; ++level)
    if (walk.next[level] != walk.totals[level]) return false;
  if (span != nullptr) *span = {reader.position(), source.size()};
  return true;
}

}  // namespace kwt
