#include "waveutils/wave_dialog_command.h"

#include <limits>

#include "host/host.h"
#include "support/format.h"
#include "waveutils/wave_paths.h"

namespace kwt {
namespace {

using Extrema = WaveDialogChoices::Extrema;
using Slim = WaveDialogChoices::Slim;

// The list travels through "cmdString", whose items the operations read
// into buffers of this many bytes: a longer item would end the list there.
constexpr size_t kListItemLimit = 260;

std::string Quoted(std::string path) {
  QuotePathComponents(&path);
  return path;
}

// What stops a command from running.
struct Obstacle {
  std::string text;       // shown instead of the command; empty: the command is shown
  bool blocked = false;   // the command may not run
  void Set(std::string what) {
    if (blocked) return;  // the first obstacle is the one the dialog names
    text = std::move(what);
    blocked = true;
  }
};

// A number field's text as the command takes it: without the blanks
// around it, since the command that leaves the dialog is cut at its first
// blank and a typed "1 " would take the flags behind it along.  False when
// a blank stays inside: no number reads that way.
bool NumberField(const std::string& typed, std::string* out) {
  const size_t first = typed.find_first_not_of(" \t");
  if (first == std::string::npos) {
    out->clear();
    return true;
  }
  *out = typed.substr(first, typed.find_last_not_of(" \t") - first + 1);
  return out->find_first_of(" \t") == std::string::npos;
}

// Appends the flags of the checked controls, in the order the dialog lists
// them, and notes what a field lacks that its flag needs.
void Flags(const WaveDialogChoices& c, std::string* flags, Obstacle* obstacle) {
  std::string& f = *flags;
  switch (c.role) {
    case WaveDialogRole::kAutoStats:
      if (c.graph) f += "/G";
      if (c.table) f += "/T";
      if (c.append) f += "/A";
      if (c.perWave) f += "/W";
      if (c.minMax) f += "/M";
      if (!c.baseName.empty()) f += "/N=" + HostQuoteName(c.baseName);
      if (c.scale) f += "/S";
      break;
    case WaveDialogRole::kPlotWaves:
      if (c.graph) f += "/G";
      if (c.table) f += "/T";
      if (c.colours) f += "/C";
      if (c.overlay) f += "/O";
      if (c.extrema == Extrema::kIndividual) f += "/I";
      if (c.extrema == Extrema::kManual) {
        std::string lower, upper;
        if (!NumberField(c.minimum, &lower) || lower.empty()) obstacle->Set("*** expected minimum ***");
        if (!NumberField(c.maximum, &upper) || upper.empty()) obstacle->Set("*** expected maximum ***");
        f += "/L=" + lower + "/U=" + upper;
      }
      if (c.zeroLine) {
        std::string level;
        if (!NumberField(c.zeroLevel, &level)) obstacle->Set("*** expected number ***");
        f += "/Z=" + (level.empty() ? std::string("0") : level);
      } else if (c.baseLine) {
        f += "/B";
      }
      break;
    case WaveDialogRole::kSlimWaves: {
      int32_t factor = 0;
      if (c.slim == Slim::kUseEvery || c.slim == Slim::kAverage) {
        if (!ParseFactor(c.slim == Slim::kUseEvery ? c.useEvery : c.average, &factor))
          obstacle->Set("*** expected number ***");
        f += Format(c.slim == Slim::kUseEvery ? "/U=%d" : "/A=%d", factor);
      } else {
        // Without a reference wave the flag cannot be completed; the
        // command is shown as it stands, but it could only fail, so it is
        // not offered to run.
        f += "/R=";
        if (c.secondWave.empty()) obstacle->blocked = true;
        else f += Quoted(c.secondWave);
      }
      if (!c.suffix.empty()) f += "/N=" + HostQuoteName(c.suffix);
      break;
    }
  }
  if (c.role != WaveDialogRole::kSlimWaves && !c.secondWave.empty())
    f += "/X=" + Quoted(c.secondWave);
}

}  // namespace

bool ParseFactor(const std::string& text, int32_t* value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && text[i] == '+') ++i;
  int64_t v = 0;
  size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    v = v * 10 + (text[i] - '0');
    if (v > std::numeric_limits<int32_t>::max()) return false;
  }
  while (i < text.size() && text[i] == ' ') ++i;
  if (digits == 0 || i != text.size() || v < 1) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

WaveDialogCommand BuildWaveDialogCommand(const WaveDialogChoices& c) {
  WaveDialogCommand out;
  std::vector<std::string> paths;
  Obstacle obstacle;
  for (const std::string& wave : c.inputWaves) {
    paths.push_back(Quoted(wave));
    if (paths.back().size() >= kListItemLimit) obstacle.Set("*** wave path too long ***");
    out.waveList += (out.waveList.empty() ? "" : ",") + paths.back();
  }
  const size_t count = paths.size();

  // A plot needs somewhere to go and something to show; without either
  // there is no command at all.
  if (c.role == WaveDialogRole::kPlotWaves && ((!c.graph && !c.table) || count == 0)) return out;

  static constexpr const char* kNames[] = {"AutoStats", "PlotWaves", "SlimWaves"};
  std::string command = kNames[static_cast<int>(c.role)];
  Flags(c, &command, &obstacle);
  if (!obstacle.text.empty()) {
    out.shown = obstacle.text;
    return out;
  }
  command += "  ";
  bool first = true;
  for (const std::string& path : paths) {
    const std::string piece = (first ? "" : ",") + path;
    // Only the shown command is bounded; the list in cmdString has them all.
    if (command.size() + piece.size() >= kShownCommandLimit) continue;
    command += piece;
    first = false;
  }
  out.shown = std::move(command);

  bool enough = count >= 1;
  if (c.role == WaveDialogRole::kAutoStats) enough = count >= 2 || (count >= 1 && c.perWave);
  out.valid = enough && !obstacle.blocked;
  return out;
}

std::string WaveListCommand(const std::string& shown) {
  bool quoted = false;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] == '\'') quoted = !quoted;
    if (shown[i] == ' ' && !quoted) return shown.substr(0, i + 1) + "$" + kCmdStringName;
  }
  return shown + " $" + kCmdStringName;
}

}  // namespace kwt
