// The workbench: a small embeddable host for the module.  It owns every
// host object (data folders, waves, variables, windows, history, clipboard,
// stored preferences), implements the host services the module calls, and
// runs command lines: the module's six operations go to the module as
// command messages, everything else is the workbench's own command language.
//
// One workbench at a time per process: the module keeps module-wide state
// and is loaded (main(record)) by each new workbench.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "workbench/dialogs/dialog_driver.h"
#include "workbench/host/error_texts.h"
#include "workbench/host/interaction.h"
#include "workbench/host/objects.h"
#include "workbench/host/prefs_store.h"
#include "workbench/host/progress.h"
#include "workbench/host/session.h"
#include "workbench/language/command_line.h"
#include "workbench/language/expression.h"

namespace kwt {

// The name of a problem's kind in the session file: "nothing_loaded",
// "missing_samples", "damaged" or "diagnosis".
std::string_view ProblemKindName(ProblemKind kind);

class Workbench final : public Session, public HostServices, public ExprContext {
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
  ~Workbench() override;
  Workbench(const Workbench&) = delete;
  Workbench& operator=(const Workbench&) = delete;

  // Runs one line as if entered on the command line: it is echoed to the
  // history, its commands run in order (the first failure stops the line),
  // and the result is recorded.  Returns the line's result code.
  int32_t Run(std::string_view line);
  // Runs a line for the module (HostExecute): kept in the command log, not
  // echoed.
  int32_t Execute(std::string_view line) override;
  // Runs a line without echo, log or record.
  int32_t ExecuteLine(std::string_view line);

  // Runs fn with `text` as the command line that the parsing services
  // (HostGetFlag, HostGetNumber, ...) read, as while an operation runs.
  int32_t ParseWith(std::string_view text, const std::function<int32_t()>& fn);

  // Sends a message to the module; returns the result it stored.
  int32_t SendMessage(int32_t message, std::vector<int32_t> items);
  // The host's number for the module's menu and its items.
  static constexpr int32_t kHostMenuId = 230;
  int32_t ChooseMenuItem(int32_t resourceItem);

  // The text for a result code: the module's list for 10001..10040, the
  // workbench's own texts otherwise.
  static std::string ErrorText(int32_t code) { return ErrorCodeText(code); }

  Interaction& interaction() { return interaction_; }
  const PrefsStore& prefs() const { return prefs_; }
  // The dialog service: dialogs run against its script.
  ScriptedDialogs& dialogs() { return dialogs_; }
  HostRecord& record() { return record_; }
  int updateDepth() const { return pauseDepth_; }

  void Diagnose(std::string text) override { Session::Diagnose(std::move(text)); }

  // ---- HostServices ----
  int32_t Version() override { return 800; }
  void Notice(std::string_view text) override { PostHistory(text); }
  int32_t Command(std::string_view command) override;
  int32_t PutCommandLine(std::string_view command, int32_t mode) override;
  int32_t SetScrapData(std::string_view text) override;
  void Alert(std::string_view title, std::string_view text) override;
  int32_t AskYesNo(std::string_view title, std::string_view text) override;
  void ErrorAlert(std::string_view title, int32_t code) override;
  void Beep() override;
  void Report(const Problem& problem) override;
  int32_t MakeWave(WaveHandle* wave, std::string_view name, int64_t points, int32_t type,
                   bool overwrite) override;
  WaveHandle FindWave(std::string_view name) override;
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
  int32_t SetNumericVariable(std::string_view name, double value, bool global) override;
  int32_t SetStringVariable(std::string_view name, std::string_view value, bool global) override;
  int32_t CreateVariable(std::string_view name, int32_t kind, int32_t flags) override;
  int32_t FetchStringVariable(std::string_view name, std::string* value) override;
  FolderHandle RootFolder() override { return &root(); }
  FolderHandle CurrentFolder() override { return &current(); }
  int32_t GetFolderObject(FolderHandle folder, std::string_view name, FolderObject* object) override;
  int32_t GetNamedFolder(FolderHandle start, std::string_view path, FolderHandle* folder) override;
  int32_t GetWaveFolder(WaveHandle wave, FolderHandle* folder) override;
  int32_t GetFolderPath(FolderHandle folder, int32_t mode, std::string* path) override;
  int32_t GetFolderContents(FolderHandle folder, std::vector<FolderHandle>* subfolders,
                            std::vector<WaveHandle>* waves) override;
  int32_t GetFlag(std::string_view letters) override;
  int32_t NextSymbol() override;
  int32_t TakeSymbol() override;
  int32_t GetNumber(double* value) override;
  int32_t GetName(std::string* name) override;
  int32_t GetFolderAndName(FolderHandle* folder, std::string* name, bool liberal) override;
  int32_t GetFileName(std::string* path) override;
  int32_t GetWave(WaveHandle* wave) override;
  int32_t AtEnd() override;
  void PauseUpdate() override { ++pauseDepth_; }
  void ResumeUpdate() override {
    if (pauseDepth_ > 0) --pauseDepth_;
  }
  void Cursor(int32_t kind) override { progress_.Cursor(kind); }
  int32_t GetPrefs(std::vector<uint8_t>* record) override;
  int32_t SavePrefs(std::span<const uint8_t> record) override;
  int32_t ToNativePath(std::string* path) override;
  int32_t FromNativePath(std::string* path) override;
  uint32_t TickCount() override;
  int32_t ActualToResourceMenu(int32_t menuId) override;
  int32_t ActualToResourceItem(int32_t resourceMenu, int32_t item) override;

