// The workbench's command language: dispatch of a command and the commands
// that users and tests type (Make, Variable, String, wave assignment,
// SetScale, Note, KillWaves, NewDataFolder, SetDataFolder, print,
// LoadWave/T, Redimension, help).  Window commands are in window_commands.cpp.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <span>

#include "resources/operation_flags.h"
#include "resources/resources.h"
#include "support/byte_reader.h"
#include "support/format.h"
#include "workbench/export/itx.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Numbers as the history shows them.
std::string FormatNumber(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  return Format("%.*g", 6, v);
}

// One of the workbench's own commands: its name, how it is written, what it
// does (one line) and what runs it.  The dispatch and `help` read the same
// table, so a command cannot run without a help line.
struct OwnCommand {
  std::string_view name;
  std::string_view usage;
  std::string_view help;
  int32_t (*run)(Workbench& wb, CommandCursor& c, const std::string& command);
};

// The text of `help` (no topic: every operation and command, one line
// each) or `help NAME`; lines end in "\r".  False when nothing has that name.
bool HelpText(std::string_view topic, std::span<const OwnCommand> own, std::string* text) {
  if (topic.empty()) {
    *text = "Operations of the module (help NAME or NAME/? lists the flags):\r";
    for (int32_t i = 0; i < resources::kOperationCount; ++i) {
      const resources::OperationHelp& op = *resources::OperationHelpAt(i);
      AppendFormat(*text, "  %-14s %s\r", std::string(op.name).c_str(),
                   std::string(op.summary).c_str());
    }
    *text += "Commands of the workbench (help NAME shows how each is written):\r";
    for (const OwnCommand& o : own)
      AppendFormat(*text, "  %-14s %s\r", std::string(o.name).c_str(), std::string(o.help).c_str());
    return true;
  }
  if (const resources::OperationHelp* op = resources::FindOperationHelp(topic)) {
    *text = resources::OperationHelpText(*op);
    return true;
  }
  for (const OwnCommand& o : own) {
    if (!SameName(o.name, topic)) continue;
    *text = std::string(o.usage) + "\r  " + std::string(o.help) + "\r";
    return true;
  }
  return false;
}

}  // namespace

int32_t Workbench::ReadNumber(CommandCursor& c, double* value, bool flagValue) {
  return EvaluateNumber(c, *this, flagValue, value);
}

int32_t Workbench::CheckPointCount(double v) {
  if (!(v >= 0)) {
    Diagnose("a number of points is 0 or more");
    return kHostErrBadValue;
  }
  // Beyond 64-bit counts no memory could hold the wave anyway.
  if (v >= 9.0e18) return kHostErrNoMemory;
  return 0;
}

