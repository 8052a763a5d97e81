// Writing a table window's columns as CSV.
#include "workbench/export/table_csv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "workbench/host/encoding.h"
#include "workbench/host/objects.h"

namespace kwt {
namespace {

// A field quoted when it holds a separator, a quote or a line break.
std::string Field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

template <typename T>
std::string Shortest(T v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// The value of a numeric point, in the precision the wave keeps it: a float
// sample of 0.1 is written "0.1", not "0.10000000149011612".
std::string NumberText(const HostWave& w, int64_t i, bool imaginary) {
  const size_t size = HostWave::ElementSize(w.type);
  if (size == 0 || static_cast<size_t>(i + 1) * size > w.samples.size()) return "";
  const std::byte* p = w.samples.data() + static_cast<size_t>(i) * size;
  const int base = w.type & ~(kWaveComplex | kWaveUnsigned);
  if (imaginary) p += size / 2;
  if (base == kWaveFloat32) {
    float f;
    std::memcpy(&f, p, sizeof f);
    return Shortest(f);
  }
  if (base == kWaveFloat64) {
    double d;
    std::memcpy(&d, p, sizeof d);
    return Shortest(d);
  }
  // Integers read exactly through Value().
  return Shortest(w.Value(i));
}

bool SameScaling(const HostWave* a, const HostWave* b) {
  return a->dims[0].delta == b->dims[0].delta && a->dims[0].offset == b->dims[0].offset &&
         a->dims[0].units == b->dims[0].units;
}

std::string WithUnits(const std::string& name, const std::string& units) {
  return units.empty() ? name : name + " (" + units + ")";
}

struct Column {
  std::string header;
  const HostWave* wave = nullptr;
  int64_t points = 0;  // rows with a value
  enum class Kind { kX, kValue, kImaginary, kText } kind = Kind::kValue;
};

// The columns of a table: headers, which wave, how many rows; `rows` gets
// the length of the longest wave.
std::vector<Column> PlanColumns(const Window& table, int64_t* rowsOut) {
  std::vector<Column> columns;
  int64_t rows = 0;
  // Runs of columns with one x scaling share an x column.
  size_t runs = 0;
  for (size_t i = 0; i < table.columns.size(); ++i)
    if (i == 0 || !SameScaling(table.columns[i - 1], table.columns[i])) ++runs;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const HostWave* w = table.columns[i];
    rows = std::max(rows, w->points);
    const std::string name = HostToUtf8(w->name);
    if (i == 0 || !SameScaling(table.columns[i - 1], w)) {
      const std::string x = runs == 1 ? "x" : "x of " + name;
      // The x column runs as far as the longest wave of its run.
      int64_t points = 0;
      for (size_t j = i; j < table.columns.size() && SameScaling(w, table.columns[j]); ++j)
        points = std::max(points, table.columns[j]->points);
      columns.push_back({WithUnits(x, HostToUtf8(w->dims[0].units)), w, points, Column::Kind::kX});
    }
    const std::string units = HostToUtf8(w->dataUnits);
    if (w->type == kWaveText) {
      columns.push_back({name, w, w->points, Column::Kind::kText});
    } else if ((w->type & kWaveComplex) != 0) {
      columns.push_back({WithUnits(name + ".re", units), w, w->points, Column::Kind::kValue});
      columns.push_back({WithUnits(name + ".im", units), w, w->points, Column::Kind::kImaginary});
    } else {
      columns.push_back({WithUnits(name, units), w, w->points, Column::Kind::kValue});
    }
  }
  *rowsOut = rows;
  return columns;
}

}  // namespace

std::vector<std::string> TableCsvHeaders(const Window& table) {
  int64_t rows = 0;
  std::vector<std::string> headers;
  for (const Column& c : PlanColumns(table, &rows)) headers.push_back(c.header);
  return headers;
}

// The columns are planned first, then written row by row up to the longest
// wave.
std::string TableCsv(const Window& table) {
  int64_t rows = 0;
  const std::vector<Column> columns = PlanColumns(table, &rows);
  std::string out;
  for (size_t c = 0; c < columns.size(); ++c) {
    if (c > 0) out += ',';
    out += Field(columns[c].header);
  }
  out += '\n';
  for (int64_t r = 0; r < rows; ++r) {
    for (size_t c = 0; c < columns.size(); ++c) {
      if (c > 0) out += ',';
      const Column& col = columns[c];
      if (r >= col.points) continue;
      switch (col.kind) {
        case Column::Kind::kX:
          out += Shortest(col.wave->dims[0].offset + static_cast<double>(r) * col.wave->dims[0].delta);
          break;
        case Column::Kind::kText:
          out += Field(r < static_cast<int64_t>(col.wave->texts.size())
                           ? HostToUtf8(col.wave->texts[static_cast<size_t>(r)])
                           : "");
          break;
        default:
          out += NumberText(*col.wave, r, col.kind == Column::Kind::kImaginary);
          break;
      }
    }
    out += '\n';
  }
  return out;
}

}  // namespace kwt
