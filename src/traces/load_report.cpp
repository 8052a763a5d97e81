#include "traces/load_report.h"

#include "host/host.h"
#include "support/format.h"

namespace kwt {

LoadTally& CurrentLoadTally() {
  static LoadTally tally;
  return tally;
}

void ResetLoadTally() { CurrentLoadTally() = LoadTally{}; }

void TallyWaveMade() { ++CurrentLoadTally().made; }

void TallyWaveExists(std::string_view name) {
  LoadTally& t = CurrentLoadTally();
  if (t.existed++ == 0) t.firstExisting = std::string(name);
}

void TallySweepFiltered() { ++CurrentLoadTally().filtered; }

std::string CompanionNameProblem(std::string_view path, std::string_view extension) {
  const size_t slash = path.find_last_of("/\\");
  const std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::string p(path), e(extension);
  if (file.find('.') == std::string_view::npos)
    return Format("\"%s\" has no extension to replace with \".%s\"", p.c_str(), e.c_str());
  return Format("the path of the .%s file would be longer than %d characters", e.c_str(),
                kHostMaxPathLength);
}

namespace {

// The history line says what is damaged; the problem's text, which the
// host shows as damage already, says what was done about it.
void ReportDamage(std::string_view where, std::string_view notice, std::string_view problem,
                  std::string_view why, bool quiet) {
  if (!quiet) HostNotice(std::string(where) + std::string(notice) + std::string(why) + "\r");
  HostReport({ProblemKind::kDamaged, std::string(where) + std::string(problem) + std::string(why)});
}

}  // namespace

void ReportDamagedItem(std::string_view operation, std::string_view file, std::string_view item,
                       std::string_view why, bool quiet) {
  ++CurrentLoadTally().damaged;
  std::string where(operation);
  where.append(": ").append(file).append(": ").append(item);
  ReportDamage(where, " is damaged and was left out: ", " was left out: ", why, quiet);
}

void ReportDamagedTree(std::string_view operation, std::string_view file, std::string_view tree,
                       std::string_view why, bool quiet) {
  std::string where(operation);
  where.append(": ").append(file).append(": the ").append(tree).append(" tree");
  ReportDamage(where, " is damaged: ", ": ", why, quiet);
}

std::string CountOf(int64_t count, std::string_view level) {
  std::string text = Format("%lld ", static_cast<long long>(count));
  text += level;
  // "series" is its own plural.
  if (count != 1 && level != "series") text += 's';
  return text;
}

std::vector<SelectionLevel> SelectionLevels(const PulseOptions& o, int32_t trace,
                                            const SelectionCounts& counts) {
  std::vector<SelectionLevel> levels{{"group", o.group, counts.groups, "the recording"}};
  if (counts.series < 0) return levels;
  levels.push_back({"series", o.series, counts.series, Format("group %d", o.group)});
  if (counts.sweeps < 0) return levels;
  levels.push_back(
      {"sweep", o.sweep, counts.sweeps, Format("series %d of group %d", o.series, o.group)});
  if (counts.traces < 0) return levels;
  levels.push_back({"trace", trace, counts.traces,
                    Format("sweep %d of series %d of group %d", o.sweep, o.series, o.group)});
  return levels;
}

void ReportIfNothingLoaded(std::string_view operation, std::span<const SelectionLevel> levels) {
  const LoadTally& t = CurrentLoadTally();
  if (t.made > 0) return;
  std::string why;
  for (const SelectionLevel& l : levels) {
    if (l.asked > l.available) {
      why = Format("%.*s %d was asked for, but %s has %s", static_cast<int>(l.name.size()),
                   l.name.data(), l.asked, l.where.c_str(), CountOf(l.available, l.name).c_str());
      break;
    }
    if (l.available == 0) {
      why = l.where + " has no " + std::string(l.name) + (l.name == "series" ? "" : "s");
      break;
    }
  }
  if (!why.empty()) {
    // The selection itself is beyond the recording.
  } else if (t.existed > 0) {
    why = Format("%s exist%s already (the first is %s); /O would replace them",
                 t.existed == 1 ? "its wave" : CountOf(t.existed, "wave").c_str(),
                 t.existed == 1 ? "s" : "", t.firstExisting.c_str());
    if (t.existed > 1) why.insert(0, "its ");
  } else if (t.filtered > 0) {
    why = "/J or /K passed over every sweep of the selection";
  } else if (t.damaged > 0) {
    why = Format("%s of the selection %s damaged and left out", CountOf(t.damaged, "item").c_str(),
                 t.damaged == 1 ? "is" : "are");
  } else {
    why = "the selection holds no traces that could be loaded";
  }
  ReportNothingLoaded(operation, why);
}

void ReportNothingLoaded(std::string_view operation, std::string_view why) {
  std::string text(operation);
  text += ": nothing was loaded: ";
  text += why;
  HostReport({ProblemKind::kNothingLoaded, std::move(text)});
}

}  // namespace kwt
