// The dialog service: the module's modal dialogs, described as data and run
// by the host.
//
// A dialog is a DialogDesc (id, title, size and controls in dialog units;
// the module's tables are in resources/dialogs.h).  The module runs it with
// DialogRun and an event handler; while it runs, the handler reads and
// changes the controls through the free functions below and ends the run
// with DialogEnd.  The host draws the controls from the description (a
// scripted driver in the workbench, a browser page later) and turns what the
// user does into events for the handler.
//
// What else a dialog needs comes through the host services of host.h:
// message boxes (HostAlert, HostAskYesNo, which go through the host's
// interaction policy and its event log), the beep (HostBeep) and the stored
// settings (HostGetPrefs, HostSavePrefs).
//
// No exception crosses this seam.  The forwarding functions catch what the
// host throws; DialogRun wraps the module's handler so that an exception in
// it ends the dialog with a result code instead of reaching the host.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kwt {

// An open dialog, owned by the host; valid while its run lasts.
struct HostDialog;
using DialogHandle = HostDialog*;

enum class ControlKind : uint8_t {
  kButton,    // a push button; pressing it is an event
  kLabel,     // static text
  kEdit,      // a one-line text field
  kPopup,     // a drop-down list of items, one selected (1-based)
  kCheckBox,  // toggles itself when clicked, then reports the click
  kGroup,     // a frame with a caption around other controls
  kPicture,   // a bitmap resource
  kList,      // a list box of items, one selected (1-based)
  kMultiList, // a list box of rows, any number of them selected (DialogGetSelectedRows)
  kRadio,     // a radio button: choosing it unchecks the other buttons of its group
  kDrawing,   // an area the module draws pictures into (DialogDraw)
};

// Control flags.
inline constexpr uint32_t kControlDefault = 1u << 0;   // the button Enter presses
inline constexpr uint32_t kControlReadOnly = 1u << 1;  // an edit field the user cannot type in
// An edit field of several lines; its text ends its lines with "\r".
inline constexpr uint32_t kControlMultiLine = 1u << 2;

// One control of a dialog.  Positions and sizes are in dialog units.
struct ControlDesc {
  int32_t id = 0;
  ControlKind kind = ControlKind::kLabel;
  std::string text;    // caption, label or the initial text of an edit field
  int16_t x = 0, y = 0, width = 0, height = 0;
  uint32_t flags = 0;
  // A stable name for front ends that fill fields by name ("total-ion"),
  // with the unit of the value it holds; both empty when not a field.
  std::string name;
  std::string unit;
  // kRadio: the group the button belongs to.  Buttons of one dialog with
  // the same group number exclude each other; at most one is checked.
  int32_t group = 0;
};

struct DialogDesc {
  int32_t id = 0;
  std::string title;
  int16_t width = 0, height = 0;
  std::vector<ControlDesc> controls;

  // The control with that id, or null.
  const ControlDesc* Find(int32_t controlId) const;
};

// What the user did.  The control has already changed when the handler
// hears of it (text typed, item chosen, check box toggled).
enum class DialogEventKind : uint8_t {
  kPressed,       // a button
  kTextChanged,   // an edit field's text
  kItemChosen,    // a popup or list item (DialogGetSelection tells which), or
                  // a new selection of a multi-select list (DialogGetSelectedRows)
  kToggled,       // a check box (DialogGetCheck tells the new state), or a
                  // radio button that was chosen (it is checked now)
  kRowClicked,    // a row of a multi-select list was clicked: the row is
                  // event.item, and its selection has already been flipped
};

struct DialogEvent {
  DialogEventKind kind = DialogEventKind::kPressed;
  int32_t control = 0;
  int32_t item = 0;  // kRowClicked: the row, from 1; 0 for the other kinds
};

// One entry of a file-open dialog's filter list: what the user reads and
// the patterns it stands for ("*.tree", or several joined by ";").
struct FileFilter {
  std::string description;
  std::string pattern;

  bool operator==(const FileFilter&) const = default;
};

// What a file-open dialog shows.
struct FileDialogRequest {
  std::string title;
  std::vector<FileFilter> filters;
};

// ---- Drawing areas --------------------------------------------------------

// Pixels per dialog unit of a drawing area, the same in every host, so that
// a picture looks the same wherever it is shown.
inline constexpr double kDrawingPixelsPerUnit = 1.75;

struct DrawColour {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const DrawColour&) const = default;
};

// One step of a picture, in the area's pixels (0, 0 at its top left).
// Steps draw in order: a clip holds for the steps after it, a pen for the
// lines after it (a black solid pen at first).
struct DrawStep {
  enum class Kind : uint8_t {
    kClip,      // values: left, top, width, height
    kFill,      // values: left, top, width, height; in `colour`
    kPen,       // `colour`, `dotted`
    kPolyline,  // values: x0, y0, x1, y1, ...
  };
  Kind kind = Kind::kPolyline;
  DrawColour colour;
  bool dotted = false;
  std::vector<float> values;
  bool operator==(const DrawStep&) const = default;
};

// The module's side of a running dialog.
class DialogHandler {
 public:
  virtual ~DialogHandler() = default;
  // Once, before the first event: fill popups, restore settings.
  virtual void OnInit(DialogHandle dialog) = 0;
  virtual void OnEvent(DialogHandle dialog, const DialogEvent& event) = 0;
};

// The result of a run that the host ended without the handler asking (the
// window was closed by the host, or a script ran out of events).
inline constexpr int32_t kDialogAbandoned = -1;

// The host's side.  The workbench implements it; methods may throw.  A
// method given a control id that the dialog lacks does nothing (getters
// answer empty values); hosts may note such misuse for tests.
class DialogServices {
 public:
  virtual ~DialogServices() = default;

