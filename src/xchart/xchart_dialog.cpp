#include "xchart/xchart_dialog.h"

#include <string>
#include <vector>

#include "host/dialog.h"
#include "host/host.h"
#include "resources/dialogs.h"
#include "support/format.h"
#include "support/paths.h"
#include "xchart/xchart_dialog_text.h"

namespace kwt {
namespace {

using namespace resources::command_controls;

constexpr int32_t kFileButton = 7;
constexpr int32_t kPathField = 8;
constexpr int32_t kBaseName = 11;
constexpr int32_t kSuffix = 13;
constexpr int32_t kAllTraces = 14;
constexpr int32_t kPlot = 15;
constexpr int32_t kHeadline = 16;
constexpr int32_t kLegend = 17;
constexpr int32_t kControlPanel = 18;
constexpr int32_t kOverwrite = 19;
constexpr int32_t kQuiet = 20;
constexpr int32_t kInformation = 24;
constexpr int32_t kGroupList = 25;

constexpr const char* kFileDialogTitle = "Looking for X-Chart Tree File";
constexpr const char* kFileFilters = "Pulse Data Files (*.tree)%*.tree%All Files (*.*)%*.*";
constexpr const char* kErrorTitle = "KWT Error";

// True when the first three characters of the file's extension are "TRE"
// in any case: only such a file is read for its groups.
bool IsTreeFile(const std::string& path) {
  const std::string_view file = PathFileName(path);
  const size_t dot = file.rfind('.');
  if (dot == std::string_view::npos || file.size() - dot - 1 < 3) return false;
  const std::string_view ext = file.substr(dot + 1, 3);
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  return upper(ext[0]) == 'T' && upper(ext[1]) == 'R' && upper(ext[2]) == 'E';
}

class XChartDialog final : public DialogHandler {
 public:
  void OnInit(DialogHandle d) override {
    DialogSetText(d, kPathField, "");
    DialogSetCheck(d, kPlot, true);
    DialogSetCheck(d, kOverwrite, true);
    DialogSetCheck(d, kAllTraces, false);
    DialogSetCheck(d, kQuiet, false);
    const std::string one[] = {"1"};
    DialogSetItems(d, kGroupList, one);
    DialogSetFocus(d, kBaseName, false);
    Rebuild(d);
  }

  void OnEvent(DialogHandle d, const DialogEvent& e) override {
    if (e.kind == DialogEventKind::kPressed) {
      switch (e.control) {
        case kFileButton: ChooseFile(d); break;
        case kDoIt: case kToCmdLine: case kToClip: Finish(d, e.control); return;
        case kCancel: DialogEnd(d, kCancel); return;
        default: break;
      }
    } else if (e.kind == DialogEventKind::kItemChosen && e.control == kGroupList) {
      ShowInformation(d);
    }
    Rebuild(d);
  }

 private:
  void ChooseFile(DialogHandle d) {
    std::string path;
    if (!DialogChooseFile(d, kFileDialogTitle, kFileFilters, &path)) return;  // cancelled
    int32_t err = HostFromNativePath(&path);
    // The dialog keeps paths of at most 259 characters, as every path the
    // module forms.
    if (err == 0 && path.size() > static_cast<size_t>(kHostMaxPathLength)) err = kHostErrPathTooLong;
    if (err != 0) {
      HostErrorAlert(kErrorTitle, err);
      return;
    }
    path_ = std::move(path);
    if (IsTreeFile(path_)) {
      // The list offers every group the file holds, at least "1" (a file
      // that cannot be read leaves that, and the load says why).
      const int32_t groups = XChartDialogGroups(path_);
      std::vector<std::string> items{"1"};
      for (int32_t g = 2; g <= groups; ++g) items.push_back(Format("%d", g));
      DialogSetItems(d, kGroupList, items);
    }
    DialogSetText(d, kPathField, path_);
    ShowInformation(d);
  }

  int32_t Group(DialogHandle d) const {
    const int32_t item = DialogGetSelection(d, kGroupList);
    return item >= 1 ? item : 1;
  }

  void ShowInformation(DialogHandle d) {
    DialogSetText(d, kInformation, path_.empty() ? std::string() : XChartGroupInformation(path_, Group(d)));
  }

  std::string Command(DialogHandle d) const {
    XChartDialogChoices c;
    c.path = path_;
    c.group = Group(d);
    c.baseName = DialogGetText(d, kBaseName);
    c.suffix = DialogGetText(d, kSuffix);
    c.allTraces = DialogGetCheck(d, kAllTraces);
    c.plot = DialogGetCheck(d, kPlot);
    c.headline = DialogGetCheck(d, kHeadline);
    c.legend = DialogGetCheck(d, kLegend);
    c.controlPanel = DialogGetCheck(d, kControlPanel);
    c.overwrite = DialogGetCheck(d, kOverwrite);
    c.quiet = DialogGetCheck(d, kQuiet);
    return XChartDialogCommand(c);
  }

  // Without a file there is no command, and nothing to run, place or copy.
  void Rebuild(DialogHandle d) {
    const std::string command = Command(d);
    DialogSetText(d, kCommandField, command);
    for (int32_t button : {kDoIt, kToCmdLine, kToClip}) DialogEnable(d, button, !command.empty());
  }

  void Finish(DialogHandle d, int32_t button) {
    const std::string command = Command(d);
    if (command.empty()) {
      HostBeep();
      return;
    }
    HostFinishDialogCommand(command, FinishChoice(button));
    DialogEnd(d, button);
  }

  std::string path_;  // the chosen file, in the host's form
};

}  // namespace

int32_t OpenXChartDialog() {
  const DialogDesc* desc = resources::FindDialog(resources::kXChartDialogId);
  if (desc == nullptr) return kHostErrNoSuchDialog;
  XChartDialog handler;
  int32_t result = kDialogAbandoned;
  if (int32_t err = DialogRun(*desc, handler, &result)) return err;
  return result == kDoIt || result == kToCmdLine || result == kToClip ? 0 : kErrNoText;
}

}  // namespace kwt
