// The host services as the workbench provides them to the module.
//
// One class implements the interface; its member functions live in files
// by family:
//   wave_services.cpp     waves: make, find, kill, scaling, units, notes, lists
//   folder_services.cpp   variables and data folders
//   parsing_services.cpp  the command line of the running operation
//                         (HostGetFlag, HostGetNumber, HostGetWave, ...);
//                         it reads values as the language does, so it
//                         lives in workbench/language/
//   ui_services.cpp       alerts, questions, the beep, the busy cursor,
//                         updates and the stored preferences
//   line_services.cpp     notices, command lines, the clipboard, problems
//   system_services.cpp   version, file paths, ticks, menu numbers
// They act on the session's objects and hold no command logic: command
// lines that the module sends go to the line runner (the interpreter).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "workbench/host/sample_arena.h"

namespace kwt {

class CommandCursor;
class Interaction;
class LineRunner;
class PrefsStore;
class Progress;
class Session;
class ValueReader;

class Services final : public HostServices {
 public:
  struct Limits {
    // Largest wave in bytes the host makes (0: as much as memory allows);
    // larger requests fail as out of memory.
    uint64_t maxWaveBytes = 0;
    // Stored preferences start empty and stay in memory.
    bool memoryPrefs = false;
  };

  Services(Session& session, ValueReader& values, Interaction& interaction, Progress& progress,
           PrefsStore& prefs, Limits limits);
  Services(const Services&) = delete;
  Services& operator=(const Services&) = delete;

  // Where the command lines that the module sends are run.
  void RunLinesWith(LineRunner& runner) { runner_ = &runner; }
  // Runs fn with `cursor` as the command line that the parsing services
  // read, as while an operation runs; the previous line is read again
  // afterwards.
  int32_t ParseWith(CommandCursor& cursor, const std::function<int32_t()>& fn);
  // How many PauseUpdate calls are not yet resumed.
  int updateDepth() const { return pauseDepth_; }

  // ---- Waves (wave_services.cpp) ----
  int32_t MakeWave(WaveHandle* wave, std::string_view name, int64_t points, int32_t type,
                   bool overwrite) override;
  WaveHandle FindWave(std::string_view name) override;
  void ReserveWaves(uint64_t bytes) override;
  void EndWaveReserve() override;
  WaveHandle FetchWaveInFolder(FolderHandle folder, std::string_view name) override;
  int32_t KillWave(WaveHandle wave) override;
  int32_t Redimension(WaveHandle wave, int32_t type, int64_t points) override;
  void* WaveData(WaveHandle wave) override;
  int64_t WavePoints(WaveHandle wave) override;
  int32_t WaveType(WaveHandle wave) override;
  std::string WaveName(WaveHandle wave) override;
  std::string QuoteName(std::string_view name) override;
  int32_t GetDimScaling(WaveHandle wave, int32_t dim, double* a, double* b) override;
  int32_t SetDimScaling(WaveHandle wave, int32_t dim, std::optional<double> a,
                        std::optional<double> b) override;
  int32_t GetDimUnits(WaveHandle wave, int32_t dim, std::string* units) override;
  int32_t SetDimUnits(WaveHandle wave, int32_t dim, std::string_view units) override;
  std::string GetWaveNote(WaveHandle wave) override;
  int32_t SetWaveNote(WaveHandle wave, std::string_view note) override;
  int32_t WaveList(std::string* list, std::string_view match, std::string_view separator,
                   std::string_view options) override;
  int32_t WindowList(std::string* list, std::string_view match, std::string_view separator,
                     std::string_view options) override;
  int32_t LockWave(WaveHandle wave, bool lock) override;

  // ---- Variables and data folders (folder_services.cpp) ----
  int32_t SetNumericVariable(std::string_view name, double value, bool global) override;
  int32_t SetStringVariable(std::string_view name, std::string_view value, bool global) override;
  int32_t CreateVariable(std::string_view name, int32_t kind, int32_t flags) override;
  int32_t FetchStringVariable(std::string_view name, std::string* value) override;
  FolderHandle RootFolder() override;
  FolderHandle CurrentFolder() override;
  int32_t GetFolderObject(FolderHandle folder, std::string_view name, FolderObject* object) override;
  int32_t GetNamedFolder(FolderHandle start, std::string_view path, FolderHandle* folder) override;
  int32_t GetWaveFolder(WaveHandle wave, FolderHandle* folder) override;
  int32_t GetFolderPath(FolderHandle folder, int32_t mode, std::string* path) override;
  int32_t GetFolderContents(FolderHandle folder, std::vector<FolderHandle>* subfolders,
                            std::vector<WaveHandle>* waves) override;

  // ---- The command line of the running operation (parsing_services.cpp) ----
  int32_t GetFlag(std::string_view letters) override;
  int32_t NextSymbol() override;
  int32_t TakeSymbol() override;
  int32_t GetNumber(double* value) override;
  int32_t GetName(std::string* name) override;
  int32_t GetFolderAndName(FolderHandle* folder, std::string* name, bool liberal) override;
  int32_t GetFileName(std::string* path) override;
  int32_t GetWave(WaveHandle* wave) override;
  int32_t AtEnd() override;

  // ---- User interface (ui_services.cpp) ----
  void Alert(std::string_view title, std::string_view text) override;
  int32_t AskYesNo(std::string_view title, std::string_view text) override;
  void ErrorAlert(std::string_view title, int32_t code) override;
  void Beep() override;
  void PauseUpdate() override;
  void ResumeUpdate() override;
  void Cursor(int32_t kind) override;
  int32_t GetPrefs(std::vector<uint8_t>* record) override;
  int32_t SavePrefs(std::span<const uint8_t> record) override;

  // ---- Notices, command lines, clipboard, problems (line_services.cpp) ----
  void Notice(std::string_view text) override;
  int32_t Execute(std::string_view command) override;
  int32_t Command(std::string_view command) override;
  int32_t PutCommandLine(std::string_view command, int32_t mode) override;
  int32_t SetScrapData(std::string_view text) override;
  void Report(const Problem& problem) override;

  // ---- The system (system_services.cpp) ----
  int32_t Version() override;
  int32_t ToNativePath(std::string* path) override;
  int32_t FromNativePath(std::string* path) override;
  uint32_t TickCount() override;
  int32_t ActualToResourceMenu(int32_t menuId) override;
  int32_t ActualToResourceItem(int32_t resourceMenu, int32_t item) override;

 private:
  // True when a wave of that type and size may be made.
  bool WaveFits(int32_t type, int64_t points) const;
  // The command line of the running operation, or null.
  CommandCursor* TopCursor();

  Session& session_;
  ValueReader& values_;
  Interaction& interaction_;
  Progress& progress_;
  PrefsStore& prefs_;
  const Limits limits_;
  LineRunner* runner_ = nullptr;
  std::vector<CommandCursor*> cursors_;  // the running operations' lines, innermost last
  int pauseDepth_ = 0;
  bool prefsLoadReported_ = false;
  std::vector<uint8_t> memoryRecord_;  // the stored record with Limits::memoryPrefs
  std::shared_ptr<SampleArena> arena_;  // the running load's block, if any
};

}  // namespace kwt
