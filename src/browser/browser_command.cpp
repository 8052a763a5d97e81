#include "browser/browser_command.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "support/format.h"
#include "support/paths.h"

namespace kwt {

bool ParseFieldNumber(const std::string& text, double* value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(begin, &end);
  if (end == begin || errno == ERANGE) return false;
  while (*end != '\0' && std::isspace(static_cast<unsigned char>(*end))) ++end;
  if (*end != '\0') return false;
  *value = v;
  return true;
}

std::string BrowserBaseName(const std::string& field, const std::string& path) {
  if (field.find('$') == std::string::npos) return field;
  const std::string_view file = PathFileName(path);
  const size_t dot = file.rfind('.');
  return NameFromFileName(dot == std::string_view::npos ? file : file.substr(0, dot));
}

int32_t BuildBrowserCommand(const BrowserChoices& c, BrowserCommand* out) {
  *out = BrowserCommand{};
  if (c.path.empty() || c.format == BrowserFormat::kNone) return 1;
  const bool pulse = c.format == BrowserFormat::kPulse;
  const auto on = [&](uint32_t bit) { return (c.options & bit) != 0; };
  std::string cmd = pulse ? "LoadPulse" : "LoadPM";
  if (on(kBrowseOverwrite)) cmd += "/O";
  if (on(kBrowsePlot)) cmd += "/P";
  if (pulse && on(kBrowseLeak)) cmd += "/L";
  if (pulse && on(kBrowseSecond)) cmd += "/S";
  if (on(kBrowseStimulus)) cmd += "/I";
  if (on(kBrowseAbsoluteTime)) cmd += "/T";
  if (on(kBrowseQuiet)) cmd += "/Q";
  if (!pulse && on(kBrowseZeroData)) cmd += "/Z";
  if (on(kBrowseLockIn)) {
    cmd += "/G";
    double v = 0;
    if (ParseFieldNumber(c.phaseShift, &v)) AppendFormat(cmd, "/H=%.1f", v);
    if (ParseFieldNumber(c.vReversal, &v)) AppendFormat(cmd, "/V=%.3f", v);
  }
  if (pulse && on(kBrowseFura)) cmd += "/F";
  // Each level counts only under a chosen level above it.
  if (c.sel.group > 0) {
    AppendFormat(cmd, "/A=%-d", c.sel.group);
    if (c.sel.series > 0) {
      AppendFormat(cmd, "/B=%-d", c.sel.series);
      if (c.sel.sweep > 0) {
        AppendFormat(cmd, "/C=%-d", c.sel.sweep);
        if (!pulse && c.sel.trace > 0) AppendFormat(cmd, "/D=%-d", c.sel.trace);
      }
    }
  }
  if (!c.range.empty()) cmd += "/R=" + c.range;
  if (!c.baseName.empty()) cmd += "/N='" + BrowserBaseName(c.baseName, c.path) + "'";
  const bool include = on(kBrowseInclude), exclude = on(kBrowseExclude);
  if ((include || exclude) && !c.stimuli.empty()) {
    for (size_t i = 0; i < c.stimuli.size(); ++i)
      out->stimString += (i > 0 ? "," : "") + c.stimuli[i];
    out->filters = true;
    cmd += include ? "/J=$" : "/K=$";
    cmd += kStimStringName;
  }
  if (c.path.size() + cmd.size() > kCommandBufferLength) {
    out->text = kCommandTooLong;
    out->filters = false;
    out->stimString.clear();
    return 0;
  }
  out->text = cmd + " \"" + c.path + "\"";
  return 0;
}

}  // namespace kwt
