// Writing a session's windows to a folder: each graph as <name>.svg and
// <name>.png, each table as <name>.csv, and index.html that shows them all
// with their names, titles and waves (render_index.h).
#pragma once

#include <string>

#include "workbench/graphs/render_graph.h"

namespace kwt {

class Session;

// Creates `dir` (and its parents) when missing and writes every window,
// then the index.  What a graph's commands asked for but cannot be drawn
// is posted to the history.  Returns false with `*error` naming the first
// file that could not be made; the other windows are still written, and
// the index says which files are missing and why.
bool WritePlots(Session& session, const std::string& dir, const RenderOptions& options,
                std::string* error);

}  // namespace kwt
