// What the four calculator dialogs share: the buttons Calculate (1),
// To History (3) and Exit (2), and running a dialog from its description.
#pragma once

#include <cstdint>

#include "calculators/settings_record.h"
#include "host/dialog.h"

namespace kwt {

inline constexpr int32_t kCalculateButton = 1;
inline constexpr int32_t kExitButton = 2;
inline constexpr int32_t kToHistoryButton = 3;

class CalculatorDialog : public DialogHandler {
 public:
  // `layout`: where Exit stores the settings; null for a calculator that
  // stores none.
  explicit CalculatorDialog(const SettingsLayout* layout) : layout_(layout) {}

  // Calculate and To History compute (To History also posts the history
  // text); Exit saves the settings and ends the dialog with 2.  Every other
  // event goes to OnControl.
  void OnEvent(DialogHandle dialog, const DialogEvent& event) final;

 protected:
  virtual void Calculate(DialogHandle dialog, bool toHistory) = 0;
  // Fills `record` from the fields; false for a calculator without stored
  // settings.
  virtual bool CollectSettings(DialogHandle dialog, SettingsRecord* record) = 0;
  virtual void OnControl(DialogHandle dialog, const DialogEvent& event) {}

 private:
  const SettingsLayout* layout_;
};

// Runs the calculator dialog `dialogId` with `handler`; returns 0, or what
// DialogRun returned (kHostErrNoSuchDialog, a host code, or the handler's
// failure: 1 for memory, -1 otherwise).
int32_t RunCalculatorDialog(int32_t dialogId, CalculatorDialog& handler);

}  // namespace kwt