int32_t Workbench::RunCommand(const std::string& command) {
  using W = Workbench;
  using C = CommandCursor;
  using S = const std::string&;
  // The workbench's own commands.  `help` and the assignment are dispatched
  // below; they stand here for their help lines.
  static constexpr OwnCommand kOwnCommands[] = {
      {"Make", "Make[/O][/D|/S|/I|/W|/B][/U][/C][/T][/N=n] name[, name] [= {v0, v1, ...} | = expr]",
       "make waves (float, 128 points unless /N; /D double, /T text)",
       [](W& w, C& c, S) { return w.CmdMake(c); }},
      {"Variable", "Variable[/G] name [= expr][, name [= expr]]", "make a numeric variable",
       [](W& w, C& c, S) { return w.CmdVariable(c, false); }},
      {"String", "String[/G] name [= \"text\"][, ...]", "make a string variable",
       [](W& w, C& c, S) { return w.CmdVariable(c, true); }},
      {"=", "wave = expr | wave = {v0, v1, ...} | wave[i] = v | variable = expr",
       "assign values to a wave (p, x: each point) or a variable", nullptr},
      {"SetScale", "SetScale[/P|/I] x|y|d first, second[, \"units\"], wave[, wave]",
       "x or y scaling (/P start and delta), or d: data range, units",
       [](W& w, C& c, S) { return w.CmdSetScale(c); }},
      {"Note", "Note[/K][/NOCR] wave[, \"text\"]",
       "add a line to a wave's note (/K clears it first)",
       [](W& w, C& c, S) { return w.CmdNote(c); }},
      {"KillWaves", "KillWaves[/A][/Z] wave[, wave]",
       "delete waves (/A all of the current folder, /Z if present)",
       [](W& w, C& c, S) { return w.CmdKillWaves(c); }},
      {"KillVariables", "KillVariables[/Z] name[, name]", "delete numeric variables",
       [](W& w, C& c, S) { return w.CmdKillVariables(c); }},
      {"KillStrings", "KillStrings[/Z] name[, name]", "delete string variables",
       [](W& w, C& c, S) { return w.CmdKillVariables(c); }},
      {"NewDataFolder", "NewDataFolder[/O][/S] path",
       "make a data folder (/S and make it the current one)",
       [](W& w, C& c, S) { return w.CmdNewDataFolder(c); }},
      {"SetDataFolder", "SetDataFolder path", "make a data folder the current one",
       [](W& w, C& c, S) { return w.CmdSetDataFolder(c); }},
      {"print", "print expr | \"text\" | stringVar[, ...]", "print numbers and texts",
       [](W& w, C& c, S) { return w.CmdPrint(c); }},
      {"LoadWave", "LoadWave/T[/O] \"file.itx\" | $var",
       "load the waves and variables of an Igor text file",
       [](W& w, C& c, S) { return w.CmdLoadWave(c); }},
      {"Redimension", "Redimension[/N=n][/D|/S|/I|/W|/B] wave[, wave]",
       "change the number of points or the number type of waves",
       [](W& w, C& c, S) { return w.CmdRedimension(c); }},
      {"Display", "Display[/W=(left,top,right,bottom)][/L=axis|/R=axis] wave[, wave] [vs xwave]",
       "show waves in a new graph", [](W& w, C& c, S cmd) { return w.CmdDisplay(c, cmd); }},
      {"AppendToGraph", "AppendToGraph[/L=axis|/R=axis][/B=axis|/T=axis] wave[, wave] [vs xwave]",
       "add waves to the top graph", [](W& w, C& c, S cmd) { return w.CmdAppendToGraph(c, cmd); }},
      {"ModifyGraph", "ModifyGraph setting(trace or axis)=value[, ...]",
       "change traces and axes of the top graph",
       [](W& w, C&, S cmd) { return w.CmdGraphSetting(cmd); }},
      {"SetAxis", "SetAxis[/A] axis low, high", "the range of an axis of the top graph",
       [](W& w, C&, S cmd) { return w.CmdGraphSetting(cmd); }},
      {"ErrorBars", "ErrorBars trace Y,wave=(plus, minus)",
       "error bars on a trace of the top graph",
       [](W& w, C&, S cmd) { return w.CmdGraphSetting(cmd); }},
      {"Legend", "Legend[/N=name]", "a legend in the top graph",
       [](W& w, C&, S cmd) { return w.CmdGraphSetting(cmd); }},
      {"TextBox", "TextBox[/N=name] \"text\"", "a text box in the top graph",
       [](W& w, C&, S cmd) { return w.CmdGraphSetting(cmd); }},
      {"AppendText", "AppendText/N=name \"text\"", "a line more in a text box of the top graph",
       [](W& w, C&, S cmd) { return w.CmdGraphSetting(cmd); }},
      {"Label", "Label axis \"text\"", "the label of an axis of the top graph",
       [](W& w, C&, S cmd) { return w.CmdGraphSetting(cmd); }},
      {"SetDrawEnv", "SetDrawEnv setting=value[, ...]",
       "how the next line in the top graph is drawn",
       [](W& w, C&, S cmd) { return w.CmdGraphSetting(cmd); }},
      {"DrawLine", "DrawLine x0, y0, x1, y1", "a line in the top graph",
       [](W& w, C&, S cmd) { return w.CmdGraphSetting(cmd); }},
      {"Edit", "Edit wave[, wave]", "show waves in a new table",
       [](W& w, C& c, S cmd) { return w.CmdEdit(c, cmd); }},
      {"AppendToTable", "AppendToTable wave[, wave]", "add waves to the top table",
       [](W& w, C& c, S cmd) { return w.CmdAppendToTable(c, cmd); }},
      {"Append", "Append wave[, wave] [vs xwave]", "add waves to the top graph or table",
       [](W& w, C& c, S cmd) { return w.CmdAppend(c, cmd); }},
      {"PauseUpdate", "PauseUpdate", "accepted; windows are drawn only when written out",
       [](W&, C&, S) { return 0; }},
      {"ResumeUpdate", "ResumeUpdate", "accepted; windows are drawn only when written out",
       [](W&, C&, S) { return 0; }},
      {"DoUpdate", "DoUpdate", "accepted; windows are drawn only when written out",
       [](W&, C&, S) { return 0; }},
      {"Silent", "Silent n", "accepted; does nothing", [](W&, C&, S) { return 0; }},
      {"help", "help [NAME]", "list all, or show how one is written (NAME/? for flags)", nullptr},
  };

  // The help goes to the history and, as print's output does, to the print
  // sink, so that a quiet session shows it as well.
  const auto showHelp = [this](std::string_view topic) {
    std::string text;
    if (!HelpText(topic, kOwnCommands, &text)) {
      PostHistory("  help: no operation or command named " + std::string(topic) + "\r");
      return kHostErrUnknownCommand;
    }
    PostHistory(text);
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
      end = text.find('\r', start);
      Print(std::string_view(text).substr(start, end - start));
    }
    return 0;
  };

  CommandCursor c(command);
  const std::string word = c.ReadIdentifier();
  const std::string lower = Lower(word);

  // The module's operations; "NAME/?" shows an operation's flags instead.
  for (size_t i = 0; i < std::size(resources::kOperations); ++i) {
    if (word.empty() || !SameName(word, resources::kOperations[i])) continue;
    const size_t afterName = c.pos();
    if (c.TryChar('/') && c.TryChar('?') && c.AtEnd()) return showHelp(word);
    c.set_pos(afterName);
    return RunModuleOperation(static_cast<int32_t>(i), c);
  }
  if (lower == "help") {
    c.SkipSpace();
    std::string_view topic = c.Rest();
    while (!topic.empty() && (topic.back() == ' ' || topic.back() == '\t')) topic.remove_suffix(1);
    return showHelp(topic);
  }
  for (const OwnCommand& own : kOwnCommands)
    if (own.run != nullptr && SameName(word, own.name)) return own.run(*this, c, command);

  // An assignment to a wave or variable: "w = ...", "w[3] = ...",
  // "root:data:w = ...", "'my wave' = ...".
  c.set_pos(0);
  {
    ParsedPath path;
    if (c.ReadPath(&path) && !path.trailingColon) {
      c.SkipSpace();
      if (c.Peek() == '=' || c.Peek() == '[') {
        c.set_pos(0);
        return CmdAssign(c);
      }
    }
  }
  PostHistory("  unknown command or procedure: " + command + "\r");
  return kHostErrUnknownCommand;
}

