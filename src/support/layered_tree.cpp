#include "support/layered_tree.h"

#include <array>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "support/format.h"
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
  std::string* why = nullptr;  // what stopped the read, when the caller asks

  bool IsLast(size_t level) const { return level + 1 == levels; }

  // Records why the read stops; always false.
  bool Fail(const std::string& text) const {
    if (why != nullptr && why->empty()) *why = text;
    return false;
  }
  // The file position of the reader, grouped for people.
  std::string At() const { return Grouped(reader.source().origin() + reader.position()); }
  // The bytes a child on `level` takes at least: its record and its count.
  uint64_t ChildBytesAt(size_t level) const { return ChildBytes(stored[level]); }
};

// "the root record" or "record 17 of level 2", for messages.
std::string RecordName(size_t level, int64_t number) {
  if (level == 0) return "the root record";
  return Format("record %lld of level %zu", static_cast<long long>(number), level);
}

// "1 child", "3 children".
std::string Children(int64_t count) {
  return Grouped(static_cast<uint64_t>(count)) + (count == 1 ? " child" : " children");
}

// Adds `count` records to the total of a level; false when the total no
// longer fits the int32 indices of the links.
bool AddToTotal(Walk& walk, size_t level, int32_t count) {
  walk.totals[level] += count;
  if (walk.totals[level] <= std::numeric_limits<int32_t>::max()) return true;
  return walk.Fail(Format("level %zu holds more than 2^31 - 1 records", level));
}

// Reads the child count behind record `number` of `level`; says what is
// wrong when the count is missing or more than the bytes behind it hold.
bool ReadCount(Walk& walk, size_t level, int64_t number, int32_t* count) {
  const uint64_t at = walk.reader.position();
  if (ReadChildCount(walk.reader, walk.ChildBytesAt(level + 1), count)) return true;
  if (walk.reader.truncated())
    return walk.Fail(Format("it ends at byte %s, inside the child count of %s", walk.At().c_str(),
                            RecordName(level, number).c_str()));
  int32_t value = 0;
  walk.reader.Seek(at);
  walk.reader.ReadI32(&value);
  if (value < 0)
    return walk.Fail(Format("%s has a negative child count (%d) at byte %s",
                            RecordName(level, number).c_str(), value,
                            Grouped(walk.reader.source().origin() + at).c_str()));
  return walk.Fail(Format("%s claims %s at byte %s, more than the %s bytes behind it can hold",
                          RecordName(level, number).c_str(), Children(value).c_str(),
                          Grouped(walk.reader.source().origin() + at).c_str(),
                          Grouped(walk.reader.remaining()).c_str()));
}

// Reads record `number` of `level` into its scratch buffer.
bool ReadRecord(Walk& walk, size_t level, int64_t number) {
  if (ReadTreeRecord(walk.reader, walk.stored[level], walk.scratch[level])) return true;
  return walk.Fail(Format("it ends at byte %s, inside %s (%d bytes)",
                          Grouped(walk.reader.source().origin() + walk.reader.size()).c_str(),
                          RecordName(level, number).c_str(), walk.stored[level]));
}

