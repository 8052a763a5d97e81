// Table-driven decoding of packed file records into plain structs.
//
// A record layout is a table of fields, each naming its offset in the file
// record and the struct member it fills; the member's type decides the
// field's width, kind and whether it is byte-swapped:
//
//   uint8_t                  1 byte, taken as it stands
//   int16_t, uint16_t        2 bytes, in the tree's byte order
//   int32_t, uint32_t        4 bytes, in the tree's byte order (uint32_t also
//                            serves for 4-byte fields that are only swapped)
//   float, double            IEEE 754 single / double, in the tree's order
//   char[N + 1]              text of N bytes plus the NUL added behind them
//   std::array<uint8_t, N>   N bytes taken as they stand
//   std::array<T, N>         N numbers of type T back to back (T one of the
//                            number types above, not uint8_t)
//
//   constexpr RecordField<SweepRecord> kSweepFields[] = {
//       Field<&SweepRecord::sweepTime>(0),
//       Field<&SweepRecord::stimulation>(8),
//       ...
//   };
//   DecodeFields(std::span(kSweepFields), recordBytes, order, &sweep);
//
// Decoding is bounded by the record bytes given: a field beyond them (a
// record stored shorter than its known fields) decodes from zeros.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "support/byte_reader.h"
#include "support/fixed_text.h"

namespace kwt {

// What a field holds, as its member type implies.
enum class FieldKind : uint8_t { kByte, kInt16, kInt32, kReal32, kReal64, kText, kBytes };

// One field of a record layout.
template <class Record>
struct RecordField {
  uint32_t offset = 0;  // from the start of the record
  uint32_t width = 0;   // bytes in the file
  FieldKind kind = FieldKind::kByte;
  // Fills the member from the record bytes.
  void (*decode)(Record& record, std::span<const uint8_t> bytes, size_t offset,
                 ByteOrder order) = nullptr;
};

namespace record_detail {

template <class T>
struct MemberOf;
template <class C, class M>
struct MemberOf<M C::*> {
  using Class = C;
  using Type = M;
};

// How each member type is read: width, kind and the decoding itself.
template <class T>
struct Codec;

// The number types a field may have (see the top of this file).
template <class T>
concept FieldNumber = std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> ||
                      std::is_same_v<T, uint16_t> || std::is_same_v<T, int32_t> ||
                      std::is_same_v<T, uint32_t> || std::is_same_v<T, float> ||
                      std::is_same_v<T, double>;

// A number is the unsigned bits of its width, in the tree's byte order
// (a single byte has none), taken as its own type.
template <FieldNumber T>
struct Codec<T> {
  static constexpr uint32_t kWidth = sizeof(T);
  static constexpr FieldKind kKind =
      std::is_floating_point_v<T> ? (sizeof(T) == 4 ? FieldKind::kReal32 : FieldKind::kReal64)
      : sizeof(T) == 1            ? FieldKind::kByte
      : sizeof(T) == 2            ? FieldKind::kInt16
                                  : FieldKind::kInt32;
  static void Decode(T& v, std::span<const uint8_t> b, size_t o, ByteOrder order) {
    if constexpr (sizeof(T) == 1) v = LoadU8(b, o);
    if constexpr (sizeof(T) == 2) v = std::bit_cast<T>(LoadU16(b, o, order));
    if constexpr (sizeof(T) == 4) v = std::bit_cast<T>(LoadU32(b, o, order));
    if constexpr (sizeof(T) == 8) v = std::bit_cast<T>(LoadU64(b, o, order));
  }
};

// A text of N - 1 bytes with the NUL added in the last char.
template <size_t N>
struct Codec<char[N]> {
  static_assert(N >= 2, "a text field holds at least one byte and the NUL");
  static constexpr uint32_t kWidth = static_cast<uint32_t>(N - 1);
  static constexpr FieldKind kKind = FieldKind::kText;
  static void Decode(char (&v)[N], std::span<const uint8_t> b, size_t o, ByteOrder) {
    CopyFixedText(b, o, std::span<char>(v, N));
  }
};
// N numbers of one type back to back, each at its own width and in the
// tree's byte order.
template <class T, size_t N>
struct Codec<std::array<T, N>> {
  static constexpr uint32_t kWidth = static_cast<uint32_t>(N) * Codec<T>::kWidth;
  static constexpr FieldKind kKind = Codec<T>::kKind;
  static void Decode(std::array<T, N>& v, std::span<const uint8_t> b, size_t o, ByteOrder order) {
    for (size_t i = 0; i < N; ++i) Codec<T>::Decode(v[i], b, o + i * Codec<T>::kWidth, order);
  }
};
// Raw bytes: N bytes taken as they stand (the more specialised form wins
// over the array of numbers above).
template <size_t N>
struct Codec<std::array<uint8_t, N>> {
  static constexpr uint32_t kWidth = static_cast<uint32_t>(N);
  static constexpr FieldKind kKind = FieldKind::kBytes;
  static void Decode(std::array<uint8_t, N>& v, std::span<const uint8_t> b, size_t o, ByteOrder) {
    LoadBytes(b, o, std::span<uint8_t>(v));
  }
};

}  // namespace record_detail

// The layout entry for `Member` stored at `offset` of the file record.
template <auto Member>
constexpr RecordField<typename record_detail::MemberOf<decltype(Member)>::Class> Field(
    uint32_t offset) {
  using Traits = record_detail::MemberOf<decltype(Member)>;
  using Record = typename Traits::Class;
  using Codec = record_detail::Codec<typename Traits::Type>;
  return RecordField<Record>{
      offset, Codec::kWidth, Codec::kKind,
      [](Record& record, std::span<const uint8_t> bytes, size_t at, ByteOrder order) {
        Codec::Decode(record.*Member, bytes, at, order);
      }};
}

// Fills every field of `fields` in *out from the record bytes.  Members the
// table does not name are left as they are.
template <class Record>
void DecodeFields(std::span<const RecordField<Record>> fields, std::span<const uint8_t> bytes,
                  ByteOrder order, Record* out) {
  for (const RecordField<Record>& field : fields) field.decode(*out, bytes, field.offset, order);
}

// The same two for a table written as an array.
template <class Record, size_t N>
void DecodeFields(const RecordField<Record> (&fields)[N], std::span<const uint8_t> bytes,
                  ByteOrder order, Record* out) {
  DecodeFields(std::span<const RecordField<Record>>(fields), bytes, order, out);
}
template <class Record, size_t N>
constexpr size_t KnownSize(const RecordField<Record> (&fields)[N]) {
  return KnownSize(std::span<const RecordField<Record>>(fields));
}

// The bytes [offset, offset + width) of a record, cut to what `bytes`
// holds (empty when the record ends before offset); fields of a block that
// the record does not hold then decode as zero.
inline std::span<const uint8_t> RecordBlock(std::span<const uint8_t> bytes, size_t offset,
                                            size_t width) {
  if (offset >= bytes.size()) return {};
  return bytes.subspan(offset, std::min(width, bytes.size() - offset));
}

// The bytes the fields cover: the end of the field that ends last.
template <class Record>
constexpr size_t KnownSize(std::span<const RecordField<Record>> fields) {
  size_t end = 0;
  for (const RecordField<Record>& field : fields) {
    const size_t fieldEnd = size_t{field.offset} + field.width;
    if (fieldEnd > end) end = fieldEnd;
  }
  return end;
}

}  // namespace kwt
