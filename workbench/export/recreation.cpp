#include "workbench/export/recreation.h"

#include <map>

#include "support/format.h"
#include "workbench/host/session.h"

namespace kwt {
namespace {

std::string WavePath(const HostWave& w) {
  return w.folder->Path(true) + QuoteNameIfNeeded(w.name);
}

// The axis flags of a trace: none for the usual left and bottom axes.
std::string AxisFlags(const GraphTrace& t) {
  std::string f;
  const char* yDefault = t.yOnRight ? "right" : "left";
  if (t.yOnRight || t.yAxis != yDefault)
    f += t.yOnRight ? "/R" : "/L";
  if (t.yAxis != yDefault) f += "=" + t.yAxis;
  const char* xDefault = t.xOnTop ? "top" : "bottom";
  if (t.xOnTop || t.xAxis != xDefault) f += t.xOnTop ? "/T" : "/B";
  if (t.xAxis != xDefault) f += "=" + t.xAxis;
  return f;
}

std::string TraceLine(const char* command, const GraphTrace& t) {
  std::string line = "\t" + std::string(command) + AxisFlags(t) + " " + WavePath(*t.wave);
  if (t.xWave != nullptr) line += " vs " + WavePath(*t.xWave);
  return line + "\r";
}

std::string RectFlag(const Window& w) {
  if (!w.hasRect) return "";
  return Format("/W=(%g,%g,%g,%g)", w.rect[0], w.rect[1], w.rect[2], w.rect[3]);
}

void GraphMacro(const Window& g, std::string& out) {
  // Which traces each kept command added.
  std::map<size_t, std::vector<const GraphTrace*>> added;
  for (const GraphTrace& t : g.traces) added[t.command].push_back(&t);
  for (size_t i = 0; i < g.commands.size(); ++i) {
    const auto it = added.find(i);
    // The first command made the window; it may have shown nothing.
    if (i == 0 && it == added.end()) {
      out += "\tDisplay" + RectFlag(g) + "\r";
      continue;
    }
    if (it == added.end()) {
      out += "\t" + g.commands[i] + "\r";
      continue;
    }
    // One trace a line keeps every line short, whatever the paths.
    for (const GraphTrace* t : it->second) {
      if (i == 0 && t == it->second.front()) {
        std::string line = TraceLine("Display", *t);
        line.insert(8, RectFlag(g));  // behind "\tDisplay"
        out += line;
      } else {
        out += TraceLine("AppendToGraph", *t);
      }
    }
  }
}

void TableMacro(const Window& t, std::string& out) {
  out += "\tEdit" + RectFlag(t);
  if (!t.columns.empty()) out += " " + WavePath(*t.columns.front());
  out += "\r";
  for (size_t i = 1; i < t.columns.size(); ++i)
    out += "\tAppendToTable " + WavePath(*t.columns[i]) + "\r";
}

}  // namespace

std::string RecreationMacros(const Session& session) {
  std::string out;
  const std::vector<Window>& windows = session.windows();
  for (auto w = windows.rbegin(); w != windows.rend(); ++w) {
    const bool graph = w->kind == Window::Kind::kGraph;
    AppendFormat(out, "Window %s() : %s\r", w->name.c_str(), graph ? "Graph" : "Table");
    out += "\tPauseUpdate; Silent 1\t\t// building window...\r";
    if (graph) GraphMacro(*w, out);
    else TableMacro(*w, out);
    out += "EndMacro\r\r";
  }
  return out;
}

}  // namespace kwt
