#include "browser/browser_dialog.h"

#include <string>
#include <vector>

#include "browser/browser_command.h"
#include "browser/browser_file.h"
#include "browser/browser_info.h"
#include "browser/browser_preview.h"
#include "browser/browser_state.h"
#include "browser/browser_tree.h"
#include "host/dialog.h"
#include "host/host.h"
#include "host/result_codes.h"
#include "patchmaster/recording_trees.h"
#include "resources/dialogs.h"
#include "support/format.h"

namespace kwt {
namespace {

using namespace resources::command_controls;
using namespace resources::browser_controls;

constexpr const char* kFileDialogTitle = "Looking for Pulse Data File";
constexpr const char* kFileFilters = "Pulse/PM Data Files (*.dat)%*.dat%All Files (*.*)%*.*";
constexpr const char* kAlertTitle = "KWT";
constexpr const char* kErrorTitle = "KWT Error";

// The check boxes and the option bits they stand for.
struct OptionBox {
  int32_t control;
  uint32_t bit;
};
constexpr OptionBox kOptionBoxes[] = {
    {kLoadLeak, kBrowseLeak},         {kStimTemplate, kBrowseStimulus},
    {kLoadSecond, kBrowseSecond},     {kOverwrite, kBrowseOverwrite},
    {kPlot, kBrowsePlot},             {kAbsoluteTime, kBrowseAbsoluteTime},
    {kLoadFura, kBrowseFura},         {kLockIn, kBrowseLockIn},
    {kQuiet, kBrowseQuiet},           {kZeroData, kBrowseZeroData},
    {kFastPopups, kBrowseFastPopups},
};

struct ViewControl {
  int32_t control;
  PreviewButton button;
};
constexpr ViewControl kViewControls[] = {
    {kViewUp, PreviewButton::kUp},         {kViewDown, PreviewButton::kDown},
    {kViewGrow, PreviewButton::kGrow},     {kViewShrink, PreviewButton::kShrink},
    {kViewLeft, PreviewButton::kLeft},     {kViewRight, PreviewButton::kRight},
    {kViewWiden, PreviewButton::kWiden},   {kViewNarrow, PreviewButton::kNarrow},
    {kViewReset, PreviewButton::kReset},   {kViewClear, PreviewButton::kClear},
};

// The arrow buttons: the level they move and their direction.
struct Arrow {
  int32_t control;
  BrowserLevel level;
  bool next;
};
constexpr Arrow kArrows[] = {
    {kSeriesPrev, kLevelSeries, false}, {kSeriesNext, kLevelSeries, true},
    {kSweepPrev, kLevelSweep, false},   {kSweepNext, kLevelSweep, true},
    {kTracePrev, kLevelTrace, false},   {kTraceNext, kLevelTrace, true},
};

constexpr int32_t kPopups[] = {kGroupPopup, kSeriesPopup, kSweepPopup, kTracePopup};

class BrowserDialog final : public DialogHandler {
 public:
  explicit BrowserDialog(const DialogDesc& desc) : desc_(desc) {}

  void OnInit(DialogHandle d) override {
    const BrowserSettings s = LoadBrowserSettings();
    for (const OptionBox& box : kOptionBoxes) DialogSetCheck(d, box.control, (s.options & box.bit) != 0);
    DialogSetCheck(d, kStimInclude, (s.options & kBrowseInclude) != 0);
    DialogSetCheck(d, kStimExclude, (s.options & (kBrowseInclude | kBrowseExclude)) == kBrowseExclude);
    DialogSetCheck(d, kStimOff, (s.options & (kBrowseInclude | kBrowseExclude)) == 0);
    DialogSetCheck(d, kOverlay, s.overlay);
    DialogSetText(d, kBaseName, s.baseName);
    DialogSetText(d, kRange, s.range != 0 ? Format("%d", s.range) : std::string());
    Forget(d);
    if (!s.path.empty() && ReadFile(d, s.path)) {
      // The stored entries count only where the file still has them.
      const int32_t entries[] = {s.groupEntry, s.seriesEntry, s.sweepEntry, s.traceEntry};
      BrowserSelection sel;
      int32_t* numbers[] = {&sel.group, &sel.series, &sel.sweep, &sel.trace};
      for (int32_t l = kLevelGroup; l <= kLevelTrace; ++l) {
        const int32_t n = entries[l] - 1;
        if (n < 1 || n > BrowserChildCount(format_, static_cast<BrowserLevel>(l), sel)) break;
        *numbers[l] = n;
      }
      Select(d, sel);
      std::vector<int32_t> rows;
      for (int32_t row : s.stimuliRows)
        if (row <= static_cast<int32_t>(stimuli_.size())) rows.push_back(row);
      DialogSetSelectedRows(d, kStimuliList, rows);
    }
    Rebuild(d);
  }

