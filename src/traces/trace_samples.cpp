#include "traces/trace_samples.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kwt {
namespace {

// ---- Sample conversion --------------------------------------------------------

constexpr uint16_t ByteSwap(uint16_t v) { return __builtin_bswap16(v); }
constexpr uint32_t ByteSwap(uint32_t v) { return __builtin_bswap32(v); }
constexpr uint64_t ByteSwap(uint64_t v) { return __builtin_bswap64(v); }

// One loop per stored type and byte order: `Bits` is the unsigned word of
// the stored width, `Stored` the type its bits stand for.  The bytes are
// copied into the word (no pointer to a misaligned number is formed), put
// into the machine's order and reinterpreted with bit_cast, which is
// defined for every pattern.
#if defined(__GNUC__) && !defined(__clang__)
// GCC vectorizes these loops only with its full cost model, which -O2 does
// not use; clang vectorizes them at -O2 as it stands.
#define KWT_VECTORIZE __attribute__((optimize("tree-vectorize", "vect-cost-model=dynamic")))
#else
#define KWT_VECTORIZE
#endif

template <class Stored, class Bits, bool kSwap>
KWT_VECTORIZE void ConvertLoop(const uint8_t* in, size_t count, double factor, double offset,
                               float* out) {
  for (size_t i = 0; i < count; ++i) {
    Bits bits;
    std::memcpy(&bits, in + i * sizeof(Bits), sizeof(Bits));
    if constexpr (kSwap) bits = ByteSwap(bits);
    out[i] =
        static_cast<float>(static_cast<double>(std::bit_cast<Stored>(bits)) * factor - offset);
  }
}

template <class Stored, class Bits>
void ConvertIn(bool swap, const uint8_t* in, size_t count, double factor, double offset,
               float* out) {
  if (swap)
    ConvertLoop<Stored, Bits, true>(in, count, factor, offset, out);
  else
    ConvertLoop<Stored, Bits, false>(in, count, factor, offset, out);
}

// Converts `count` samples; the caller has checked the format.
void Convert(int32_t format, ByteOrder order, const uint8_t* in, size_t count, double factor,
             double offset, float* out) {
  const ByteOrder native =
      std::endian::native == std::endian::big ? ByteOrder::kBig : ByteOrder::kLittle;
  const bool swap = order != native;
  switch (format) {
    case kSampleInt16: ConvertIn<int16_t, uint16_t>(swap, in, count, factor, offset, out); break;
    case kSampleInt32: ConvertIn<int32_t, uint32_t>(swap, in, count, factor, offset, out); break;
    case kSampleReal32: ConvertIn<float, uint32_t>(swap, in, count, factor, offset, out); break;
    case kSampleReal64: ConvertIn<double, uint64_t>(swap, in, count, factor, offset, out); break;
    default: break;
  }
}

}  // namespace

int32_t SampleFormatWidth(int32_t format) {
  // 0 marks a format this module cannot read; the trace loader refuses
  // such a sweep instead of guessing a width.
  switch (format) {
    case kSampleInt16:
      return 2;
    case kSampleInt32:
    case kSampleReal32:
      return 4;
    case kSampleReal64:
      return 8;
    default:
      return 0;
  }
}

int64_t ReadTraceSamples(const TraceSamples& s, double factor, double zero,
                         std::span<uint8_t> buffer, std::span<float> out) {
  const int32_t w = SampleFormatWidth(s.format);
  if (w == 0 || s.points < 0 || buffer.size() < static_cast<size_t>(w)) return s.points;
  const auto width = static_cast<size_t>(w);
  const size_t points = std::min(out.size(), static_cast<size_t>(s.points));
  const uint64_t total = static_cast<uint64_t>(points) * width;
  uint64_t block = s.blockBytes > 0 ? static_cast<uint64_t>(s.blockBytes) : total;
  // A skip shorter than its block would read bytes twice (or forever, at
  // 0): such samples are taken as stored in one piece.
  uint64_t skip = s.blockSkip > 0 ? static_cast<uint64_t>(s.blockSkip) : 0;
  if (skip < block) skip = block = total;

  int64_t offset = s.offset;
  uint64_t read = 0;     // bytes of the trace read
  size_t filled = 0;     // bytes waiting in the buffer
  size_t converted = 0;  // samples written to out
  // Converts the whole samples in the buffer; the bytes of a sample that
  // is split between two blocks wait for the rest.
  const auto flush = [&]() {
    const size_t whole = filled / width;
    Convert(s.format, s.order, buffer.data(), whole, factor, zero, out.data() + converted);
    converted += whole;
    const size_t rest = filled - whole * width;
    std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(whole * width), rest, buffer.begin());
    filled = rest;
  };
  // An offset before the file places every sample outside it.
  bool ended = s.source == nullptr || offset < 0;
  while (!ended && read < total) {
    // One block, in pieces that fit the buffer.
    const uint64_t want = std::min(block, total - read);
    for (uint64_t got = 0; got < want;) {
      const size_t piece =
          static_cast<size_t>(std::min<uint64_t>(want - got, buffer.size() - filled));
      const size_t n =
          s.source->ReadAt(static_cast<uint64_t>(offset) + got, buffer.subspan(filled, piece));
      filled += n;
      got += n;
      read += n;
      if (filled == buffer.size()) flush();
      if (n < piece) {
        ended = true;
        break;
      }
    }
    offset += static_cast<int64_t>(skip);
  }
  flush();
  // What the source did not hold stays as the host made it: zero.  Absent
  // samples are never converted, so a factor of NaN cannot turn them into
  // NaN.
  return s.points - static_cast<int64_t>(converted);
}

}  // namespace kwt
