// Finding the session's objects by path, and listing them.
#include "workbench/host/session.h"

#include <algorithm>
#include <functional>

namespace kwt {

HostFolder* Session::ResolveFolder(const ParsedPath& path, bool includeLeaf, HostFolder* start) {
  HostFolder* f = start != nullptr ? start : current_;
  size_t first = 0;
  if (path.absolute) {
    f = root_.get();
    first = 1;
  } else if (!path.relative && !path.parts.empty() && path.parts.size() == 1 &&
             SameName(path.parts[0], "root") && !path.lastQuoted && includeLeaf) {
    // "root" alone, where a folder is asked for.
    return root_.get();
  }
  for (int i = 0; i < path.upLevels; ++i) {
    if (f->parent == nullptr) return nullptr;
    f = f->parent;
  }
  // The leaf names the object itself unless the path ends in ":" or the
  // caller wants the folder it names.
  size_t end = path.parts.size();
  if (!path.trailingColon && !includeLeaf && end > 0) --end;
  for (size_t i = first; i < end; ++i) {
    f = f->FindFolder(path.parts[i]);
    if (f == nullptr) return nullptr;
  }
  return f;
}

HostWave* Session::ResolveWave(const ParsedPath& path) {
  if (path.trailingColon || path.parts.empty()) return nullptr;
  if (path.absolute && path.parts.size() == 1) return nullptr;
  HostFolder* f = ResolveFolder(path, false);
  return f != nullptr ? f->FindWave(path.parts.back()) : nullptr;
}

HostWave* Session::ResolveWave(std::string_view text) {
  CommandCursor c{std::string(text)};
  ParsedPath path;
  if (!c.ReadPath(&path) || !c.AtEnd()) return nullptr;
  return ResolveWave(path);
}

Variable* Session::ResolveVariable(const ParsedPath& path) {
  if (path.trailingColon || path.parts.empty()) return nullptr;
  if (path.absolute && path.parts.size() == 1) return nullptr;
  HostFolder* f = ResolveFolder(path, false);
  return f != nullptr ? f->FindVariable(path.parts.back()) : nullptr;
}

std::vector<HostWave*> Session::AllWaves() const {
  std::vector<HostWave*> out;
  std::function<void(const HostFolder&)> walk = [&](const HostFolder& f) {
    for (const auto& w : f.waves) out.push_back(w.get());
    for (const auto& sub : f.folders) walk(*sub);
  };
  walk(*root_);
  return out;
}

std::string Session::ListWaves(std::string_view match, std::string_view separator,
                               std::string_view options) const {
  std::vector<HostWave*> candidates;
  const auto add = [&](HostWave* w) {
    if (std::find(candidates.begin(), candidates.end(), w) == candidates.end())
      candidates.push_back(w);
  };
  if (options.substr(0, 4) == "WIN:") {
    const std::string_view name = options.substr(4);
    for (const Window& w : windows_) {
      if (!name.empty() && !SameName(w.name, name)) continue;
      for (const GraphTrace& t : w.traces) add(t.wave);
      for (HostWave* c : w.columns) add(c);
      break;
    }
  } else {
    for (const auto& w : current_->waves) candidates.push_back(w.get());
  }
  std::string list;
  for (HostWave* w : candidates) {
    if (!MatchesPattern(w->name, match)) continue;
    list.append(w->name);
    list.append(separator);
  }
  return list;
}

}  // namespace kwt
