// The index page of a folder of pictures: index.html beside the pictures
// and tables that `kwt --plot` writes, so that a reader can tell dozens of
// graphs apart without opening each.  It shows every window in the order
// the windows were made: its name, its title, the picture (linked to its
// SVG) and the waves it shows, or for a table the link to its CSV and the
// columns.
//
// The page is plain HTML with a short style sheet: no scripts and nothing
// fetched from elsewhere, so that it opens from the folder as it is and can
// be copied with it.  Every name and title is converted from the host's
// code page to UTF-8 and escaped; file names are percent-encoded from the
// host's bytes, which are also the bytes of the files' names.  The markup
// is also well-formed XML.
#pragma once

#include <string>
#include <vector>

#include "workbench/graphs/graph_model.h"
#include "workbench/host/windows.h"

namespace kwt {

struct IndexEntry {
  std::string window;               // the window's name, host bytes (also its files' names)
  bool table = false;
  std::string title;                // UTF-8
  std::vector<std::string> shows;   // UTF-8: a graph's waves, a table's column headers
  int width = 0, height = 0;        // a graph's picture, pixels
  std::string error;                // UTF-8: why its files are missing; empty when written
};

// A graph's entry.  Its title is the text of its text boxes (legends left
// out), escape codes read; a graph without one is titled as an untitled
// window is: its name, a colon and its first three waves ("…" for more).  Each trace's wave is listed
// once, with "vs" and its x wave and "±" and its error-bar waves.
IndexEntry GraphIndexEntry(const Window& graph, const GraphModel& model);

// A table's entry: titled by its name and its waves, showing the headers
// of its CSV columns.
IndexEntry TableIndexEntry(const Window& table);

// The whole page, UTF-8.
std::string PictureIndexHtml(const std::vector<IndexEntry>& entries);

}  // namespace kwt
