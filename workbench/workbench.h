// The workbench: a small embeddable host for the module, and the one
// object a program makes.
//
// A workbench is a session (host/session.h: the data folders, waves,
// variables, windows, history and records) together with the rooms that
// act on it, which it owns and wires together:
//   host/services.h          the host services the module calls
//   host/module_link.h       the module, loaded once, and its messages
//   language/interpreter.h   command lines: the module's operations and the
//                            workbench's own commands
//   language/value_reader.h  numbers, strings and wave lists on a line
//   dialogs/dialog_driver.h  the dialog service, driven by a script
//   host/interaction.h, host/progress.h, host/prefs_store.h
//                            alerts and questions, the busy cursor, the
//                            stored preferences
// What it exports (.itx files, the session dump, pictures) is in export/.
//
// One workbench at a time per process: the module keeps module-wide state
// and is loaded (main(record)) by each new workbench.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "workbench/dialogs/dialog_driver.h"
#include "workbench/host/error_texts.h"
#include "workbench/host/interaction.h"
#include "workbench/host/module_link.h"
#include "workbench/host/prefs_store.h"
#include "workbench/host/progress.h"
#include "workbench/host/services.h"
#include "workbench/host/session.h"
#include "workbench/language/interpreter.h"
#include "workbench/language/value_reader.h"

namespace kwt {

class Workbench final : public Session {
 public:
  struct Options {
    std::string prefsPath;        // empty: the default location
    bool showProgress = false;    // draw the busy cursor on stderr
    // Largest wave in bytes the host makes (0: as much as memory allows);
    // larger requests fail as out of memory.
    uint64_t maxWaveBytes = 0;
    bool memoryPrefs = false;     // stored preferences start empty and stay in memory
  };

  // What one command line (as entered) gave.
  using Result = LineResult;

  Workbench();
  explicit Workbench(Options options);
  ~Workbench();
  Workbench(const Workbench&) = delete;
  Workbench& operator=(const Workbench&) = delete;

  // ---- Command lines (the interpreter) ----
  // Runs one line as if entered on the command line: it is echoed to the
  // history, its commands run in order (the first failure stops the line),
  // and the result is recorded.  Returns the line's result code.
  int32_t Run(std::string_view line) { return interpreter_.Run(line); }
  // Runs a line for the module (HostExecute): kept in the command log, not
  // echoed.
  int32_t Execute(std::string_view line) { return interpreter_.Execute(line); }
  // Runs a line without echo, log or record.
  int32_t ExecuteLine(std::string_view line) { return interpreter_.ExecuteLine(line); }
  // Runs fn with `text` as the command line that the parsing services
  // (HostGetFlag, HostGetNumber, ...) read, as while an operation runs.
  int32_t ParseWith(std::string_view text, const std::function<int32_t()>& fn);

  // ---- The module ----
  // Sends a message to the module; returns the result it stored.
  int32_t SendMessage(int32_t message, std::vector<int32_t> items) {
    return module_.SendMessage(message, std::move(items));
  }
  // The host's number for the module's menu and its items.
  static constexpr int32_t kHostMenuId = ModuleLink::kHostMenuId;
  int32_t ChooseMenuItem(int32_t resourceItem);
  HostRecord& record() { return module_.record(); }

  // The text for a result code: the module's list for 10001..10040, the
  // workbench's own texts otherwise.
  static std::string ErrorText(int32_t code) { return ErrorCodeText(code); }

  // ---- The rooms ----
  HostServices& host() { return services_; }
  Interpreter& interpreter() { return interpreter_; }
  Interaction& interaction() { return interaction_; }
  Progress& progress() { return progress_; }
  const PrefsStore& prefs() const { return prefs_; }
  // The dialog service: dialogs run against its script.
  ScriptedDialogs& dialogs() { return dialogs_; }
  // How many PauseUpdate calls of the module are not yet resumed.
  int updateDepth() const { return services_.updateDepth(); }

  // ---- Host services that programs and tests call as the module would ----
  int32_t MakeWave(WaveHandle* wave, std::string_view name, int64_t points, int32_t type,
                   bool overwrite) {
    return services_.MakeWave(wave, name, points, type, overwrite);
  }
  int32_t KillWave(WaveHandle wave) { return services_.KillWave(wave); }
  void* WaveData(WaveHandle wave) { return services_.WaveData(wave); }
  int32_t LockWave(WaveHandle wave, bool lock) { return services_.LockWave(wave, lock); }
  int32_t SetWaveNote(WaveHandle wave, std::string_view note) {
    return services_.SetWaveNote(wave, note);
  }
  int32_t SetStringVariable(std::string_view name, std::string_view value, bool global) {
    return services_.SetStringVariable(name, value, global);
  }
  int32_t FetchStringVariable(std::string_view name, std::string* value) {
    return services_.FetchStringVariable(name, value);
  }
  int32_t GetPrefs(std::vector<uint8_t>* record) { return services_.GetPrefs(record); }
  int32_t SavePrefs(std::span<const uint8_t> record) { return services_.SavePrefs(record); }

 private:
  // In the order they are made; each refers only to those above it, but
  // the services run their lines through the interpreter (set when all
  // are made).
  Interaction interaction_;
  PrefsStore prefs_;
  Progress progress_;
  ValueReader values_;
  Services services_;
  ModuleLink module_;
  Interpreter interpreter_;
  ScriptedDialogs dialogs_;
};

}  // namespace kwt