  void OnEvent(DialogHandle d, const DialogEvent& e) override {
    if (e.kind == DialogEventKind::kPressed) {
      switch (e.control) {
        case kFileButton: ChooseDataFile(d); break;
        case kDoIt: case kToCmdLine: case kToClip: Finish(d, e.control); return;
        case kCancel: DialogEnd(d, kCancel); return;
        default: Pressed(d, e.control); break;
      }
    } else if (e.kind == DialogEventKind::kItemChosen) {
      Chosen(d, e.control);
    } else if (e.kind == DialogEventKind::kToggled && e.control == kFastPopups) {
      SyncPopups(d);
    }
    Rebuild(d);
  }

 private:
  // ---- The file -----------------------------------------------------------

  void ChooseDataFile(DialogHandle d) {
    std::string path;
    if (!DialogChooseFile(d, kFileDialogTitle, kFileFilters, &path)) return;  // cancelled
    int32_t err = HostFromNativePath(&path);
    if (err == 0 && path.size() > static_cast<size_t>(kHostMaxPathLength)) err = kHostErrPathTooLong;
    if (err == 0 && !HasDatExtension(path)) err = kErrNotDatFile;
    if (err != 0) {
      HostErrorAlert(kAlertTitle, err);  // the file read before stays
      return;
    }
    ReadFile(d, path);
  }

  // Reads the file's trees and shows its root; after a failure the dialog
  // holds no file.  True when the file was read.
  bool ReadFile(DialogHandle d, const std::string& path) {
    BrowserFormat format = BrowserFormat::kNone;
    const int32_t code = ReadBrowserTrees(path, &format);
    if (code != 0) {
      // A data file that cannot be opened or is of no known kind has no
      // code of its own; the user still learns that it was not read.
      HostErrorAlert(kAlertTitle, code == kErrNoText ? kErrCannotOpenDat : code);
      Forget(d);
      return false;
    }
    format_ = format;
    path_ = path;
    native_ = path;
    HostToNativePath(&native_);
    DialogSetText(d, kPathField, path_);
    stimuli_ = BrowserStimulusNames(format_);
    DialogSetItems(d, kStimuliList, stimuli_);
    Select(d, BrowserSelection{});
    return true;
  }

  void Forget(DialogHandle d) {
    ReleaseRecordingTrees();
    format_ = BrowserFormat::kNone;
    path_.clear();
    native_.clear();
    stimuli_.clear();
    DialogSetText(d, kPathField, "");
    DialogSetItems(d, kStimuliList, stimuli_);
    Select(d, BrowserSelection{});
  }

  // ---- Selection ------------------------------------------------------------

  void Chosen(DialogHandle d, int32_t control) {
    BrowserSelection sel = sel_;
    const int32_t n = DialogGetSelection(d, control) - 1;
    switch (control) {
      case kGroupPopup: sel = {n > 0 ? n : 0, 0, 0, 0}; break;
      case kSeriesPopup: sel = {sel.group, n > 0 ? n : 0, 0, 0}; break;
      case kSweepPopup: sel = {sel.group, sel.series, n > 0 ? n : 0, 0}; break;
      case kTracePopup: sel.trace = n > 0 ? n : 0; break;
      default: return;  // the Stimuli list only changes the command
    }
    Select(d, sel);
  }

  void Pressed(DialogHandle d, int32_t control) {
    for (const Arrow& a : kArrows) {
      if (a.control != control) continue;
      BrowserSelection sel = sel_;
      if (MoveBrowserSelection(format_, a.level, a.next, &sel)) Select(d, sel);
      return;
    }
    for (const ViewControl& v : kViewControls) {
      if (v.control != control) continue;
      ChangePreviewView(&view_, v.button);
      // A view button shows the current selection alone; Clear shows none.
      list_.clear();
      if (v.button != PreviewButton::kClear && sel_.sweep > 0) list_.push_back(Current());
      DrawPreview(d);
      return;
    }
  }

  // The trace the preview shows for the selection: a PatchMaster sweep
  // with "_all_" traces shows its first trace.
  PreviewEntry Current() const {
    const bool pm = format_ == BrowserFormat::kPatchMaster;
    return {sel_.group, sel_.series, sel_.sweep, pm ? (sel_.trace > 0 ? sel_.trace : 1) : 0};
  }

  // Makes `sel` the selection: the popups, the panes and the preview follow.
  void Select(DialogHandle d, const BrowserSelection& sel) {
    const BrowserSelection before = sel_;
    sel_ = sel;
    SyncPopups(d);
    const BrowserPaneTexts texts = BrowserInformation(format_, sel_);
    DialogSetText(d, kLeftTitle, texts.leftTitle);
    DialogSetText(d, kLeftText, texts.leftText);
    DialogSetText(d, kRightTitle, texts.rightTitle);
    DialogSetText(d, kRightText, texts.rightText);
    if (sel_.series == 0) {
      list_.clear();  // root or group information: grid and zero line only
    } else if (sel_.sweep > 0 && (sel_ != before || list_.empty())) {
      ShowInPreview(&list_, Current(), DialogGetCheck(d, kOverlay));
    }
    DrawPreview(d);
  }

