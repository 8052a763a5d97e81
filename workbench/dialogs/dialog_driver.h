// The scripted dialog driver: the workbench's implementation of the dialog
// service.  A dialog runs against a list of user actions (type a field's
// text, choose a popup item, toggle a check box, press a button); when the
// module ends the dialog, or the actions run out, its final state is kept:
// every control, the focus, the alerts and the history text of the run.
//
// An action the user could not have taken (a control the dialog lacks, a
// disabled control, typing into a read-only field, an item the popup does
// not have) stops the script: the dialog is abandoned, the remaining
// actions are dropped and the run records the problem.  Calls of the module
// that name a control the dialog lacks are recorded as problems too.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "host/dialog.h"
#include "workbench/host/interaction.h"

namespace kwt {

class Session;

struct DialogAction {
  enum class Kind { kSetText, kChoose, kToggle, kCheck, kPress };
  Kind kind = Kind::kPress;
  int32_t control = 0;
  std::string text;  // kSetText: the new text; kChoose: the item's text when item is 0
  int32_t item = 0;  // kChoose: the item from 1; kCheck: the wanted state (0 or 1)

  static DialogAction SetText(int32_t control, std::string text);
  static DialogAction Choose(int32_t control, int32_t item);
  static DialogAction ChooseText(int32_t control, std::string itemText);
  static DialogAction Toggle(int32_t control);
  static DialogAction Check(int32_t control, bool checked);
  static DialogAction Press(int32_t control);

  // "set 9=1m", "choose 5=3", "press 1", ... (host bytes).
  std::string Describe() const;
};

struct ControlState {
  int32_t id = 0;
  ControlKind kind = ControlKind::kLabel;
  uint32_t flags = 0;
  std::string name;
  std::string unit;
  std::string text;                // for popups and lists: the selected item
  bool checked = false;
  std::vector<std::string> items;  // popups and lists
  int32_t selection = 0;           // from 1; 0 when none
  bool enabled = true;
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

 private:
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