// Counting pass: `count` records of `level` follow at the reader's
// position; seek over each and count its descendants.
bool CountLevel(Walk& walk, size_t level, int32_t count) {
  if (!AddToTotal(walk, level, count)) return false;
  if (walk.IsLast(level)) {
    // Records of the last level and their (zero) child counts are passed in
    // one seek.  The count was checked against the remaining bytes with
    // exactly this per-child size, so the product cannot exceed the file.
    if (walk.reader.Skip(walk.ChildBytesAt(level) * static_cast<uint64_t>(count))) return true;
    return walk.Fail(Format("it ends at byte %s, inside the last %d records of level %zu",
                            Grouped(walk.reader.source().origin() + walk.reader.size()).c_str(),
                            count, level));
  }
  const int64_t first = walk.totals[level] - count;
  for (int32_t i = 0; i < count; ++i) {
    int32_t children = 0;
    if (!walk.reader.Skip(static_cast<uint64_t>(walk.stored[level])))
      return walk.Fail(Format("it ends at byte %s, inside record %lld of level %zu",
                              Grouped(walk.reader.source().origin() + walk.reader.size()).c_str(),
                              static_cast<long long>(first + i + 1), level));
    if (!ReadCount(walk, level, first + i + 1, &children) ||
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
    if (walk.next[level] >= walk.totals[level])
      return walk.Fail(Format("level %zu holds more records on a second reading", level));
    const int32_t index = walk.next[level]++;
    std::vector<uint8_t>& known = walk.scratch[level];
    if (!ReadRecord(walk, level, index + 1)) return false;

    TreeLinks links;
    links.number = i + 1;
    links.nextSibling = i + 1 < count ? index + 1 : kNoLink;
    if (walk.IsLast(level)) {
      // The child count behind a record of the last level is read over: a
      // last-level record has no children to hold.
      int32_t ignored = 0;
      if (!walk.reader.ReadI32(&ignored))
        return walk.Fail(Format("it ends at byte %s, after record %d of level %zu",
                                walk.At().c_str(), index + 1, level));
    } else {
      int32_t children = 0;
      if (!ReadCount(walk, level, index + 1, &children)) return false;
      if (children > walk.totals[level + 1] - walk.next[level + 1])
        return walk.Fail(Format("record %d of level %zu holds more children on a second reading",
                                index + 1, level));
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
                     TreeSink& sink, TreeSpan* span, std::string* why) {
  if (why != nullptr) why->clear();
  const size_t levels = knownSizes.size();
  if (levels == 0 || levels > kMaxTreeLevels) return false;
  const std::optional<ByteOrder> order = TreeByteOrder(source);
  if (!order) {
    if (why != nullptr)
      *why = source.size() < 4 ? Format("it holds only %s bytes", Grouped(source.size()).c_str())
                               : "it does not begin with a tree's magic";
    return false;
  }
  ByteReader reader(source, *order);
  Walk walk(reader);
  walk.why = why;

  // A tree with another number of levels places its records differently
  // (the size table is longer or shorter, the nesting deeper or flatter);
  // reading it with this layout would only give nonsense, so it is refused.
  int32_t levelCount = 0;
  if (!reader.Seek(kTreeLevelCountOffset) || !reader.ReadI32(&levelCount))
    return walk.Fail("it ends inside its header");
  if (levelCount != static_cast<int32_t>(levels))
    return walk.Fail(Format("it has %d levels where %zu are expected", levelCount, levels));

  walk.levels = levels;
  walk.sink = &sink;
  for (size_t level = 0; level < levels; ++level) {
    if (!reader.ReadI32(&walk.stored[level])) return walk.Fail("it ends inside its header");
    if (walk.stored[level] < 0)
      return walk.Fail(Format("the record size of level %zu is negative (%d)", level,
                              walk.stored[level]));
    walk.scratch[level].assign(knownSizes[level], 0);
  }

  if (!ReadRecord(walk, 0, 1)) return false;
  sink.Root(walk.scratch[0], *order);
  walk.totals[0] = 1;
  int32_t rootChildren = 0;
  if (levels == 1) {
    // A root alone: its child count is read over like any last level's.
    if (!reader.ReadI32(&rootChildren))
      return walk.Fail(Format("it ends at byte %s, after its root", walk.At().c_str()));
    if (span != nullptr) *span = {reader.position(), source.size()};
    return true;
  }
  if (!ReadCount(walk, 0, 1, &rootChildren)) return false;
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
    if (walk.next[level] != walk.totals[level])
      return walk.Fail(Format("level %zu holds fewer records on a second reading", level));
  if (span != nullptr) *span = {reader.position(), source.size()};
  return true;
}

std::string TreeProblem(std::string_view subject, std::string_view why) {
  std::string text(subject);
  if (why.starts_with("it ")) {
    text += why.substr(2);
  } else {
    text += ": ";
    text += why.empty() ? std::string_view("it cannot be read") : why;
  }
  return text;
}

}  // namespace kwt
