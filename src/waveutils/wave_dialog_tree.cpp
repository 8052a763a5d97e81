#include "waveutils/wave_dialog_tree.h"

namespace kwt {
namespace {

bool SameHostName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

int32_t WaveTree::Load() {
  entries_.clear();
  waves_.clear();
  return Walk(HostRootFolder(), -1);
}

int32_t WaveTree::Walk(FolderHandle folder, ptrdiff_t parent) {
  std::vector<FolderHandle> subfolders;
  std::vector<WaveHandle> waves;
  if (int32_t err = HostGetFolderContents(folder, &subfolders, &waves)) return err;
  for (WaveHandle w : waves) {
    entries_.push_back({HostWaveName(w), w, parent});
    waves_.push_back(w);
  }
  for (FolderHandle f : subfolders) {
    std::string name;
    if (int32_t err = HostGetFolderPath(f, 0, &name)) return err;
    entries_.push_back({std::move(name), nullptr, parent});
    // The host's folders form a tree, so the walk ends; its depth is the
    // depth of the host's folders.
    if (int32_t err = Walk(f, static_cast<ptrdiff_t>(entries_.size() - 1))) return err;
  }
  return 0;
}

std::vector<size_t> WaveTree::TargetRows(const std::vector<std::string>& names) const {
  std::vector<size_t> rows;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (IsFolder(i)) continue;
    for (const std::string& name : names)
      if (SameHostName(entries_[i].name, name)) {
        rows.push_back(i);
        break;
      }
  }
  return rows;
}

std::vector<size_t> WaveTree::TreeRows() const {
  std::vector<size_t> rows;
  // Entries come in the order of the walk, so a folder's visibility is known
  // before any of its contents is looked at.
  std::vector<char> shown(entries_.size(), 0);
  for (size_t i = 0; i < entries_.size(); ++i) {
    const ptrdiff_t p = entries_[i].parent;
    const bool visible = p < 0 || (shown[static_cast<size_t>(p)] && entries_[static_cast<size_t>(p)].open);
    shown[i] = visible;
    if (visible) rows.push_back(i);
  }
  return rows;
}

std::string WaveTree::RowText(size_t entry) const {
  const Entry& e = entries_[entry];
  if (!IsFolder(entry)) return "\t" + e.name;
  return (e.open ? "[-]\t" : "[+]\t") + e.name;
}

int32_t WaveTree::Depth(size_t entry) const {
  int32_t depth = 0;
  for (ptrdiff_t p = entries_[entry].parent; p >= 0; p = entries_[static_cast<size_t>(p)].parent)
    ++depth;
  return depth;
}

void WaveTree::Toggle(size_t entry) {
  if (entry < entries_.size() && IsFolder(entry)) entries_[entry].open = !entries_[entry].open;
}

std::vector<std::string> SplitWaveList(std::string_view list) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start < list.size()) {
    const size_t semicolon = list.find(';', start);
    const size_t end = semicolon == std::string_view::npos ? list.size() : semicolon;
    if (end > start) names.emplace_back(list.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

}  // namespace kwt
