// The recording's tree as the browser walks it, the same for both formats:
// how many children an entry has, the texts of the popups and the Stimuli
// list, and the moves of the arrow buttons.
//
// Everything is looked up in the trees that ReadBrowserTrees loaded.  A
// selection holds 1-based numbers with 0 for "_all_"; a Pulse sweep has no
// traces.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "browser/browser_state.h"

namespace kwt {

struct BrowserSelection {
  int32_t group = 0, series = 0, sweep = 0, trace = 0;
  bool operator==(const BrowserSelection&) const = default;
};

// The popup levels, from the top.
enum BrowserLevel : int32_t { kLevelGroup = 0, kLevelSeries = 1, kLevelSweep = 2, kLevelTrace = 3 };

// The number of children at `level` under the selection's entries above
// it: groups of the file, series of the group, sweeps of the series or
// traces of the sweep.  0 when an entry above is "_all_" or missing.
int32_t BrowserChildCount(BrowserFormat format, BrowserLevel level, const BrowserSelection& sel);

// The stimulation name of sweep (g, s, w); none when the sweep or its
// stimulation is missing.
std::optional<std::string> BrowserStimulationName(BrowserFormat format, int32_t group,
                                                  int32_t series, int32_t sweep);

// The items of the popup at `level` for the selection above it: "_all_",
// then one item per child ("%ld: %s" with the label of a group, the
// stimulation of a series' first sweep or the label of a trace; plain
// numbers for sweeps and, with `fast`, for every popup).
std::vector<std::string> BrowserPopupItems(BrowserFormat format, BrowserLevel level,
                                           const BrowserSelection& sel, bool fast);

// Every stimulation name used by a sweep of the file, once each, in order
// of first use.
std::vector<std::string> BrowserStimulusNames(BrowserFormat format);

// Applies the "<" (next false) or ">" (next true) button beside the popup
// at `level` (series, sweep or trace): the previous or next entry, crossing
// into the neighbouring parent; the levels below return to "_all_".  False,
// with *sel unchanged, when there is no such entry (the button is then
// disabled).
bool MoveBrowserSelection(BrowserFormat format, BrowserLevel level, bool next,
                          BrowserSelection* sel);

}  // namespace kwt
