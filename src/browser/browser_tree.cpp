#include "browser/browser_tree.h"

#include <algorithm>

#include "patchmaster/pm_relations.h"
#include "patchmaster/pm_tree.h"
#include "pulse/pulse_tree.h"
#include "support/fixed_text.h"
#include "support/format.h"

namespace kwt {
namespace {

int32_t& At(BrowserSelection& sel, int32_t level) {
  switch (level) {
    case kLevelGroup: return sel.group;
    case kLevelSeries: return sel.series;
    case kLevelSweep: return sel.sweep;
    default: return sel.trace;
  }
}

int32_t Get(const BrowserSelection& sel, int32_t level) {
  BrowserSelection copy = sel;
  return At(copy, level);
}

// Clears the levels below `level` to "_all_".
void ClearBelow(BrowserSelection& sel, int32_t level) {
  for (int32_t l = level + 1; l <= kLevelTrace; ++l) At(sel, l) = 0;
}

int32_t PulseCount(BrowserLevel level, const BrowserSelection& sel) {
  switch (level) {
    case kLevelGroup: {
      const PulseRootEntry* root = GetRoot();
      return root != nullptr ? root->groupCount : 0;
    }
    case kLevelSeries: {
      const PulseGroupEntry* g = FindGroup(sel.group);
      return g != nullptr ? g->seriesCount : 0;
    }
    case kLevelSweep: {
      const PulseSeriesEntry* s = FindSeries(sel.group, sel.series);
      return s != nullptr ? s->sweepCount : 0;
    }
    default: return 0;  // a Pulse sweep has no traces of its own
  }
}

int32_t PmCount(BrowserLevel level, const BrowserSelection& sel) {
  switch (level) {
    case kLevelGroup: {
      const PmPulsedRoot* root = GetPulsedRoot();
      return root != nullptr ? root->groupCount : 0;
    }
    case kLevelSeries: {
      const PmGroupEntry* g = FindPmGroup(sel.group);
      return g != nullptr ? g->childCount : 0;
    }
    case kLevelSweep: {
      const PmSeriesEntry* s = FindPmSeries(sel.group, sel.series);
      return s != nullptr ? s->childCount : 0;
    }
    default: {
      const PmSweepEntry* w = FindPmSweep(sel.group, sel.series, sel.sweep);
      return w != nullptr ? w->childCount : 0;
    }
  }
}

std::string GroupLabel(BrowserFormat format, int32_t group) {
  if (format == BrowserFormat::kPulse) {
    const PulseGroupEntry* g = FindGroup(group);
    return g != nullptr ? std::string(FieldText(g->label)) : std::string();
  }
  const PmGroupEntry* g = FindPmGroup(group);
  return g != nullptr ? std::string(FieldText(g->grLabel)) : std::string();
}

}  // namespace

int32_t BrowserChildCount(BrowserFormat format, BrowserLevel level, const BrowserSelection& sel) {
  // A level exists only under a chosen entry of every level above it.
  for (int32_t l = kLevelGroup; l < level; ++l)
    if (Get(sel, l) < 1) return 0;
  if (format == BrowserFormat::kPulse) return PulseCount(level, sel);
  if (format == BrowserFormat::kPatchMaster) return PmCount(level, sel);
  return 0;
}

std::optional<std::string> BrowserStimulationName(BrowserFormat format, int32_t group,
                                                  int32_t series, int32_t sweep) {
  if (format == BrowserFormat::kPulse) {
    const PulseSweepEntry* w = FindSweep(group, series, sweep);
    const PulseStimulationEntry* stim = w != nullptr ? FindStimulation(w->stimulation) : nullptr;
    if (stim == nullptr) return std::nullopt;
    return std::string(FieldText(stim->stimName));
  }
  if (format == BrowserFormat::kPatchMaster) {
    const PmSweepEntry* w = FindPmSweep(group, series, sweep);
    const PmStimulationEntry* stim = w != nullptr ? StimulationOfSweep(*w) : nullptr;
    if (stim == nullptr) return std::nullopt;
    return std::string(FieldText(stim->stName));
  }
  return std::nullopt;
}

std::vector<std::string> BrowserPopupItems(BrowserFormat format, BrowserLevel level,
                                           const BrowserSelection& sel, bool fast) {
  std::vector<std::string> items{"_all_"};
  const int32_t count = BrowserChildCount(format, level, sel);
  items.reserve(static_cast<size_t>(count) + 1);
  for (int32_t k = 1; k <= count; ++k) {
    const long n = k;
    if (fast || level == kLevelSweep) {
      items.push_back(level == kLevelTrace ? Format("%d", k) : Format("%ld", n));
      continue;
    }
    switch (level) {
      case kLevelGroup: items.push_back(Format("%ld: %s", n, GroupLabel(format, k).c_str())); break;
      case kLevelSeries: {
        const auto name = BrowserStimulationName(format, sel.group, k, 1);
        items.push_back(name ? Format("%ld: %s", n, name->c_str()) : Format("%ld", n));
        break;
      }
      default: {
        const PmTraceEntry* t = LookUpPmTrace(sel.group, sel.series, sel.sweep, k);
        // A record missing while the popup fills: the plain number.
        items.push_back(t != nullptr ? Format("%d: %s", k, std::string(FieldText(t->trLabel)).c_str())
                                     : Format("%d", k));
        break;
      }
    }
  }
  return items;
}

std::vector<std::string> BrowserStimulusNames(BrowserFormat format) {
  std::vector<std::string> names;
  BrowserSelection sel;
  const int32_t groups = BrowserChildCount(format, kLevelGroup, sel);
  for (sel.group = 1; sel.group <= groups; ++sel.group) {
    const int32_t series = BrowserChildCount(format, kLevelSeries, sel);
    for (sel.series = 1; sel.series <= series; ++sel.series) {
      const int32_t sweeps = BrowserChildCount(format, kLevelSweep, sel);
      for (int32_t w = 1; w <= sweeps; ++w) {
        const auto name = BrowserStimulationName(format, sel.group, sel.series, w);
        if (name && std::find(names.begin(), names.end(), *name) == names.end())
          names.push_back(*name);
      }
    }
  }
  return names;
}

bool MoveBrowserSelection(BrowserFormat format, BrowserLevel level, bool next,
                          BrowserSelection* sel) {
  if (level < kLevelSeries) return false;
  BrowserSelection s = *sel;
  int32_t& here = At(s, level);
  int32_t& parent = At(s, level - 1);
  BrowserSelection above = s;  // the selection that names the parent's siblings
  At(above, level - 1) = 0;
  if (next) {
    if (parent == 0 && here == 0) {
      // From "_all_" on both levels: the first entry of the first parent
      // (every "_all_" further up becomes its first entry too).
      for (int32_t l = kLevelGroup; l <= level; ++l)
        if (At(s, l) == 0) At(s, l) = 1;
      if (BrowserChildCount(format, level, s) < 1) return false;
    } else if (here < BrowserChildCount(format, level, s)) {
      ++here;
    } else if (parent < BrowserChildCount(format, static_cast<BrowserLevel>(level - 1), above)) {
      ++parent;
      here = 1;
      if (BrowserChildCount(format, level, s) < 1) return false;
    } else {
      return false;
    }
  } else {
    if (here >= 2) {
      --here;
    } else if (parent >= 2) {
      --parent;
      here = BrowserChildCount(format, level, s);
      if (here < 1) return false;
    } else {
      return false;
    }
  }
  ClearBelow(s, level);
  *sel = s;
  return true;
}

}  // namespace kwt
