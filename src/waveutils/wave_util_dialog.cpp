#include "waveutils/wave_util_dialog.h"

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "host/dialog.h"
#include "host/host.h"
#include "resources/dialogs.h"
#include "support/format.h"
#include "waveutils/wave_dialog_command.h"
#include "waveutils/wave_dialog_prefs.h"
#include "waveutils/wave_dialog_tree.h"
#include "waveutils/wave_paths.h"

namespace kwt {
namespace {

using namespace resources::command_controls;

// Controls of every role besides the command controls.
constexpr int32_t kInputList = 8;
constexpr int32_t kFromTarget = 9;
constexpr int32_t kSecondList = 13;
// AutoStats and Plot Waves.
constexpr int32_t kCreateTable = 10;
constexpr int32_t kCreateGraph = 11;

namespace stats {
constexpr int32_t kScaleWaves = 14;
constexpr int32_t kAppend = 15;
constexpr int32_t kWaveStatsMode = 16;
constexpr int32_t kMinMax = 17;
constexpr int32_t kBaseName = 19;
}  // namespace stats

namespace plot {
constexpr int32_t kUseColor = 15;
constexpr int32_t kOverlay = 16;
constexpr int32_t kBaseLine = 17;
constexpr int32_t kZeroLine = 18;
constexpr int32_t kZeroLevel = 20;
constexpr int32_t kExtrema[] = {23, 24, 25};  // global, individual, manual
constexpr int32_t kMinimum = 28;
constexpr int32_t kMaximum = 29;
}  // namespace plot

namespace slim {
constexpr int32_t kModes[] = {15, 16, 17};  // use every, average, reference
constexpr int32_t kUseEveryFactor = 20;
constexpr int32_t kAverageFactor = 21;
constexpr int32_t kSuffix = 23;
}  // namespace slim

// A check box, the stored setting it shows and the choice it makes for
// the command.
template <class Settings>
struct CheckSetting {
  int32_t control;
  bool Settings::*setting;
  bool WaveDialogChoices::*choice;
};

using Stats = AutoStatsSettings;
using Choices = WaveDialogChoices;
constexpr CheckSetting<Stats> kStatsChecks[] = {
    {kCreateTable, &Stats::table, &Choices::table},
    {kCreateGraph, &Stats::graph, &Choices::graph},
    {stats::kScaleWaves, &Stats::scale, &Choices::scale},
    {stats::kAppend, &Stats::append, &Choices::append},
    {stats::kWaveStatsMode, &Stats::perWave, &Choices::perWave},
    {stats::kMinMax, &Stats::minMax, &Choices::minMax},
};

using Plot = PlotWavesSettings;
constexpr CheckSetting<Plot> kPlotChecks[] = {
    {kCreateTable, &Plot::table, &Choices::table},
    {kCreateGraph, &Plot::graph, &Choices::graph},
    {plot::kUseColor, &Plot::colours, &Choices::colours},
    {plot::kZeroLine, &Plot::zeroLine, &Choices::zeroLine},
    {plot::kBaseLine, &Plot::baseLine, &Choices::baseLine},
    {plot::kOverlay, &Plot::overlay, &Choices::overlay},
};

template <class Settings, size_t N>
void ShowChecks(DialogHandle d, const CheckSetting<Settings> (&checks)[N], const Settings& s) {
  for (const CheckSetting<Settings>& c : checks) DialogSetCheck(d, c.control, s.*c.setting);
}

template <class Settings, size_t N>
void TakeChecks(DialogHandle d, const CheckSetting<Settings> (&checks)[N], Settings* s) {
  for (const CheckSetting<Settings>& c : checks) s->*c.setting = DialogGetCheck(d, c.control);
}

template <class Settings, size_t N>
void ChooseChecks(DialogHandle d, const CheckSetting<Settings> (&checks)[N], Choices* choices) {
  for (const CheckSetting<Settings>& c : checks) choices->*c.choice = DialogGetCheck(d, c.control);
}

constexpr const char* kErrorTitle = "KWT Error";

// The radio button of a group that is checked, from 1; 0 when none is.
int32_t CheckedRadio(DialogHandle d, const int32_t (&group)[3]) {
  for (int32_t i = 0; i < 3; ++i)
    if (DialogGetCheck(d, group[i])) return i + 1;
  return 0;
}

// A stored number as a field shows it: the shortest text that reads back
// as the same double, so that reopening the dialog does not round a typed
// limit.
std::string NumberText(double value) {
  for (int digits = 6; digits < 17; ++digits) {
    std::string text = Format("%.*g", digits, value);
    if (std::strtod(text.c_str(), nullptr) == value) return text;
  }
  return Format("%.17g", value);
}

// A wave's folder path and name, unquoted.  The dialog refuses a list item
// that would be too long to travel, so no limit applies here.
std::string FullPath(WaveHandle wave) {
  std::string folder;
  if (WaveFolderPath(wave, &folder) != 0) return HostWaveName(wave);
  return folder + HostWaveName(wave);
}

class WaveUtilDialog final : public DialogHandler {
 public:
  WaveUtilDialog(WaveDialogRole role, WaveTree tree, bool haveTarget,
                 std::vector<std::string> targetNames)
      : role_(role),
        tree_(std::move(tree)),
        haveTarget_(haveTarget),
        targetNames_(std::move(targetNames)),
        selected_(tree_.entries(), 0) {}

