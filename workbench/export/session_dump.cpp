#include "workbench/export/session_dump.h"

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "support/format.h"
#include "workbench/host/encoding.h"
#include "workbench/workbench.h"

namespace kwt {

std::string_view ProblemKindName(ProblemKind kind) {
  switch (kind) {
    case ProblemKind::kNothingLoaded: return "nothing_loaded";
    case ProblemKind::kMissingSamples: return "missing_samples";
    case ProblemKind::kDamaged: return "damaged";
    case ProblemKind::kDiagnosis: break;
  }
  return "diagnosis";
}

namespace {

using nlohmann::json;

json Number(double v) {
  if (!std::isfinite(v)) return nullptr;
  // Whole numbers print as integers.
  if (v == std::trunc(v) && std::fabs(v) < 9.0e15) return static_cast<int64_t>(v);
  return v;
}

std::string Text(std::string_view s) { return HistoryToUtf8(s); }

// Code points of a UTF-8 text (for the fixed-width unicode of text waves).
std::u32string CodePoints(const std::string& utf8) {
  std::u32string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto u = static_cast<unsigned char>(utf8[i]);
    char32_t cp;
    size_t len = 1;
    if (u < 0x80) cp = u;
    else if ((u & 0xE0) == 0xC0) { cp = u & 0x1F; len = 2; }
    else if ((u & 0xF0) == 0xE0) { cp = u & 0x0F; len = 3; }
    else { cp = u & 0x07; len = 4; }
    for (size_t k = 1; k < len && i + k < utf8.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    out += cp;
    i += len;
  }
  return out;
}

bool MakeDirs(const std::string& dir) {
  for (size_t i = 1; i <= dir.size(); ++i) {
    if (i == dir.size() || dir[i] == '/') {
      const std::string part = dir.substr(0, i);
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
  }
  return true;
}

const char* StepName(DrawStep::Kind kind) {
  switch (kind) {
    case DrawStep::Kind::kClip: return "clip";
    case DrawStep::Kind::kFill: return "fill";
    case DrawStep::Kind::kPen: return "pen";
    case DrawStep::Kind::kPolyline: return "polyline";
  }
  return "polyline";
}

// Every dialog run of the session with the final state of its controls.
json DialogsJson(const ScriptedDialogs& dialogs) {
  json runs = json::array();
  for (const DialogRecord& run : dialogs.runs()) {
    json controls = json::array();
    for (const ControlState& c : run.controls) {
      json j = {{"id", c.id}, {"kind", ControlKindName(c.kind)}, {"text", Text(c.text)},
                {"enabled", c.enabled}};
      if (!c.name.empty()) j["name"] = c.name;
      if (c.kind == ControlKind::kCheckBox || c.kind == ControlKind::kRadio)
        j["checked"] = c.checked;
      if (c.kind == ControlKind::kPopup || c.kind == ControlKind::kList ||
          c.kind == ControlKind::kMultiList) {
        if (c.kind == ControlKind::kMultiList) {
          j["selected_rows"] = c.selectedRows;
          if (!c.rowLevels.empty()) j["row_levels"] = c.rowLevels;
        } else j["selection"] = c.selection;
        json items = json::array();
        for (const std::string& item : c.items) items.push_back(Text(item));
        j["items"] = items;
      }
      if (c.kind == ControlKind::kDrawing) j["picture"] = PictureJson(c.picture);
      controls.push_back(j);
    }
    json alerts = json::array();
    for (const auto& e : run.events)
      if (e.kind == "alert") alerts.push_back({{"title", Text(e.title)}, {"text", Text(e.text)}});
    json problems = json::array();
    for (const std::string& p : run.problems) problems.push_back(Text(p));
    runs.push_back({{"id", run.id},
                    {"title", Text(run.title)},
                    {"ended_by", run.endedByModule ? "dialog" : "script"},
                    {"result", run.result},
                    {"actions_taken", run.actionsTaken},
                    {"focus", run.focus},
                    {"controls", controls},
                    {"alerts", alerts},
                    {"history", Text(run.history)},
                    {"problems", problems}});
  }
  return runs;
}

}  // namespace

// A name as part of a file path: "/" and "%" and control bytes are
// written as %XX so that every name maps to one file.
std::string FileName(std::string_view name) {
  std::string out;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '%' || u < 0x20 || (out.empty() && c == '.')) out += Format("%%%02X", u);
    else out += c;
  }
  return HostToUtf8(out);
}

std::string FolderDir(const HostFolder& f) {
  if (f.parent == nullptr) return "root";
  return FolderDir(*f.parent) + "/" + FileName(f.name);
}

