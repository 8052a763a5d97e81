// The picture index as HTML.
#include "workbench/export/render_index.h"

#include <algorithm>

#include "support/format.h"
#include "workbench/export/table_csv.h"
#include "workbench/graphs/rich_text.h"
#include "workbench/host/encoding.h"
#include "workbench/host/objects.h"

namespace kwt {
namespace {

// Text for an element or an attribute value.
std::string Escape(const std::string& utf8) {
  std::string out;
  for (char c : utf8) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c; break;
    }
  }
  return out;
}

// A file name as a relative address: the bytes that are not unreserved
// in an address are percent-encoded, so that a name with blanks, "#", "?"
// or host-code-page bytes still finds its file.
std::string FileAddress(const std::string& hostBytes) {
  std::string out;
  for (char c : hostBytes) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~')
      out += c;
    else
      out += Format("%%%02X", u);
  }
  return out;
}

// A wave as the reader knows it: its name, with its folder's path when it
// is not in the root folder.
std::string WaveText(const HostWave* w) {
  if (w == nullptr) return "";
  std::string path;
  if (w->folder != nullptr && w->folder->parent != nullptr) path = w->folder->Path(false);
  return Cp1252ToUtf8(path + w->name);
}

// The text of a host text with escape codes, lines joined by " · ".
std::string PlainText(const std::string& hostText) {
  std::string out;
  for (const TextLine& line : ParseRichText(Cp1252ToUtf8(hostText), TextStyle())) {
    std::string text;
    for (const TextRun& run : line.runs) text += run.text;
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (!out.empty()) out += " \xC2\xB7 ";
    out += text;
  }
  return out;
}

// The title of an untitled window: "Graph0:w1,w2", cut after the first
// few waves as a title bar would cut it (the entry lists them all).
std::string NameAndWaves(const std::string& name, const std::vector<const HostWave*>& waves) {
  constexpr size_t kTitleWaves = 3;
  std::string out = Cp1252ToUtf8(name) + ":";
  for (size_t i = 0; i < waves.size() && i < kTitleWaves; ++i)
    out += (i > 0 ? "," : "") + WaveText(waves[i]);
  if (waves.size() > kTitleWaves) out += ",\xE2\x80\xA6";
  return out;
}

// The error-bar waves of one direction: "± w", or "+p −m" when they differ.
std::string ErrorText(const ErrorBarSetting& bars) {
  if (bars.kind != ErrorBarSetting::Kind::kWave) return "";
  if (bars.plus == bars.minus) return " \xC2\xB1 " + WaveText(bars.plus);
  std::string out;
  if (bars.plus != nullptr) out += " +" + WaveText(bars.plus);
  if (bars.minus != nullptr) out += " \xE2\x88\x92" + WaveText(bars.minus);
  return out;
}

void Section(std::string& out, const IndexEntry& e) {
  const std::string name = Escape(Cp1252ToUtf8(e.window));
  const std::string file = FileAddress(e.window);
  out += "<section id=\"" + name + "\">\n<h2 class=\"window\">" + name + "</h2>\n";
  out += "<p class=\"title\">" + Escape(e.title) + "</p>\n";
  if (!e.error.empty()) out += "<p class=\"error\">" + Escape(e.error) + "</p>\n";
  std::string shows;
  for (size_t i = 0; i < e.shows.size(); ++i) shows += (i > 0 ? ", " : "") + Escape(e.shows[i]);
  if (e.table) {
    if (e.error.empty()) out += "<p><a href=\"" + file + ".csv\">" + name + ".csv</a></p>\n";
    out += "<p><span class=\"label\">Columns:</span> <span class=\"columns\">" + shows +
           "</span></p>\n";
  } else {
    if (e.error.empty()) {
      out += "<a href=\"" + file + ".svg\"><img src=\"" + file + ".png\"";
      if (e.width > 0 && e.height > 0) out += Format(" width=\"%d\" height=\"%d\"", e.width, e.height);
      out += " alt=\"" + Escape(e.title) + "\" loading=\"lazy\"/></a>\n";
    }
    out += "<p><span class=\"label\">Waves:</span> <span class=\"waves\">" + shows +
           "</span></p>\n";
  }
  out += "</section>\n";
}

constexpr const char* kStyle =
    "body{font:14px/1.4 sans-serif;margin:1.5em;color:#222;background:#f6f6f6}\n"
    "h1{font-size:1.3em;margin:0 0 .2em}\n"
    "main{display:grid;grid-template-columns:repeat(auto-fill,minmax(26em,1fr));gap:1.2em}\n"
    "section{background:#fff;border:1px solid #ddd;border-radius:4px;padding:.6em .8em}\n"
    "h2{font-size:1.05em;margin:0}\n"
    ".title{margin:.2em 0 .5em;color:#444;overflow-wrap:anywhere}\n"
    "img{display:block;width:100%;height:auto;border:1px solid #eee}\n"
    ".label{color:#777}\n"
    ".waves,.columns{font-family:monospace;overflow-wrap:anywhere}\n"
    ".error{color:#a00}\n";

}  // namespace

IndexEntry GraphIndexEntry(const Window& graph, const GraphModel& model) {
  IndexEntry e;
  e.window = graph.name;
  std::vector<const HostWave*> waves;
  for (const GraphTraceModel& t : model.traces) {
    if (std::find(waves.begin(), waves.end(), t.wave) == waves.end()) waves.push_back(t.wave);
    std::string text = WaveText(t.wave);
    if (t.xWave != nullptr) text += " vs " + WaveText(t.xWave);
    text += ErrorText(t.yErr);
    if (t.xErr.kind == ErrorBarSetting::Kind::kWave) text += " (x" + ErrorText(t.xErr) + ")";
    // A wave shown twice the same way is listed once.
    if (std::find(e.shows.begin(), e.shows.end(), text) == e.shows.end()) e.shows.push_back(text);
  }
  for (const GraphAnnotation& a : model.annotations) {
    if (a.legend) continue;
    const std::string text = PlainText(a.text);
    if (text.empty()) continue;
    if (!e.title.empty()) e.title += " \xC2\xB7 ";
    e.title += text;
  }
  if (e.title.empty()) e.title = NameAndWaves(graph.name, waves);
  return e;
}

IndexEntry TableIndexEntry(const Window& table) {
  IndexEntry e;
  e.window = table.name;
  e.table = true;
  e.title = NameAndWaves(table.name, {table.columns.begin(), table.columns.end()});
  e.shows = TableCsvHeaders(table);
  return e;
}

std::string PictureIndexHtml(const std::vector<IndexEntry>& entries) {
  size_t tables = 0;
  for (const IndexEntry& e : entries) tables += e.table ? 1 : 0;
  const size_t graphs = entries.size() - tables;
  const std::string count = Format("%zu graph%s and %zu table%s", graphs, graphs == 1 ? "" : "s",
                                   tables, tables == 1 ? "" : "s");
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n"
      "<title>Pictures: " + count + "</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n"
      "<h1>" + count + "</h1>\n"
      "<p>In the order the windows were made. Each picture links to its SVG; a table's values "
      "are in its CSV file.</p>\n<main>\n";
  for (const IndexEntry& e : entries) Section(out, e);
  out += "</main>\n</body>\n</html>\n";
  return out;
}

}  // namespace kwt