int32_t Workbench::CmdMake(CommandCursor& c) {
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
      if (int32_t e = ReadNumber(vc, &v)) return e;
      if (!vc.AtEnd()) return kHostErrSyntax;
      // Each value is checked before it becomes an integer.
      if (f.name == "n") {
        if (int32_t e = CheckPointCount(v)) return e;
        points = static_cast<int64_t>(v);
      } else {
        if (!(v >= 0 && v <= 0xFFFF) || v != std::trunc(v) ||
            !HostWave::ValidType(static_cast<int32_t>(v))) {
          Diagnose("/Y=" + f.value + ": no number type has that code");
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
    HostFolder* folder = ResolveFolder(path, false);
    if (folder == nullptr) return NotFound(kHostErrNoSuchFolder, path);
    HostFolder* const saved = &current();
    SetCurrentFolder(folder);
    WaveHandle wave = nullptr;
    const int32_t made = MakeWave(&wave, name, points, type, overwrite);
    SetCurrentFolder(saved);
    if (made != 0) return made;
    c.SkipSpace();
    if (c.Peek() == '=') {
      // "Make w = {...}" or "Make w = expr" assigns right away.
      CommandCursor assign(folder->Path(true) + QuoteNameIfNeeded(name) + std::string(c.Rest()));
      return CmdAssign(assign);
    }
  } while (c.TryChar(','));
  return c.AtEnd() ? 0 : kHostErrExpectedEnd;
}

int32_t Workbench::CmdAssign(CommandCursor& c) {
  ParsedPath path;
  if (!c.ReadPath(&path)) return kHostErrExpectedName;
  HostWave* wave = ResolveWave(path);
  if (wave == nullptr) {
    // A variable assignment.
    Variable* v = ResolveVariable(path);
    if (v == nullptr) return NotFound(kHostErrNoSuchWave, path);
    if (!c.TryChar('=')) return kHostErrExpectedEquals;
    if (v->isString) {
      std::string s;
      if (int32_t e = ReadStringExpr(c, &s)) return e;
      v->text = std::move(s);
    } else {
      double x;
      if (int32_t e = ReadNumber(c, &x)) return e;
      v->number = x;
    }
    return c.AtEnd() ? 0 : kHostErrExpectedEnd;
  }
  // One point: "w[i] = value".
  if (c.TryChar('[')) {
    double index;
    if (int32_t e = ReadNumber(c, &index)) return e;
    if (!c.TryChar(']')) return kHostErrSyntax;
    if (!c.TryChar('=')) return kHostErrExpectedEquals;
    if (std::isnan(index) || index < 0 || index >= static_cast<double>(wave->points))
      return kHostErrBadValue;
    const int64_t i = static_cast<int64_t>(index);
    if (wave->type == kWaveText) {
      std::string s;
      if (int32_t e = ReadStringExpr(c, &s)) return e;
      wave->texts[static_cast<size_t>(i)] = std::move(s);
    } else {
      double v;
      if (int32_t e = ReadNumber(c, &v)) return e;
      wave->SetValue(i, v);
    }
    return c.AtEnd() ? 0 : kHostErrExpectedEnd;
  }
  if (!c.TryChar('=')) return kHostErrExpectedEquals;
  if (wave->lockCount > 0) return kHostErrWaveInUse;
  c.SkipSpace();
  if (c.Peek() == '{') {
    // A list of values sets the points and their number.
    c.Take();
    if (wave->type == kWaveText) {
      std::vector<std::string> texts;
      if (!c.TryChar('}')) {
        do {
          std::string s;
          if (int32_t e = ReadStringExpr(c, &s)) return e;
          texts.push_back(std::move(s));
        } while (c.TryChar(','));
        if (!c.TryChar('}')) return kHostErrSyntax;
      }
      wave->points = static_cast<int64_t>(texts.size());
      wave->texts = std::move(texts);
      return c.AtEnd() ? 0 : kHostErrExpectedEnd;
    }
    std::vector<double> values;
    if (!c.TryChar('}')) {
      do {
        double v;
        if (int32_t e = ReadNumber(c, &v)) return e;
        values.push_back(v);
      } while (c.TryChar(','));
      if (!c.TryChar('}')) return kHostErrSyntax;
    }
    if (!c.AtEnd()) return kHostErrExpectedEnd;
    wave->Resize(wave->type, static_cast<int64_t>(values.size()));
    for (size_t i = 0; i < values.size(); ++i) wave->SetValue(static_cast<int64_t>(i), values[i]);
    return 0;
  }
  if (wave->type == kWaveText) {
    std::string s;
    if (int32_t e = ReadStringExpr(c, &s)) return e;
    if (!c.AtEnd()) return kHostErrExpectedEnd;
    for (auto& t : wave->texts) t = s;
    return 0;
  }
  ExprOptions options;
  options.pointVariables = true;
  std::unique_ptr<Expression> expr;
  if (int32_t e = ParseExpression(c, *this, options, &expr)) return e;
  if (!c.AtEnd()) return kHostErrExpectedEnd;
  // Values are computed first so that "w = w[p+1]" reads the old points.
  std::vector<double> values(static_cast<size_t>(wave->points));
  for (int64_t i = 0; i < wave->points; ++i) {
    ExprPoint pt;
    pt.p = i;
    pt.x = wave->dims[0].offset + static_cast<double>(i) * wave->dims[0].delta;
    values[static_cast<size_t>(i)] = expr->Evaluate(pt);
  }
  for (int64_t i = 0; i < wave->points; ++i) wave->SetValue(i, values[static_cast<size_t>(i)]);
  return 0;
}

int32_t Workbench::CmdVariable(CommandCursor& c, bool isString) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  for (const CommandFlag& f : flags)
    if (f.name != "g" && f.name != "d") return kHostErrBadFlag;
  do {
    std::string name;
    if (!c.ReadName(&name)) return kHostErrExpectedName;
    if (name.size() > static_cast<size_t>(kHostMaxNameLength)) return kHostErrNameTooLong;
    if (isString) {
      std::string value;
      if (c.TryChar('='))
        if (int32_t e = ReadStringExpr(c, &value)) return e;
      if (int32_t e = SetStringVariable(name, value, true)) return e;
    } else {
      double value = 0;
      if (c.TryChar('='))
        if (int32_t e = ReadNumber(c, &value)) return e;
      if (int32_t e = SetNumericVariable(name, value, true)) return e;
    }
  } while (c.TryChar(','));
  return c.AtEnd() ? 0 : kHostErrExpectedEnd;
}

