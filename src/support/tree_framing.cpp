#include "support/tree_framing.h"

#include <algorithm>
#include <array>

namespace kwt {

std::optional<ByteOrder> TreeByteOrder(const ByteSource& source, uint64_t start) {
  std::array<uint8_t, 4> magic{};
  if (source.ReadAt(start, magic) != magic.size()) return std::nullopt;
  // Tested byte by byte: the bytes as they stand tell the order, no host
  // integer is involved.
  if (magic[0] == 'T' && magic[1] == 'r' && magic[2] == 'e' && magic[3] == 'e')
    return ByteOrder::kBig;
  if (magic[0] == 'e' && magic[1] == 'e' && magic[2] == 'r' && magic[3] == 'T')
    return ByteOrder::kLittle;
  return std::nullopt;
}

bool ReadTreeRecord(ByteReader& reader, int32_t storedSize, std::span<uint8_t> known) {
  if (storedSize < 0) return false;
  const uint64_t stored = static_cast<uint64_t>(storedSize);
  // The whole stored record must be in the file before any of it is taken.
  if (stored > reader.remaining()) return false;
  const size_t take = static_cast<size_t>(std::min<uint64_t>(stored, known.size()));
  if (!reader.ReadBytes(known.first(take))) return false;
  std::fill(known.begin() + static_cast<std::ptrdiff_t>(take), known.end(), uint8_t{0});
  return reader.Skip(stored - take);
}

bool ReadChildCount(ByteReader& reader, uint64_t bytesPerChild, int32_t* count) {
  *count = 0;
  int32_t value = 0;
  if (!reader.ReadI32(&value) || value < 0) return false;
  // bytesPerChild is at least 4 (the child's own count), so the division
  // is safe and the product of count and size never needs forming.
  if (bytesPerChild == 0 || static_cast<uint64_t>(value) > reader.remaining() / bytesPerChild)
    return false;
  *count = value;
  return true;
}

}  // namespace kwt
