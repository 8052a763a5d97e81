// The session as files: DIR/session.json (results, history, variables,
// waves, windows, the command log, alerts) and one little-endian .npy file
// per wave under a folder tree that mirrors the data folders.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/dialog.h"
#include "host/host.h"

namespace kwt {

class Workbench;

// The name of a problem's kind in the session file: "nothing_loaded",
// "missing_samples", "damaged" or "diagnosis".
std::string_view ProblemKindName(ProblemKind kind);

// A control kind's name in the session file and the browser page: "button",
// "label", "edit", "popup", "checkbox", "group", "picture", "list",
// "multilist", "radio", "drawing".
const char* ControlKindName(ControlKind kind);

// A drawing area's picture: one object per step, {"step": "clip"|"fill"|
// "pen"|"polyline", "values": [...], "colour": [r, g, b], "dotted": bool}.
nlohmann::json PictureJson(const std::vector<DrawStep>& picture);

// The session.json document.
nlohmann::json SessionJson(Workbench& workbench);

// A name as part of a file path: "/" and "%" and control bytes are
// written as %XX, so that every name maps to one file.
std::string FileName(std::string_view name);
// The folder of a data folder's files below an export's folder: "root",
// "root/cell 1", ...
struct HostFolder;
std::string FolderDir(const HostFolder& folder);

// Writes the dump; false with a message when a file cannot be written.
bool WriteSessionDump(Workbench& workbench, const std::string& dir, std::string* error);

// Writes one wave's samples as a .npy file (text waves as fixed-width
// unicode).
void WriteNpy(std::ostream& out, const struct HostWave& wave);

// The NumPy type of one sample of a numeric wave ("<f4", "|u1", ...); null
// for a text wave.  A complex integer wave holds two of its integers per
// point, an array of shape (points, 2).
const char* NumpySampleType(int32_t type);

}  // namespace kwt
