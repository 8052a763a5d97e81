#include "calculators/calculator_dialog.h"

#include "calculators/calculator_message.h"
#include "host/host.h"
#include "resources/dialogs.h"

namespace kwt {

// The three buttons mean the same in every calculator; what a calculator
// does with its popups and check boxes is its own (OnControl).
void CalculatorDialog::OnEvent(DialogHandle dialog, const DialogEvent& event) {
  if (event.kind != DialogEventKind::kPressed) {
    OnControl(dialog, event);
    return;
  }
  switch (event.control) {
    case kCalculateButton:
      Calculate(dialog, false);
      break;
    case kToHistoryButton:
      Calculate(dialog, true);
      break;
    case kExitButton: {
      // Only Exit stores the settings; a dialog the host closes some other
      // way leaves the stored record as it was.
      if (layout_ != nullptr) {
        SettingsRecord record(*layout_);
        // The dialog closes either way; a failed save is said, not hidden.
        if (CollectSettings(dialog, &record) && record.Save() != 0)
          HostAlert(kErrorTitle, "The calculator settings could not be stored.");
      }
      DialogEnd(dialog, kExitButton);
      break;
    }
    default:
      OnControl(dialog, event);
      break;
  }
}

int32_t RunCalculatorDialog(int32_t dialogId, CalculatorDialog& handler) {
  const DialogDesc* desc = resources::FindDialog(dialogId);
  if (desc == nullptr) return kHostErrNoSuchDialog;
  // How the run ended (Exit, or abandoned by the host) makes no difference
  // to the caller: the settings were saved where they had to be.
  int32_t result = 0;
  return DialogRun(*desc, handler, &result);
}

}  // namespace kwt
