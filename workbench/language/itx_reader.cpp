#include "workbench/language/itx_reader.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "workbench/host/session.h"
#include "workbench/language/interpreter.h"
#include "workbench/syntax/command_line.h"

namespace kwt {
namespace {

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
