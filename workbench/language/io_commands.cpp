// What a line prints and reads: print, and LoadWave of binary wave files
// (.ibw) or, with /T, of Igor text files (.itx).
#include <algorithm>
#include <cmath>

#include "host/host.h"
#include "support/byte_reader.h"
#include "support/format.h"
#include "workbench/language/itx_reader.h"
#include "workbench/host/ibw_reader.h"
#include "workbench/host/session.h"
#include "workbench/language/interpreter.h"
#include "workbench/language/own_commands.h"
#include "workbench/language/value_reader.h"

namespace kwt {
namespace {

// Numbers as the history shows them.
std::string FormatNumber(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  return Format("%.*g", 6, v);
}

}  // namespace

int32_t CmdPrint(Interpreter& in, CommandCursor& c, const std::string&) {
  std::string line = " ";
  if (!c.AtEnd()) {
    do {
      c.SkipSpace();
      const size_t start = c.pos();
      std::string s;
      if (in.values().ReadString(c, &s) == 0 && (c.AtEnd() || c.Peek() == ',')) {
        line += " " + s;
        continue;
      }
      c.set_pos(start);
      double v;
      if (int32_t e = in.values().ReadNumber(c, &v)) return e;
      line += " " + FormatNumber(v);
    } while (c.TryChar(','));
  }
  if (!c.AtEnd()) return kHostErrExpectedEnd;
  in.session().PostHistory(line + "\r");
  in.session().Print(std::string_view(line).substr(std::min<size_t>(2, line.size())));
  return 0;
}

int32_t CmdLoadWave(Interpreter& in, CommandCursor& c, const std::string&) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  const bool text = FindCommandFlag(flags, "t") != nullptr;
  const bool overwrite = FindCommandFlag(flags, "o") != nullptr;
  std::string path;
  c.SkipSpace();
  if (c.Peek() == '$') {
    if (int32_t e = in.values().ReadStringVariable(c, &path)) return e;
  } else if (!c.ReadQuotedString(&path)) {
    return kHostErrExpectedString;
  }
  if (!c.AtEnd()) return kHostErrExpectedEnd;
  if (int32_t e = in.host().ToNativePath(&path)) return e;
  // Only a regular file: its size bounds the read, where /dev/zero would
  // never end and a FIFO would wait for a writer.
  const FileSource file(path, FileSource::PathKind::kNative);
  if (!file.is_open()) {
    in.session().Diagnose(path + ": " + file.failure());
    return kHostErrFileOpen;
  }
  if (!text) return LoadIbw(in.session(), in.host(), file, overwrite);
  std::string itx(static_cast<size_t>(file.size()), '\0');
  if (file.ReadAt(0, {reinterpret_cast<uint8_t*>(itx.data()), itx.size()}) != itx.size()) {
    in.session().Diagnose(path + ": the file could not be read to its end");
    return kHostErrFileOpen;
  }
  return LoadItx(in, itx, overwrite);
}

}  // namespace kwt
