// The session as the browser page lists it (UTF-8): the data folders with
// their waves and variables, and the windows with their titles.
#pragma once

#include <nlohmann/json.hpp>

#include "workbench/host/session.h"

namespace kwt {

// The root folder and, nested, every folder: {"name", "path", "waves":
// [{"name", "type", "points", "xUnits", "dataUnits"}], "variables": [{"name",
// "value"}], "folders": [...]}.
nlohmann::json FoldersJson(const Session& session);

// Every window, front first: {"name", "kind" ("graph" or "table"), "title",
// "shows": [...]}.
nlohmann::json WindowsJson(Session& session);

}  // namespace kwt