  // Shows the dialog and feeds the user's actions to the handler until the
  // handler calls End or the host abandons the run.  *result is the value
  // given to End, or kDialogAbandoned.  Returns 0 or a host error code.
  virtual int32_t RunModal(const DialogDesc& desc, DialogHandler& handler, int32_t* result) = 0;
  virtual void End(DialogHandle dialog, int32_t result) = 0;

  virtual std::string GetText(DialogHandle dialog, int32_t control) = 0;
  virtual void SetText(DialogHandle dialog, int32_t control, std::string_view text) = 0;
  virtual bool GetCheck(DialogHandle dialog, int32_t control) = 0;
  virtual void SetCheck(DialogHandle dialog, int32_t control, bool checked) = 0;
  virtual void SetItems(DialogHandle dialog, int32_t control,
                        std::span<const std::string> items) = 0;
  virtual int32_t GetSelection(DialogHandle dialog, int32_t control) = 0;
  virtual void SetSelection(DialogHandle dialog, int32_t control, int32_t item) = 0;
  virtual void Enable(DialogHandle dialog, int32_t control, bool enabled) = 0;
  virtual void SetFocus(DialogHandle dialog, int32_t control, bool selectAll) = 0;

  // Multi-select lists: the selected rows (from 1, rising), and replacing
  // them.  SetItems on such a list clears its selection.
  virtual std::vector<int32_t> GetSelectedRows(DialogHandle dialog, int32_t control) = 0;
  virtual void SetSelectedRows(DialogHandle dialog, int32_t control,
                               std::span<const int32_t> rows) = 0;
  // Multi-select lists that show a tree: the depth of each row (0 at the
  // top), for hosts that indent the rows.  SetItems clears them.
  virtual void SetRowLevels(DialogHandle dialog, int32_t control,
                            std::span<const int32_t> levels) = 0;

  // Shows the file-open dialog over `dialog` and waits for the user.  True
  // with *path (a native path) when a file was chosen; false when the user
  // cancelled.
  virtual bool ChooseFile(DialogHandle dialog, const FileDialogRequest& request,
                          std::string* path) = 0;

  // Drawing areas: the picture replaces what the area showed.
  virtual void Draw(DialogHandle dialog, int32_t control, std::vector<DrawStep> picture) = 0;
};

// The host registers its implementation once it can run dialogs, and
// registers null before it goes away.  The module does not own it.
void HostRegisterDialogServices(DialogServices* services);

// ---- What the module calls ------------------------------------------------

// Runs `desc` modally with `handler`.  Returns 0 with *result set to the
// value the handler passed to DialogEnd or kDialogAbandoned; when the
// handler raised an exception, the run ended there and the return is 1
// (memory) or -1 (anything else); kHostErrNoSuchDialog when no host runs
// dialogs; otherwise the host's error code.
int32_t DialogRun(const DialogDesc& desc, DialogHandler& handler, int32_t* result);
// Ends the run once the current event has been handled.
void DialogEnd(DialogHandle dialog, int32_t result);

// The text of an edit field, label, button or group caption.
std::string DialogGetText(DialogHandle dialog, int32_t control);
void DialogSetText(DialogHandle dialog, int32_t control, std::string_view text);
bool DialogGetCheck(DialogHandle dialog, int32_t control);
void DialogSetCheck(DialogHandle dialog, int32_t control, bool checked);
// Replaces the items of a popup or list; the selection becomes item 1 (0
// when there are none).
void DialogSetItems(DialogHandle dialog, int32_t control, std::span<const std::string> items);
// The selected item of a popup or list, from 1; 0 when none.
int32_t DialogGetSelection(DialogHandle dialog, int32_t control);
// Selects item `item` (from 1); a number outside the items is ignored.
void DialogSetSelection(DialogHandle dialog, int32_t control, int32_t item);
void DialogEnable(DialogHandle dialog, int32_t control, bool enabled);
// Moves the focus to the control; selectAll selects its whole text.
void DialogSetFocus(DialogHandle dialog, int32_t control, bool selectAll);

// The selected rows of a multi-select list, from 1 and rising; empty when
// none is selected (or the control is no such list).
std::vector<int32_t> DialogGetSelectedRows(DialogHandle dialog, int32_t control);
// Selects exactly `rows` (from 1); numbers outside the rows are ignored.
void DialogSetSelectedRows(DialogHandle dialog, int32_t control, std::span<const int32_t> rows);
// Gives the rows of a multi-select list their depth in a tree (0 at the
// top, one number per row), after DialogSetItems; the host may indent by it.
void DialogSetRowLevels(DialogHandle dialog, int32_t control, std::span<const int32_t> levels);

// The size in pixels of drawing area `control` (kDrawingPixelsPerUnit per
// dialog unit, rounded).  False, with 0 x 0, for any other control.
bool DialogDrawingSize(const DialogDesc& desc, int32_t control, int32_t* width, int32_t* height);
// Shows `picture` in drawing area `control`, in place of what it showed.
void DialogDraw(DialogHandle dialog, int32_t control, std::vector<DrawStep> picture);

// A filter list in the form the module's resources write it: fields
// separated by "%", alternately a description and its pattern
// ("Data Files (*.tree)%*.tree%All Files (*.*)%*.*").  Empty fields at the
// end are ignored, and so is a last description without a pattern.
std::vector<FileFilter> ParseFileFilters(std::string_view text);

// Shows the file-open dialog titled `title` with the filters of `filters`
// (the "%" form above) over the running dialog.  True with *path, the
// chosen file's native path; false when the user cancelled, and also when
// no host can show the dialog.
bool DialogChooseFile(DialogHandle dialog, std::string_view title, std::string_view filters,
                      std::string* path);

}  // namespace kwt
