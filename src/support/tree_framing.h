// The framing that the tree files of recordings share.
//
// A tree file begins with a 32-bit magic whose bytes "Tree" mean that the
// whole tree is big-endian and "eerT" that it is little-endian; then a
// signed 32-bit level count, one signed 32-bit record size per level, and
// the records depth-first, each followed by a signed 32-bit count of its
// children.  The helpers below read those pieces with every size and count
// checked against what the file can hold, so that a damaged tree fails
// before anything is allocated for it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "support/byte_reader.h"

namespace kwt {

// Offset of the level count and of the first record size in a tree file.
inline constexpr uint64_t kTreeLevelCountOffset = 4;
inline constexpr uint64_t kTreeRecordSizesOffset = 8;

// The byte order that the magic at `start` announces, or nullopt when the
// four bytes there are not a tree magic (or the source does not hold them).
std::optional<ByteOrder> TreeByteOrder(const ByteSource& source, uint64_t start = 0);

// Reads a record whose stored size is `storedSize` bytes into `known`, the
// buffer of the fields the program knows: min(storedSize, known.size())
// bytes are read, zeros fill the rest of `known`, and the stored bytes
// beyond the known fields are skipped.  False when storedSize is negative
// or the source does not hold the whole stored record (nothing is read).
bool ReadTreeRecord(ByteReader& reader, int32_t storedSize, std::span<uint8_t> known);

// Reads a child count into *count and checks it against the bytes that
// remain: each child takes at least `bytesPerChild` bytes (its record and
// its own count), so more children than remaining / bytesPerChild cannot be
// in the file.  False for a short read, a negative count or one the file
// cannot hold.
bool ReadChildCount(ByteReader& reader, uint64_t bytesPerChild, int32_t* count);

// The bytes one child of stored size `storedSize` takes at least: its
// record and its child count.  storedSize must not be negative.
inline uint64_t ChildBytes(int32_t storedSize) { return static_cast<uint64_t>(storedSize) + 4; }

}  // namespace kwt
