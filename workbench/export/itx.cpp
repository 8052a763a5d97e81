#include "workbench/export/itx.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "support/format.h"
#include "workbench/host/session.h"

namespace kwt {
namespace {

// Longest escaped piece of note text on one "X Note" line, so that every
// line stays inside the 400-byte command lines of older hosts.
constexpr size_t kNoteChunk = 300;

// The shortest text that reads back as the same value.
std::string Real(double v, bool single) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
  if (single) {
    const float f = static_cast<float>(v);
    for (int digits = 6; digits < 9; ++digits) {
      std::string s = Format("%.*g", digits, static_cast<double>(f));
      if (std::strtof(s.c_str(), nullptr) == f) return s;
    }
    return Format("%.9g", static_cast<double>(f));
  }
  for (int digits = 15; digits < 17; ++digits) {
    std::string s = Format("%.*g", digits, v);
    if (std::strtod(s.c_str(), nullptr) == v) return s;
  }
  return Format("%.17g", v);
}

std::string TypeFlags(int32_t type) {
  if (type == kWaveText) return "/T";
  std::string f;
  if (type & kWaveUnsigned) f += "/U";
  if (type & kWaveComplex) f += "/C";
  switch (type & ~(kWaveComplex | kWaveUnsigned)) {
    case kWaveFloat32: f += "/S"; break;
    case kWaveFloat64: f += "/D"; break;
    case kWaveInt8: f += "/B"; break;
    case kWaveInt16: f += "/W"; break;
    case kWaveInt32: f += "/I"; break;
  }
  return f;
}

// The value of one number of a wave: point i, part 0 (real) or 1 (imag).
std::string PointText(const HostWave& w, int64_t i, int part) {
  const size_t size = HostWave::ElementSize(w.type);
  const bool complex = (w.type & kWaveComplex) != 0;
  const size_t partSize = complex ? size / 2 : size;
  const std::byte* p = w.samples.data() + static_cast<size_t>(i) * size + part * partSize;
  const bool isUnsigned = (w.type & kWaveUnsigned) != 0;
  switch (w.type & ~(kWaveComplex | kWaveUnsigned)) {
    case kWaveFloat32: { float v; std::memcpy(&v, p, 4); return Real(v, true); }
    case kWaveFloat64: { double v; std::memcpy(&v, p, 8); return Real(v, false); }
    case kWaveInt8: {
      if (isUnsigned) return std::to_string(static_cast<unsigned>(*reinterpret_cast<const uint8_t*>(p)));
      return std::to_string(static_cast<int>(*reinterpret_cast<const int8_t*>(p)));
    }
    case kWaveInt16: {
      if (isUnsigned) { uint16_t v; std::memcpy(&v, p, 2); return std::to_string(v); }
      int16_t v; std::memcpy(&v, p, 2); return std::to_string(v);
    }
    case kWaveInt32: {
      if (isUnsigned) { uint32_t v; std::memcpy(&v, p, 4); return std::to_string(v); }
      int32_t v; std::memcpy(&v, p, 4); return std::to_string(v);
    }
  }
  return "0";
}

void SaveWave(const HostWave& w, std::string& out) {
  const std::string name = QuoteNameIfNeeded(w.name);
  AppendFormat(out, "WAVES%s/N=(%lld)\t%s\r", TypeFlags(w.type).c_str(),
               static_cast<long long>(w.points), name.c_str());
  out += "BEGIN\r";
  const bool complex = (w.type & kWaveComplex) != 0;
  for (int64_t i = 0; i < w.points; ++i) {
    out += '\t';
    if (w.type == kWaveText) {
      out += '"' + EscapeString(w.texts[static_cast<size_t>(i)]) + '"';
    } else {
      out += PointText(w, i, 0);
      if (complex) out += '\t' + PointText(w, i, 1);
    }
    out += '\r';
  }
  out += "END\r";
  AppendFormat(out, "X SetScale/P x %s,%s,\"%s\", %s", Real(w.dims[0].offset, false).c_str(),
               Real(w.dims[0].delta, false).c_str(), EscapeString(w.dims[0].units).c_str(),
               name.c_str());
  if (w.dims[1].offset != 0.0 || w.dims[1].delta != 1.0 || !w.dims[1].units.empty())
    AppendFormat(out, "; SetScale/P y %s,%s,\"%s\", %s", Real(w.dims[1].offset, false).c_str(),
                 Real(w.dims[1].delta, false).c_str(), EscapeString(w.dims[1].units).c_str(),
                 name.c_str());
  AppendFormat(out, "; SetScale d %s,%s,\"%s\", %s\r", Real(w.fullScaleTop, false).c_str(),
               Real(w.fullScaleBottom, false).c_str(), EscapeString(w.dataUnits).c_str(),
               name.c_str());
  // The note goes in pieces: the first replaces, the others append as they
  // stand.  A piece ends before the character whose escape would make it
  // too long.
  bool first = true;
  std::string piece;
  auto flush = [&] {
    AppendFormat(out, "X Note%s %s, \"%s\"\r", first ? "/K" : "/NOCR", name.c_str(),
                 piece.c_str());
    piece.clear();
    first = false;
  };
  for (char ch : w.note) {
    const std::string e = EscapeString(std::string_view(&ch, 1));
    if (piece.size() + e.size() > kNoteChunk) flush();
    piece += e;
  }
  if (!piece.empty()) flush();
}

void SaveFolder(const HostFolder& f, std::string& out) {
  for (const Variable& v : f.variables) {
    const std::string name = QuoteNameIfNeeded(v.name);
    if (v.isString)
      AppendFormat(out, "X String/G %s = \"%s\"\r", name.c_str(), EscapeString(v.text).c_str());
    else
      AppendFormat(out, "X Variable/G %s = %s\r", name.c_str(), Real(v.number, false).c_str());
  }
  for (const auto& w : f.waves) SaveWave(*w, out);
  for (const auto& sub : f.folders) {
    AppendFormat(out, "X NewDataFolder/O/S %s\r", QuoteNameIfNeeded(sub->name).c_str());
    SaveFolder(*sub, out);
    out += "X SetDataFolder ::\r";
  }
}

}  // namespace

std::string SaveItx(Session& session) {
  std::string out = "IGOR\r";
  SaveFolder(session.root(), out);
  return out;
}

}  // namespace kwt
