#include "workbench/dialogs/dialog_driver.h"

#include <algorithm>

#include "support/format.h"
#include "workbench/host/objects.h"
#include "workbench/host/session.h"

namespace kwt {

// An open dialog: its state as it will be recorded, and whether the module
// has asked to end it.
struct HostDialog {
  DialogRecord record;
  bool ended = false;
};

namespace {

// Popups and lists hold items and a selection; the other kinds a text.
bool HasItems(const ControlState& c) {
  return c.kind == ControlKind::kPopup || c.kind == ControlKind::kList;
}

// Popups and lists show their selected item as their text.
void ShowSelection(ControlState& c) {
  c.text = c.selection >= 1 && c.selection <= static_cast<int32_t>(c.items.size())
               ? c.items[static_cast<size_t>(c.selection - 1)]
               : std::string();
}

}  // namespace

// ---- Actions ---------------------------------------------------------------

DialogAction DialogAction::SetText(int32_t control, std::string text) {
  return {Kind::kSetText, control, std::move(text), 0};
}
DialogAction DialogAction::Choose(int32_t control, int32_t item) {
  return {Kind::kChoose, control, {}, item};
}
DialogAction DialogAction::ChooseText(int32_t control, std::string itemText) {
  return {Kind::kChoose, control, std::move(itemText), 0};
}
DialogAction DialogAction::Toggle(int32_t control) { return {Kind::kToggle, control, {}, 0}; }
DialogAction DialogAction::Check(int32_t control, bool checked) {
  return {Kind::kCheck, control, {}, checked ? 1 : 0};
}
DialogAction DialogAction::Press(int32_t control) { return {Kind::kPress, control, {}, 0}; }

std::string DialogAction::Describe() const {
  switch (kind) {
    case Kind::kSetText: return Format("set %d=%s", control, text.c_str());
    case Kind::kChoose:
      return item != 0 ? Format("choose %d=%d", control, item)
                       : Format("choose %d=%s", control, text.c_str());
    case Kind::kToggle: return Format("toggle %d", control);
    case Kind::kCheck: return Format("check %d=%d", control, item);
    case Kind::kPress: return Format("press %d", control);
  }
  return {};
}

// ---- Records ---------------------------------------------------------------

const ControlState* DialogRecord::Find(int32_t control) const {
  for (const ControlState& c : controls)
    if (c.id == control) return &c;
  return nullptr;
}

std::string DialogRecord::Text(int32_t control) const {
  const ControlState* c = Find(control);
  return c != nullptr ? c->text : std::string();
}

// ---- Running ---------------------------------------------------------------

void ScriptedDialogs::SetScript(std::vector<DialogAction> actions) {
  script_.assign(std::make_move_iterator(actions.begin()), std::make_move_iterator(actions.end()));
}

int32_t ScriptedDialogs::RunModal(const DialogDesc& desc, DialogHandler& handler,
                                  int32_t* result) {
  // The controls start as the description has them; popups and lists
  // start empty until the module fills them.
  HostDialog dialog;
  DialogRecord& rec = dialog.record;
  rec.id = desc.id;
  rec.title = desc.title;
  for (const ControlDesc& c : desc.controls) {
    ControlState s;
    s.id = c.id;
    s.kind = c.kind;
    s.flags = c.flags;
    s.name = c.name;
    s.unit = c.unit;
    if (!HasItems(s)) s.text = c.text;
    rec.controls.push_back(std::move(s));
  }
  // What the run posts and shows is cut out of the session's history and
  // event log when it ends.
  const size_t historyStart = session_.history().size();
  const size_t eventsStart = interaction_.events().size();

  open_.push_back(&dialog);
  handler.OnInit(&dialog);
  DialogActionSource* const source = source_;
  while (!dialog.ended) {
    DialogAction action;
    if (source != nullptr) {
      source->Show(desc, rec);
      if (!source->Next(&action)) break;  // the window was closed: abandoned
    } else {
      if (script_.empty()) break;  // the user walks away: the dialog is abandoned
      action = script_.front();
      script_.pop_front();
    }
    ++rec.actionsTaken;
    DialogEvent event;
    const Applied applied = Apply(dialog, action, &event);
    // A refused action means the script no longer matches the dialog;
    // going on would only feed the next dialog the wrong actions.  A person
    // is shown the dialog again instead.
    if (applied == Applied::kRefused) {
      if (source != nullptr) continue;
      script_.clear();
      break;
    }
    if (applied == Applied::kWithEvent) handler.OnEvent(&dialog, event);
  }
  open_.pop_back();

  rec.endedByModule = dialog.ended;
  if (!dialog.ended) rec.result = kDialogAbandoned;
  rec.history = session_.history().substr(historyStart);
  const auto& events = interaction_.events();
  if (eventsStart < events.size())
    rec.events.assign(events.begin() + static_cast<std::ptrdiff_t>(eventsStart), events.end());
  *result = rec.result;
  if (source != nullptr) source->Closed(rec);
  runs_.push_back(std::move(rec));
  return 0;
}

ScriptedDialogs::Applied ScriptedDialogs::Apply(HostDialog& dialog, const DialogAction& action,
                                                DialogEvent* event) {
  DialogRecord& rec = dialog.record;
  ControlState* c = nullptr;
  for (ControlState& s : rec.controls)
    if (s.id == action.control) c = &s;
  const auto refuse = [&](const std::string& why) {
    rec.problems.push_back("action " + std::to_string(rec.actionsTaken) + " (" +
                           action.Describe() + "): " + why);
    return Applied::kRefused;
  };
  if (c == nullptr) return refuse(Format("the dialog has no control %d", action.control));
  // A disabled control takes no input of any kind.
  if (!c->enabled) return refuse(Format("control %d is disabled", action.control));
  event->control = action.control;
  switch (action.kind) {
    case DialogAction::Kind::kSetText:
      if (c->kind != ControlKind::kEdit) return refuse(Format("control %d is not an edit field", c->id));
      if ((c->flags & kControlReadOnly) != 0)
        return refuse(Format("control %d is a read-only field", c->id));
      c->text = action.text;
      event->kind = DialogEventKind::kTextChanged;
      return Applied::kWithEvent;
    case DialogAction::Kind::kChoose: {
      if (!HasItems(*c)) return refuse(Format("control %d is not a popup or list", c->id));
      int32_t item = action.item;
      if (item == 0) {
        // By text: the exact item first, then one that differs only in case.
        for (size_t i = 0; i < c->items.size() && item == 0; ++i)
          if (c->items[i] == action.text) item = static_cast<int32_t>(i + 1);
        for (size_t i = 0; i < c->items.size() && item == 0; ++i)
          if (SameName(c->items[i], action.text)) item = static_cast<int32_t>(i + 1);
        if (item == 0) return refuse(Format("control %d has no item \"%s\"", c->id, action.text.c_str()));
      }
      if (item < 1 || item > static_cast<int32_t>(c->items.size()))
        return refuse(Format("control %d has %zu items", c->id, c->items.size()));
      c->selection = item;
      ShowSelection(*c);
      event->kind = DialogEventKind::kItemChosen;
      return Applied::kWithEvent;
    }
    case DialogAction::Kind::kToggle:
    case DialogAction::Kind::kCheck:
      if (c->kind != ControlKind::kCheckBox)
        return refuse(Format("control %d is not a check box", c->id));
      // A check box already in the wanted state is not clicked; the action
      // still counts as taken.
      if (action.kind == DialogAction::Kind::kCheck && c->checked == (action.item != 0))
        return Applied::kQuietly;
      c->checked = !c->checked;
      event->kind = DialogEventKind::kToggled;
      return Applied::kWithEvent;
    case DialogAction::Kind::kPress:
      if (c->kind != ControlKind::kButton) return refuse(Format("control %d is not a button", c->id));
      event->kind = DialogEventKind::kPressed;
      return Applied::kWithEvent;
  }
  return refuse("unknown action");
}

// ---- What the module calls -------------------------------------------------

ControlState* ScriptedDialogs::Control(DialogHandle dialog, int32_t control, const char* call) {
  if (std::find(open_.begin(), open_.end(), dialog) == open_.end()) {
    // A handle of a dialog that is not open: nothing to record it in but
    // the innermost open one, if any.
    if (!open_.empty())
      open_.back()->record.problems.push_back(Format("%s: the dialog is not open", call));
    return nullptr;
  }
  for (ControlState& c : dialog->record.controls)
    if (c.id == control) return &c;
  dialog->record.problems.push_back(Format("%s: the dialog has no control %d", call, control));
  return nullptr;
}

// The run ends once the current event has been handled, as EndDialog
// does; a handle of a dialog that is no longer open is ignored.
void ScriptedDialogs::End(DialogHandle dialog, int32_t result) {
  if (std::find(open_.begin(), open_.end(), dialog) == open_.end()) return;
  dialog->ended = true;
  dialog->record.result = result;
}

std::string ScriptedDialogs::GetText(DialogHandle dialog, int32_t control) {
  const ControlState* c = Control(dialog, control, "GetText");
  return c != nullptr ? c->text : std::string();
}

void ScriptedDialogs::SetText(DialogHandle dialog, int32_t control, std::string_view text) {
  ControlState* c = Control(dialog, control, "SetText");
  if (c == nullptr) return;
  if (HasItems(*c)) {
    dialog->record.problems.push_back(Format("SetText: control %d is a popup or list", control));
    return;
  }
  c->text = std::string(text);
}

bool ScriptedDialogs::GetCheck(DialogHandle dialog, int32_t control) {
  const ControlState* c = Control(dialog, control, "GetCheck");
  return c != nullptr && c->checked;
}

void ScriptedDialogs::SetCheck(DialogHandle dialog, int32_t control, bool checked) {
  ControlState* c = Control(dialog, control, "SetCheck");
  if (c == nullptr) return;
  if (c->kind != ControlKind::kCheckBox) {
    dialog->record.problems.push_back(Format("SetCheck: control %d is not a check box", control));
    return;
  }
  c->checked = checked;
}

// New items select the first one, as a freshly filled popup shows it.
void ScriptedDialogs::SetItems(DialogHandle dialog, int32_t control,
                               std::span<const std::string> items) {
  ControlState* c = Control(dialog, control, "SetItems");
  if (c == nullptr) return;
  if (!HasItems(*c)) {
    dialog->record.problems.push_back(Format("SetItems: control %d is not a popup or list", control));
    return;
  }
  c->items.assign(items.begin(), items.end());
  c->selection = c->items.empty() ? 0 : 1;
  ShowSelection(*c);
}

int32_t ScriptedDialogs::GetSelection(DialogHandle dialog, int32_t control) {
  const ControlState* c = Control(dialog, control, "GetSelection");
  return c != nullptr && HasItems(*c) ? c->selection : 0;
}

void ScriptedDialogs::SetSelection(DialogHandle dialog, int32_t control, int32_t item) {
  ControlState* c = Control(dialog, control, "SetSelection");
  if (c == nullptr || !HasItems(*c)) return;
  // Stored settings may name an item that is not there; it is ignored.
  if (item < 1 || item > static_cast<int32_t>(c->items.size())) return;
  c->selection = item;
  ShowSelection(*c);
}

void ScriptedDialogs::Enable(DialogHandle dialog, int32_t control, bool enabled) {
  if (ControlState* c = Control(dialog, control, "Enable")) c->enabled = enabled;
}

void ScriptedDialogs::SetFocus(DialogHandle dialog, int32_t control, bool selectAll) {
  if (Control(dialog, control, "SetFocus") == nullptr) return;
  dialog->record.focus = control;
  dialog->record.focusSelectsAll = selectAll;
}

}  // namespace kwt
