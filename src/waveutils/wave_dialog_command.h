// The command lines that the wave-utility dialogs build: AutoStats,
// PlotWaves or SlimWaves with the flags of the dialog's controls and the
// list of the selected input waves.
//
// The command shown in the dialog carries the wave list itself: two blanks,
// then each wave's full path with its components quoted where they need it,
// joined by commas ("AutoStats/G/N=m1  root:a,root:b").  The same list is
// what the string variable "cmdString" receives; the command that a dialog
// finally runs, places or copies names the variable instead of the waves
// ("AutoStats/G/N=m1 $cmdString"), so a list of any length travels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kwt {

enum class WaveDialogRole { kAutoStats, kPlotWaves, kSlimWaves };

// What the controls of a dialog hold, as the command needs it.  Texts are
// as typed.
struct WaveDialogChoices {
  WaveDialogRole role = WaveDialogRole::kAutoStats;
  bool graph = false;   // AutoStats, PlotWaves: "Create Graph"
  bool table = false;   // AutoStats, PlotWaves: "Create Table"
  // AutoStats
  bool append = false;   // "Append to Window"
  bool perWave = false;  // "WaveStats mode"
  bool minMax = false;   // "Create Min Max"
  bool scale = false;    // "Scale Waves"
  std::string baseName;  // "Base name"
  // PlotWaves
  bool colours = false;  // "Use Color"
  bool overlay = false;  // "Overlay Traces"
  enum class Extrema { kGlobal, kIndividual, kManual };
  Extrema extrema = Extrema::kIndividual;
  std::string minimum, maximum;  // "Minimum:", "Maximum:"
  bool zeroLine = false;         // "Draw Zero Line"
  std::string zeroLevel;         // its "at" field
  bool baseLine = false;         // "Draw Base Line"
  // SlimWaves
  enum class Slim { kUseEvery, kAverage, kReference };
  Slim slim = Slim::kAverage;
  std::string useEvery, average;  // the factor fields
  std::string suffix;             // "Suffix"
  // The wave chosen in the second list (the x wave, or the reference wave
  // of SlimWaves) as its unquoted full path; empty for the list's first
  // entry ("_calculated_", "_none_").
  std::string secondWave;
  // The selected input waves, unquoted full paths, top row first.
  std::vector<std::string> inputWaves;
};

struct WaveDialogCommand {
  // What the dialog shows: the command with its wave list (empty for a
  // PlotWaves command without graph and table, or without waves), or a
  // "*** expected ... ***" text that says what is missing.
  std::string shown;
  // The wave list for "cmdString": every selected wave, also those left out
  // of `shown` for its length.
  std::string waveList;
  bool valid = false;  // the dialog may run it
};

// The longest command the dialog shows: a wave whose path would bring it to
// this many characters is left out of the shown list.
inline constexpr size_t kShownCommandLimit = 400;

// Builds the command.  Names typed as base name or suffix are quoted as the
// host quotes names (HostQuoteName).  The limits and the zero level of
// PlotWaves go in as typed but for the blanks around them; one with a
// blank inside is no number ("*** expected ... ***").
WaveDialogCommand BuildWaveDialogCommand(const WaveDialogChoices& choices);

// The command as it leaves the dialog: `shown` cut after its first blank
// that is not inside single quotes, then "$cmdString".
std::string WaveListCommand(const std::string& shown);

// The name of the string variable that carries the wave list.
inline constexpr const char* kCmdStringName = "cmdString";

// A whole number above 0 in a factor field ("3", " 12 "); false for
// anything else, also for numbers beyond 32 bits.
bool ParseFactor(const std::string& text, int32_t* value);

}  // namespace kwt
