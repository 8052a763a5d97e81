#include "workbench/host/ibw_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <span>
#include <string>
#include <vector>

#include "host/host.h"
#include "support/byte_reader.h"
#include "support/format.h"
#include "workbench/host/ibw_layout.h"
#include "workbench/host/session.h"

namespace kwt {
namespace {

using namespace ibw;

// What the headers say, decoded field by field.
struct Header {
  ByteOrder order = ByteOrder::kLittle;
  int64_t wfmSize = 0;
  int64_t formulaSize = 0, noteSize = 0, dataUnitsSize = 0, textEndsSize = 0;
  std::array<int64_t, kMaxDims> dimUnitsSize{}, dimLabelsSize{}, dimPoints{};
  std::array<double, kMaxDims> delta{}, offset{};
  int64_t points = 0;
  int32_t type = 0;
  std::string name, dataUnits;
  std::array<std::string, kMaxDims> dimUnits;
  double top = 0.0, bottom = 0.0;
};

// A NUL-terminated text in a fixed field, never read past the field.
std::string FixedText(std::span<const uint8_t> h, size_t at, size_t width) {
  std::string s;
  for (size_t i = 0; i < width && h[at + i] != 0; ++i) s += static_cast<char>(h[at + i]);
  return s;
}

// The version field says the byte order: 5 as it stands is little-endian,
// 5 byte-swapped is big-endian.  Anything else is answered with why.
bool DecodeOrder(std::span<const uint8_t> h, ByteOrder* order, std::string* why) {
  for (ByteOrder o : {ByteOrder::kLittle, ByteOrder::kBig}) {
    if (LoadI16(h, kVersionAt, o) == kVersion) {
      *order = o;
      return true;
    }
  }
  for (ByteOrder o : {ByteOrder::kLittle, ByteOrder::kBig}) {
    const int16_t v = LoadI16(h, kVersionAt, o);
    if (v >= 1 && v <= 3) {
      *why = Format("a version %d binary wave; only version 5 is read", v);
      return false;
    }
  }
  *why = "not a binary wave file (no known version in its first two bytes)";
  return false;
}

void DecodeHeader(std::span<const uint8_t> h, ByteOrder o, Header* out) {
  out->order = o;
  out->wfmSize = LoadI32(h, kWfmSizeAt, o);
  out->formulaSize = LoadI32(h, kFormulaSizeAt, o);
  out->noteSize = LoadI32(h, kNoteSizeAt, o);
  out->dataUnitsSize = LoadI32(h, kDataEUnitsSizeAt, o);
  out->textEndsSize = LoadI32(h, kSIndicesSizeAt, o);
  for (size_t d = 0; d < kMaxDims; ++d) {
    out->dimUnitsSize[d] = LoadI32(h, kDimEUnitsSizeAt + 4 * d, o);
    out->dimLabelsSize[d] = LoadI32(h, kDimLabelsSizeAt + 4 * d, o);
    out->dimPoints[d] = LoadI32(h, kDimSizeAt + 4 * d, o);
    out->delta[d] = LoadF64(h, kDimDeltaAt + 8 * d, o);
    out->offset[d] = LoadF64(h, kDimOffsetAt + 8 * d, o);
    out->dimUnits[d] = FixedText(h, kDimUnitsAt + kShortUnitBytes * d, kShortUnitBytes);
  }
  out->points = LoadI32(h, kPointsAt, o);
  out->type = LoadI16(h, kTypeAt, o);
  out->name = FixedText(h, kNameAt, kNameBytes);
  out->dataUnits = FixedText(h, kDataUnitsAt, kShortUnitBytes);
  out->top = LoadF64(h, kTopFullScaleAt, o);
  out->bottom = LoadF64(h, kBottomFullScaleAt, o);
}

// The checks that make every later read and allocation safe: sizes are
// not negative, the sections fit in the file, the samples fill the data
// section, and the wave is one the workbench holds.
bool Validate(const Header& h, uint64_t fileSize, std::string* why) {
  int64_t sections = h.formulaSize + h.noteSize + h.dataUnitsSize + h.textEndsSize;
  bool negative = h.wfmSize < 0 || h.formulaSize < 0 || h.noteSize < 0 || h.dataUnitsSize < 0 ||
                  h.textEndsSize < 0 || h.points < 0;
  for (size_t d = 0; d < kMaxDims; ++d) {
    negative = negative || h.dimUnitsSize[d] < 0 || h.dimLabelsSize[d] < 0;
    sections += h.dimUnitsSize[d] + h.dimLabelsSize[d];
  }
  if (negative) {
    *why = "a size or the point count in the header is negative";
    return false;
  }
  // Each size is below 2^31, so the sum of these eleven cannot overflow.
  const uint64_t needed = kFileHeaderBytes + static_cast<uint64_t>(h.wfmSize) + sections;
  if (h.wfmSize < static_cast<int64_t>(kWaveHeaderBytes) || needed > fileSize) {
    *why = Format("the header asks for %llu bytes; the file holds %llu",
                  static_cast<unsigned long long>(needed), static_cast<unsigned long long>(fileSize));
    return false;
  }
  if (!HostWave::ValidType(h.type)) {
    *why = Format("number type %d is not known", h.type);
    return false;
  }
  if (h.dimPoints[1] > 0) {
    *why = "a wave of more than one dimension; the workbench holds 1-D waves";
    return false;
  }
  if (h.dimPoints[0] != h.points) {
    *why = Format("%lld points, but %lld rows", static_cast<long long>(h.points),
                  static_cast<long long>(h.dimPoints[0]));
    return false;
  }
  const uint64_t dataBytes = static_cast<uint64_t>(h.wfmSize) - kWaveHeaderBytes;
  if (h.type == kWaveText) {
    if (static_cast<uint64_t>(h.textEndsSize) != 4 * static_cast<uint64_t>(h.points)) {
      *why = "a text wave without the end of each point's text";
      return false;
    }
  } else if (static_cast<uint64_t>(h.points) * HostWave::ElementSize(h.type) > dataBytes) {
    *why = Format("%lld points do not fit in %llu bytes of samples",
                  static_cast<long long>(h.points), static_cast<unsigned long long>(dataBytes));
    return false;
  }
  return true;
}

// The 16-bit words of both headers, in the file's order, sum to zero.
bool ChecksumHolds(std::span<const uint8_t> h, ByteOrder o) {
  uint16_t sum = 0;
  for (size_t i = 0; i < kHeaderBytes; i += 2) sum = static_cast<uint16_t>(sum + LoadU16(h, i, o));
  return sum == 0;
}

// Bytes [at, at + n) of the file, whose size Validate has checked.
bool ReadSection(const ByteSource& file, uint64_t at, int64_t n, std::string* out) {
  out->assign(static_cast<size_t>(n), '\0');
  return file.ReadAt(at, {reinterpret_cast<uint8_t*>(out->data()), out->size()}) == out->size();
}

// Samples stored in the other byte order are turned number by number.
void SwapSamples(HostWave& w) {
  const size_t width = HostWave::ElementSize(w.type) / ((w.type & kWaveComplex) ? 2 : 1);
  if (width < 2) return;
  std::byte* p = w.samples.data();
  const size_t bytes = static_cast<size_t>(w.points) * HostWave::ElementSize(w.type);
  for (size_t i = 0; i < bytes; i += width) std::reverse(p + i, p + i + width);
}

// A text wave's data section cut at the ends the last section lists; they
// must not go back nor past the data.
bool SplitTexts(const ByteSource& file, const Header& h, HostWave& w, std::string* why) {
  std::string data, ends;
  const uint64_t dataBytes = static_cast<uint64_t>(h.wfmSize) - kWaveHeaderBytes;
  uint64_t endsAt = kFileHeaderBytes + static_cast<uint64_t>(h.wfmSize) + h.formulaSize +
                    h.noteSize + h.dataUnitsSize;
  for (size_t d = 0; d < kMaxDims; ++d) endsAt += h.dimUnitsSize[d] + h.dimLabelsSize[d];
  if (!ReadSection(file, kHeaderBytes, static_cast<int64_t>(dataBytes), &data) ||
      !ReadSection(file, endsAt, h.textEndsSize, &ends)) {
    *why = "the file could not be read to its end";
    return false;
  }
  const std::span<const uint8_t> e(reinterpret_cast<const uint8_t*>(ends.data()), ends.size());
  uint32_t start = 0;
  for (size_t i = 0; i < static_cast<size_t>(h.points); ++i) {
    const uint32_t end = LoadU32(e, 4 * i, h.order);
    if (end < start || end > dataBytes) {
      *why = Format("the text of point %zu ends outside the data", i);
      return false;
    }
    w.texts[i] = data.substr(start, end - start);
    start = end;
  }
  return true;
}

// Fills the wave that LoadIbw made from the validated header and the file.
bool Fill(const ByteSource& file, const Header& h, HostWave& w, std::string* why) {
  for (size_t d = 0; d < 2; ++d) {
    w.dims[d].delta = h.delta[d];
    w.dims[d].offset = h.offset[d];
    w.dims[d].units = h.dimUnits[d];
  }
  w.dataUnits = h.dataUnits;
  w.fullScaleTop = h.top;
  w.fullScaleBottom = h.bottom;
  if (h.type == kWaveText) {
    if (!SplitTexts(file, h, w, why)) return false;
  } else {
    const size_t bytes = static_cast<size_t>(h.points) * HostWave::ElementSize(h.type);
    if (file.ReadAt(kHeaderBytes, {reinterpret_cast<uint8_t*>(w.samples.data()), bytes}) != bytes) {
      *why = "the file could not be read to its end";
      return false;
    }
    const ByteOrder native =
        std::endian::native == std::endian::big ? ByteOrder::kBig : ByteOrder::kLittle;
    if (h.order != native) SwapSamples(w);
  }
  // The sections after the samples, in their order: the formula (which the
  // workbench does not keep), the note, then extended units, which replace
  // the short ones.
  uint64_t at = kFileHeaderBytes + static_cast<uint64_t>(h.wfmSize) + h.formulaSize;
  bool read = ReadSection(file, at, h.noteSize, &w.note);
  at += h.noteSize;
  std::string units;
  if (h.dataUnitsSize > 0) {
    read = read && ReadSection(file, at, h.dataUnitsSize, &units);
    w.dataUnits = units;
    at += h.dataUnitsSize;
  }
  for (size_t d = 0; d < kMaxDims; ++d) {
    if (h.dimUnitsSize[d] > 0 && d < 2) {
      read = read && ReadSection(file, at, h.dimUnitsSize[d], &units);
      w.dims[d].units = units;
    }
    at += h.dimUnitsSize[d];
  }
  if (!read) *why = "the file could not be read to its end";
  return read;
}

}  // namespace

int32_t LoadIbw(Session& session, HostServices& host, const ByteSource& file, bool overwrite) {
  std::array<uint8_t, kHeaderBytes> bytes{};
  if (file.size() < kHeaderBytes || file.ReadAt(0, bytes) != bytes.size()) {
    session.Diagnose("the file is shorter than the headers of a binary wave");
    return kHostErrFileFormat;
  }
  Header h;
  std::string why;
  if (!DecodeOrder(bytes, &h.order, &why)) {
    session.Diagnose(why);
    return kHostErrFileFormat;
  }
  if (!ChecksumHolds(bytes, h.order)) {
    session.Diagnose("the header checksum does not match: the header is damaged");
    return kHostErrFileFormat;
  }
  DecodeHeader(bytes, h.order, &h);
  if (!Validate(h, file.size(), &why)) {
    session.Diagnose(why);
    return kHostErrFileFormat;
  }
  WaveHandle w = nullptr;
  if (int32_t e = host.MakeWave(&w, h.name, h.points, h.type, overwrite)) return e;
  if (!Fill(file, h, *w, &why)) {
    host.KillWave(w);
    session.Diagnose(why);
    return kHostErrFileFormat;
  }
  return 0;
}

}  // namespace kwt
