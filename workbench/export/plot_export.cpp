// The pictures and tables of a session, written to a folder.
#include "workbench/export/plot_export.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "support/format.h"
#include "workbench/export/render_index.h"
#include "workbench/export/table_csv.h"
#include "workbench/graphs/graph_model.h"
#include "workbench/host/encoding.h"
#include "workbench/host/session.h"

namespace kwt {
namespace {

// Writes through a temporary name and renames it, so that a failure never
// leaves a torn picture under the real name.
bool WriteWhole(const std::string& path, const std::string& bytes, std::string* error) {
  const std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      *error = Format("cannot write %s: %s", path.c_str(), std::strerror(errno));
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    *error = Format("cannot write %s: %s", path.c_str(), std::strerror(errno));
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool WritePlots(Session& session, const std::string& dir, const RenderOptions& options,
                std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    *error = Format("cannot make the folder %s: %s", dir.c_str(), ec.message().c_str());
    return false;
  }
  bool ok = true;
  auto fail = [&](const std::string& why) {
    if (ok) *error = why;
    ok = false;
  };
  // Back to front, so that the history and the index read in the order
  // the windows were made.
  std::vector<IndexEntry> index;
  const auto& windows = session.windows();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    const Window& w = *it;
    const std::string base = dir + "/" + w.name;
    std::string why;
    if (w.kind == Window::Kind::kTable) {
      index.push_back(TableIndexEntry(w));
      if (!WriteWhole(base + ".csv", TableCsv(w), &why)) {
        fail(why);
        index.back().error = Cp1252ToUtf8(why);
      }
      continue;
    }
    const GraphModel model = BuildGraphModel(w, session);
    PostGraphProblems(model, session);
    index.push_back(GraphIndexEntry(w, model));
    PictureSize(model, options, &index.back().width, &index.back().height);
    std::string svg, png;
    if ((!RenderGraphSvg(model, options, &svg, &why) || !WriteWhole(base + ".svg", svg, &why)) ||
        (!RenderGraphPng(model, options, &png, &why) || !WriteWhole(base + ".png", png, &why))) {
      fail(w.name + ": " + why);
      index.back().error = Cp1252ToUtf8(why);
    }
  }
  std::string why;
  if (!WriteWhole(dir + "/index.html", PictureIndexHtml(index), &why)) fail(why);
  return ok;
}

}  // namespace kwt
