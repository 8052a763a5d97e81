// Writing numbers in an explicit byte order, for fixture files built in
// code.  The counterpart of the module's ByteReader: Put... appends at the
// end, Store... writes at an offset (growing the buffer with zeros as
// needed), both in the writer's byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "support/byte_reader.h"

namespace kwt::test {

class ByteWriter {
 public:
  explicit ByteWriter(ByteOrder order) : order_(order) {}

  ByteOrder order() const { return order_; }
  size_t size() const { return bytes_.size(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

  void PutU8(uint8_t v) { StoreU8(size(), v); }
  void PutI16(int16_t v) { StoreI16(size(), v); }
  void PutI32(int32_t v) { StoreI32(size(), v); }
  void PutU32(uint32_t v) { StoreU32(size(), v); }
  void PutF32(float v) { StoreF32(size(), v); }
  void PutF64(double v) { StoreF64(size(), v); }
  // Appends raw bytes, or `count` copies of `fill`.
  void PutBytes(std::span<const uint8_t> raw) { StoreBytes(size(), raw); }
  void PutFill(size_t count, uint8_t fill);

  void StoreU8(size_t offset, uint8_t v);
  void StoreI16(size_t offset, int16_t v);
  void StoreU16(size_t offset, uint16_t v);
  void StoreI32(size_t offset, int32_t v);
  void StoreU32(size_t offset, uint32_t v);
  void StoreI64(size_t offset, int64_t v);
  void StoreF32(size_t offset, float v);
  void StoreF64(size_t offset, double v);
  void StoreBytes(size_t offset, std::span<const uint8_t> raw);
  // Stores the text in a field of `width` bytes: cut to the width, NULs
  // behind a shorter text.
  void StoreText(size_t offset, std::string_view text, size_t width);

 private:
  // Makes room for `width` bytes at offset and stores value in the order.
  void StoreUnsigned(size_t offset, uint64_t value, size_t width);

  ByteOrder order_;
  std::vector<uint8_t> bytes_;
};

// Overwrites the four bytes at `offset` of a file's bytes with `value` in
// `order`, for tests that damage one number of a written file.
void PatchI32(std::vector<uint8_t>& bytes, size_t offset, int32_t value, ByteOrder order);

// ---- Pieces that the recording writers share --------------------------------

// Appends one sample of a format (0 int16, 1 int32, 2 float32, 3 float64)
// in the writer's order.  The integer formats take the value rounded and
// clamped to their range; an unknown format appends nothing.
void PutStoredSample(ByteWriter& out, int32_t format, double value);

// Bytes per sample of a format: 2, 4, 4, 8; 0 for an unknown one.
size_t StoredSampleWidth(int32_t format);

// A record's bytes: `padding` throughout its `known` size (or `size`, when
// larger), the fields `store(writer, record)` puts at their offsets, and the
// whole cut to `size` (0: the known size) as a file may store it shorter.
template <class Record, class Store>
std::vector<uint8_t> EncodeRecord(const Record& record, ByteOrder order, size_t known, Store store,
                                  uint8_t padding = 0, size_t size = 0) {
  if (size == 0) size = known;
  ByteWriter w(order);
  w.PutFill(size > known ? size : known, padding);
  store(w, record);
  std::vector<uint8_t> bytes = w.Take();
  bytes.resize(size);
  return bytes;
}

}  // namespace kwt::test
