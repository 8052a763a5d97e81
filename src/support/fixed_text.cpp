#include "support/fixed_text.h"

#include <algorithm>

namespace kwt {

void CopyFixedText(std::span<const uint8_t> bytes, size_t offset, std::span<char> out) {
  if (out.empty()) return;
  const size_t width = out.size() - 1;
  // Only the bytes the span holds are copied; the rest of the field (a
  // record stored shorter than its known fields) becomes NULs.
  const size_t available = offset < bytes.size() ? std::min(width, bytes.size() - offset) : 0;
  for (size_t i = 0; i < available; ++i) out[i] = static_cast<char>(bytes[offset + i]);
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(available), out.end(), '\0');
}

}  // namespace kwt
