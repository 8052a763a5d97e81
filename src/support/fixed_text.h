// Fixed-width text fields of recordings.
//
// A text field of N bytes is NUL-terminated when its text is shorter and
// fills the field otherwise.  It is kept as N + 1 chars: the N bytes as they
// stand and a NUL behind them, so the text is at most N characters whatever
// the file holds, and a scan for its end never leaves the field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kwt {

// Copies the out.size() - 1 bytes at `offset` of `bytes` into out and puts
// a NUL in the last char of out.  Bytes the span does not hold become NULs.
// out must not be empty.
void CopyFixedText(std::span<const uint8_t> bytes, size_t offset, std::span<char> out);

// The text of a field kept as above: its chars up to the first NUL (at most
// N - 1 of them).
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
  size_t length = 0;
  while (length + 1 < N && field[length] != '\0') ++length;
  return std::string_view(field, length);
}

}  // namespace kwt