  void OnInit(DialogHandle d) override {
    DialogSetCheck(d, kFromTarget, haveTarget_);
    Restore(d);
    FillInputList(d);
    std::vector<std::string> second{role_ == WaveDialogRole::kSlimWaves ? "\t_none_"
                                                                        : "\t_calculated_"};
    for (WaveHandle w : tree_.waves()) second.push_back("\t" + HostWaveName(w));
    DialogSetItems(d, kSecondList, second);
    DialogSetSelection(d, kSecondList, 1);
    DialogSetFocus(d, kInputList, false);
    ApplyRules(d);
    Rebuild(d);
  }

  void OnEvent(DialogHandle d, const DialogEvent& e) override {
    switch (e.kind) {
      case DialogEventKind::kPressed:
        if (e.control == kCancel) DialogEnd(d, kCancel);
        else if (e.control == kDoIt || e.control == kToCmdLine || e.control == kToClip)
          Finish(d, e.control);
        return;
      case DialogEventKind::kRowClicked:
        if (e.control != kInputList) break;
        ReadSelection(d);
        // A folder row is no input: a click on it opens or closes the
        // folder, and the rows below it change.
        if (e.item >= 1 && static_cast<size_t>(e.item) <= rows_.size() &&
            tree_.IsFolder(rows_[static_cast<size_t>(e.item - 1)])) {
          tree_.Toggle(rows_[static_cast<size_t>(e.item - 1)]);
          FillInputList(d);
        }
        break;
      case DialogEventKind::kItemChosen:
        if (e.control == kInputList) {
          ReadSelection(d);
          ShowSelection(d);  // folder rows do not stay selected
        }
        break;
      case DialogEventKind::kToggled:
        if (e.control == kFromTarget) FillInputList(d);
        ApplyRules(d);
        break;
      case DialogEventKind::kTextChanged:
        break;
    }
    Rebuild(d);
  }

 private:
  // ---- The input list ----

  // Fills the list from the tree or the target window and selects again
  // the waves that were selected and are still shown.
  void FillInputList(DialogHandle d) {
    const bool fromTarget = DialogGetCheck(d, kFromTarget);
    rows_ = fromTarget ? tree_.TargetRows(targetNames_) : tree_.TreeRows();
    std::vector<std::string> items;
    std::vector<int32_t> levels;
    items.reserve(rows_.size());
    for (size_t entry : rows_) {
      items.push_back(tree_.RowText(entry));
      // The target's waves stand without their folders, so flat.
      levels.push_back(fromTarget ? 0 : tree_.Depth(entry));
    }
    DialogSetItems(d, kInputList, items);
    DialogSetRowLevels(d, kInputList, levels);
    std::vector<char> still(selected_.size(), 0);
    for (size_t entry : rows_) still[entry] = selected_[entry];
    selected_ = std::move(still);
    ShowSelection(d);
  }

  // The waves of the selected rows; a selected folder row counts for
  // nothing.
  void ReadSelection(DialogHandle d) {
    selected_.assign(tree_.entries(), 0);
    for (int32_t row : DialogGetSelectedRows(d, kInputList)) {
      if (row < 1 || static_cast<size_t>(row) > rows_.size()) continue;
      const size_t entry = rows_[static_cast<size_t>(row - 1)];
      if (!tree_.IsFolder(entry)) selected_[entry] = 1;
    }
  }

  void ShowSelection(DialogHandle d) {
    std::vector<int32_t> rows;
    for (size_t r = 0; r < rows_.size(); ++r)
      if (selected_[rows_[r]]) rows.push_back(static_cast<int32_t>(r + 1));
    DialogSetSelectedRows(d, kInputList, rows);
  }

  // ---- The command ----

