#include "waveutils/wave_util_parser.h"

#include <new>
#include <string>

#include "host/flag_values.h"
#include "host/result_codes.h"
#include "resources/operation_flags.h"
#include "waveutils/wave_paths.h"

namespace kwt {
namespace {

// The flag letters the host's flag reader accepts for each operation, from
// the table that the operation's help shows (the operation's value is its
// index in the operation table).
const char* FlagLetters(WaveUtilOperation operation) {
  return resources::FlagLetters(static_cast<int32_t>(operation)).data();
}

// /X=wave: the x-wave and its full path.  A flag without "=" does nothing.
int32_t ReadXWave(WaveUtilSettings& s) {
  if (!TakeOptionalEquals()) return 0;
  WaveHandle wave = nullptr;
  if (int32_t err = HostGetWave(&wave)) return err;
  // The host may read no wave without an error (nothing follows "="): that
  // is the module's own "x-wave expected", never a null wave passed on.
  if (wave == nullptr) return kErrExpectedXWave;
  std::string path;
  if (int32_t err = WaveFullPath(wave, &path)) return err;
  s.xWave = wave;
  s.xWavePath = std::move(path);
  return 0;
}

// /N=name: the bare name; a folder part is read and dropped.
int32_t ReadBaseName(WaveUtilSettings& s) {
  if (!TakeOptionalEquals()) return 0;
  FolderHandle folder = nullptr;
  std::string name;
  if (int32_t err = HostGetFolderAndName(&folder, &name, true))
    return err == kHostErrNoMemory ? err : kErrExpectedBaseName;
  s.baseName = std::move(name);
  return 0;
}

// /R[=wave]: reference mode, and with "=" the reference wave's full path,
// which is also posted to the history.
int32_t ReadReference(WaveUtilSettings& s) {
  s.slimMode = SlimMode::kReference;
  if (!TakeOptionalEquals()) return 0;
  FolderHandle folder = nullptr;
  std::string name;
  if (int32_t err = HostGetFolderAndName(&folder, &name, true))
    return err == kHostErrNoMemory ? err : kErrExpectedRefWave;
  // A name without a folder path is a wave of the current data folder.
  if (folder == nullptr) folder = HostCurrentFolder();
  std::string path;
  if (int32_t err = HostGetFolderPath(folder, 1, &path)) return err;
  path += name;
  if (path.size() > static_cast<size_t>(kHostMaxPathLength)) return kHostErrPathTooLong;
  s.referencePath = std::move(path);
  HostNotice(s.referencePath + "\r");
  return 0;
}

// The flags of one operation beyond /G, /T and /X.
int32_t ReadAutoStatsFlag(int32_t flag, WaveUtilSettings& s) {
  switch (flag) {
    case 'A': s.appendToTop = true; return 0;
    case 'W': s.perWave = true; return 0;
    case 'M': s.keepMinMax = true; return 0;
    case 'S': s.copyScaling = true; return 0;
    case 'N': return ReadBaseName(s);
    default: return kHostErrBadFlag;
  }
}

int32_t ReadPlotWavesFlag(int32_t flag, WaveUtilSettings& s) {
  switch (flag) {
    case 'C': s.colours = true; return 0;
    case 'O': s.overlay = true; return 0;
    case 'B': s.baseline = true; return 0;
    case 'I': s.independentAxes = true; return 0;
    case 'Z':
    case 'L':
    case 'U': {
      if (int32_t err = TakeRequiredEquals()) return err;
      double value = 0.0;
      if (int32_t err = HostGetNumber(&value)) return err;
      if (flag == 'Z') {
        s.baselineLevel = value;
        s.baseline = true;
      } else {
        (flag == 'L' ? s.lowerLimit : s.upperLimit) = value;
        s.limitsGiven = true;
      }
      return 0;
    }
    default: return kHostErrBadFlag;
  }
}

int32_t ReadSlimWavesFlag(int32_t flag, WaveUtilSettings& s) {
  switch (flag) {
    case 'A':
    case 'U': {
      if (int32_t err = TakeRequiredEquals()) return err;
      // An unreadable factor is not an error: the default factor is used.
      double value = 0.0;
      s.factor = HostGetNumber(&value) == 0 ? value : 2.0;
      // The mode flags exclude each other; the last one wins.
      s.slimMode = flag == 'A' ? SlimMode::kAverage : SlimMode::kDecimate;
      return 0;
    }
    case 'R': return ReadReference(s);
    case 'N': return ReadBaseName(s);
    default: return kHostErrBadFlag;
  }
}

// Reads flags until the host's flag reader gives none; a letter outside the
// operation's set ends the command with host error 9.
int32_t ReadFlags(WaveUtilOperation operation, WaveUtilSettings& s) {
  const char* letters = FlagLetters(operation);
  for (;;) {
    const int32_t flag = HostGetFlag(letters);
    if (flag == 0) return 0;
    if (flag < 0) return kHostErrBadFlag;
    int32_t err = 0;
    if (flag == 'G') s.graph = true;
    else if (flag == 'T') s.table = true;
    else if (flag == 'X') err = ReadXWave(s);
    else if (operation == WaveUtilOperation::kAutoStats) err = ReadAutoStatsFlag(flag, s);
    else if (operation == WaveUtilOperation::kPlotWaves) err = ReadPlotWavesFlag(flag, s);
    else err = ReadSlimWavesFlag(flag, s);
    if (err != 0) return err;
  }
}

// One item of a "$" list: "folderPath:waveName", or a bare name in the
// current data folder.  *wave is null when its folder or wave does not
// exist; the result is 0, or host error 1 when the host ran out of memory
// looking (which must not pass for the end of the list).
int32_t FindListItem(const std::string& item, WaveHandle* wave) {
  *wave = nullptr;
  std::string folderPath, name;
  SplitFolderAndName(item, &folderPath, &name);
  FolderHandle folder = HostCurrentFolder();
  if (!folderPath.empty()) {
    // Liberal folder names must be quoted for the host to read the path;
    // components that are quoted already are left as they are.
    QuotePathComponents(&folderPath);
    const int32_t err = HostGetNamedFolder(nullptr, folderPath, &folder);
    if (err == kHostErrNoMemory) return err;
    if (err != 0 || folder == nullptr) return 0;
  }
  StripNameQuotes(&name);
  *wave = HostFetchWaveInFolder(folder, name);
  return 0;
}

// Form 2 of the wave list: "$" (already taken) and a string variable.
int32_t ReadStringVariableList(std::vector<WaveHandle>* waves) {
  FolderHandle folder = nullptr;
  std::string name;
  if (int32_t err = HostGetFolderAndName(&folder, &name, true)) return err;
  std::string text;
  if (folder != nullptr) {
    FolderObject object;
    if (int32_t err = HostGetFolderObject(folder, name, &object)) return err;
    if (object.kind != kObjectString) return kHostErrExpectedStringVar;
    text = std::move(object.text);
  } else {
    // The name is the one just read: look it up in the current folder.
    const int32_t err = HostFetchStringVariable(name, &text);
    if (err == kHostErrNoMemory) return err;
    if (err != 0) return kHostErrExpectedStringVar;
  }

  // Items are taken up to the first one that is empty, too long for a path
  // or names no wave; the waves before it are the list.
  constexpr size_t kItemBufferSize = 260;
  size_t pos = 0;
  for (;;) {
    const size_t comma = text.find(',', pos);
    const size_t end = comma == std::string::npos ? text.size() : comma;
    const std::string item = text.substr(pos, end - pos);
    if (item.empty() || item.size() >= kItemBufferSize) break;
    WaveHandle wave = nullptr;
    if (int32_t err = FindListItem(item, &wave)) return err;
    if (wave == nullptr) break;
    waves->push_back(wave);
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  return 0;
}

// Form 1 of the wave list: wave references until the host reads no more.
int32_t ReadWaveReferences(std::vector<WaveHandle>* waves) {
  for (;;) {
    WaveHandle wave = nullptr;
    if (int32_t err = HostGetWave(&wave)) return err;
    if (wave == nullptr) return 0;
    waves->push_back(wave);
  }
}

int32_t Parse(WaveUtilOperation operation, WaveUtilSettings& s, std::vector<WaveHandle>* waves) {
  BeginWaveUtilCall(s, operation);
  if (int32_t err = ReadFlags(operation, s)) return err;

  // Fixed limits mean one scale for all, whatever /I asked.
  if (operation == WaveUtilOperation::kPlotWaves && s.limitsGiven) s.independentAxes = false;
  if (s.baseName.empty()) {
    if (operation == WaveUtilOperation::kAutoStats) s.baseName = "swave";
    if (operation == WaveUtilOperation::kSlimWaves) s.baseName = "slim";
  }

  // The list: "$" and a string variable, or wave references.
  waves->clear();
  int32_t err;
  if (HostNextSymbol() == '$') {
    HostTakeSymbol();
    err = ReadStringVariableList(waves);
  } else {
    err = ReadWaveReferences(waves);
  }
  if (err != 0) return err;
  // Nothing is computed over zero waves, whichever form the list took.
  if (waves->empty()) return kHostErrExpectedWave;

  // Statistics across waves need two of them; per wave, one is enough.
  if (operation == WaveUtilOperation::kAutoStats && !s.perWave && waves->size() < 2)
    return kErrNotEnoughWaves;
  // Anything left on the line is the host's error.
  return HostAtEnd();
}

}  // namespace

int32_t ParseWaveUtilCommand(WaveUtilOperation operation, WaveUtilSettings& settings,
                             std::vector<WaveHandle>* waves) {
  try {
    return Parse(operation, settings, waves);
  } catch (const std::bad_alloc&) {
    // The list could not grow: no statistics over part of it.
    waves->clear();
    return kHostErrNoMemory;
  }
}

}  // namespace kwt
