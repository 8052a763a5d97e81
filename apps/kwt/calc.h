// kwt calc and kwt --dialog: the module's dialogs driven from a shell.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "workbench/dialogs/dialog_driver.h"

namespace kwt {

class Workbench;

// kwt calc NAME --FIELD VALUE ...: checks each value (its number format,
// the range its quantity allows, the names a list offers), fills the
// calculator's fields by name, presses To History and prints the history
// text (UTF-8).  `args` are the words after "calc".  Returns the exit
// status: 0; 1 when the calculator showed a message or found no result
// (printed on stderr with the reason it can tell); 2 for bad usage, with
// the option that is wrong.
int RunCalc(const std::vector<std::string>& args);

// The options of a scripted dialog run: --dialog NAME with --set ID=TEXT,
// --choose ID=ITEM, --toggle ID, --check ID=0|1, --press ID, --select
// ID=ROWS, --click ID=ROW, --radio ID, --file PATH and --cancel-file.
struct DialogScriptOptions {
  std::string dialog;
  // One list of values per action option, in the order of kDialogOptions
  // (calc.cpp); --cancel-file takes none.
  std::vector<std::string> values[10];
  int64_t cancelFiles = 0;
  CLI::Option* options[10] = {};
};
void AddDialogOptions(CLI::App& app, DialogScriptOptions* options);

// The actions in the order they stand on the command line; false with a
// message when one is malformed.
bool DialogActionsFromCommandLine(const CLI::App& app, const DialogScriptOptions& options,
                                  std::vector<DialogAction>* actions, std::string* error);

// Opens the dialog of the menu item named `name` (its text, its number, or
// a calculator's short name) and runs `actions` in it.  Returns the exit
// status: 0; 1 when the dialog could not run; 2 when the name names no
// item or an action was refused (the reasons go to stderr).
int RunDialogScript(Workbench& workbench, const std::string& name,
                    std::vector<DialogAction> actions);

}  // namespace kwt
