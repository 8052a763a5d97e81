// The workbench's commands for waves: Make, Redimension, SetScale, Note
// and KillWaves.
#include <cmath>

#include "host/host.h"
#include "workbench/host/objects.h"
#include "workbench/host/session.h"
#include "workbench/language/interpreter.h"
#include "workbench/language/own_commands.h"
#include "workbench/language/value_reader.h"

namespace kwt {
namespace {

// 0, or kHostErrBadValue / kHostErrNoMemory for a count no wave can have.
int32_t CheckPointCount(Session& session, double v) {
  if (!(v >= 0)) {
    session.Diagnose("a number of points is 0 or more");
    return kHostErrBadValue;
  }
  // Beyond 64-bit counts no memory could hold the wave anyway.
  if (v >= 9.0e18) return kHostErrNoMemory;
  return 0;
}

// One wave of a comma-separated list, where "$" and a string expression
// stand for the waves it lists.  A name that no wave has is an error, or
// with `missingIsNull` gives a null wave.
int32_t ReadListedWave(Interpreter& in, CommandCursor& c, HostWave** wave,
                       bool missingIsNull = false) {
  *wave = nullptr;
  if (int32_t e = in.values().ExpandWaveList(c, false)) return e;
  ParsedPath path;
  if (!c.ReadPath(&path)) return kHostErrExpectedWave;
  *wave = in.session().ResolveWave(path);
  if (*wave == nullptr && !missingIsNull) return in.session().NotFound(kHostErrNoSuchWave, path);
  return 0;
}

}  // namespace

int32_t CmdMake(Interpreter& in, CommandCursor& c, const std::string&) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  bool overwrite = false;
  int64_t points = 128;
  int32_t type = kWaveFloat32;
  bool isUnsigned = false, isComplex = false;
  for (const CommandFlag& f : flags) {
    if (f.name == "o") overwrite = true;
    else if (f.name == "d") type = kWaveFloat64;
    else if (f.name == "s") type = kWaveFloat32;
    else if (f.name == "i") type = kWaveInt32;
    else if (f.name == "w") type = kWaveInt16;
    else if (f.name == "b") type = kWaveInt8;
    else if (f.name == "u") isUnsigned = true;
    else if (f.name == "c") isComplex = true;
    else if (f.name == "t") type = kWaveText;
    else if (f.name == "n" || f.name == "y") {
      if (!f.hasValue) return kHostErrExpectedEquals;
      CommandCursor vc(f.value);
      double v;
      if (int32_t e = in.values().ReadNumber(vc, &v)) return e;
      if (!vc.AtEnd()) return kHostErrSyntax;
      // Each value is checked before it becomes an integer.
      if (f.name == "n") {
        if (int32_t e = CheckPointCount(in.session(), v)) return e;
        points = static_cast<int64_t>(v);
      } else {
        if (!(v >= 0 && v <= 0xFFFF) || v != std::trunc(v) ||
            !HostWave::ValidType(static_cast<int32_t>(v))) {
          in.session().Diagnose("/Y=" + f.value + ": no number type has that code");
          return kHostErrBadValue;
        }
        type = static_cast<int32_t>(v);
      }
    } else {
      return kHostErrBadFlag;
    }
  }
  if (type != kWaveText) {
    if (isUnsigned) type |= kWaveUnsigned;
    if (isComplex) type |= kWaveComplex;
  }
  do {
    // The name may carry a data-folder path: the wave is made there.
    ParsedPath path;
    if (!c.ReadPath(&path) || path.trailingColon) return kHostErrExpectedName;
    const std::string name = path.Leaf();
    if (name.size() > static_cast<size_t>(kHostMaxNameLength)) return kHostErrNameTooLong;
    HostFolder* folder = in.session().ResolveFolder(path, false);
    if (folder == nullptr) return in.session().NotFound(kHostErrNoSuchFolder, path);
    HostFolder* const saved = &in.session().current();
    in.session().SetCurrentFolder(folder);
    WaveHandle wave = nullptr;
    const int32_t made = in.host().MakeWave(&wave, name, points, type, overwrite);
    in.session().SetCurrentFolder(saved);
    if (made != 0) return made;
    c.SkipSpace();
    if (c.Peek() == '=') {
      // "Make w = {...}" or "Make w = expr" assigns right away.
      CommandCursor assign(folder->Path(true) + QuoteNameIfNeeded(name) + std::string(c.Rest()));
      return CmdAssign(in, assign, {});
    }
  } while (c.TryChar(','));
  return c.AtEnd() ? 0 : kHostErrExpectedEnd;
}

