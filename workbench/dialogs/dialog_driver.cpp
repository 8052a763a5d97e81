#include "workbench/dialogs/dialog_driver.h"

#include <algorithm>

#include "support/format.h"
#include "workbench/host/objects.h"
#include "workbench/host/session.h"

namespace kwt {

// An open dialog: its state as it will be recorded, and whether the module
// has asked to end it.
struct HostDialog {
  const DialogDesc* desc = nullptr;
  DialogRecord record;
  bool ended = false;
};

namespace {

// Popups and lists hold items and a selection; the other kinds a text.
bool HasItems(const ControlState& c) {
  return c.kind == ControlKind::kPopup || c.kind == ControlKind::kList ||
         c.kind == ControlKind::kMultiList;
}

bool IsCheckable(const ControlState& c) {
  return c.kind == ControlKind::kCheckBox || c.kind == ControlKind::kRadio;
}

// Popups and lists show their selected item as their text; a multi-select
// list has no one item to show.
void ShowSelection(ControlState& c) {
  c.text = c.kind != ControlKind::kMultiList && c.selection >= 1 &&
                   c.selection <= static_cast<int32_t>(c.items.size())
               ? c.items[static_cast<size_t>(c.selection - 1)]
               : std::string();
}

bool HasRow(const ControlState& c, int32_t row) {
  return row >= 1 && row <= static_cast<int32_t>(c.items.size());
}

// Checks a check box or radio button; a radio button that becomes checked
// unchecks the other buttons of its group, whoever checked it.
void SetChecked(DialogRecord& rec, ControlState& c, bool checked) {
  c.checked = checked;
  if (c.kind != ControlKind::kRadio || !checked) return;
  for (ControlState& other : rec.controls)
    if (&other != &c && other.kind == ControlKind::kRadio && other.group == c.group)
      other.checked = false;
}

// Sorted and without repeats, as a list box reports its selection.
void Normalise(std::vector<int32_t>& rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
}

}  // namespace

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
  dialog.desc = &desc;
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
    s.group = c.group;
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
    if (source != nullptr) source->Show(desc, rec);
    if (!NextAction(&action)) break;  // the user walks away: the dialog is abandoned
    ++rec.actionsTaken;
    DialogEvent event;
    const Applied applied = Apply(dialog, action, &event);
    // A refused action means a script no longer matches the dialog (the
    // rest of it is dropped already); a person is shown the dialog again.
    if (applied == Applied::kRefused) {
      if (source != nullptr) continue;
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

bool ScriptedDialogs::NextAction(DialogAction* action) {
  if (source_ != nullptr) return source_->Next(action);  // false: the window was closed
  if (script_.empty()) return false;
  *action = std::move(script_.front());
  script_.pop_front();
  return true;
}

void ScriptedDialogs::Refuse(HostDialog& dialog, const DialogAction& action,
                             const std::string& why) {
  dialog.record.problems.push_back("action " + std::to_string(dialog.record.actionsTaken) + " (" +
                                   action.Describe() + "): " + why);
  // Going on would only feed the next dialog the wrong actions.
  script_.clear();
}

ScriptedDialogs::Applied ScriptedDialogs::Apply(HostDialog& dialog, const DialogAction& action,
                                                DialogEvent* event) {
  DialogRecord& rec = dialog.record;
  const auto refuse = [&](const std::string& why) {
    Refuse(dialog, action, why);
    return Applied::kRefused;
  };
  if (action.AnswersFileDialog()) return refuse("no file dialog is open");
  ControlState* c = nullptr;
  for (ControlState& s : rec.controls)
    if (s.id == action.control) c = &s;
  if (c == nullptr) return refuse(Format("the dialog has no control %d", action.control));
  // A disabled control takes no input of any kind.
  if (!c->enabled) return refuse(Format("control %d is disabled", action.control));
  event->control = action.control;
  // The row or item an action names, by number or by text; 0 when it names
  // none.
  const auto resolve = [&](int32_t number, const std::string& text) {
    if (number != 0) return HasRow(*c, number) ? number : 0;
    return FindItemByText(c->items, text);
  };
  const auto noItem = [&](int32_t number, const std::string& text) {
    return number != 0 ? Format("control %d has %zu items", c->id, c->items.size())
                       : Format("control %d has no item \"%s\"", c->id, text.c_str());
  };
  switch (action.kind) {
    case DialogAction::Kind::kSetText:
      if (c->kind != ControlKind::kEdit) return refuse(Format("control %d is not an edit field", c->id));
      if ((c->flags & kControlReadOnly) != 0)
        return refuse(Format("control %d is a read-only field", c->id));
      c->text = action.text;
      event->kind = DialogEventKind::kTextChanged;
      return Applied::kWithEvent;
    case DialogAction::Kind::kChoose: {
      if (c->kind != ControlKind::kPopup && c->kind != ControlKind::kList)
        return refuse(Format("control %d is not a popup or list", c->id));
      const int32_t item = resolve(action.item, action.text);
      if (item == 0) return refuse(noItem(action.item, action.text));
      c->selection = item;
      ShowSelection(*c);
      event->kind = DialogEventKind::kItemChosen;
      return Applied::kWithEvent;
    }
    case DialogAction::Kind::kSelect: {
      if (c->kind != ControlKind::kMultiList)
        return refuse(Format("control %d is not a multi-select list", c->id));
      std::vector<int32_t> rows;
      for (int32_t r : action.items) {
        if (resolve(r, {}) == 0) return refuse(noItem(r, {}));
        rows.push_back(r);
      }
      for (const std::string& t : action.texts) {
        const int32_t r = resolve(0, t);
        if (r == 0) return refuse(noItem(0, t));
        rows.push_back(r);
      }
      Normalise(rows);
      c->selectedRows = std::move(rows);
      event->kind = DialogEventKind::kItemChosen;
      return Applied::kWithEvent;
    }
    case DialogAction::Kind::kClickRow: {
      if (c->kind != ControlKind::kMultiList)
        return refuse(Format("control %d is not a multi-select list", c->id));
      const int32_t row = resolve(action.item, action.text);
      if (row == 0) return refuse(noItem(action.item, action.text));
      // A click flips the row's selection, as in a list box that selects
      // several rows; the handler hears which row it was.
      auto& sel = c->selectedRows;
      const auto at = std::find(sel.begin(), sel.end(), row);
      if (at != sel.end()) sel.erase(at);
      else sel.push_back(row);
      Normalise(sel);
      event->kind = DialogEventKind::kRowClicked;
      event->item = row;
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
    case DialogAction::Kind::kRadio:
      if (c->kind != ControlKind::kRadio)
        return refuse(Format("control %d is not a radio button", c->id));
      // Choosing the button that is checked already is a click all the same.
      SetChecked(rec, *c, true);
      event->kind = DialogEventKind::kToggled;
      return Applied::kWithEvent;
    case DialogAction::Kind::kPress:
      if (c->kind != ControlKind::kButton) return refuse(Format("control %d is not a button", c->id));
      event->kind = DialogEventKind::kPressed;
      return Applied::kWithEvent;
    case DialogAction::Kind::kChooseFile:
    case DialogAction::Kind::kCancelFile:
      break;  // refused above
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
  if (!IsCheckable(*c)) {
    // (A radio button counts as a check box here.)
    dialog->record.problems.push_back(Format("SetCheck: control %d is not a check box", control));
    return;
  }
  SetChecked(dialog->record, *c, checked);
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
  // A multi-select list starts with nothing selected.
  c->selection = c->items.empty() || c->kind == ControlKind::kMultiList ? 0 : 1;
  c->selectedRows.clear();
  c->rowLevels.clear();
  ShowSelection(*c);
}

// A multi-select list answers its first selected row, and selecting one
// row selects only that row.
int32_t ScriptedDialogs::GetSelection(DialogHandle dialog, int32_t control) {
  const ControlState* c = Control(dialog, control, "GetSelection");
  if (c == nullptr || !HasItems(*c)) return 0;
  if (c->kind == ControlKind::kMultiList) return c->selectedRows.empty() ? 0 : c->selectedRows[0];
  return c->selection;
}

void ScriptedDialogs::SetSelection(DialogHandle dialog, int32_t control, int32_t item) {
  ControlState* c = Control(dialog, control, "SetSelection");
  if (c == nullptr || !HasItems(*c)) return;
  // Stored settings may name an item that is not there; it is ignored.
  if (!HasRow(*c, item)) return;
  if (c->kind == ControlKind::kMultiList) {
    c->selectedRows = {item};
    return;
  }
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

std::vector<int32_t> ScriptedDialogs::GetSelectedRows(DialogHandle dialog, int32_t control) {
  const ControlState* c = Control(dialog, control, "GetSelectedRows");
  if (c == nullptr || c->kind != ControlKind::kMultiList) return {};
  return c->selectedRows;
}

void ScriptedDialogs::SetSelectedRows(DialogHandle dialog, int32_t control,
                                      std::span<const int32_t> rows) {
  ControlState* c = Control(dialog, control, "SetSelectedRows");
  if (c == nullptr) return;
  if (c->kind != ControlKind::kMultiList) {
    dialog->record.problems.push_back(
        Format("SetSelectedRows: control %d is not a multi-select list", control));
    return;
  }
  c->selectedRows.clear();
  for (int32_t r : rows)
    if (HasRow(*c, r)) c->selectedRows.push_back(r);
  Normalise(c->selectedRows);
}

// One level per row, or none: a count that does not match the rows is the
// module's mistake, recorded, and the rows stay flat.
void ScriptedDialogs::SetRowLevels(DialogHandle dialog, int32_t control,
                                   std::span<const int32_t> levels) {
  ControlState* c = Control(dialog, control, "SetRowLevels");
  if (c == nullptr) return;
  if (c->kind != ControlKind::kMultiList || levels.size() != c->items.size()) {
    dialog->record.problems.push_back(
        Format("SetRowLevels: control %d is not a multi-select list of %zu rows", control,
               levels.size()));
    return;
  }
  c->rowLevels.assign(levels.begin(), levels.end());
}

void ScriptedDialogs::Draw(DialogHandle dialog, int32_t control, std::vector<DrawStep> picture) {
  ControlState* c = Control(dialog, control, "Draw");
  if (c == nullptr) return;
  if (c->kind != ControlKind::kDrawing) {
    dialog->record.problems.push_back(Format("Draw: control %d is not a drawing area", control));
    return;
  }
  c->picture = std::move(picture);
  // A person sees the new picture at once, not only at the next action.
  if (source_ != nullptr) source_->Show(*dialog->desc, dialog->record);
}

// The file dialog is modal over the running dialog: the next action is its
// answer.  It is kept in the run's record, open while it waits, so that
// what feeds the actions can see what is being asked.
bool ScriptedDialogs::ChooseFile(DialogHandle dialog, const FileDialogRequest& request,
                                 std::string* path) {
  if (std::find(open_.begin(), open_.end(), dialog) == open_.end()) {
    if (!open_.empty())
      open_.back()->record.problems.push_back("ChooseFile: the dialog is not open");
    return false;
  }
  DialogRecord& rec = dialog->record;
  rec.fileDialogs.push_back({request.title, request.filters});
  const size_t index = rec.fileDialogs.size() - 1;
  const auto close = [&](FileDialogRecord::State state, std::string chosen) {
    rec.fileDialogs[index].state = state;
    rec.fileDialogs[index].path = std::move(chosen);
  };
  DialogAction action;
  // A person sees the dialog with its file dialog open over it.
  if (source_ != nullptr) source_->Show(*dialog->desc, rec);
  if (!NextAction(&action)) {
    close(FileDialogRecord::State::kCancelled, {});  // the user walks away
    return false;
  }
  ++rec.actionsTaken;
  if (!action.AnswersFileDialog()) {
    Refuse(*dialog, action, Format("the file dialog \"%s\" is open", request.title.c_str()));
    close(FileDialogRecord::State::kCancelled, {});
    return false;
  }
  if (action.kind == DialogAction::Kind::kCancelFile) {
    close(FileDialogRecord::State::kCancelled, {});
    return false;
  }
  close(FileDialogRecord::State::kChosen, action.text);
  *path = action.text;
  return true;
}

}  // namespace kwt
