#include "xchart/xchart_dialog_text.h"

#include <memory>
#include <string_view>

#include "support/byte_reader.h"
#include "support/fixed_text.h"
#include "support/format.h"
#include "support/paths.h"
#include "xchart/xchart_time.h"
#include "xchart/xchart_tree.h"

namespace kwt {
namespace {

// Opens the tree file of the pair and reads its header.
bool OpenTree(const std::string& path, std::unique_ptr<FileSource>* tree, XChartHeader* header) {
  std::string treePath;
  if (!XChartSiblingPath(path, "tree", &treePath)) return false;
  *tree = std::make_unique<FileSource>(treePath);
  return (*tree)->is_open() && ReadXChartHeader(**tree, header);
}

// Appends `line` when the text stays within its limit.
void AddLine(std::string& text, const std::string& line) {
  if (text.size() + line.size() <= kXChartInformationLimit) text += line;
}

std::string Str(std::string_view text) { return std::string(text); }

}  // namespace

int32_t XChartDialogGroups(const std::string& path) {
  std::unique_ptr<FileSource> tree;
  XChartHeader header;
  if (!OpenTree(path, &tree, &header)) return 0;
  return XChartGroupsInFile(*tree, header);
}

std::string XChartGroupInformation(const std::string& path, int32_t group) {
  std::unique_ptr<FileSource> tree;
  XChartHeader header;
  if (!OpenTree(path, &tree, &header)) return {};
  std::string text;
  AddLine(text, Format("X-Chart %s\r", Str(FieldText(header.identification)).c_str()));
  XChartGroup g;
  if (!ReadXChartGroup(*tree, header, group, &g)) return text;
  const std::string time = XChartAscTime(g.time) + "\n";
  AddLine(text, Format("%s\rNumber of points %ld\r", time.c_str(), static_cast<long>(g.points)));
  for (const auto& line : g.description)
    if (!FieldText(line).empty()) AddLine(text, Format("%s\r", Str(FieldText(line)).c_str()));
  XChartTraceTable traces{};
  ReadXChartTraces(*tree, header, group, &traces);
  int32_t active = 0, shown = 0;
  for (const XChartTrace& t : traces) {
    if (!IsActiveTrace(t)) continue;
    ++active;
    if (t.slot > 0) ++shown;
    AddLine(text, Format("%2d: %s [%s]\r", t.slot, Str(FieldText(t.name)).c_str(),
                         Str(FieldText(t.unit)).c_str()));
  }
  AddLine(text, Format("%d of %d traces shown\r", shown, active));
  return text;
}

std::string XChartDialogCommand(const XChartDialogChoices& c) {
  if (c.path.empty()) return {};
  std::string command = Format("LoadXChart/G=%d", c.group);
  if (c.plot) {
    command += "/P";
    if (c.headline) command += "/H";
    if (c.legend) command += "/L";
    if (c.controlPanel) command += "/C";
  }
  if (c.allTraces) command += "/A";
  if (c.overwrite) command += "/O";
  if (c.quiet) command += "/Q";
  if (!c.baseName.empty()) {
    std::string base = c.baseName;
    const size_t dollar = base.find('$');
    if (dollar != std::string::npos) {
      const std::string_view file = PathFileName(c.path);
      base = base.substr(0, dollar) + NameFromFileName(file.substr(0, file.find('.')));
    }
    command += "/B='" + base + "'";
  }
  if (!c.suffix.empty()) command += "/S='" + c.suffix + "'";
  // A file name may hold what would end the quoted string or start an
  // escape; written as escapes, the command names the same file.
  command += " \"";
  for (char ch : c.path) {
    if (ch == '\\' || ch == '"') command += '\\';
    command += ch;
  }
  return command + "\"";
}

}  // namespace kwt
