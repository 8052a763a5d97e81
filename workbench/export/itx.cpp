#include "workbench/export/itx.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "support/format.h"
#include "workbench/host/session.h"
#include "workbench/language/command_line.h"
#include "workbench/language/interpreter.h"
#include "workbench/workbench.h"

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

// Lines of the file, whatever its line ends.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  return lines;
}

bool ParseValue(std::string_view token, double* v) {
  const std::string t(token);
  if (t == "NaN" || t == "nan") { *v = std::nan(""); return true; }
  if (t == "INF" || t == "inf" || t == "Inf") { *v = INFINITY; return true; }
  if (t == "-INF" || t == "-inf" || t == "-Inf") { *v = -INFINITY; return true; }
  char* end = nullptr;
  *v = std::strtod(t.c_str(), &end);
  return end != t.c_str() && *end == '\0';
}

struct Block {
  int32_t type = kWaveFloat32;
  std::vector<std::string> names;
};

// Reads "WAVES/D/N=(3) a b" into a block description.
bool ParseWavesLine(std::string_view line, Block* block) {
  CommandCursor c{std::string(line.substr(5))};
  int32_t base = kWaveFloat32;
  bool isUnsigned = false, complex = false, text = false;
  while (c.TryChar('/')) {
    std::string flag;
    while (std::isalpha(static_cast<unsigned char>(c.Peek()))) flag += static_cast<char>(c.Take());
    if (flag == "S") base = kWaveFloat32;
    else if (flag == "D") base = kWaveFloat64;
    else if (flag == "I") base = kWaveInt32;
    else if (flag == "W") base = kWaveInt16;
    else if (flag == "B") base = kWaveInt8;
    else if (flag == "U") isUnsigned = true;
    else if (flag == "C") complex = true;
    else if (flag == "T") text = true;
    else if (flag == "N" || flag == "O") {
      // The point count follows from the data; skip "=(n)".
      if (c.Peek() == '=') {
        c.Take();
        if (c.Peek() == '(') {
          while (c.Peek() != '\0' && c.Peek() != ')') c.Take();
          c.Take();
        } else {
          while (std::isdigit(static_cast<unsigned char>(c.Peek()))) c.Take();
        }
      }
    } else {
      return false;
    }
  }
  block->type = text ? kWaveText : base | (isUnsigned ? kWaveUnsigned : 0) | (complex ? kWaveComplex : 0);
  std::string name;
  while (c.ReadName(&name)) {
    block->names.push_back(name);
    c.TryChar(',');
  }
  return !block->names.empty() && c.AtEnd();
}

}  // namespace

std::string SaveItx(Session& session) {
  std::string out = "IGOR\r";
  SaveFolder(session.root(), out);
  return out;
}

int32_t LoadItx(Workbench& workbench, std::string_view text, bool overwrite) {
  return LoadItx(workbench.interpreter(), text, overwrite);
}

int32_t LoadItx(Interpreter& interpreter, std::string_view text, bool overwrite) {
  Session& session = interpreter.session();
  const std::vector<std::string_view> lines = Lines(text);
  size_t i = 0;
  while (i < lines.size() && TrimBlanks(lines[i]).empty()) ++i;
  if (i == lines.size() || TrimBlanks(lines[i]) != "IGOR") return kHostErrFileFormat;
  ++i;
  HostFolder* const start = &session.current();
  int32_t result = 0;
  for (; i < lines.size() && result == 0; ++i) {
    const std::string_view line = TrimBlanks(lines[i]);
    if (line.empty()) continue;
    if (line.substr(0, 2) == "X ") {
      result = interpreter.ExecuteLine(line.substr(2));
      continue;
    }
    if (line.substr(0, 5) != "WAVES") {
      result = kHostErrFileFormat;
      break;
    }
    Block block;
    if (!ParseWavesLine(line, &block)) {
      result = kHostErrFileFormat;
      break;
    }
    if (++i >= lines.size() || TrimBlanks(lines[i]) != "BEGIN") {
      result = kHostErrFileFormat;
      break;
    }
    // Columns: one per wave, two for complex waves.
    const bool complex = (block.type & kWaveComplex) != 0;
    const size_t columns = block.names.size() * (complex ? 2 : 1);
    std::vector<std::vector<double>> values(columns);
    std::vector<std::vector<std::string>> texts(block.names.size());
    bool ended = false;
    for (++i; i < lines.size(); ++i) {
      const std::string_view row = TrimBlanks(lines[i]);
      if (row == "END") {
        ended = true;
        break;
      }
      CommandCursor c{std::string(row)};
      for (size_t col = 0; col < columns; ++col) {
        if (block.type == kWaveText) {
          std::string s;
          if (!c.ReadQuotedString(&s)) return kHostErrFileFormat;
          texts[col].push_back(std::move(s));
          continue;
        }
        c.SkipSpace();
        std::string token;
        while (c.Peek() != '\0' && c.Peek() != ' ' && c.Peek() != '\t') token += c.Take();
        double v;
        if (!ParseValue(token, &v)) return kHostErrFileFormat;
        values[col].push_back(v);
      }
      if (!c.AtEnd()) return kHostErrFileFormat;
    }
    if (!ended) return kHostErrFileFormat;
    for (size_t k = 0; k < block.names.size(); ++k) {
      const size_t n = block.type == kWaveText ? texts[k].size() : values[k * (complex ? 2 : 1)].size();
      WaveHandle w = nullptr;
      result = interpreter.host().MakeWave(&w, block.names[k], static_cast<int64_t>(n), block.type,
                                           overwrite);
      if (result != 0) break;
      if (block.type == kWaveText) {
        w->texts = std::move(texts[k]);
        continue;
      }
      if (!complex) {
        for (size_t p = 0; p < n; ++p) w->SetValue(static_cast<int64_t>(p), values[k][p]);
        continue;
      }
      // Complex points: real and imaginary parts side by side.
      const size_t part = HostWave::ElementSize(w->type) / 2;
      HostWave tmp;
      tmp.type = w->type & ~kWaveComplex;
      tmp.points = 1;
      tmp.samples = SampleBuffer(part);
      for (size_t p = 0; p < n; ++p) {
        for (int q = 0; q < 2; ++q) {
          tmp.SetValue(0, values[k * 2 + q][p]);
          std::memcpy(w->samples.data() + p * part * 2 + q * part, tmp.samples.data(), part);
        }
      }
    }
  }
  // A file that leaves its folders open, or stops half-way, does not move
  // the session to another folder.
  session.SetCurrentFolder(start);
  return result;
}

}  // namespace kwt