int32_t Workbench::CmdSetScale(CommandCursor& c) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  const bool perPoint = FindCommandFlag(flags, "p") != nullptr;
  const bool inclusive = FindCommandFlag(flags, "i") != nullptr;
  const std::string dimWord = Lower(c.ReadIdentifier());
  int dim;
  if (dimWord == "x") dim = 0;
  else if (dimWord == "y") dim = 1;
  else if (dimWord == "d") dim = -1;
  else return kHostErrSyntax;
  c.TryChar(',');
  double num1, num2;
  if (int32_t e = ReadNumber(c, &num1)) return e;
  if (!c.TryChar(',')) return kHostErrSyntax;
  if (int32_t e = ReadNumber(c, &num2)) return e;
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
    if (int32_t e = ExpandWaveList(c, false)) return e;
    ParsedPath path;
    if (!c.ReadPath(&path)) return kHostErrExpectedWave;
    HostWave* w = ResolveWave(path);
    if (w == nullptr) return NotFound(kHostErrNoSuchWave, path);
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

int32_t Workbench::CmdNote(CommandCursor& c) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  const bool kill = FindCommandFlag(flags, "k") != nullptr;
  const bool noCr = FindCommandFlag(flags, "nocr") != nullptr;
  ParsedPath path;
  if (!c.ReadPath(&path)) return kHostErrExpectedWave;
  HostWave* w = ResolveWave(path);
  if (w == nullptr) return NotFound(kHostErrNoSuchWave, path);
  std::string text;
  bool hasText = false;
  if (c.TryChar(',')) {
    if (int32_t e = ReadStringExpr(c, &text)) return e;
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

int32_t Workbench::CmdKillWaves(CommandCursor& c) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  const bool quiet = FindCommandFlag(flags, "z") != nullptr;
  if (FindCommandFlag(flags, "a") != nullptr) {
    std::vector<HostWave*> all;
    for (const auto& w : current().waves) all.push_back(w.get());
    for (HostWave* w : all) {
      const int32_t e = KillWave(w);
      if (e != 0 && !quiet) return e;
    }
    return c.AtEnd() ? 0 : kHostErrExpectedEnd;
  }
  // A list that names no wave kills none.
  if (int32_t e = ExpandWaveList(c, false)) return e;
  if (c.AtEnd()) return 0;
  do {
    if (int32_t e = ExpandWaveList(c, false)) return e;
    ParsedPath path;
    if (!c.ReadPath(&path)) return kHostErrExpectedWave;
    HostWave* w = ResolveWave(path);
    if (w == nullptr) {
      if (quiet) continue;
      return NotFound(kHostErrNoSuchWave, path);
    }
    const int32_t e = KillWave(w);
    if (e != 0 && !quiet) return e;
  } while (c.TryChar(','));
  return c.AtEnd() ? 0 : kHostErrExpectedEnd;
}

