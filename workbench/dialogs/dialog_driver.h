// The scripted dialog driver: the workbench's implementation of the dialog
// service.  A dialog runs against a list of user actions (dialog_actions.h:
// type a field's text, choose a popup item, toggle a check box, choose a
// radio button, select or click rows of a list, press a button, answer a
// file dialog); when the module ends the dialog, or the actions run out,
// its final state is kept: every control, the focus, the file dialogs it
// showed, the alerts and the history text of the run.
//
// A file dialog that the module opens takes the next action as its answer:
// a chosen file or a cancel.  With no action left the user walks away and
// the file dialog is cancelled.
//
// An action the user could not have taken (a control the dialog lacks, a
// disabled control, typing into a read-only field, an item the popup does
// not have, anything but an answer while a file dialog is open, an answer
// while none is) stops the script: the dialog is abandoned, the remaining
// actions are dropped and the run records the problem.  Calls of the module
// that name a control the dialog lacks are recorded as problems too.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "host/dialog.h"
#include "workbench/dialogs/dialog_actions.h"
#include "workbench/host/interaction.h"

namespace kwt {

class Session;

struct ControlState {
  int32_t id = 0;
  ControlKind kind = ControlKind::kLabel;
  uint32_t flags = 0;
  std::string name;
  std::string unit;
  std::string text;                // for popups and lists: the selected item
  bool checked = false;            // check boxes and radio buttons
  int32_t group = 0;               // radio buttons: their group
  std::vector<std::string> items;  // popups and lists; the rows of multi-select lists
  int32_t selection = 0;           // from 1; 0 when none
  std::vector<int32_t> selectedRows;  // multi-select lists: from 1, rising
  std::vector<int32_t> rowLevels;     // multi-select lists: each row's depth; empty: all 0
  std::vector<DrawStep> picture;      // drawing areas: what they show
  bool enabled = true;
};

// A file-open dialog that the module showed during a run, and its answer.
struct FileDialogRecord {
  std::string title;
  std::vector<FileFilter> filters;
  enum class State { kOpen, kChosen, kCancelled };
  State state = State::kOpen;  // kOpen while it waits for its answer
  std::string path;            // kChosen: the file (native path)
};

// One run of a dialog, as it ended.
struct DialogRecord {
  int32_t id = 0;
  std::string title;
  std::vector<ControlState> controls;
  int32_t focus = 0;           // the control with the focus, 0 when none was set
  bool focusSelectsAll = false;
  bool endedByModule = false;  // false: abandoned (actions ran out or were refused)
  int32_t result = kDialogAbandoned;
  size_t actionsTaken = 0;
  std::vector<FileDialogRecord> fileDialogs;  // in the order they were shown
  std::vector<std::string> problems;
  std::vector<Interaction::Event> events;  // alerts, questions and beeps of the run
  std::string history;                     // text posted to the history during the run

  const ControlState* Find(int32_t control) const;
  // The text of a control; empty when there is none.
  std::string Text(int32_t control) const;
};

// Where a running dialog's actions come from when a person takes them (the
// browser page) rather than a script.  The driver shows the dialog through
// it as it opens and after every action, and asks it for the next action.
class DialogActionSource {
 public:
  virtual ~DialogActionSource() = default;
  // The dialog as it stands; `record` holds every control's state.
  virtual void Show(const DialogDesc& desc, const DialogRecord& record) = 0;
  // Waits for the person's next action; false when they closed the dialog.
  virtual bool Next(DialogAction* action) = 0;
  // The dialog has ended (also when it was abandoned).
  virtual void Closed(const DialogRecord& record) = 0;
};

class ScriptedDialogs final : public DialogServices {
 public:
  // A run records the history that the session gained and the alerts and
  // questions that the interaction policy saw meanwhile.
  ScriptedDialogs(const Session& session, const Interaction& interaction)
      : session_(session), interaction_(interaction) {}

  // The actions for the dialogs that run next, in order; a nested dialog
  // takes its actions from the same list.
  void SetScript(std::vector<DialogAction> actions);
  // With a source, dialogs take their actions from it instead of the
  // script; an action the person could not have taken is recorded and the
  // dialog goes on.  Null returns to the script.
  void SetActionSource(DialogActionSource* source) { source_ = source; }
  size_t pendingActions() const { return script_.size(); }
  // Every run so far, oldest first.
  const std::vector<DialogRecord>& runs() const { return runs_; }
  // The newest run; null when none ran.
  const DialogRecord* lastRun() const { return runs_.empty() ? nullptr : &runs_.back(); }

  // ---- DialogServices ----
  int32_t RunModal(const DialogDesc& desc, DialogHandler& handler, int32_t* result) override;
  void End(DialogHandle dialog, int32_t result) override;
  std::string GetText(DialogHandle dialog, int32_t control) override;
  void SetText(DialogHandle dialog, int32_t control, std::string_view text) override;
  bool GetCheck(DialogHandle dialog, int32_t control) override;
  void SetCheck(DialogHandle dialog, int32_t control, bool checked) override;
  void SetItems(DialogHandle dialog, int32_t control, std::span<const std::string> items) override;
  int32_t GetSelection(DialogHandle dialog, int32_t control) override;
  void SetSelection(DialogHandle dialog, int32_t control, int32_t item) override;
  void Enable(DialogHandle dialog, int32_t control, bool enabled) override;
  void SetFocus(DialogHandle dialog, int32_t control, bool selectAll) override;
  std::vector<int32_t> GetSelectedRows(DialogHandle dialog, int32_t control) override;
  void SetSelectedRows(DialogHandle dialog, int32_t control,
                       std::span<const int32_t> rows) override;
  void SetRowLevels(DialogHandle dialog, int32_t control,
                    std::span<const int32_t> levels) override;
  bool ChooseFile(DialogHandle dialog, const FileDialogRequest& request,
                  std::string* path) override;
  void Draw(DialogHandle dialog, int32_t control, std::vector<DrawStep> picture) override;

 private:
  // The user's next action, false when there is none: every action of a
  // run, the answers of its file dialogs included, comes through here.
  bool NextAction(DialogAction* action);
  // Records that the user could not take `action` in `dialog`, and drops
  // the rest of the script.
  void Refuse(HostDialog& dialog, const DialogAction& action, const std::string& why);
  // The control of an open dialog, or null (with the problem recorded).
  ControlState* Control(DialogHandle dialog, int32_t control, const char* call);
  // Applies one action to the innermost dialog: kRefused (with the problem
  // recorded) when the user could not have taken it, kQuietly when it
  // changed nothing the handler hears of (a check box already as wanted).
  enum class Applied { kWithEvent, kQuietly, kRefused };
  Applied Apply(HostDialog& dialog, const DialogAction& action, DialogEvent* event);

  const Session& session_;
  const Interaction& interaction_;
  std::deque<DialogAction> script_;
  DialogActionSource* source_ = nullptr;
  std::vector<HostDialog*> open_;  // innermost last
  std::vector<DialogRecord> runs_;
};

}  // namespace kwt
