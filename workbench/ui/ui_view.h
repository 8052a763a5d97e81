// What the browser page shows of the session, as the module thread last
// left it: the history, the data folders, the windows, the open dialog or
// message box, whether a command runs, and the small events (a beep, text
// for the clipboard or the command line, the report of a failed line).
//
// The module thread writes it; the server's threads read it and wait on it
// for a change (long polling), so that a page learns of news at once
// without asking the module thread anything.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace kwt {

class UiView {
 public:
  // ---- From the module thread ----
  // History text in host bytes (Windows-1252, "\r" line ends).
  void AppendHistory(std::string_view text);
  void SetBusy(bool busy, std::string_view job = {});
  // How far the running job has come: the busy cursor's spins and seconds.
  void SetProgress(int64_t steps, double seconds);
  void SetObjects(nlohmann::json objects);
  void SetWindows(nlohmann::json windows);
  // The open dialog (description and state), or none.
  void SetDialog(std::optional<nlohmann::json> dialog);
  // The alert or question waiting for the person, or none.
  void SetMessage(std::optional<nlohmann::json> message);
  // A line for the transcript: kind "error", "problem" or "note"; UTF-8.
  void AddNotice(std::string_view kind, std::string_view text);
  void SetClipboard(std::string_view text);  // host bytes
  void SetCommandLine(std::string_view text);  // host bytes
  void Beep();
  // The session's end: every waiting request returns.
  void Close();

  // ---- From the server's threads ----
  // The state when it is newer than `since` (or after `wait`): the history
  // from byte `historyFrom` of its UTF-8 text, the folders and windows when
  // they changed after `objectsSince` and `windowsSince`.
  nlohmann::json Snapshot(uint64_t since, size_t historyFrom, uint64_t objectsSince,
                          uint64_t windowsSince, std::chrono::milliseconds wait);
  bool closed() const;

 private:
  void Changed();  // with the lock held

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t version_ = 1;
  bool closed_ = false;
  std::string history_;  // UTF-8, "\n" line ends
  bool busy_ = false;
  std::string job_;
  nlohmann::json progress_;  // null until the job's first spin
  nlohmann::json objects_ = nlohmann::json::array();
  uint64_t objectsVersion_ = 0;
  nlohmann::json windows_ = nlohmann::json::array();
  uint64_t windowsVersion_ = 0;
  nlohmann::json dialog_;   // null when none
  nlohmann::json message_;  // null when none
  nlohmann::json notices_ = nlohmann::json::array();
  uint64_t noticeCount_ = 0;
  std::string clipboard_;
  uint64_t clipboardSeq_ = 0;
  std::string commandLine_;
  uint64_t commandLineSeq_ = 0;
  uint64_t beeps_ = 0;
};

}  // namespace kwt