  WaveDialogChoices Collect(DialogHandle d) const {
    WaveDialogChoices c;
    c.role = role_;
    const auto text = [&](int32_t id) { return DialogGetText(d, id); };
    switch (role_) {
      case WaveDialogRole::kAutoStats:
        ChooseChecks(d, kStatsChecks, &c);
        c.baseName = text(stats::kBaseName);
        break;
      case WaveDialogRole::kPlotWaves: {
        ChooseChecks(d, kPlotChecks, &c);
        using Extrema = WaveDialogChoices::Extrema;
        const int32_t extrema = CheckedRadio(d, plot::kExtrema);
        c.extrema = extrema == 2 ? Extrema::kIndividual
                    : extrema == 3 ? Extrema::kManual
                                   : Extrema::kGlobal;
        c.minimum = text(plot::kMinimum);
        c.maximum = text(plot::kMaximum);
        c.zeroLevel = text(plot::kZeroLevel);
        break;
      }
      case WaveDialogRole::kSlimWaves: {
        using Slim = WaveDialogChoices::Slim;
        const int32_t mode = CheckedRadio(d, slim::kModes);
        c.slim = mode == 1 ? Slim::kUseEvery : mode == 3 ? Slim::kReference : Slim::kAverage;
        c.useEvery = text(slim::kUseEveryFactor);
        c.average = text(slim::kAverageFactor);
        c.suffix = text(slim::kSuffix);
        break;
      }
    }
    // The second list's first entry stands for no wave.
    const int32_t second = DialogGetSelection(d, kSecondList);
    if (second >= 2 && static_cast<size_t>(second - 1) <= tree_.waves().size())
      c.secondWave = FullPath(tree_.waves()[static_cast<size_t>(second - 2)]);
    for (size_t entry : rows_)
      if (selected_[entry]) c.inputWaves.push_back(FullPath(tree_.Wave(entry)));
    return c;
  }

  // Shows the command, offers the three commands only when it may run and
  // hands the wave list to "cmdString".
  void Rebuild(DialogHandle d) {
    const WaveDialogCommand command = BuildWaveDialogCommand(Collect(d));
    DialogSetText(d, kCommandField, command.shown);
    for (int32_t button : {kDoIt, kToCmdLine, kToClip}) DialogEnable(d, button, command.valid);
    HostSetStringVariable(kCmdStringName, command.waveList, false);
  }

  // Plot Waves: base and zero lines mean nothing for overlaid traces each on
  // its own scale.  Slim Waves: the reference list serves only its mode.
  void ApplyRules(DialogHandle d) {
    if (role_ == WaveDialogRole::kPlotWaves) {
      const bool off = DialogGetCheck(d, plot::kOverlay) && CheckedRadio(d, plot::kExtrema) == 2;
      for (int32_t id : {plot::kBaseLine, plot::kZeroLine}) {
        if (off) DialogSetCheck(d, id, false);
        DialogEnable(d, id, !off);
      }
    } else if (role_ == WaveDialogRole::kSlimWaves) {
      DialogEnable(d, kSecondList, CheckedRadio(d, slim::kModes) == 3);
    }
  }

  void Finish(DialogHandle d, int32_t button) {
    const WaveDialogCommand command = BuildWaveDialogCommand(Collect(d));
    // The three buttons are disabled while the command may not run; a host
    // that delivers a press anyway gets the beep and nothing else.
    if (!command.valid) {
      HostBeep();
      return;
    }
    HostSetStringVariable(kCmdStringName, command.waveList, false);
    HostFinishDialogCommand(WaveListCommand(command.shown), FinishChoice(button));
    SaveSettings(d);
    DialogEnd(d, button);
  }

  // ---- Stored settings ----

  void Restore(DialogHandle d) {
    const DialogSettingsRecord record = DialogSettingsRecord::Load();
    switch (role_) {
      case WaveDialogRole::kAutoStats: {
        AutoStatsSettings s;
        s.baseName = "swave";
        record.Read(&s);
        // Nothing can be appended to a window that is not there.
        s.append = s.append && haveTarget_;
        ShowChecks(d, kStatsChecks, s);
        DialogSetText(d, stats::kBaseName, s.baseName);
        break;
      }
      case WaveDialogRole::kPlotWaves: {
        PlotWavesSettings s;
        s.graph = true;
        record.Read(&s);
        ShowChecks(d, kPlotChecks, s);
        DialogSetCheck(d, plot::kExtrema[s.extrema - 1], true);
        // A stored 0 is also what a field without a number leaves, so the
        // fields keep their opening text for it.
        if (s.zeroLevel != 0) DialogSetText(d, plot::kZeroLevel, NumberText(s.zeroLevel));
        if (s.minimum != 0) DialogSetText(d, plot::kMinimum, NumberText(s.minimum));
        if (s.maximum != 0) DialogSetText(d, plot::kMaximum, NumberText(s.maximum));
        break;
      }
      case WaveDialogRole::kSlimWaves: {
        SlimWavesSettings s;
        s.suffix = "slim";
        record.Read(&s);
        DialogSetCheck(d, slim::kModes[s.mode - 1], true);
        if (s.useEvery != 0) DialogSetText(d, slim::kUseEveryFactor, Format("%d", s.useEvery));
        if (s.average != 0) DialogSetText(d, slim::kAverageFactor, Format("%d", s.average));
        DialogSetText(d, slim::kSuffix, s.suffix);
        break;
      }
    }
  }