  // ---- ExprContext ----
  bool NumericVariable(const ParsedPath& path, double* value) override;
  HostWave* FindWave(const ParsedPath& path) override { return ResolveWave(path); }

 private:
  // One command (no ";") at the cursor; the interpreter's dispatch.
  int32_t RunCommand(const std::string& command);
  int32_t RunModuleOperation(int32_t index, CommandCursor& cursor);
  // True when a wave of that type and size may be made.
  bool WaveFits(int32_t type, int64_t points) const;
  void RunQueuedLines();
  CommandCursor* TopCursor();

  // The workbench's own commands (interpreter.cpp).
  int32_t CmdMake(CommandCursor& c);
  int32_t CmdVariable(CommandCursor& c, bool isString);
  int32_t CmdAssign(CommandCursor& c);
  int32_t CmdSetScale(CommandCursor& c);
  int32_t CmdNote(CommandCursor& c);
  int32_t CmdKillWaves(CommandCursor& c);
  int32_t CmdKillVariables(CommandCursor& c);
  int32_t CmdNewDataFolder(CommandCursor& c);
  int32_t CmdSetDataFolder(CommandCursor& c);
  int32_t CmdPrint(CommandCursor& c);
  int32_t CmdLoadWave(CommandCursor& c);
  int32_t CmdRedimension(CommandCursor& c);

  // Windows (window_commands.cpp).
  int32_t CmdDisplay(CommandCursor& c, const std::string& command);
  int32_t CmdAppendToGraph(CommandCursor& c, const std::string& command);
  int32_t CmdGraphSetting(const std::string& command);
  int32_t CmdEdit(CommandCursor& c, const std::string& command);
  int32_t CmdAppendToTable(CommandCursor& c, const std::string& command);
  int32_t CmdAppend(CommandCursor& c, const std::string& command);
  int32_t ReadWaveList(CommandCursor& c, std::vector<HostWave*>* waves, HostWave** xWave);
  // The axes that /L, /R, /B and /T name for the traces of one command.
  struct AxisPair {
    std::string y = "left", x = "bottom";
    bool yOnRight = false, xOnTop = false;
    void Take(const std::string& flag, const std::string& value);
  };
  void AddTrace(Window& graph, HostWave* wave, HostWave* xWave, const AxisPair& axes);

  // Reading values on the command line.
  int32_t ReadNumber(CommandCursor& c, double* value, bool flagValue = false);
  // 0, or kHostErrBadValue / kHostErrNoMemory for a count no wave can have.
  int32_t CheckPointCount(double value);

  // String expressions (string_expressions.cpp): "text", string variables
  // and the string functions, joined by "+".
  int32_t ReadStringExpr(CommandCursor& c, std::string* value);
  // `name(...)` at the cursor, just after the name: WaveList(match,
  // separator, options).  kHostErrExpectedString when `name` is no string
  // function (so that the caller may read a number instead).
  int32_t CallStringFunction(const std::string& name, CommandCursor& c, std::string* value);
  // Where a wave list is read: "$" and a string expression at the cursor
  // is replaced on the line by the names the string lists (separated by ","
  // or ";"), each quoted where its name needs it.  With `keepVariables`,
  // "$" and a plain string-variable name stay for the reader: the module's
  // wave utilities read such a list themselves.
  int32_t ExpandWaveList(CommandCursor& c, bool keepVariables);

  std::vector<std::string> queued_;
  std::vector<CommandCursor*> cursors_;
  int messageDepth_ = 0;
  int pauseDepth_ = 0;
  Interaction interaction_;
  PrefsStore prefs_;
  Progress progress_;
  uint64_t maxWaveBytes_ = 0;
  bool memoryPrefs_ = false;
  bool prefsLoadReported_ = false;
  int stringNesting_ = 0;  // string expressions under way (function arguments)
  std::vector<uint8_t> memoryRecord_;
  ScriptedDialogs dialogs_;
  HostRecord record_;
};

}  // namespace kwt
