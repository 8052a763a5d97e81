// Reading a whole tree file of a fixed number of levels into the caller's
// arrays, in two passes over the file.
//
// The framing is the one of tree_framing.h: magic, level count, one stored
// record size per level, then the records depth-first, each followed by the
// count of its children.  The caller names the number of levels and, for
// each level, the size of the record it knows (its buffer); the file's
// stored size per level may differ.  A record stored shorter than the known
// size reads as its stored bytes followed by zeros; one stored longer gives
// its first known-size bytes and the rest is skipped.
//
// The first pass walks the tree by seeking over the records and reading
// only the child counts, so that the caller learns the number of records of
// each level before anything is allocated; every count is checked against
// the bytes that remain before it is used.  The second pass reads the
// records in file order and hands each to the caller with its links.
#pragma once

#include <cstddef>
#include <array>
#include <cstdint>
#include <new>
#include <utility>
#include <span>
#include <string>
#include <string_view>

#include "support/byte_reader.h"

namespace kwt {

// A link that leads nowhere: no first child, or no next sibling.
inline constexpr int32_t kNoLink = -1;

// The most levels a tree read this way may have.
inline constexpr size_t kMaxTreeLevels = 8;

// Where a record sits in its tree.
struct TreeLinks {
  int32_t number = 0;             // 1-based position among its parent's children
  int32_t childCount = 0;         // its children (0 on the last level)
  int32_t firstChild = kNoLink;   // index of its first child in the next level's array
  int32_t nextSibling = kNoLink;  // index of its next sibling in its own level's array

  bool operator==(const TreeLinks&) const = default;
};

// The caller's side of a read.  The reader calls Root once, Reserve once
// and then Record for every record below the root in file order.
class TreeSink {
 public:
  virtual ~TreeSink() = default;
  // The root record's known bytes, in the tree's byte order.
  virtual void Root(std::span<const uint8_t> known, ByteOrder order) = 0;
  // The number of records of each level, counts[0] being the root (1) and
  // counts[level] the records of that level in the whole tree.  The sink
  // sizes its arrays here; it may throw std::bad_alloc.
  virtual void Reserve(std::span<const int32_t> counts) = 0;
  // Record `index` (0-based, in file order) of `level` (1 or deeper).
  virtual void Record(size_t level, int32_t index, std::span<const uint8_t> known,
                      ByteOrder order, const TreeLinks& links) = 0;
};

// Where the records of a tree read end, and how many bytes the tree's file
// (or bundle item) holds.  A sound tree ends exactly at its last byte; one
// whose records end earlier has counts that its length contradicts (a
// child count lost to damage ends the walk early), and what follows its
// last record was never read.
struct TreeSpan {
  uint64_t recordsEnd = 0;
  uint64_t bytes = 0;

  bool EndsEarly() const { return recordsEnd < bytes; }
  bool operator==(const TreeSpan&) const = default;
};

// Reads the tree at offset 0 of `source`.  knownSizes holds one known
// record size per level, root first; the tree must have exactly that many
// levels (1 to kMaxTreeLevels).  Returns true when the whole tree was read,
// with *span (when given) telling where its records ended.
// False when the magic is missing, the level count differs, a stored size
// is negative, a child count is one the remaining bytes cannot hold, the
// source ends inside the tree, or a level holds more than 2^31 - 1
// records; the sink may then have received part of the tree, so callers
// build into a fresh sink and keep it only on success.  std::bad_alloc
// thrown by the sink or for the scratch buffers passes to the caller.
// `why` (when given) receives what stopped the read, in words for people,
// with positions counted in the file the source comes from ("it ends at
// byte 41,212, inside record 17 of level 2").
bool ReadLayeredTree(const ByteSource& source, std::span<const size_t> knownSizes,
                     TreeSink& sink, TreeSpan* span = nullptr, std::string* why = nullptr);

// Reads a tree into a fresh `Tree` (through a `Sink` made on it) and moves
// it into *global only when the whole tree was read, so that a failed read
// leaves nothing loaded.  The tree keeps where its records ended (its
// `span`).  On failure *why says what stopped the read, memory included.
template <class Sink, class Tree, size_t N>
bool ReadTreeInto(const ByteSource& source, const std::array<size_t, N>& knownSizes,
                  Tree* global, std::string* why) {
  try {
    Tree tree;
    Sink sink(&tree);
    if (!ReadLayeredTree(source, knownSizes, sink, &tree.span, why)) return false;
    tree.loaded = true;
    *global = std::move(tree);
    return true;
  } catch (const std::bad_alloc&) {
    // A tree too large for memory is one that cannot be read.
    *why = "it does not fit in memory";
    return false;
  }
}

// What ReadLayeredTree said of the tree called `subject`, as one sentence:
// ("the stimulus tree", "it ends at byte 9") gives "the stimulus tree ends
// at byte 9".
std::string TreeProblem(std::string_view subject, std::string_view why);

}  // namespace kwt