int32_t Workbench::CmdKillVariables(CommandCursor& c) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  const bool quiet = FindCommandFlag(flags, "z") != nullptr;
  if (c.AtEnd()) return 0;
  do {
    ParsedPath path;
    if (!c.ReadPath(&path)) return kHostErrExpectedName;
    HostFolder* f = ResolveFolder(path, false);
    const std::string leaf = path.Leaf();
    bool removed = false;
    if (f != nullptr) {
      for (auto it = f->variables.begin(); it != f->variables.end(); ++it) {
        if (SameName(it->name, leaf)) {
          f->variables.erase(it);
          removed = true;
          break;
        }
      }
    }
    if (!removed && !quiet) return kHostErrNoSuchVariable;
  } while (c.TryChar(','));
  return c.AtEnd() ? 0 : kHostErrExpectedEnd;
}

int32_t Workbench::CmdNewDataFolder(CommandCursor& c) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  const bool ok = FindCommandFlag(flags, "o") != nullptr;
  const bool set = FindCommandFlag(flags, "s") != nullptr;
  ParsedPath path;
  if (!c.ReadPath(&path) || path.trailingColon || path.parts.empty()) return kHostErrExpectedName;
  if (!c.AtEnd()) return kHostErrExpectedEnd;
  HostFolder* parent = ResolveFolder(path, false);
  if (parent == nullptr) return NotFound(kHostErrNoSuchFolder, path);
  const std::string name = path.Leaf();
  if (name.size() > static_cast<size_t>(kHostMaxNameLength)) return kHostErrNameTooLong;
  if (!IsValidName(name)) return kHostErrBadName;
  HostFolder* folder = parent->FindFolder(name);
  if (folder == nullptr) {
    if (parent->NameInUse(name)) return kHostErrNameInUse;
    auto made = std::make_unique<HostFolder>();
    made->name = name;
    made->parent = parent;
    folder = made.get();
    parent->folders.push_back(std::move(made));
  } else if (!ok) {
    return kHostErrNameInUse;
  }
  if (set) SetCurrentFolder(folder);
  return 0;
}