const char* ControlKindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kButton: return "button";
    case ControlKind::kLabel: return "label";
    case ControlKind::kEdit: return "edit";
    case ControlKind::kPopup: return "popup";
    case ControlKind::kCheckBox: return "checkbox";
    case ControlKind::kGroup: return "group";
    case ControlKind::kPicture: return "picture";
    case ControlKind::kList: return "list";
    case ControlKind::kMultiList: return "multilist";
    case ControlKind::kRadio: return "radio";
    case ControlKind::kDrawing: return "drawing";
  }
  return "control";
}

json PictureJson(const std::vector<DrawStep>& picture) {
  json steps = json::array();
  for (const DrawStep& step : picture) {
    json j = {{"step", StepName(step.kind)}, {"values", step.values}};
    if (step.kind == DrawStep::Kind::kFill || step.kind == DrawStep::Kind::kPen)
      j["colour"] = {step.colour.r, step.colour.g, step.colour.b};
    if (step.kind == DrawStep::Kind::kPen) j["dotted"] = step.dotted;
    steps.push_back(std::move(j));
  }
  return steps;
}

const char* NumpySampleType(int32_t type) {
  const bool complex = (type & kWaveComplex) != 0;
  const bool isUnsigned = (type & kWaveUnsigned) != 0;
  switch (type & ~(kWaveComplex | kWaveUnsigned)) {
    case kWaveFloat32: return complex ? "<c8" : "<f4";
    case kWaveFloat64: return complex ? "<c16" : "<f8";
    case kWaveInt8: return isUnsigned ? "|u1" : "|i1";
    case kWaveInt16: return isUnsigned ? "<u2" : "<i2";
    case kWaveInt32: return isUnsigned ? "<u4" : "<i4";
  }
  return nullptr;
}

void WriteNpy(std::ostream& out, const HostWave& w) {
  std::vector<std::u32string> texts;
  size_t width = 1;
  if (w.type == kWaveText) {
    for (const auto& t : w.texts) {
      texts.push_back(CodePoints(HostToUtf8(t)));
      width = std::max(width, texts.back().size());
    }
  }
  const char* sample = NumpySampleType(w.type);
  const std::string descr = w.type == kWaveText ? "<U" + std::to_string(width)
                            : sample != nullptr ? sample
                                                : "|u1";
  // A complex integer wave is a row of two integers per point.
  const bool complexInteger =
      (w.type & kWaveComplex) != 0 && (w.type & (kWaveFloat32 | kWaveFloat64)) == 0;
  std::string header = "{'descr': '" + descr + "', 'fortran_order': False, 'shape': (" +
                       std::to_string(w.points) + (complexInteger ? ", 2), }" : ",), }");
  // Magic, version 1.0, a 2-byte header length; the header is padded with
  // blanks and ends in "\n" so that the data start on a 64-byte boundary.
  const size_t total = 10 + header.size() + 1;
  header.append((64 - total % 64) % 64, ' ');
  header += '\n';
  std::string head = "\x93NUMPY";
  head += '\x01';
  head += '\x00';
  head += static_cast<char>(header.size() & 0xFF);
  head += static_cast<char>((header.size() >> 8) & 0xFF);
  head += header;
  out.write(head.data(), static_cast<std::streamsize>(head.size()));
  if (w.type == kWaveText) {
    std::string body;
    for (const auto& t : texts) {
      for (size_t k = 0; k < width; ++k) {
        const uint32_t cp = k < t.size() ? static_cast<uint32_t>(t[k]) : 0;
        for (int b = 0; b < 4; ++b) body += static_cast<char>((cp >> (8 * b)) & 0xFF);
      }
    }
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
  } else {
    // Samples are kept little-endian on this platform: written as they are.
    out.write(reinterpret_cast<const char*>(w.samples.data()),
              static_cast<std::streamsize>(w.samples.size()));
  }
}