  void SyncPopups(DialogHandle d) {
    const bool fast = DialogGetCheck(d, kFastPopups);
    const int32_t numbers[] = {sel_.group, sel_.series, sel_.sweep, sel_.trace};
    for (int32_t l = kLevelGroup; l <= kLevelTrace; ++l) {
      const auto items = BrowserPopupItems(format_, static_cast<BrowserLevel>(l), sel_, fast);
      DialogSetItems(d, kPopups[l], items);
      DialogSetSelection(d, kPopups[l], numbers[l] + 1);
    }
  }

  void DrawPreview(DialogHandle d) {
    int32_t width = 0, height = 0;
    if (!DialogDrawingSize(desc_, kPreview, &width, &height)) return;
    PreviewSource src;
    src.format = format_;
    src.nativePath = native_;
    src.secondTrace = DialogGetCheck(d, kLoadSecond);
    src.lockIn = DialogGetCheck(d, kLockIn);
    src.zeroData = DialogGetCheck(d, kZeroData);
    DialogDraw(d, kPreview, BuildPreviewPicture(src, list_, view_, width, height));
  }

  // ---- Command ----------------------------------------------------------------

  uint32_t Options(DialogHandle d) const {
    uint32_t options = 0;
    for (const OptionBox& box : kOptionBoxes)
      if (DialogGetCheck(d, box.control)) options |= box.bit;
    if (DialogGetCheck(d, kStimInclude)) options |= kBrowseInclude;
    else if (DialogGetCheck(d, kStimExclude)) options |= kBrowseExclude;
    return options;
  }

  BrowserCommand Command(DialogHandle d) const {
    BrowserChoices c;
    c.format = format_;
    c.path = path_;
    c.options = Options(d);
    c.sel = sel_;
    c.range = DialogGetText(d, kRange);
    c.baseName = DialogGetText(d, kBaseName);
    c.phaseShift = DialogGetText(d, kPhaseShift);
    c.vReversal = DialogGetText(d, kVReversal);
    for (int32_t row : DialogGetSelectedRows(d, kStimuliList))
      if (row >= 1 && row <= static_cast<int32_t>(stimuli_.size()))
        c.stimuli.push_back(stimuli_[static_cast<size_t>(row - 1)]);
    BrowserCommand out;
    BuildBrowserCommand(c, &out);
    return out;
  }

  void Rebuild(DialogHandle d) {
    DialogSetText(d, kCommandField, Command(d).text);
    const bool pulse = format_ == BrowserFormat::kPulse;
    const bool pm = format_ == BrowserFormat::kPatchMaster;
    for (int32_t control : {kLoadLeak, kLoadSecond, kLoadFura}) DialogEnable(d, control, pulse);
    for (int32_t control : {kTracePopup, kZeroData}) DialogEnable(d, control, pm);
    for (const Arrow& a : kArrows) {
      BrowserSelection sel = sel_;
      DialogEnable(d, a.control, MoveBrowserSelection(format_, a.level, a.next, &sel));
    }
  }

  void Finish(DialogHandle d, int32_t button) {
    const BrowserCommand command = Command(d);
    if (button == kDoIt && command.text == kCommandTooLong) {
      // The text is no command: say so and let the user shorten it.
      HostAlert(kErrorTitle, command.text);
      return;
    }
    if (command.filters) HostSetStringVariable(kStimStringName, command.stimString, true);
    HostFinishDialogCommand(command.text, FinishChoice(button));
    ReleaseRecordingTrees();
    SaveBrowserSettings(Settings(d));
    DialogEnd(d, button);
  }

  BrowserSettings Settings(DialogHandle d) const {
    BrowserSettings s;
    s.options = Options(d);
    s.baseName = DialogGetText(d, kBaseName);
    s.path = path_;
    s.groupEntry = sel_.group + 1;
    s.seriesEntry = sel_.series + 1;
    s.sweepEntry = sel_.sweep + 1;
    s.traceEntry = sel_.trace + 1;
    double range = 0;
    if (ParseFieldNumber(DialogGetText(d, kRange), &range) && range >= -2147483647.0 &&
        range <= 2147483647.0)
      s.range = static_cast<int32_t>(range);
    s.overlay = DialogGetCheck(d, kOverlay);
    s.stimuliRows = DialogGetSelectedRows(d, kStimuliList);
    return s;
  }

  const DialogDesc& desc_;
  BrowserFormat format_ = BrowserFormat::kNone;
  std::string path_;    // the chosen data file, host form
  std::string native_;  // the same, native form
  BrowserSelection sel_;
  PreviewView view_;
  std::vector<PreviewEntry> list_;  // newest first
  std::vector<std::string> stimuli_;
};

}  // namespace

int32_t OpenBrowserDialog() {
  const DialogDesc* desc = resources::FindDialog(resources::kBrowserDialogId);
  if (desc == nullptr) return kHostErrNoSuchDialog;
  // Whatever way the dialog ends, the trees it read go.
  const RecordingTreesRelease release;
  BrowserDialog handler(*desc);
  int32_t result = kDialogAbandoned;
  if (int32_t err = DialogRun(*desc, handler, &result)) return err;
  return result == kDoIt || result == kToCmdLine || result == kToClip ? 0 : kErrNoText;
}

}  // namespace kwt
