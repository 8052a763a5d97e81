#include "resources/operation_flags.h"

#include <array>
#include <iterator>

#include "resources/resources.h"
#include "support/format.h"

namespace kwt::resources {
namespace {

using V = FlagValue;

// Lines that several operations share.
constexpr std::string_view kOverwrite = "overwrite existing waves of the same name";
constexpr std::string_view kPhase = "lock-in phase shift in degrees (default 0)";
constexpr std::string_view kReversal =
    "lock-in reversal potential in V (default: the stimulation's)";
constexpr std::string_view kInclude =
    "load only sweeps of this stimulation ($var: of any in its list)";
constexpr std::string_view kExclude =
    "skip the sweeps of this stimulation ($var: of any in its list)";
constexpr std::string_view kFileArgument = "the .dat file in double quotes (\"cell.dat\"), or $var";
constexpr std::string_view kWaveListArgument =
    "w0, w1, ... or $var: a string variable of root:f:w0,root:f:w1";

constexpr FlagHelp kLoadPulseFlags[] = {
    {'A', V::kNumber, "g", "group to load, from 1 (default: every group)"},
    {'B', V::kNumber, "s", "series of that group (default: every series)"},
    {'C', V::kNumber, "w", "sweep of that series (default: every sweep)"},
    {'R', V::kNumber, "n", "load n groups, series or sweeps from the last one given"},
    {'N', V::kName, "name", "base name (default Pulse) of <name>_<group>_<series>_<sweep>"},
    {'L', V::kNone, "", "also load the leak trace as <wave>_leak"},
    {'S', V::kNone, "", "also load the second trace as <wave>_2nd"},
    {'F', V::kNone, "", "also load the three Fura traces as <wave>_F1 to <wave>_F3"},
    {'I', V::kNone, "", "rebuild the stimulus as wave <wave>_stim"},
    {'G', V::kNone, "", "lock-in: capacitance <wave>_Cm, conductances <wave>_Gs, _Gm"},
    {'H', V::kNumber, "deg", kPhase},
    {'V', V::kNumber, "volts", kReversal},
    {'J', V::kNameOrList, "name", kInclude},
    {'K', V::kNameOrList, "name", kExclude},
    {'T', V::kNone, "", "x start = sweep time - file start time (default 0)"},
    {'O', V::kNone, "", kOverwrite},
    {'P', V::kNone, "", "show the loaded waves in a new graph, one axis each"},
    {'Q', V::kNone, "", "quiet: no notices in the history"},
    {'U', V::kNone, "", "load nothing: set kwtGroups, kwtSeries, kwtSweeps, stimString"},
};

constexpr FlagHelp kLoadPMFlags[] = {
    {'A', V::kNumber, "g", "group to load, from 1 (default: every group)"},
    {'B', V::kNumber, "s", "series of that group (default: every series)"},
    {'C', V::kNumber, "w", "sweep of that series (default: every sweep)"},
    {'D', V::kNumber, "t", "trace of that sweep (default: every trace)"},
    {'R', V::kNumber, "n", "load n items from the last of /A, /B, /C, /D given (default 1)"},
    {'N', V::kName, "name", "base name (default PMPulse) of <name>_<g>_<s>_<w>_<t>_<label>"},
    {'I', V::kNone, "", "rebuild the stimulus as waves <name>_<g>_<s>_<w>_<channel>_<DA>"},
    {'G', V::kNone, "", "lock-in where the stimulation asks for it: <wave>_Cm, _Gs, _Gm"},
    {'H', V::kNumber, "deg", kPhase},
    {'V', V::kNumber, "volts", kReversal},
    {'Z', V::kNone, "", "subtract the trace's zero offset from its samples"},
    {'L', V::kNone, "", "also load the leak trace (older Pulse-format recordings only)"},
    {'S', V::kNone, "", "also load the second trace (older Pulse-format recordings only)"},
    {'F', V::kNone, "", "also load the Fura traces (older Pulse-format recordings only)"},
    {'J', V::kNameOrList, "name", kInclude},
    {'K', V::kNameOrList, "name", kExclude},
    {'T', V::kNone, "", "x start = sweep time - file start time (default 0)"},
    {'O', V::kNone, "", kOverwrite},
    {'P', V::kNone, "", "show each loaded trace, its stimulus and lock-in in a graph"},
    {'Q', V::kNone, "", "quiet: no notices, no timing line in the history"},
    {'U', V::kNone, "", "load nothing: set kwtGroups ... kwtTraces and stimString"},
};

constexpr FlagHelp kLoadXChartFlags[] = {
    {'G', V::kNumber, "n", "group to load, from 1 (default 1)"},
    {'B', V::kNameAfterOptionalEquals, "name",
     "base name (default XC) of the waves <base>_<trace>"},
    {'S', V::kNameAfterOptionalEquals, "name", "suffix of the wave names: <base>_<trace>_<suffix>"},
    {'A', V::kNone, "", "load every active trace, not only the displayed ones"},
    {'O', V::kNone, "", kOverwrite},
    {'Q', V::kNone, "", "quiet: no line per wave (failures are still posted)"},
    {'P', V::kNone, "", "draw the group as a stacked chart after loading"},
    {'H', V::kNone, "", "chart with a headline: the recording's title and start time"},
    {'L', V::kNone, "", "chart with a legend"},
    {'C', V::kNone, "", "run KWTGraphControl () after drawing (a procedure of your own)"},
};

constexpr FlagHelp kAutoStatsFlags[] = {
    {'G', V::kNone, "", "show the mean with error bars of one SD in a new graph"},
    {'T', V::kNone, "", "show the results in a new table"},
    {'A', V::kNone, "", "append the results to the top graph or table"},
    {'W', V::kNone, "", "per wave: result point i summarises input wave i"},
    {'M', V::kNone, "", "keep the minimum and maximum, waves <base>_min and <base>_max"},
    {'N', V::kName, "base", "base of the result names (default: the last given, or swave)"},
    {'X', V::kWave, "wave", "x wave of the graph"},
    {'S', V::kNone, "", "copy x scaling and units of the first input (with /G or /T)"},
};

constexpr FlagHelp kPlotWavesFlags[] = {
    {'G', V::kNone, "", "make the graph (nothing is drawn without /G)"},
    {'T', V::kNone, "", "list the waves in a new table"},
    {'C', V::kNone, "", "colours and line styles: red, green, blue, black in turn"},
    {'O', V::kNone, "", "overlay: every wave in the full height"},
    {'B', V::kNone, "", "dashed baseline at each wave's minimum"},
    {'Z', V::kNumber, "level", "baseline at this level (sets /B)"},
    {'I', V::kNone, "", "an independent y range for each wave"},
    {'L', V::kNumber, "lower", "lower y limit of every axis (turns /I off)"},
    {'U', V::kNumber, "upper", "upper y limit of every axis (turns /I off)"},
    {'X', V::kWave, "wave", "plot against this x wave"},
};

constexpr FlagHelp kSlimWavesFlags[] = {
    {'A', V::kNumber, "factor", "average each run of factor points"},
    {'U', V::kNumber, "factor", "keep every factor-th point (the default, factor 2)"},
    {'R', V::kOptionalWave, "wave",
     "keep points where the reference is not NaN (/R: the last one)"},
    {'N', V::kName, "base", "base added to the output names (default slim)"},
    {'G', V::kNone, "", "accepted; SlimWaves makes no graph"},
    {'T', V::kNone, "", "accepted; SlimWaves makes no table"},
    {'X', V::kWave, "wave", "accepted; SlimWaves uses no x wave"},
};

// The letters of a table, in its order, for the host's flag reader, and a
// NUL behind them.
template <size_t N>
constexpr std::array<char, N + 1> LettersOf(const FlagHelp (&flags)[N]) {
  std::array<char, N + 1> letters{};
  for (size_t i = 0; i < N; ++i) letters[i] = flags[i].letter;
  return letters;
}

constexpr auto kAutoStatsLetters = LettersOf(kAutoStatsFlags);
constexpr auto kPlotWavesLetters = LettersOf(kPlotWavesFlags);
constexpr auto kSlimWavesLetters = LettersOf(kSlimWavesFlags);
constexpr auto kLoadPulseLetters = LettersOf(kLoadPulseFlags);
constexpr auto kLoadXChartLetters = LettersOf(kLoadXChartFlags);
constexpr auto kLoadPMLetters = LettersOf(kLoadPMFlags);

template <size_t N>
constexpr std::string_view View(const std::array<char, N>& letters) {
  return {letters.data(), N - 1};
}

// In kOperations order.
constexpr OperationHelp kHelp[kOperationCount] = {
    {"AutoStats", "statistics across waves: <base>_mean, _sdev, _sem, _num",
     "waveList", kWaveListArgument, kAutoStatsFlags, View(kAutoStatsLetters)},
    {"PlotWaves", "plot waves in a new graph, each on its own axis, stacked", "waveList",
     kWaveListArgument, kPlotWavesFlags, View(kPlotWavesLetters)},
    {"SlimWaves", "a thinned copy of each wave, named <wave>_<base>", "waveList",
     kWaveListArgument, kSlimWavesFlags, View(kSlimWavesLetters)},
    {"LoadPulse", "load sweeps of a Pulse recording (.dat, .pul, .pgf) into waves",
     "fileName", kFileArgument, kLoadPulseFlags, View(kLoadPulseLetters)},
    {"LoadXChart", "load a group of an X-Chart recording into waves, one per trace",
     "fileName", "the .tree file or its data file, in double quotes, or $var", kLoadXChartFlags,
     View(kLoadXChartLetters)},
    {"LoadPM", "load traces of a PatchMaster recording into waves",
     "fileName", kFileArgument, kLoadPMFlags, View(kLoadPMLetters)},
};

// Each name stands at its index in the operation table.
constexpr bool NamesMatchOperationTable() {
  for (int32_t i = 0; i < kOperationCount; ++i)
    if (kHelp[i].name != kOperations[i]) return false;
  return std::size(kOperations) == kOperationCount;
}
static_assert(NamesMatchOperationTable(), "flag tables must follow the operation table");

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

const OperationHelp* OperationHelpAt(int32_t index) {
  if (index < 0 || index >= kOperationCount) return nullptr;
  return &kHelp[index];
}

const OperationHelp* FindOperationHelp(std::string_view name) {
  for (const OperationHelp& op : kHelp)
    if (SameLetters(op.name, name)) return &op;
  return nullptr;
}

std::string_view FlagLetters(int32_t index) {
  const OperationHelp* op = OperationHelpAt(index);
  return op != nullptr ? op->letters : std::string_view("");
}

std::string FlagUsage(const FlagHelp& flag) {
  std::string usage = {'/', flag.letter};
  const std::string value(flag.valueName);
  switch (flag.value) {
    case FlagValue::kNone: break;
    case FlagValue::kNumber:
    case FlagValue::kName:
    case FlagValue::kWave: usage += "=" + value; break;
    case FlagValue::kNameOrList: usage += "=" + value + "|$var"; break;
    case FlagValue::kOptionalWave: usage += "[=" + value + "]"; break;
    case FlagValue::kNameAfterOptionalEquals: usage += "[=]" + value; break;
  }
  return usage;
}

std::string OperationHelpText(const OperationHelp& op) {
  const std::string name(op.name), argument(op.argument);
  std::string text = name + " [flags] " + argument + "\r";
  text += "  " + std::string(op.summary) + "\r";
  text += "  " + argument + ": " + std::string(op.argumentHelp) + "\r";
  for (const FlagHelp& f : op.flags)
    AppendFormat(text, "  %-14s %s\r", FlagUsage(f).c_str(), std::string(f.help).c_str());
  return text;
}

}  // namespace kwt::resources
