#include "tests/testkit/tree_writer.h"

#include <algorithm>

namespace kwt::test {

TreeWriter::TreeWriter(ByteOrder order, int32_t levels, std::span<const int32_t> sizes,
                       uint8_t padding)
    : out_(order), sizes_(sizes.begin(), sizes.end()), padding_(padding) {
  const uint8_t magic[4] = {'T', 'r', 'e', 'e'};
  for (int i = 0; i < 4; ++i) out_.PutU8(magic[order == ByteOrder::kBig ? i : 3 - i]);
  out_.PutI32(levels);
  for (int32_t size : sizes_) out_.PutI32(size);
}

void TreeWriter::Put(size_t level, std::span<const uint8_t> record, size_t children) {
  const int32_t stored = sizes_.at(level);
  if (stored > 0) {
    const size_t take = std::min(static_cast<size_t>(stored), record.size());
    out_.PutBytes(record.first(take));
    out_.PutFill(static_cast<size_t>(stored) - take, padding_);
  }
  out_.PutI32(static_cast<int32_t>(children));
}

}  // namespace kwt::test
