// The framing that every tree file of the recording writers shares: the
// magic, the level count, each level's stored record size, then the
// records depth-first, each followed by the number of its children.
//
//   TreeWriter tree(ByteOrder::kBig, 3, sizes, padding);
//   tree.Put(0, rootBytes, groups.size());
//   for (...) { tree.Put(1, groupBytes, traces.size()); ... }
//   std::vector<uint8_t> file = tree.Take();
//
// The writers encode the records; the order of the Put calls is theirs, so
// a test may describe any shape, even one whose counts lie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "tests/testkit/byte_writer.h"

namespace kwt::test {

class TreeWriter {
 public:
  // Writes the header: the magic ("Tree" in the file's byte order, so
  // "eerT" when little-endian), `levels` and the stored sizes.  `padding`
  // fills a stored record beyond the bytes its encoder gave.
  TreeWriter(ByteOrder order, int32_t levels, std::span<const int32_t> sizes, uint8_t padding);

  // Appends a record of `level` at that level's stored size (the encoded
  // bytes cut or padded; nothing for a size of 0 or below), then `children`.
  void Put(size_t level, std::span<const uint8_t> record, size_t children);

  std::vector<uint8_t> Take() { return out_.Take(); }

 private:
  ByteWriter out_;
  std::vector<int32_t> sizes_;
  uint8_t padding_;
};

}  // namespace kwt::test
