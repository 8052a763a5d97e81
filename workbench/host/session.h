// The session: every object the host holds and every record it keeps.
//
// It holds the data folders with their waves and variables, the graph and
// table windows, the history, the log of the command lines that the module
// sent, the result of each line entered with the problems reported while
// it ran, the clipboard and the command line.  It finds objects by path
// and keeps the records; what makes and changes objects is in the host
// services (services.h) and the interpreter (language/interpreter.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "workbench/host/objects.h"
#include "workbench/host/windows.h"
#include "workbench/syntax/command_line.h"

namespace kwt {

// What one command line (as entered) gave.
struct LineResult {
  std::string command;
  int32_t code = 0;
  std::string text;  // the code's text, empty for 0
  // Which checks failed (the diagnoses of a failed line, in order), and what
  // the line's operations told beyond their codes (nothing loaded,
  // missing samples, damaged items).
  std::string diagnosis;
  std::vector<Problem> problems;
};

class Session {
 public:
  Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // ---- Data folders, waves and variables (session_paths.cpp) ----
  HostFolder& root() { return *root_; }
  const HostFolder& root() const { return *root_; }
  HostFolder& current() { return *current_; }
  void SetCurrentFolder(HostFolder* folder) { current_ = folder; }
  // The folder a path names: with `includeLeaf` the last part is a folder
  // too, otherwise the folder that holds the object the path ends in.
  // Relative paths start at `start` (null: the current folder).  Null when
  // a folder on the way does not exist.
  HostFolder* ResolveFolder(const ParsedPath& path, bool includeLeaf, HostFolder* start = nullptr);
  // The wave or variable a path names, or null.
  HostWave* ResolveWave(const ParsedPath& path);
  HostWave* ResolveWave(std::string_view path);
  Variable* ResolveVariable(const ParsedPath& path);
  // Every wave, depth-first from the root, in creation order within a folder.
  std::vector<HostWave*> AllWaves() const;
  // The names of the waves of the current folder ("" options) or of a
  // window ("WIN:name", "WIN:" the top one) that match the pattern, each
  // followed by the separator.
  std::string ListWaves(std::string_view match, std::string_view separator,
                        std::string_view options) const;

  // ---- History ----
  const std::string& history() const { return history_; }
  // Posts text (host bytes, "\r" line ends) to the history.
  void PostHistory(std::string_view text);
  // Called with every piece of text posted to the history.
  void SetHistorySink(std::function<void(std::string_view)> sink) {
    historySink_ = std::move(sink);
  }
  // Called with what each print command prints (host bytes, no line end),
  // besides the history.
  void SetPrintSink(std::function<void(std::string_view)> sink) { printSink_ = std::move(sink); }
  // Hands a printed line to the print sink, when there is one.
  void Print(std::string_view line) const;

  // ---- Command lines and the clipboard ----
  // Every command line the module sent, in order.
  const std::vector<std::string>& commandLog() const { return commandLog_; }
  void LogCommand(std::string_view line) { commandLog_.emplace_back(line); }
  // The line the module placed on the command line without running it.
  const std::string& commandLine() const { return commandLine_; }
  void SetCommandLine(std::string_view line) {
    commandLine_ = std::string(line);
    ++commandLineChanges_;
  }
  const std::string& clipboard() const { return clipboard_; }
  void SetClipboard(std::string_view text) {
    clipboard_ = std::string(text);
    ++clipboardChanges_;
  }
  // How often each was set, so that a front end sees the same text set
  // twice.
  uint64_t commandLineChanges() const { return commandLineChanges_; }
  uint64_t clipboardChanges() const { return clipboardChanges_; }

  // ---- Results and problems ----
  const std::vector<LineResult>& results() const { return results_; }
  void AddResult(LineResult result) { results_.push_back(std::move(result)); }
  // Keeps a problem of the line that runs (HostReport).
  void Report(Problem problem) { problems_.push_back(std::move(problem)); }
  // Says which check failed, for the failure the current line returns next
  // (as the module's HostDiagnose does).
  void Diagnose(std::string text) { Report({ProblemKind::kDiagnosis, std::move(text)}); }
  // Says that the object `path` names does not exist ("no wave named
  // 'w'") and returns `code` (kHostErrNoSuchWave, ...Folder, ...Variable).
  int32_t NotFound(int32_t code, const ParsedPath& path);
  // How many problems the line has reported so far.
  size_t problemCount() const { return problems_.size(); }
  // True when a diagnosis came after the first `count` problems.
  bool DiagnosedSince(size_t count) const;
  // The problems reported so far, in order; the list starts again empty.
  std::vector<Problem> TakeProblems();

  // ---- Windows, front first ----
  const std::vector<Window>& windows() const { return windows_; }
  // The front window (of that kind), or null.
  Window* TopWindow();
  Window* TopWindow(Window::Kind kind);
  // A new window in front, named "Graph0", "Table0", ... in turn.
  Window& NewWindow(Window::Kind kind);

 private:
  std::unique_ptr<HostFolder> root_;
  HostFolder* current_ = nullptr;
  std::string history_;
  std::function<void(std::string_view)> historySink_;
  std::function<void(std::string_view)> printSink_;
  std::vector<std::string> commandLog_;
  std::string commandLine_;
  std::string clipboard_;
  uint64_t commandLineChanges_ = 0;
  uint64_t clipboardChanges_ = 0;
  std::vector<LineResult> results_;
  std::vector<Problem> problems_;  // reported while the current line runs
  std::vector<Window> windows_;
  int graphCount_ = 0;
  int tableCount_ = 0;
};

}  // namespace kwt
