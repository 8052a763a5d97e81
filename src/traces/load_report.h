// What one load made and what it left alone, counted where its waves are
// made, and the report of a load that made nothing: a scientist must never
// take an empty load for a successful one.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "traces/load_options.h"

namespace kwt {

// Module-wide, like the loaded trees: the host runs one operation at a
// time, and each load starts with ResetLoadTally.
struct LoadTally {
  int64_t made = 0;       // waves made from the recording
  int64_t existed = 0;    // waves left alone because they exist (no /O)
  int64_t filtered = 0;   // sweeps (or traces) passed over by /J or /K
  int64_t damaged = 0;    // items of a damaged recording left out
  std::string firstExisting;
};
LoadTally& CurrentLoadTally();
void ResetLoadTally();
void TallyWaveMade();
void TallyWaveExists(std::string_view name);
void TallySweepFiltered();

// Tells the host that an item of a damaged recording was left out
// (ProblemKind::kDamaged: "<operation>: <file>: <item> was left out:
// <why>") and, unless quiet, posts "<operation>: <file>: <item> is damaged
// and was left out: <why>" to the history.  Counts the item for the report
// of a load that made nothing.
void ReportDamagedItem(std::string_view operation, std::string_view file, std::string_view item,
                       std::string_view why, bool quiet);

// The same for a tree whose records end before its bytes do ("<operation>:
// <file>: the <tree> tree: <why>"; in the history "... the <tree> tree is
// damaged: <why>").  What was read of it still loads; its items answer
// their own checks.
void ReportDamagedTree(std::string_view operation, std::string_view file, std::string_view tree,
                       std::string_view why, bool quiet);

// One level of a load's selection: the number asked for (0: every one) and
// how many the level holds where it was asked (`where`: "the recording",
// "group 1", "series 2 of group 1", ...).
struct SelectionLevel {
  std::string_view name;  // "group", "series", "sweep", "trace"
  int32_t asked = 0;
  int32_t available = 0;
  std::string where;
};

// How many items a selection meets on each level: the recording's groups,
// the asked group's series, the asked series' sweeps and the asked sweep's
// traces; -1 where the level's parent is not asked for or not there.
struct SelectionCounts {
  int32_t groups = 0, series = -1, sweeps = -1, traces = -1;
};

// The levels of a selection (group, series and sweep of `options`, and
// `trace`), as far as the recording holds them.
std::vector<SelectionLevel> SelectionLevels(const PulseOptions& options, int32_t trace,
                                            const SelectionCounts& counts);

// When the load has made no wave, tells the host why (ProblemKind
// kNothingLoaded): the first level asked beyond what it holds, the waves
// that exist already without /O, the /J or /K filter, the damaged items
// left out, or an empty selection.  `levels` run from the outermost down, as far as the
// recording holds them.
void ReportIfNothingLoaded(std::string_view operation, std::span<const SelectionLevel> levels);

// Tells the host that the load made nothing, and why.
void ReportNothingLoaded(std::string_view operation, std::string_view why);

// Why no file with `extension` can be named after `path`: it has no
// extension to replace, or the name would be too long.
std::string CompanionNameProblem(std::string_view path, std::string_view extension);

// "3 series", "1 sweep", "12 sweeps": a count of a level's items.
std::string CountOf(int64_t count, std::string_view level);

}  // namespace kwt
