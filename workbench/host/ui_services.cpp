// The host services of the user interface: alerts, questions and the
// beep go through the interaction policy; the busy cursor drives the
// progress indicator; the stored preferences are kept in their file.
#include "workbench/host/services.h"

#include "workbench/host/encoding.h"
#include "workbench/host/error_texts.h"
#include "workbench/host/interaction.h"
#include "workbench/host/prefs_store.h"
#include "workbench/host/progress.h"

namespace kwt {
namespace {
// The title of the workbench's alerts about the stored preferences.
constexpr std::string_view kPrefsAlertTitle = "KWT Preferences";
}  // namespace

void Services::Alert(std::string_view title, std::string_view text) {
  interaction_.Alert(title, text);
}

int32_t Services::AskYesNo(std::string_view title, std::string_view text) {
  return interaction_.AskYesNo(title, text);
}

void Services::ErrorAlert(std::string_view title, int32_t code) {
  interaction_.Alert(title, ErrorCodeText(code));
}

void Services::Beep() { interaction_.Beep(); }

void Services::PauseUpdate() { ++pauseDepth_; }

void Services::ResumeUpdate() {
  if (pauseDepth_ > 0) --pauseDepth_;
}

void Services::Cursor(int32_t kind) { progress_.Cursor(kind); }

int32_t Services::GetPrefs(std::vector<uint8_t>* record) {
  if (limits_.memoryPrefs) {
    *record = memoryRecord_;
    return 0;
  }
  std::string error;
  if (!prefs_.Load(record, &error)) {
    // Said once: every dialog reads the settings as it opens.
    if (!prefsLoadReported_)
      interaction_.Alert(kPrefsAlertTitle, "cannot read the stored settings from " +
                                               Utf8ToHost(prefs_.path()) + ": " + error);
    prefsLoadReported_ = true;
    return kHostErrFileOpen;
  }
  return 0;
}

int32_t Services::SavePrefs(std::span<const uint8_t> record) {
  if (limits_.memoryPrefs) {
    memoryRecord_.assign(record.begin(), record.end());
    return 0;
  }
  std::string error;
  if (!prefs_.Save(record, &error)) {
    // An alert, so that a settings change that was lost is never silent.
    interaction_.Alert(kPrefsAlertTitle, "the settings could not be stored in " +
                                             Utf8ToHost(prefs_.path()) + ": " + error);
    return kHostErrFileOpen;
  }
  return 0;
}

}  // namespace kwt