  void SaveSettings(DialogHandle d) {
    DialogSettingsRecord record = DialogSettingsRecord::Load();
    switch (role_) {
      case WaveDialogRole::kAutoStats: {
        AutoStatsSettings s;
        TakeChecks(d, kStatsChecks, &s);
        s.baseName = DialogGetText(d, stats::kBaseName);
        record.Write(s);
        break;
      }
      case WaveDialogRole::kPlotWaves: {
        PlotWavesSettings s;
        TakeChecks(d, kPlotChecks, &s);
        const int32_t extrema = CheckedRadio(d, plot::kExtrema);
        s.extrema = static_cast<uint8_t>(extrema != 0 ? extrema : 2);
        s.zeroLevel = StoredNumber(DialogGetText(d, plot::kZeroLevel));
        s.minimum = StoredNumber(DialogGetText(d, plot::kMinimum));
        s.maximum = StoredNumber(DialogGetText(d, plot::kMaximum));
        record.Write(s);
        break;
      }
      case WaveDialogRole::kSlimWaves: {
        SlimWavesSettings s;
        const int32_t mode = CheckedRadio(d, slim::kModes);
        s.mode = static_cast<uint8_t>(mode != 0 ? mode : 2);
        if (!ParseFactor(DialogGetText(d, slim::kUseEveryFactor), &s.useEvery)) s.useEvery = 0;
        if (!ParseFactor(DialogGetText(d, slim::kAverageFactor), &s.average)) s.average = 0;
        s.suffix = DialogGetText(d, slim::kSuffix);
        record.Write(s);
        break;
      }
    }
    // The command has gone already; a failed save is said, not hidden.
    if (record.Save() != 0) HostAlert(kErrorTitle, "The dialog settings could not be stored.");
  }

  const WaveDialogRole role_;
  WaveTree tree_;
  const bool haveTarget_;
  const std::vector<std::string> targetNames_;
  std::vector<size_t> rows_;    // the entry shown in each row of the input list
  std::vector<char> selected_;  // per entry: a selected wave
};

}  // namespace

int32_t OpenWaveUtilDialog(int32_t menuItem) {
  WaveDialogRole role;
  int32_t dialogId;
  switch (menuItem) {
    case 4: role = WaveDialogRole::kAutoStats; dialogId = resources::kAutoStatsDialogId; break;
    case 5: role = WaveDialogRole::kPlotWaves; dialogId = resources::kPlotWavesDialogId; break;
    case 6: role = WaveDialogRole::kSlimWaves; dialogId = resources::kSlimWavesDialogId; break;
    default: return kHostErrNoSuchDialog;
  }
  const DialogDesc* desc = resources::FindDialog(dialogId);
  if (desc == nullptr) return kHostErrNoSuchDialog;

  std::string list;
  if (HostWaveList(&list, "*", ";", "") != 0) return kErrNoWaveList;
  WaveTree tree;
  if (tree.Load() != 0) return kErrNoWaveList;
  // The list above holds the current folder's waves only; the dialog offers
  // every folder's, so only a host without any wave has nothing to offer.
  if (list.empty() && tree.waves().empty()) return kErrNoWaves;

  std::string windows, targets;
  const bool haveTarget = HostWindowList(&windows, "*", ";", "WIN:") == 0 && !windows.empty();
  if (haveTarget) HostWaveList(&targets, "*", ";", "WIN:");
  if (int32_t err = HostCreateVariable(kCmdStringName, kObjectString, 0)) return err;

  WaveUtilDialog handler(role, std::move(tree), haveTarget, SplitWaveList(targets));
  int32_t result = kDialogAbandoned;
  if (int32_t err = DialogRun(*desc, handler, &result)) return err;
  return result == kDoIt || result == kToCmdLine || result == kToClip ? 0 : kErrNoText;
}

}  // namespace kwt
