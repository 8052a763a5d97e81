// Forwarding of the host services to the host that handed over the record.
// Every call is guarded here, once, so that no exception thrown inside the
// host ever reaches module code.
#include "host/host.h"

#include <cstring>
#include <new>

namespace kwt {
namespace {

HostRecord* gRecord = nullptr;
int32_t gHostVersion = 0;
bool gOutOfMemory = false;

// Calls f on the host; an exception becomes `failed`.  Without a host (the
// module not loaded) the answer is `failed` as well.
template <class R, class F>
R Call(R failed, F&& f) {
  if (gRecord == nullptr || gRecord->host == nullptr) return failed;
  try {
    return f(*gRecord->host);
  } catch (const std::bad_alloc&) {
    gOutOfMemory = true;
    return failed;
  } catch (...) {
    return failed;
  }
}

// The same for calls that answer with a result code.
template <class F>
int32_t Code(F&& f) {
  if (gRecord == nullptr || gRecord->host == nullptr) return kHostErrInternal;
  try {
    const int32_t code = f(*gRecord->host);
    if (code == kHostErrNoMemory) gOutOfMemory = true;
    return code;
  } catch (const std::bad_alloc&) {
    gOutOfMemory = true;
    return kHostErrNoMemory;
  } catch (...) {
    return kHostErrInternal;
  }
}

template <class F>
void Void(F&& f) {
  if (gRecord == nullptr || gRecord->host == nullptr) return;
  try {
    f(*gRecord->host);
  } catch (const std::bad_alloc&) {
    gOutOfMemory = true;
  } catch (...) {
  }
}

}  // namespace

void HostAttach(HostRecord* record) {
  gRecord = record;
  gHostVersion = Call<int32_t>(0, [](HostServices& h) { return h.Version(); });
}

HostRecord* HostAttachedRecord() { return gRecord; }
int32_t HostVersion() { return gHostVersion; }

void HostNotice(std::string_view text) {
  Void([&](HostServices& h) { h.Notice(text); });
}
int32_t HostExecute(std::string_view command) {
  return Code([&](HostServices& h) { return h.Execute(command); });
}
int32_t HostCommand(std::string_view command) {
  return Code([&](HostServices& h) { return h.Command(command); });
}
int32_t HostPutCommandLine(std::string_view command, int32_t mode) {
  return Code([&](HostServices& h) { return h.PutCommandLine(command, mode); });
}
int32_t HostFinishDialogCommand(std::string_view command, int32_t choice) {
  switch (choice) {
    case kFinishRun:
      return HostPutCommandLine(command, kCommandLineRun);
    case kFinishCommandLine:
      return HostPutCommandLine(command, kCommandLinePlace);
    case kFinishClipboard:
      return SetScrapData(command);
    default:
      return 0;
  }
}
int32_t SetScrapData(std::string_view text) {
  return Code([&](HostServices& h) { return h.SetScrapData(text); });
}
void HostAlert(std::string_view title, std::string_view text) {
  Void([&](HostServices& h) { h.Alert(title, text); });
}
int32_t HostAskYesNo(std::string_view title, std::string_view text) {
  return Call<int32_t>(kAnswerNo, [&](HostServices& h) {
    return h.AskYesNo(title, text);
  });
}
void HostErrorAlert(std::string_view title, int32_t code) {
  Void([&](HostServices& h) { h.ErrorAlert(title, code); });
}
void HostBeep() {
  Void([](HostServices& h) { h.Beep(); });
}
void HostReport(const Problem& problem) {
  Void([&](HostServices& h) { h.Report(problem); });
}
void HostNoteOutOfMemory() { gOutOfMemory = true; }
bool HostTakeOutOfMemory() {
  const bool met = gOutOfMemory;
  gOutOfMemory = false;
  return met;
}
void HostDiagnose(std::string_view text) {
  HostReport({ProblemKind::kDiagnosis, std::string(text)});
}

int32_t HostMakeWave(WaveHandle* wave, std::string_view name, int64_t points,
                     int32_t type, bool overwrite) {
  if (wave != nullptr) *wave = nullptr;
  return Code([&](HostServices& h) {
    return h.MakeWave(wave, name, points, type, overwrite);
  });
}
void HostReserveWaves(uint64_t bytes) {
  Void([&](HostServices& h) { h.ReserveWaves(bytes); });
}
void HostEndWaveReserve() {
  Void([](HostServices& h) { h.EndWaveReserve(); });
}
WaveHandle HostFindWave(std::string_view name) {
  return Call<WaveHandle>(nullptr,
                          [&](HostServices& h) { return h.FindWave(name); });
}
WaveHandle HostFetchWaveInFolder(FolderHandle folder, std::string_view name) {
  return Call<WaveHandle>(nullptr, [&](HostServices& h) {
    return h.FetchWaveInFolder(folder, name);
  });
}
int32_t HostKillWave(WaveHandle wave) {
  return Code([&](HostServices& h) { return h.KillWave(wave); });
}
int32_t HostRedimension(WaveHandle wave, int32_t type, int64_t points) {
  return Code(
      [&](HostServices& h) { return h.Redimension(wave, type, points); });
}
void* HostWaveData(WaveHandle wave) {
  return Call<void*>(nullptr, [&](HostServices& h) { return h.WaveData(wave); });
}
int64_t HostWavePoints(WaveHandle wave) {
  return Call<int64_t>(0, [&](HostServices& h) { return h.WavePoints(wave); });
}
int32_t HostWaveType(WaveHandle wave) {
  return Call<int32_t>(-1, [&](HostServices& h) { return h.WaveType(wave); });
}
std::string HostWaveName(WaveHandle wave) {
  return Call<std::string>({}, [&](HostServices& h) { return h.WaveName(wave); });
}
std::string HostQuoteName(std::string_view name) {
  return Call<std::string>(std::string(name),
                           [&](HostServices& h) { return h.QuoteName(name); });
}
int32_t HostGetWaveScaling(WaveHandle wave, double* xDelta, double* xStart,
                           double* top, double* bottom) {
  int32_t err = HostGetDimScaling(wave, 0, xDelta, xStart);
  if (err == 0) err = HostGetDimScaling(wave, -1, top, bottom);
  return err;
}
int32_t HostSetWaveScaling(WaveHandle wave, std::optional<double> xDelta,
                           std::optional<double> xStart,
                           std::optional<double> top,
                           std::optional<double> bottom) {
  int32_t err = 0;
  if (xDelta || xStart) err = HostSetDimScaling(wave, 0, xDelta, xStart);
  if (err == 0 && (top || bottom)) err = HostSetDimScaling(wave, -1, top, bottom);
  return err;
}
int32_t HostGetDimScaling(WaveHandle wave, int32_t dim, double* a, double* b) {
  return Code([&](HostServices& h) { return h.GetDimScaling(wave, dim, a, b); });
}
int32_t HostSetDimScaling(WaveHandle wave, int32_t dim, std::optional<double> a,
                          std::optional<double> b) {
  return Code([&](HostServices& h) { return h.SetDimScaling(wave, dim, a, b); });
}
int32_t HostGetDimUnits(WaveHandle wave, int32_t dim, std::string* units) {
  return Code([&](HostServices& h) { return h.GetDimUnits(wave, dim, units); });
}
int32_t HostSetDimUnits(WaveHandle wave, int32_t dim, std::string_view units) {
  return Code([&](HostServices& h) { return h.SetDimUnits(wave, dim, units); });
}
int32_t HostGetWaveUnits(WaveHandle wave, std::string* xUnits,
                         std::string* dataUnits) {
  int32_t err = HostGetDimUnits(wave, 0, xUnits);
  if (err == 0) err = HostGetDimUnits(wave, -1, dataUnits);
  return err;
}
int32_t HostSetWaveUnits(WaveHandle wave, std::string_view xUnits,
                         std::string_view dataUnits) {
  int32_t err = HostSetDimUnits(wave, 0, xUnits);
  if (err == 0) err = HostSetDimUnits(wave, -1, dataUnits);
  return err;
}
std::string HostGetWaveNote(WaveHandle wave) {
  return Call<std::string>({},
                           [&](HostServices& h) { return h.GetWaveNote(wave); });
}
int32_t HostSetWaveNote(WaveHandle wave, std::string_view note) {
  return Code([&](HostServices& h) { return h.SetWaveNote(wave, note); });
}
int32_t HostWaveList(std::string* list, std::string_view match,
                     std::string_view separator, std::string_view options) {
  return Code([&](HostServices& h) {
    return h.WaveList(list, match, separator, options);
  });
}
int32_t HostWindowList(std::string* list, std::string_view match,
                       std::string_view separator, std::string_view options) {
  return Code([&](HostServices& h) {
    return h.WindowList(list, match, separator, options);
  });
}
int32_t HostLockWaves(std::span<const WaveHandle> waves,
                      std::vector<LockedWave>* locked, int64_t* maxPoints) {
  return Code([&](HostServices& h) -> int32_t {
    locked->clear();
    locked->reserve(waves.size());
    *maxPoints = 0;
    for (size_t i = 0; i < waves.size(); ++i) {
      int32_t err = h.LockWave(waves[i], true);
      if (err != 0) {
        for (size_t j = 0; j < i; ++j) h.LockWave(waves[j], false);
        locked->clear();
        return err;
      }
      LockedWave w;
      w.wave = waves[i];
      w.type = h.WaveType(waves[i]);
      w.points = h.WavePoints(waves[i]);
      w.data = h.WaveData(waves[i]);
      if (w.points > *maxPoints) *maxPoints = w.points;
      locked->push_back(w);
    }
    return 0;
  });
}
void HostUnlockWaves(std::span<const WaveHandle> waves) {
  Void([&](HostServices& h) {
    for (WaveHandle w : waves) h.LockWave(w, false);
  });
}

int32_t HostSetIntVariable(std::string_view name, int32_t value, bool global) {
  return Code([&](HostServices& h) {
    return h.SetNumericVariable(name, static_cast<double>(value), global);
  });
}
int32_t HostSetFloatVariable(std::string_view name, double value, bool global) {
  return Code(
      [&](HostServices& h) { return h.SetNumericVariable(name, value, global); });
}
int32_t HostSetStringVariable(std::string_view name, std::string_view value,
                              bool global) {
  return Code(
      [&](HostServices& h) { return h.SetStringVariable(name, value, global); });
}
int32_t HostCreateVariable(std::string_view name, int32_t kind, int32_t flags) {
  return Code(
      [&](HostServices& h) { return h.CreateVariable(name, kind, flags); });
}
int32_t HostFetchStringVariable(std::string_view name, std::string* value) {
  return Code(
      [&](HostServices& h) { return h.FetchStringVariable(name, value); });
}
FolderHandle HostRootFolder() {
  return Call<FolderHandle>(nullptr,
                            [](HostServices& h) { return h.RootFolder(); });
}
FolderHandle HostCurrentFolder() {
  return Call<FolderHandle>(nullptr,
                            [](HostServices& h) { return h.CurrentFolder(); });
}
int32_t HostGetFolderObject(FolderHandle folder, std::string_view name,
                            FolderObject* object) {
  return Code(
      [&](HostServices& h) { return h.GetFolderObject(folder, name, object); });
}
int32_t HostGetNamedFolder(FolderHandle start, std::string_view path,
                           FolderHandle* folder) {
  if (folder != nullptr) *folder = nullptr;
  return Code(
      [&](HostServices& h) { return h.GetNamedFolder(start, path, folder); });
}
int32_t HostGetWaveFolder(WaveHandle wave, FolderHandle* folder) {
  return Code([&](HostServices& h) { return h.GetWaveFolder(wave, folder); });
}
int32_t HostGetFolderPath(FolderHandle folder, int32_t mode, std::string* path) {
  return Code(
      [&](HostServices& h) { return h.GetFolderPath(folder, mode, path); });
}
int32_t HostGetFolderContents(FolderHandle folder,
                              std::vector<FolderHandle>* subfolders,
                              std::vector<WaveHandle>* waves) {
  return Code([&](HostServices& h) {
    return h.GetFolderContents(folder, subfolders, waves);
  });
}

int32_t HostGetFlag(std::string_view letters) {
  return Call<int32_t>(-1, [&](HostServices& h) { return h.GetFlag(letters); });
}
int32_t HostNextSymbol() {
  return Call<int32_t>(0, [](HostServices& h) { return h.NextSymbol(); });
}
int32_t HostTakeSymbol() {
  return Call<int32_t>(0, [](HostServices& h) { return h.TakeSymbol(); });
}
int32_t HostGetNumber(double* value) {
  return Code([&](HostServices& h) { return h.GetNumber(value); });
}
int32_t HostGetName(std::string* name) {
  return Code([&](HostServices& h) { return h.GetName(name); });
}
int32_t HostGetFolderAndName(FolderHandle* folder, std::string* name,
                             bool liberal) {
  if (folder != nullptr) *folder = nullptr;
  return Code([&](HostServices& h) {
    return h.GetFolderAndName(folder, name, liberal);
  });
}
int32_t HostGetFileName(std::string* path) {
  return Code([&](HostServices& h) { return h.GetFileName(path); });
}
int32_t HostGetWave(WaveHandle* wave) {
  if (wave != nullptr) *wave = nullptr;
  return Code([&](HostServices& h) { return h.GetWave(wave); });
}
int32_t HostAtEnd() {
  return Code([](HostServices& h) { return h.AtEnd(); });
}

void HostPauseUpdate() {
  Void([](HostServices& h) { h.PauseUpdate(); });
}
void HostResumeUpdate() {
  Void([](HostServices& h) { h.ResumeUpdate(); });
}
void HostCursor(int32_t kind) {
  Void([&](HostServices& h) { h.Cursor(kind); });
}
int32_t HostGetPrefs(std::vector<uint8_t>* record) {
  return Code([&](HostServices& h) { return h.GetPrefs(record); });
}
int32_t HostSavePrefs(std::span<const uint8_t> record) {
  return Code([&](HostServices& h) { return h.SavePrefs(record); });
}
int32_t HostToNativePath(std::string* path) {
  return Code([&](HostServices& h) { return h.ToNativePath(path); });
}
int32_t HostFromNativePath(std::string* path) {
  return Code([&](HostServices& h) { return h.FromNativePath(path); });
}
uint32_t TickCount() {
  return Call<uint32_t>(0, [](HostServices& h) { return h.TickCount(); });
}
int32_t HostActualToResourceMenu(int32_t menuId) {
  return Call<int32_t>(0, [&](HostServices& h) {
    return h.ActualToResourceMenu(menuId);
  });
}
int32_t HostActualToResourceItem(int32_t resourceMenu, int32_t item) {
  return Call<int32_t>(0, [&](HostServices& h) {
    return h.ActualToResourceItem(resourceMenu, item);
  });
}

// NaN tests look at the bits: every exponent bit set and a mantissa that is
// not zero, whatever the sign.
bool IsNaN32(const float* value) {
  uint32_t bits;
  std::memcpy(&bits, value, sizeof bits);
  return (bits & 0x7F800000u) == 0x7F800000u && (bits & 0x007FFFFFu) != 0;
}
bool IsNaN64(const double* value) {
  uint64_t bits;
  std::memcpy(&bits, value, sizeof bits);
  return (bits & 0x7FF0000000000000ull) == 0x7FF0000000000000ull &&
         (bits & 0x000FFFFFFFFFFFFFull) != 0;
}
void SetNaN32(float* value) {
  const uint32_t bits = 0x7FFFFFFFu;
  std::memcpy(value, &bits, sizeof bits);
}
void SetNaN64(double* value) {
  const uint64_t bits = 0x7FFFFFFFFFFFFFFFull;
  std::memcpy(value, &bits, sizeof bits);
}

}  // namespace kwt
