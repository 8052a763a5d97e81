// The person at the browser page, as the module's dialogs and the host's
// message boxes meet them: a dialog is shown on the page and waits for the
// person's actions, fed to its handler exactly as a script's would be; an
// alert or a question waits for its answer.  Everything here runs on the
// module thread; the page's actions arrive as services (Act, Answer).
#pragma once

#include <cstdint>
#include <deque>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "workbench/dialogs/dialog_driver.h"
#include "workbench/host/interaction.h"
#include "workbench/ui/module_thread.h"
#include "workbench/ui/ui_view.h"

namespace kwt {

class BrowserBridge final : public DialogActionSource, public InteractionDelegate {
 public:
  BrowserBridge(ModuleThread& thread, UiView& view) : thread_(thread), view_(view) {}

  // ---- The page's actions (as services on the module thread) ----
  // An action in the open dialog: {"kind": "set"|"choose"|"toggle"|"press"|
  // "close", "control": id, "text": ..., "item": n}.  False when no dialog
  // is open or the action is not understood.
  bool Act(const nlohmann::json& action);
  // Also "clickRow" (item), "select" (rows: the whole new selection),
  // "radio", and while a file dialog is open "file" (an absolute path) and
  // "cancelFile".
  // The answer to message `id`: 1 yes (or OK), 2 no.
  bool Answer(uint64_t id, int32_t answer);
  // What the open file dialog shows of `folder` (empty: the folder the
  // last choice came from, else the working folder) with filter `filter`;
  // none when no file dialog is open.
  std::optional<nlohmann::json> ListFolder(const std::string& folder, size_t filter) const;

  // ---- DialogActionSource ----
  void Show(const DialogDesc& desc, const DialogRecord& record) override;
  bool Next(DialogAction* action) override;
  void Closed(const DialogRecord& record) override;

  // ---- InteractionDelegate ----
  void Alert(std::string_view title, std::string_view text) override;
  int32_t AskYesNo(std::string_view title, std::string_view text) override;
  void Beep() override;

 private:
  // Shows a message box and waits for its answer; 0 when the session ends.
  int32_t Ask(const char* kind, std::string_view title, std::string_view text);
  std::string StartFolder() const;

  ModuleThread& thread_;
  UiView& view_;
  int depth_ = 0;                    // dialogs open, innermost counts
  std::deque<DialogAction> actions_;  // taken on the page, not yet handled
  bool closeAsked_ = false;
  uint64_t messageId_ = 0;
  int32_t answer_ = 0;
  std::optional<FileDialogRecord> file_;  // the file dialog waiting for its answer
  std::string lastFolder_;                // where the last chosen file was
};

// The subfolders of `folder` and its files that match `pattern` (a file
// dialog's filter: globs separated by ";").
nlohmann::json FolderJson(const std::string& folder, const std::string& pattern);

// A dialog's description and state as the page draws it (UTF-8).
nlohmann::json DialogJson(const DialogDesc& desc, const DialogRecord& record);

}  // namespace kwt
