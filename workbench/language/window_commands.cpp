// Graph and table windows: Display, AppendToGraph, Edit, AppendToTable,
// Append, and the settings commands that act on the top graph.
#include "workbench/language/window_commands.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "host/host.h"
#include "support/format.h"
#include "workbench/host/session.h"
#include "workbench/language/interpreter.h"
#include "workbench/language/value_reader.h"

namespace kwt {
namespace {

// The axes that /L, /R, /B and /T name for the traces of one command.
struct AxisPair {
  std::string y = "left", x = "bottom";
  bool yOnRight = false, xOnTop = false;
  void Take(const std::string& flag, const std::string& value);
};

void AxisPair::Take(const std::string& flag, const std::string& value) {
  if (flag == "l" || flag == "r") {
    y = value.empty() ? (flag == "l" ? "left" : "right") : value;
    yOnRight = flag == "r";
  } else {
    x = value.empty() ? (flag == "b" ? "bottom" : "top") : value;
    xOnTop = flag == "t";
  }
}

void AddTrace(Window& graph, HostWave* wave, HostWave* xWave, const AxisPair& axes) {
  // A wave shown twice gets the trace names w, w#1, w#2, ...
  int repeats = 0;
  for (const GraphTrace& t : graph.traces)
    if (t.wave == wave) ++repeats;
  GraphTrace t;
  t.wave = wave;
  t.xWave = xWave;
  t.yAxis = axes.y;
  t.xAxis = axes.x;
  t.yOnRight = axes.yOnRight;
  t.xOnTop = axes.xOnTop;
  // The command that adds the trace is the last one kept so far.
  t.command = graph.commands.empty() ? 0 : graph.commands.size() - 1;
  t.name = repeats == 0 ? wave->name : Format("%s#%d", wave->name.c_str(), repeats);
  graph.traces.push_back(std::move(t));
}

// Reads "w1, w2 'w 3' root:x:w4 $list [vs xw]".  Waves may be separated by
// commas or blanks; "$" and a string expression stand for the names it
// lists.
int32_t ReadWaveList(Interpreter& in, CommandCursor& c, std::vector<HostWave*>* waves,
                     HostWave** xWave) {
  for (;;) {
    c.TryChar(',');
    if (int32_t e = in.values().ExpandWaveList(c, false)) return e;
    if (!c.AtNameStart()) break;
    const size_t start = c.pos();
    if (xWave != nullptr && c.TryWord("vs")) {
      ParsedPath xp;
      if (!c.ReadPath(&xp)) return kHostErrExpectedWave;
      HostWave* x = in.session().ResolveWave(xp);
      if (x == nullptr) return in.session().NotFound(kHostErrNoSuchWave, xp);
      *xWave = x;
      break;
    }
    c.set_pos(start);
    ParsedPath path;
    if (!c.ReadPath(&path)) return kHostErrExpectedWave;
    HostWave* w = in.session().ResolveWave(path);
    if (w == nullptr) return in.session().NotFound(kHostErrNoSuchWave, path);
    waves->push_back(w);
  }
  return c.AtEnd() ? 0 : kHostErrExpectedEnd;
}

}  // namespace

int32_t CmdDisplay(Interpreter& in, CommandCursor& c, const std::string& command) {
  bool hasRect = false;
  double rect[4] = {0, 0, 0, 0};
  AxisPair axes;
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  for (const CommandFlag& f : flags) {
    if (f.name == "w") {
      if (std::sscanf(f.value.c_str(), "(%lf,%lf,%lf,%lf)", &rect[0], &rect[1], &rect[2],
                      &rect[3]) != 4)
        return kHostErrSyntax;
      hasRect = true;
    } else if (f.name == "l" || f.name == "r" || f.name == "b" || f.name == "t") {
      axes.Take(f.name, f.value);
    } else if (f.name != "k" && f.name != "n" && f.name != "hide") {
      return kHostErrBadFlag;
    }
  }
  std::vector<HostWave*> waves;
  HostWave* xWave = nullptr;
  if (int32_t e = ReadWaveList(in, c, &waves, &xWave)) return e;
  Window& g = in.session().NewWindow(Window::Kind::kGraph);
  g.hasRect = hasRect;
  std::copy(rect, rect + 4, g.rect);
  g.commands.push_back(command);
  for (HostWave* w : waves) AddTrace(g, w, xWave, axes);
  return 0;
}

int32_t CmdAppendToGraph(Interpreter& in, CommandCursor& c, const std::string& command) {
  AxisPair axes;
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  for (const CommandFlag& f : flags) {
    if (f.name == "l" || f.name == "r" || f.name == "b" || f.name == "t") axes.Take(f.name, f.value);
    else if (f.name != "q" && f.name != "c") return kHostErrBadFlag;
  }
  Window* g = in.session().TopWindow(Window::Kind::kGraph);
  if (g == nullptr) return kHostErrNoWindow;
  std::vector<HostWave*> waves;
  HostWave* xWave = nullptr;
  if (int32_t e = ReadWaveList(in, c, &waves, &xWave)) return e;
  g->commands.push_back(command);
  for (HostWave* w : waves) AddTrace(*g, w, xWave, axes);
  return 0;
}

int32_t CmdGraphSetting(Interpreter& in, CommandCursor&, const std::string& command) {
  // Settings act on the top graph; they are kept for the renderer.
  Window* g = in.session().TopWindow(Window::Kind::kGraph);
  if (g == nullptr) return kHostErrNoWindow;
  g->commands.push_back(command);
  return 0;
}

int32_t CmdEdit(Interpreter& in, CommandCursor& c, const std::string& command) {
  std::vector<HostWave*> waves;
  if (int32_t e = ReadWaveList(in, c, &waves, nullptr)) return e;
  Window& t = in.session().NewWindow(Window::Kind::kTable);
  t.commands.push_back(command);
  t.columns = std::move(waves);
  return 0;
}

int32_t CmdAppendToTable(Interpreter& in, CommandCursor& c, const std::string& command) {
  Window* t = in.session().TopWindow(Window::Kind::kTable);
  if (t == nullptr) return kHostErrNoWindow;
  std::vector<HostWave*> waves;
  if (int32_t e = ReadWaveList(in, c, &waves, nullptr)) return e;
  t->commands.push_back(command);
  t->columns.insert(t->columns.end(), waves.begin(), waves.end());
  return 0;
}

int32_t CmdAppend(Interpreter& in, CommandCursor& c, const std::string& command) {
  Window* top = in.session().TopWindow();
  if (top == nullptr) return kHostErrNoWindow;
  const bool graph = top->kind == Window::Kind::kGraph;
  std::vector<HostWave*> waves;
  HostWave* xWave = nullptr;
  if (int32_t e = ReadWaveList(in, c, &waves, graph ? &xWave : nullptr)) return e;
  top->commands.push_back(command);
  if (graph) {
    for (HostWave* w : waves) AddTrace(*top, w, xWave, AxisPair());
  } else {
    top->columns.insert(top->columns.end(), waves.begin(), waves.end());
  }
  return 0;
}

}  // namespace kwt
