#include "workbench/ui/session_json.h"

#include <cmath>

#include "support/format.h"
#include "workbench/export/render_index.h"
#include "workbench/graphs/graph_model.h"
#include "workbench/host/encoding.h"

namespace kwt {
namespace {

std::string Text(std::string_view hostBytes) { return Cp1252ToUtf8(hostBytes); }

// A number as the history prints it; NaN and infinities as words.
std::string NumberText(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  return Format("%.6g", v);
}

nlohmann::json FolderJson(const HostFolder& folder) {
  nlohmann::json waves = nlohmann::json::array();
  for (const auto& w : folder.waves)
    waves.push_back({{"name", Text(w->name)},
                     {"type", HostWave::TypeName(w->type)},
                     {"points", w->points},
                     {"xUnits", Text(w->dims[0].units)},
                     {"dataUnits", Text(w->dataUnits)}});
  nlohmann::json variables = nlohmann::json::array();
  for (const Variable& v : folder.variables)
    variables.push_back({{"name", Text(v.name)},
                         {"value", v.isString ? "\"" + Text(v.text) + "\"" : NumberText(v.number)}});
  nlohmann::json folders = nlohmann::json::array();
  for (const auto& f : folder.folders) folders.push_back(FolderJson(*f));
  return {{"name", Text(folder.name)},
          {"path", Text(folder.Path(true))},
          {"waves", waves},
          {"variables", variables},
          {"folders", folders}};
}

}  // namespace

nlohmann::json FoldersJson(const Session& session) {
  return FolderJson(const_cast<Session&>(session).root());
}

nlohmann::json WindowsJson(Session& session) {
  nlohmann::json windows = nlohmann::json::array();
  for (const Window& w : session.windows()) {
    const bool graph = w.kind == Window::Kind::kGraph;
    const IndexEntry e =
        graph ? GraphIndexEntry(w, BuildGraphModel(w, session)) : TableIndexEntry(w);
    windows.push_back({{"name", Text(w.name)},
                       {"kind", graph ? "graph" : "table"},
                       {"title", e.title},
                       {"shows", e.shows}});
  }
  return windows;
}

}  // namespace kwt
