#include "workbench/export/ibw.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include "workbench/export/file_sink.h"
#include "workbench/host/ibw_layout.h"
#include "workbench/host/objects.h"

namespace kwt {
namespace {

using namespace ibw;

// Units of more than three bytes go to the extended units section; the
// short field then stays empty.
bool Extended(const std::string& units) { return units.size() >= kShortUnitBytes; }

// The sizes of the sections that follow the headers.
struct Sections {
  uint64_t data = 0;
  uint64_t note = 0;
  uint64_t dataUnits = 0;
  uint64_t dimUnits[2] = {0, 0};
  uint64_t textEnds = 0;
  uint64_t total() const {
    return kHeaderBytes + data + note + dataUnits + dimUnits[0] + dimUnits[1] + textEnds;
  }
};

Sections Measure(const HostWave& w) {
  Sections s;
  const uint64_t points = static_cast<uint64_t>(std::max<int64_t>(w.points, 0));
  if (w.type == kWaveText) {
    for (const std::string& t : w.texts) s.data += t.size();
    s.textEnds = points * 4;
  } else {
    s.data = points * HostWave::ElementSize(w.type);
  }
  s.note = w.note.size();
  s.dataUnits = Extended(w.dataUnits) ? w.dataUnits.size() : 0;
  for (int d = 0; d < 2; ++d) s.dimUnits[d] = Extended(w.dims[d].units) ? w.dims[d].units.size() : 0;
  return s;
}

void Put16(uint8_t* h, size_t at, uint16_t v) {
  h[at] = static_cast<uint8_t>(v);
  h[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* h, size_t at, uint32_t v) {
  Put16(h, at, static_cast<uint16_t>(v));
  Put16(h, at + 2, static_cast<uint16_t>(v >> 16));
}
void PutF64(uint8_t* h, size_t at, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  Put32(h, at, static_cast<uint32_t>(bits));
  Put32(h, at + 4, static_cast<uint32_t>(bits >> 32));
}
// Text into a fixed field, cut to leave its NUL.
void PutText(uint8_t* h, size_t at, size_t width, const std::string& text) {
  std::memcpy(h + at, text.data(), std::min(text.size(), width - 1));
}

void FillHeaders(const HostWave& w, const Sections& s, uint8_t* h) {
  Put16(h, kVersionAt, kVersion);
  Put32(h, kWfmSizeAt, static_cast<uint32_t>(kWaveHeaderBytes + s.data));
  Put32(h, kNoteSizeAt, static_cast<uint32_t>(s.note));
  Put32(h, kDataEUnitsSizeAt, static_cast<uint32_t>(s.dataUnits));
  for (int d = 0; d < 2; ++d) Put32(h, kDimEUnitsSizeAt + 4 * d, static_cast<uint32_t>(s.dimUnits[d]));
  Put32(h, kSIndicesSizeAt, static_cast<uint32_t>(s.textEnds));

  const uint32_t now = static_cast<uint32_t>(static_cast<int64_t>(std::time(nullptr)) + kDateEpochOffset);
  Put32(h, kCreationDateAt, now);
  Put32(h, kModDateAt, now);
  Put32(h, kPointsAt, static_cast<uint32_t>(w.points));
  Put16(h, kTypeAt, static_cast<uint16_t>(w.type));
  Put16(h, kWaveHeaderVersionAt, 1);
  PutText(h, kNameAt, kNameBytes, w.name);
  // A 1-D wave: the second dimension holds no points, but its scaling and
  // units are kept as the session has them.
  Put32(h, kDimSizeAt, static_cast<uint32_t>(w.points));
  for (size_t d = 0; d < kMaxDims; ++d) {
    const bool kept = d < 2;
    PutF64(h, kDimDeltaAt + 8 * d, kept ? w.dims[d].delta : 1.0);
    PutF64(h, kDimOffsetAt + 8 * d, kept ? w.dims[d].offset : 0.0);
    if (kept && !Extended(w.dims[d].units))
      PutText(h, kDimUnitsAt + kShortUnitBytes * d, kShortUnitBytes, w.dims[d].units);
  }
  if (!Extended(w.dataUnits)) PutText(h, kDataUnitsAt, kShortUnitBytes, w.dataUnits);
  Put16(h, kFullScaleValidAt, w.fullScaleTop != 0.0 || w.fullScaleBottom != 0.0 ? 1 : 0);
  PutF64(h, kTopFullScaleAt, w.fullScaleTop);
  PutF64(h, kBottomFullScaleAt, w.fullScaleBottom);

  // The checksum makes the 16-bit words of both headers sum to zero.
  uint16_t sum = 0;
  for (size_t i = 0; i < kHeaderBytes; i += 2)
    sum = static_cast<uint16_t>(sum + static_cast<uint16_t>(h[i] | h[i + 1] << 8));
  Put16(h, kChecksumAt, static_cast<uint16_t>(-sum));
}

// The samples in little-endian order: as they lie on a little-endian
// machine, otherwise swapped number by number through a small buffer.
void WriteSamples(const HostWave& w, uint64_t bytes, FileSink& out) {
  const std::byte* data = w.samples.data();
  if constexpr (std::endian::native == std::endian::little) {
    out.Write(data, bytes);
  } else {
    const size_t width = HostWave::ElementSize(w.type) / ((w.type & kWaveComplex) ? 2 : 1);
    std::vector<std::byte> chunk(1 << 16);
    for (uint64_t at = 0; at < bytes; at += chunk.size()) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), bytes - at));
      for (size_t i = 0; i < n; i += width)
        std::reverse_copy(data + at + i, data + at + i + width, chunk.begin() + i);
      out.Write(chunk.data(), n);
    }
  }
}

// A text wave's last section: where each point's text ends in its data.
void WriteTextEnds(const HostWave& w, FileSink& out) {
  std::vector<uint8_t> ends;
  ends.reserve(std::min<size_t>(w.texts.size(), 1 << 14) * 4);
  uint32_t end = 0;
  for (const std::string& t : w.texts) {
    end += static_cast<uint32_t>(t.size());
    ends.resize(ends.size() + 4);
    Put32(ends.data(), ends.size() - 4, end);
    if (ends.size() >= (1 << 16)) {
      out.Write(ends.data(), ends.size());
      ends.clear();
    }
  }
  out.Write(ends.data(), ends.size());
}

}  // namespace

uint64_t IbwRecordSize(const HostWave& w) {
  const Sections s = Measure(w);
  const bool textsMatch = w.type != kWaveText || w.texts.size() == static_cast<size_t>(w.points);
  const bool samplesMatch = w.type == kWaveText || w.samples.size() >= s.data;
  if (!textsMatch || !samplesMatch || s.total() > std::numeric_limits<int32_t>::max()) return 0;
  return s.total();
}

void WriteIbwRecord(const HostWave& w, FileSink& out) {
  const Sections s = Measure(w);
  uint8_t headers[kHeaderBytes] = {};
  FillHeaders(w, s, headers);
  out.Write(headers, sizeof headers);
  if (w.type != kWaveText) WriteSamples(w, s.data, out);
  else for (const std::string& t : w.texts) out.Write(t);
  out.Write(w.note);
  if (s.dataUnits) out.Write(w.dataUnits);
  for (int d = 0; d < 2; ++d)
    if (s.dimUnits[d]) out.Write(w.dims[d].units);
  if (w.type == kWaveText) WriteTextEnds(w, out);
}

}  // namespace kwt
