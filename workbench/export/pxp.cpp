#include "workbench/export/pxp.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "workbench/export/file_sink.h"
#include "workbench/export/ibw.h"
#include "workbench/export/recreation.h"
#include "workbench/export/session_dump.h"
#include "workbench/host/session.h"

namespace kwt {
namespace {

enum RecordType : uint16_t {
  kVariablesRecord = 1,
  kHistoryRecord = 2,
  kWaveRecord = 3,
  kRecreationRecord = 4,
  kFolderStartRecord = 9,
  kFolderEndRecord = 10,
};

// Variables records of version 1 count each string's length in 16 bits,
// those of version 2 in 32 bits and also count dependent variables.
// Version 1 is written whenever the strings allow it, since readers of
// version 2 are fewer.
constexpr size_t kMaxVersion1String = 32767;
constexpr size_t kObjectNameBytes = 32;
constexpr uint16_t kNumberTypeFloat64 = 4;

void Append16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}
void Append32(std::string& out, uint32_t v) {
  Append16(out, static_cast<uint16_t>(v));
  Append16(out, static_cast<uint16_t>(v >> 16));
}
void AppendF64(std::string& out, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  Append32(out, static_cast<uint32_t>(bits));
  Append32(out, static_cast<uint32_t>(bits >> 32));
}
void AppendName(std::string& out, const std::string& name) {
  std::string field(kObjectNameBytes, '\0');
  field.replace(0, std::min(name.size(), kObjectNameBytes - 1), name, 0, kObjectNameBytes - 1);
  out += field;
}

void RecordHeader(FileSink& out, uint16_t type, uint64_t bytes) {
  std::string h;
  Append16(h, type);
  Append16(h, 0);
  Append32(h, static_cast<uint32_t>(bytes));
  out.Write(h);
}

void Record(FileSink& out, uint16_t type, const std::string& bytes) {
  RecordHeader(out, type, bytes.size());
  out.Write(bytes);
}

// A folder's variables: a version, the counts of system, numeric and string
// variables (and, in version 2, of dependent ones: none here), then the numeric ones
// (name, kind, number type, real and imaginary part, a reserved word) and
// the string ones (name, length, bytes).
std::string VariablesRecord(const HostFolder& f) {
  std::string out;
  uint16_t numbers = 0, strings = 0;
  bool longStrings = false;
  for (const Variable& v : f.variables) {
    ++(v.isString ? strings : numbers);
    longStrings = longStrings || (v.isString && v.text.size() > kMaxVersion1String);
  }
  Append16(out, longStrings ? 2 : 1);
  Append16(out, 0);  // no system variables
  Append16(out, numbers);
  Append16(out, strings);
  if (longStrings) {
    Append16(out, 0);  // no dependent numeric variables
    Append16(out, 0);  // nor dependent strings
  }
  for (const Variable& v : f.variables) {
    if (v.isString) continue;
    AppendName(out, v.name);
    Append16(out, 1);
    Append16(out, kNumberTypeFloat64);
    AppendF64(out, v.number);
    AppendF64(out, 0.0);
    Append32(out, 0);
  }
  for (const Variable& v : f.variables) {
    if (!v.isString) continue;
    AppendName(out, v.name);
    if (longStrings) Append32(out, static_cast<uint32_t>(v.text.size()));
    else Append16(out, static_cast<uint16_t>(v.text.size()));
    out += v.text;
  }
  return out;
}

void WriteFolder(const HostFolder& f, FileSink& out) {
  if (!f.variables.empty()) Record(out, kVariablesRecord, VariablesRecord(f));
  for (const auto& w : f.waves) {
    RecordHeader(out, kWaveRecord, IbwRecordSize(*w));
    WriteIbwRecord(*w, out);
  }
  for (const auto& sub : f.folders) {
    std::string name;
    AppendName(name, sub->name);
    Record(out, kFolderStartRecord, name);
    WriteFolder(*sub, out);
    Record(out, kFolderEndRecord, "");
  }
}

// Every wave must fit its record before the first byte is written, so
// that a failure leaves no half experiment behind.
bool CheckWaves(const Session& session, std::string* error) {
  for (const HostWave* w : session.AllWaves()) {
    if (IbwRecordSize(*w) == 0) {
      *error = "wave " + w->folder->Path(true) + QuoteNameIfNeeded(w->name) +
               " is too large for a binary wave record (2 GB at most)";
      return false;
    }
  }
  return true;
}

}  // namespace

bool SavePxp(const Session& session, const std::string& path, std::string* error) {
  if (!CheckWaves(session, error)) return false;
  FileSink out(path);
  WriteFolder(session.root(), out);
  Record(out, kHistoryRecord, session.history());
  Record(out, kRecreationRecord, RecreationMacros(session));
  return out.Close(error);
}

bool SaveIbwFiles(const Session& session, const std::string& dir, std::string* error) {
  if (!CheckWaves(session, error)) return false;
  for (const HostWave* w : session.AllWaves()) {
    const std::filesystem::path folder = std::filesystem::path(dir) / FolderDir(*w->folder);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
      *error = "cannot make folder " + folder.string() + ": " + ec.message();
      return false;
    }
    FileSink out((folder / (FileName(w->name) + ".ibw")).string());
    WriteIbwRecord(*w, out);
    if (!out.Close(error)) return false;
  }
  return true;
}

}  // namespace kwt