int32_t CmdRedimension(Interpreter& in, CommandCursor& c, const std::string&) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  std::optional<int64_t> points;
  std::optional<int32_t> type;
  for (const CommandFlag& f : flags) {
    if (f.name == "n") {
      if (!f.hasValue) return kHostErrExpectedEquals;
      CommandCursor vc(f.value);
      double v;
      if (int32_t e = in.values().ReadNumber(vc, &v)) return e;
      if (int32_t e = CheckPointCount(in.session(), v)) return e;
      points = static_cast<int64_t>(v);
    } else if (f.name == "d") type = kWaveFloat64;
    else if (f.name == "s") type = kWaveFloat32;
    else if (f.name == "i") type = kWaveInt32;
    else if (f.name == "w") type = kWaveInt16;
    else if (f.name == "b") type = kWaveInt8;
    else return kHostErrBadFlag;
  }
  do {
    HostWave* w;
    if (int32_t e = ReadListedWave(in, c, &w)) return e;
    const int32_t e = in.host().Redimension(w, type.value_or(w->type), points.value_or(w->points));
    if (e != 0) return e;
  } while (c.TryChar(','));
  return c.AtEnd() ? 0 : kHostErrExpectedEnd;
}

int32_t CmdSetScale(Interpreter& in, CommandCursor& c, const std::string&) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  const bool perPoint = FindCommandFlag(flags, "p") != nullptr;
  const bool inclusive = FindCommandFlag(flags, "i") != nullptr;
  const std::string dimWord = c.ReadIdentifier();
  int dim;
  if (SameName(dimWord, "x")) dim = 0;
  else if (SameName(dimWord, "y")) dim = 1;
  else if (SameName(dimWord, "d")) dim = -1;
  else return kHostErrSyntax;
  c.TryChar(',');
  double num1, num2;
  if (int32_t e = in.values().ReadNumber(c, &num1)) return e;
  if (!c.TryChar(',')) return kHostErrSyntax;
  if (int32_t e = in.values().ReadNumber(c, &num2)) return e;
  if (!c.TryChar(',')) return kHostErrSyntax;
  std::optional<std::string> units;
  c.SkipSpace();
  if (c.Peek() == '"') {
    std::string u;
    if (!c.ReadQuotedString(&u)) return kHostErrSyntax;
    units = std::move(u);
    if (!c.TryChar(',')) return kHostErrSyntax;
  }
  std::vector<HostWave*> waves;
  do {
    HostWave* w;
    if (int32_t e = ReadListedWave(in, c, &w)) return e;
    waves.push_back(w);
  } while (c.TryChar(','));
  if (!c.AtEnd()) return kHostErrExpectedEnd;
  for (HostWave* w : waves) {
    if (dim == -1) {
      w->fullScaleTop = num1;
      w->fullScaleBottom = num2;
      if (units) w->dataUnits = *units;
      continue;
    }
    double delta;
    if (perPoint) {
      delta = num2;
    } else if (inclusive) {
      delta = w->points > 1 ? (num2 - num1) / static_cast<double>(w->points - 1) : num2 - num1;
    } else {
      delta = w->points > 0 ? (num2 - num1) / static_cast<double>(w->points) : num2 - num1;
    }
    if (delta == 0.0 || std::isnan(delta)) return kHostErrBadValue;
    w->dims[dim].delta = delta;
    w->dims[dim].offset = num1;
    if (units) w->dims[dim].units = *units;
  }
  return 0;
}

int32_t CmdNote(Interpreter& in, CommandCursor& c, const std::string&) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  const bool kill = FindCommandFlag(flags, "k") != nullptr;
  const bool noCr = FindCommandFlag(flags, "nocr") != nullptr;
  ParsedPath path;
  if (!c.ReadPath(&path)) return kHostErrExpectedWave;
  HostWave* w = in.session().ResolveWave(path);
  if (w == nullptr) return in.session().NotFound(kHostErrNoSuchWave, path);
  std::string text;
  bool hasText = false;
  if (c.TryChar(',')) {
    if (int32_t e = in.values().ReadString(c, &text)) return e;
    hasText = true;
  }
  if (!c.AtEnd()) return kHostErrExpectedEnd;
  if (kill) w->note.clear();
  if (hasText) {
    // A note gains a line: a "\r" separates it from what is there.
    if (!w->note.empty() && !noCr && !kill) w->note += '\r';
    w->note += text;
  }
  return 0;
}

int32_t CmdKillWaves(Interpreter& in, CommandCursor& c, const std::string&) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  const bool quiet = FindCommandFlag(flags, "z") != nullptr;
  if (FindCommandFlag(flags, "a") != nullptr) {
    std::vector<HostWave*> all;
    for (const auto& w : in.session().current().waves) all.push_back(w.get());
    for (HostWave* w : all) {
      const int32_t e = in.host().KillWave(w);
      if (e != 0 && !quiet) return e;
    }
    return c.AtEnd() ? 0 : kHostErrExpectedEnd;
  }
  // A list that names no wave kills none.
  if (int32_t e = in.values().ExpandWaveList(c, false)) return e;
  if (c.AtEnd()) return 0;
  do {
    HostWave* w;
    if (int32_t e = ReadListedWave(in, c, &w, quiet)) return e;
    if (w == nullptr) continue;  // with /Z, a missing wave is passed over
    const int32_t e = in.host().KillWave(w);
    if (e != 0 && !quiet) return e;
  } while (c.TryChar(','));
  return c.AtEnd() ? 0 : kHostErrExpectedEnd;
}

}  // namespace kwt
