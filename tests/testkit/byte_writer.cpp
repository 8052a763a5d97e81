#include "tests/testkit/byte_writer.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>

namespace kwt::test {

void ByteWriter::StoreUnsigned(size_t offset, uint64_t value, size_t width) {
  if (bytes_.size() < offset + width) bytes_.resize(offset + width, 0);
  for (size_t i = 0; i < width; ++i) {
    const auto byte = static_cast<uint8_t>(value >> (8 * i));  // i-th least significant
    const size_t at = order_ == ByteOrder::kLittle ? offset + i : offset + width - 1 - i;
    bytes_[at] = byte;
  }
}

void PatchI32(std::vector<uint8_t>& bytes, size_t offset, int32_t value, ByteOrder order) {
  ByteWriter w(order);
  w.StoreI32(0, value);
  std::copy_n(w.bytes().begin(), 4, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

void ByteWriter::PutFill(size_t count, uint8_t fill) { bytes_.insert(bytes_.end(), count, fill); }

void ByteWriter::StoreU8(size_t offset, uint8_t v) { StoreUnsigned(offset, v, 1); }
void ByteWriter::StoreI16(size_t offset, int16_t v) {
  StoreUnsigned(offset, std::bit_cast<uint16_t>(v), 2);
}
void ByteWriter::StoreU16(size_t offset, uint16_t v) { StoreUnsigned(offset, v, 2); }
void ByteWriter::StoreI32(size_t offset, int32_t v) {
  StoreUnsigned(offset, std::bit_cast<uint32_t>(v), 4);
}
void ByteWriter::StoreU32(size_t offset, uint32_t v) { StoreUnsigned(offset, v, 4); }
void ByteWriter::StoreI64(size_t offset, int64_t v) {
  StoreUnsigned(offset, std::bit_cast<uint64_t>(v), 8);
}
void ByteWriter::StoreF32(size_t offset, float v) {
  StoreUnsigned(offset, std::bit_cast<uint32_t>(v), 4);
}
void ByteWriter::StoreF64(size_t offset, double v) {
  StoreUnsigned(offset, std::bit_cast<uint64_t>(v), 8);
}

void ByteWriter::StoreBytes(size_t offset, std::span<const uint8_t> raw) {
  if (bytes_.size() < offset + raw.size()) bytes_.resize(offset + raw.size(), 0);
  for (size_t i = 0; i < raw.size(); ++i) bytes_[offset + i] = raw[i];
}

void ByteWriter::StoreText(size_t offset, std::string_view text, size_t width) {
  if (bytes_.size() < offset + width) bytes_.resize(offset + width, 0);
  for (size_t i = 0; i < width; ++i)
    bytes_[offset + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : 0;
}

void PutStoredSample(ByteWriter& out, int32_t format, double value) {
  switch (format) {
    case 0:
      out.PutI16(static_cast<int16_t>(std::clamp(std::llround(value), -32768LL, 32767LL)));
      break;
    case 1:
      out.PutI32(static_cast<int32_t>(
          std::clamp<long long>(std::llround(value), INT32_MIN, INT32_MAX)));
      break;
    case 2:
      out.PutF32(static_cast<float>(value));
      break;
    case 3:
      out.PutF64(value);
      break;
    default:
      break;
  }
}

size_t StoredSampleWidth(int32_t format) {
  switch (format) {
    case 0:
      return 2;
    case 1:
    case 2:
      return 4;
    case 3:
      return 8;
    default:
      return 0;
  }
}

}  // namespace kwt::test
