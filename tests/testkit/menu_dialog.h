// Runs the dialog of a menu item with a scripted list of actions.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "workbench/workbench.h"

namespace kwt::test {

// Chooses menu `item` with `actions` scripted and returns the dialog's
// record (empty when no dialog ran); the menu's result goes to *result.
// The driver's own complaints (a control that is not there, an action
// that does not fit it) fail the test.
inline DialogRecord RunMenuDialog(Workbench& wb, int32_t item, std::vector<DialogAction> actions,
                                  int32_t* result = nullptr) {
  wb.dialogs().SetScript(std::move(actions));
  const int32_t r = wb.ChooseMenuItem(item);
  if (result != nullptr) *result = r;
  const DialogRecord* run = wb.dialogs().lastRun();
  if (run == nullptr) return {};
  EXPECT_TRUE(run->problems.empty()) << run->problems.front();
  return *run;
}

}  // namespace kwt::test