json SessionJson(Workbench& wb) {
  json doc;
  json results = json::array();
  for (const auto& r : wb.results()) {
    json entry = {{"command", Text(r.command)}, {"code", r.code}, {"text", Text(r.text)}};
    if (!r.diagnosis.empty()) entry["diagnosis"] = Text(r.diagnosis);
    if (!r.problems.empty()) {
      json problems = json::array();
      for (const Problem& p : r.problems) {
        json problem = {{"kind", ProblemKindName(p.kind)}, {"text", Text(p.text)}};
        if (p.kind == ProblemKind::kMissingSamples || p.missing != 0) {
          problem["missing"] = p.missing;
          problem["points"] = p.points;
        }
        problems.push_back(std::move(problem));
      }
      entry["problems"] = std::move(problems);
    }
    results.push_back(std::move(entry));
  }
  doc["results"] = results;
  doc["history"] = Text(wb.history());

  json variables = json::object();
  std::function<void(const HostFolder&)> vars = [&](const HostFolder& f) {
    for (const Variable& v : f.variables) {
      const std::string key = Text(f.Path(false) + v.name);
      if (v.isString) variables[key] = {{"type", "string"}, {"value", Text(v.text)}};
      else variables[key] = {{"type", "number"}, {"value", Number(v.number)}};
    }
    for (const auto& sub : f.folders) vars(*sub);
  };
  vars(wb.root());
  doc["variables"] = variables;

  json waves = json::array();
  for (HostWave* w : wb.AllWaves()) {
    json j;
    j["path"] = Text(w->folder->Path(false) + w->name);
    j["type"] = HostWave::TypeName(w->type);
    j["points"] = w->points;
    j["x_start"] = Number(w->dims[0].offset);
    j["x_delta"] = Number(w->dims[0].delta);
    j["x_units"] = Text(w->dims[0].units);
    j["y_start"] = Number(w->dims[1].offset);
    j["y_delta"] = Number(w->dims[1].delta);
    j["y_units"] = Text(w->dims[1].units);
    j["data_units"] = Text(w->dataUnits);
    j["full_scale"] = {Number(w->fullScaleTop), Number(w->fullScaleBottom)};
    j["note"] = Text(w->note);
    j["file"] = FolderDir(*w->folder) + "/" + FileName(w->name) + ".npy";
    waves.push_back(j);
  }
  doc["waves"] = waves;

  json windows = json::array();
  for (const Window& win : wb.windows()) {
    json j;
    j["name"] = win.name;
    j["kind"] = win.kind == Window::Kind::kGraph ? "graph" : "table";
    json items = json::array();
    for (const GraphTrace& t : win.traces)
      items.push_back({{"trace", Text(t.name)},
                       {"wave", Text(t.wave->folder->Path(false) + t.wave->name)},
                       {"x_wave", t.xWave ? json(Text(t.xWave->folder->Path(false) + t.xWave->name)) : json(nullptr)},
                       {"y_axis", t.yAxis},
                       {"x_axis", t.xAxis}});
    for (const HostWave* c : win.columns) items.push_back({{"wave", Text(c->folder->Path(false) + c->name)}});
    j[win.kind == Window::Kind::kGraph ? "traces" : "columns"] = items;
    json cmds = json::array();
    for (const auto& c : win.commands) cmds.push_back(Text(c));
    j["commands"] = cmds;
    windows.push_back(j);
  }
  doc["windows"] = windows;  // front (top) window first

  json commands = json::array();
  for (const auto& c : wb.commandLog()) commands.push_back(Text(c));
  doc["commands"] = commands;

  json alerts = json::array();
  json events = json::array();
  for (const auto& e : wb.interaction().events()) {
    if (e.kind == "alert") alerts.push_back({{"title", Text(e.title)}, {"text", Text(e.text)}});
    json ev = {{"kind", e.kind}, {"title", Text(e.title)}, {"text", Text(e.text)}};
    if (e.kind == "question") ev["answer"] = e.answer == kAnswerYes ? "yes" : "no";
    events.push_back(ev);
  }
  doc["alerts"] = alerts;
  doc["events"] = events;
  doc["dialogs"] = DialogsJson(wb.dialogs());
  doc["clipboard"] = Text(wb.clipboard());
  doc["command_line"] = Text(wb.commandLine());
  return doc;
}

bool WriteSessionDump(Workbench& wb, const std::string& dir, std::string* error) {
  if (!MakeDirs(dir)) {
    *error = "cannot make folder " + dir + ": " + std::strerror(errno);
    return false;
  }
  for (HostWave* w : wb.AllWaves()) {
    const std::string sub = dir + "/" + FolderDir(*w->folder);
    if (!MakeDirs(sub)) {
      *error = "cannot make folder " + sub + ": " + std::strerror(errno);
      return false;
    }
    const std::string file = sub + "/" + FileName(w->name) + ".npy";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    WriteNpy(out, *w);
    if (!out) {
      *error = "cannot write " + file;
      return false;
    }
  }
  std::ofstream out(dir + "/session.json", std::ios::trunc);
  out << SessionJson(wb).dump(2) << '\n';
  if (!out) {
    *error = "cannot write " + dir + "/session.json";
    return false;
  }
  return true;
}

}  // namespace kwt