int32_t Workbench::CmdSetDataFolder(CommandCursor& c) {
  ParsedPath path;
  if (!c.ReadPath(&path)) return kHostErrExpectedName;
  if (!c.AtEnd()) return kHostErrExpectedEnd;
  HostFolder* f = ResolveFolder(path, true);
  if (f == nullptr) return NotFound(kHostErrNoSuchFolder, path);
  SetCurrentFolder(f);
  return 0;
}

int32_t Workbench::CmdPrint(CommandCursor& c) {
  std::string line = " ";
  if (!c.AtEnd()) {
    do {
      c.SkipSpace();
      const size_t start = c.pos();
      std::string s;
      if (ReadStringExpr(c, &s) == 0 && (c.AtEnd() || c.Peek() == ',')) {
        line += " " + s;
        continue;
      }
      c.set_pos(start);
      double v;
      if (int32_t e = ReadNumber(c, &v)) return e;
      line += " " + FormatNumber(v);
    } while (c.TryChar(','));
  }
  if (!c.AtEnd()) return kHostErrExpectedEnd;
  PostHistory(line + "\r");
  Print(std::string_view(line).substr(std::min<size_t>(2, line.size())));
  return 0;
}

int32_t Workbench::CmdLoadWave(CommandCursor& c) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  if (FindCommandFlag(flags, "t") == nullptr) return kHostErrBadFlag;  // only Igor text files
  const bool overwrite = FindCommandFlag(flags, "o") != nullptr;
  std::string path;
  c.SkipSpace();
  if (c.Peek() == '$') {
    c.Take();
    ParsedPath p;
    if (!c.ReadPath(&p)) return kHostErrExpectedStringVar;
    Variable* v = ResolveVariable(p);
    if (v == nullptr || !v->isString) return kHostErrExpectedStringVar;
    path = v->text;
  } else if (!c.ReadQuotedString(&path)) {
    return kHostErrExpectedString;
  }
  if (!c.AtEnd()) return kHostErrExpectedEnd;
  if (int32_t e = ToNativePath(&path)) return e;
  // Only a regular file: its size bounds the read, where /dev/zero would
  // never end and a FIFO would wait for a writer.
  const FileSource file(path, FileSource::PathKind::kNative);
  if (!file.is_open()) {
    Diagnose(path + ": " + file.failure());
    return kHostErrFileOpen;
  }
  std::string text(static_cast<size_t>(file.size()), '\0');
  if (file.ReadAt(0, {reinterpret_cast<uint8_t*>(text.data()), text.size()}) != text.size()) {
    Diagnose(path + ": the file could not be read to its end");
    return kHostErrFileOpen;
  }
  return LoadItx(*this, text, overwrite);
}

int32_t Workbench::CmdRedimension(CommandCursor& c) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  std::optional<int64_t> points;
  std::optional<int32_t> type;
  for (const CommandFlag& f : flags) {
    if (f.name == "n") {
      if (!f.hasValue) return kHostErrExpectedEquals;
      CommandCursor vc(f.value);
      double v;
      if (int32_t e = ReadNumber(vc, &v)) return e;
      if (int32_t e = CheckPointCount(v)) return e;
      points = static_cast<int64_t>(v);
    } else if (f.name == "d") type = kWaveFloat64;
    else if (f.name == "s") type = kWaveFloat32;
    else if (f.name == "i") type = kWaveInt32;
    else if (f.name == "w") type = kWaveInt16;
    else if (f.name == "b") type = kWaveInt8;
    else return kHostErrBadFlag;
  }
  do {
    if (int32_t e = ExpandWaveList(c, false)) return e;
    ParsedPath path;
    if (!c.ReadPath(&path)) return kHostErrExpectedWave;
    HostWave* w = ResolveWave(path);
    if (w == nullptr) return NotFound(kHostErrNoSuchWave, path);
    if (int32_t e = Redimension(w, type.value_or(w->type), points.value_or(w->points))) return e;
  } while (c.TryChar(','));
  return c.AtEnd() ? 0 : kHostErrExpectedEnd;
}

}  // namespace kwt
