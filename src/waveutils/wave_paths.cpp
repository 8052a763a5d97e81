#include "waveutils/wave_paths.h"

namespace kwt {
namespace {

// Characters that never need quotes in a path (":" separates components).
bool IsPlainPathChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '_' || c == ':';
}

}  // namespace

bool QuotePathComponents(std::string* path) {
  std::string& s = *path;
  bool added = false;
  size_t i = 0;
  while (i < s.size()) {
    if (IsPlainPathChar(s[i])) {
      ++i;
      continue;
    }
    // The component that holds s[i] runs from just after the previous
    // colon (or the start) to just before the next colon (or the end).
    const size_t colonBefore = s.rfind(':', i);
    const size_t begin = colonBefore == std::string::npos ? 0 : colonBefore + 1;
    const size_t colonAfter = s.find(':', i);
    const size_t end = colonAfter == std::string::npos ? s.size() : colonAfter;
    if (end - begin >= 2 && s[begin] == '\'' && s[end - 1] == '\'') {
      i = end;  // quoted already
      continue;
    }
    s.insert(end, 1, '\'');
    s.insert(begin, 1, '\'');
    added = true;
    i = end + 2;  // just past the closing quote
  }
  return added;
}

// A name such as "'w 1'" from a list item stands for the wave "w 1".
bool StripNameQuotes(std::string* name) {
  if (name->empty() || name->front() != '\'') return false;
  name->erase(0, 1);
  if (!name->empty() && name->back() == '\'') name->pop_back();
  return true;
}

void SplitFolderAndName(std::string_view path, std::string* folder, std::string* name) {
  const size_t colon = path.rfind(':');
  if (colon == std::string_view::npos) {
    folder->clear();
    name->assign(path);
    return;
  }
  folder->assign(path.substr(0, colon + 1));
  name->assign(path.substr(colon + 1));
}

int32_t WaveFolderPath(WaveHandle wave, std::string* path) {
  FolderHandle folder = nullptr;
  if (int32_t err = HostGetWaveFolder(wave, &folder)) return err;
  return HostGetFolderPath(folder, 1, path);
}

int32_t WaveFullPath(WaveHandle wave, std::string* path) {
  std::string folder;
  if (int32_t err = WaveFolderPath(wave, &folder)) return err;
  std::string full = folder + HostWaveName(wave);
  // Paths are bounded where they are formed; a longer one is refused rather
  // than cut, since a cut path could name another wave.
  if (full.size() > static_cast<size_t>(kHostMaxPathLength)) return kHostErrPathTooLong;
  *path = std::move(full);
  return 0;
}

// The name is quoted by the host's own rule; the folder path, which the host
// gives unquoted, by component.
int32_t WaveCommandPath(WaveHandle wave, std::string* path) {
  std::string full;
  if (int32_t err = WaveFullPath(wave, &full)) return err;
  std::string folder, name;
  SplitFolderAndName(full, &folder, &name);
  QuotePathComponents(&folder);
  *path = folder + HostQuoteName(name);
  return 0;
}

}  // namespace kwt
