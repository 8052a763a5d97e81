// The input list of the wave-utility dialogs: the host's data folders and
// waves as rows of a multi-select list.
//
// The tree is walked once, from the root: in each folder its waves, then
// its subfolders, depth first.  The root's own waves and subfolders are the
// top rows.  A folder row reads "[+]" and a tab before the folder's name
// while it is closed, "[-]" and a tab while it is open; the rows of its
// waves and subfolders follow an open folder.  A wave row is a tab and the
// wave's name.  Folders start closed.
//
// With a target window the list can show instead only the waves whose names
// the window shows, without folder rows, in the order of the walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace kwt {

class WaveTree {
 public:
  // Walks the host's folders.  Returns 0 or the code of the host's folder
  // services.
  int32_t Load();

  // Entries are the folders and waves in the order of the walk; a row of
  // the list shows one entry.
  size_t entries() const { return entries_.size(); }
  bool IsFolder(size_t entry) const { return entries_[entry].wave == nullptr; }
  WaveHandle Wave(size_t entry) const { return entries_[entry].wave; }
  // Every wave, in the order of the walk.
  const std::vector<WaveHandle>& waves() const { return waves_; }

  // The entries shown as rows, top to bottom: the tree with its open
  // folders ...
  std::vector<size_t> TreeRows() const;
  // ... or only the waves whose names are among `names` (compared without
  // regard to case, as the host compares names).
  std::vector<size_t> TargetRows(const std::vector<std::string>& names) const;
  // The text of an entry's row.
  std::string RowText(size_t entry) const;
  // How deep an entry lies: 0 in the root, one more per folder above it.
  int32_t Depth(size_t entry) const;
  // Opens a closed folder, closes an open one.
  void Toggle(size_t entry);

 private:
  struct Entry {
    std::string name;
    WaveHandle wave = nullptr;  // null for a folder
    ptrdiff_t parent = -1;      // the entry of the folder it is in; -1 in the root
    bool open = false;          // folders
  };
  int32_t Walk(FolderHandle folder, ptrdiff_t parent);

  std::vector<Entry> entries_;
  std::vector<WaveHandle> waves_;
};

// The names in a host wave list ("a;b;c;"), in order.
std::vector<std::string> SplitWaveList(std::string_view list);

}  // namespace kwt
