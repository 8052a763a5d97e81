#include "calc.h"

#include <cstdio>
#include <string_view>

#include "calculators/patcher.h"
#include "resources/dialogs.h"
#include "resources/resources.h"
#include "workbench/encoding.h"
#include "workbench/objects.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

// The calculators by their short names, with the menu item that opens
// each (the front end goes through the menu as a user would).
struct Calculator {
  std::string_view name;
  int32_t menuItem;
  int32_t dialogId;
  std::string_view summary;
};

constexpr Calculator kCalculators[] = {
    {"freeca", 8, resources::kFreeCaMgDialogId,
     "free calcium and magnesium in solutions of up to six buffers"},
    {"buffer", 9, resources::kBufferCapacityDialogId,
     "buffer capacity: one ion, one buffer, one dissociation constant"},
    {"patcher", 10, resources::kPatcherDialogId,
     "cell geometry, Ohm's law, reversal potentials and solutions"},
    {"ljp", 11, resources::kJunctionPotentialDialogId,
     "liquid junction potential between pipette and bath (Henderson)"},
};

constexpr int32_t kCalculate = 1;
constexpr int32_t kToHistory = 3;

const Calculator* FindCalculator(std::string_view name) {
  for (const Calculator& c : kCalculators)
    if (c.name == name) return &c;
  return nullptr;
}

// A small non-negative decimal (control ids, item numbers).
bool ParseInt(std::string_view text, int32_t* value) {
  if (text.empty() || text.size() > 9) return false;
  int32_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return true;
}

void PrintUsage() {
  std::printf(
      "Usage: kwt calc NAME [--FIELD VALUE ...]\n"
      "Fills the calculator's fields, presses Calculate and To History, and prints\n"
      "the history text.  Fields not given keep the dialog's defaults; stored\n"
      "settings are neither read nor changed.\n\n"
      "Calculators:\n");
  for (const Calculator& c : kCalculators)
    std::printf("  %-8s %s\n", std::string(c.name).c_str(), std::string(c.summary).c_str());
  std::printf("\n'kwt calc NAME --help' lists the fields of one calculator.\n");
}

// The dialog as it opens: a run without actions, so that the popups show
// the items the calculator fills in.
DialogRecord OpenedState(const Calculator& calc) {
  Workbench::Options options;
  options.memoryPrefs = true;
  Workbench wb(options);
  wb.dialogs().SetScript({});
  wb.ChooseMenuItem(calc.menuItem);
  return wb.dialogs().lastRun() != nullptr ? *wb.dialogs().lastRun() : DialogRecord{};
}

// The items as one comma-separated list wrapped at 78 columns.
std::string Joined(const std::vector<std::string>& items, size_t indent) {
  std::string out;
  size_t column = indent;
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string item = Cp1252ToUtf8(items[i]) + (i + 1 < items.size() ? "," : "");
    if (column + item.size() + 1 > 78) {
      out += "\n" + std::string(indent, ' ');
      column = indent;
    } else if (i > 0) {
      out += ' ';
      ++column;
    }
    out += item;
    column += item.size();
  }
  return out;
}

// The patcher's parameters change with the quantity: every quantity with
// its parameters and units.
void PrintPatcherFormulas() {
  std::printf("\nQuantities and their parameters (p1, p2, p3 -> result):\n");
  const auto categories = PatcherCategories();
  for (int32_t c = 0; c < static_cast<int32_t>(categories.size()); ++c) {
    std::printf("  --function \"%s\"\n", std::string(categories[c].name).c_str());
    const std::vector<std::string> items = PatcherQuantityItems(c);
    for (int32_t item = 1; item <= static_cast<int32_t>(items.size()); ++item) {
      const int32_t index = PatcherFormulaAt(c, item);
      if (index < 0) continue;
      const PatcherFormula& f = *FindPatcherFormula(index);
      std::string line = "    --quantity \"" + items[item - 1] + "\":";
      bool any = false;
      for (int i = 0; i < 3; ++i) {
        if (f.parameters[i].empty()) continue;
        line += (any ? ", " : " ") + std::string(f.parameters[i]);
        if (!f.units[i].empty()) line += " (" + std::string(f.units[i]) + ")";
        any = true;
      }
      line += std::string(any ? " ->" : " (no formula) ->") + " " + std::string(f.result);
      if (!f.resultUnit.empty()) line += " (" + std::string(f.resultUnit) + ")";
      std::printf("%s\n", Cp1252ToUtf8(line).c_str());
    }
  }
}

// The named fields of the dialog with their units, the items of each
// popup and the initial values of the option fields.
void PrintFields(const Calculator& calc) {
  const DialogDesc& desc = *resources::FindDialog(calc.dialogId);
  const DialogRecord opened = OpenedState(calc);
  std::printf("kwt calc %s: %s\n%s\n\n", std::string(calc.name).c_str(),
              Cp1252ToUtf8(desc.title).c_str(), std::string(calc.summary).c_str());
  std::printf("Fields (molar fields take SI prefixes: 1m = 1e-3, 10u or 10\xC2\xB5 = 1e-5):\n");
  std::vector<std::string> outputs;
  for (const ControlDesc& c : desc.controls) {
    if (c.name.empty()) continue;
    const std::string unit = Cp1252ToUtf8(c.unit);
    if ((c.flags & kControlReadOnly) != 0) {
      outputs.push_back(c.name + (unit.empty() ? "" : " (" + unit + ")"));
      continue;
    }
    std::string value = "VALUE";
    std::string note = unit;
    if (c.kind == ControlKind::kCheckBox) {
      value = "on|off";
    } else if (c.kind == ControlKind::kPopup) {
      value = "ITEM";
      if (const ControlState* s = opened.Find(c.id))
        note = "one of: " + Joined(s->items, 34);
    } else if (calc.dialogId == resources::kPatcherDialogId) {
      note = "parameter of the quantity (see below)";
    } else if (!c.text.empty()) {
      note += (note.empty() ? "" : ", ") + std::string("default ") + Cp1252ToUtf8(c.text);
    }
    std::printf("  --%-14s %-6s %s\n", c.name.c_str(), value.c_str(), note.c_str());
  }
  if (!outputs.empty()) {
    std::printf("\nComputed (shown in the history text): ");
    for (size_t i = 0; i < outputs.size(); ++i)
      std::printf("%s%s", outputs[i].c_str(), i + 1 < outputs.size() ? ", " : "\n");
  }
  if (calc.dialogId == resources::kPatcherDialogId) PrintPatcherFormulas();
}

// Prints the alerts of a run once each, in order; returns how many there were.
size_t PrintAlerts(const DialogRecord& run) {
  std::vector<std::pair<std::string, std::string>> shown;
  for (const auto& e : run.events) {
    if (e.kind != "alert") continue;
    const std::pair<std::string, std::string> alert{e.title, e.text};
    bool seen = false;
    for (const auto& s : shown) seen = seen || s == alert;
    if (seen) continue;
    shown.push_back(alert);
    std::fprintf(stderr, "kwt: %s: %s\n", HistoryToUtf8(e.title).c_str(),
                 HistoryToUtf8(e.text).c_str());
  }
  return shown.size();
}

// Actions the dialog refused; true when there were any.
bool PrintProblems(const DialogRecord& run) {
  for (const std::string& p : run.problems)
    std::fprintf(stderr, "kwt: dialog \"%s\": %s\n", Cp1252ToUtf8(run.title).c_str(),
                 Cp1252ToUtf8(p).c_str());
  return !run.problems.empty();
}

// The menu item whose text (without "...", any case) or number is `name`,
// or whose calculator has that short name; 0 when none.
int32_t MenuItemNamed(std::string_view name) {
  if (const Calculator* c = FindCalculator(name)) return c->menuItem;
  int32_t number;
  const bool isNumber = ParseInt(name, &number);
  for (const resources::MenuItem& m : resources::MenuItems()) {
    if (m.text == "-") continue;
    std::string_view text = m.text;
    if (text.size() > 3 && text.substr(text.size() - 3) == "...") text.remove_suffix(3);
    if ((isNumber && m.item == number) || SameName(text, name) ||
        SameName(m.text, name))
      return m.item;
  }
  return 0;
}

}  // namespace

int RunCalc(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    PrintUsage();
    return args.empty() ? 2 : 0;
  }
  const Calculator* calc = FindCalculator(args[0]);
  if (calc == nullptr) {
    std::fprintf(stderr, "kwt: calc: no calculator \"%s\" (try 'kwt calc --help')\n",
                 args[0].c_str());
    return 2;
  }
  const DialogDesc& desc = *resources::FindDialog(calc->dialogId);

  // Field values by name; the actions are ordered by kind below.  "--name
  // value" and "--name=value" both work.
  std::vector<DialogAction> choices, checks, texts;
  for (size_t i = 1; i < args.size(); ++i) {
    std::string word = args[i];
    if (word == "--help" || word == "-h") {
      PrintFields(*calc);
      return 0;
    }
    if (word.rfind("--", 0) != 0 || word.size() < 3) {
      std::fprintf(stderr, "kwt: calc %s: expected --FIELD VALUE, got \"%s\"\n",
                   args[0].c_str(), word.c_str());
      return 2;
    }
    std::string value;
    const size_t equals = word.find('=');
    if (equals != std::string::npos) {
      value = word.substr(equals + 1);
      word.resize(equals);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      std::fprintf(stderr, "kwt: calc %s: %s needs a value\n", args[0].c_str(), word.c_str());
      return 2;
    }
    const std::string field = word.substr(2);
    const ControlDesc* control = nullptr;
    for (const ControlDesc& c : desc.controls)
      if (c.name == field) control = &c;
    if (control == nullptr) {
      std::fprintf(stderr, "kwt: calc %s: no field \"%s\" (try 'kwt calc %s --help')\n",
                   args[0].c_str(), field.c_str(), args[0].c_str());
      return 2;
    }
    if ((control->flags & kControlReadOnly) != 0) {
      std::fprintf(stderr, "kwt: calc %s: \"%s\" is computed, not given\n", args[0].c_str(),
                   field.c_str());
      return 2;
    }
    // Shell input is UTF-8; the dialog holds the host's bytes.
    const std::string text = Utf8ToCp1252(value);
    switch (control->kind) {
      case ControlKind::kPopup:
        choices.push_back(DialogAction::ChooseText(control->id, text));
        break;
      case ControlKind::kCheckBox: {
        const bool on = value == "on" || value == "yes" || value == "1" || value == "true";
        const bool off = value == "off" || value == "no" || value == "0" || value == "false";
        if (!on && !off) {
          std::fprintf(stderr, "kwt: calc %s: %s takes on or off\n", args[0].c_str(),
                       word.c_str());
          return 2;
        }
        checks.push_back(DialogAction::Check(control->id, on));
        break;
      }
      default:
        texts.push_back(DialogAction::SetText(control->id, text));
        break;
    }
  }
  // Choosing an item may fill or clear other fields (a buffer's constants,
  // an ion's valence, a quantity's parameters), so the choices come first,
  // in the dialog's order, then the check boxes, then the typed values.
  std::vector<DialogAction> actions;
  for (const ControlDesc& c : desc.controls)
    for (const DialogAction& a : choices)
      if (a.control == c.id) actions.push_back(a);
  actions.insert(actions.end(), checks.begin(), checks.end());
  actions.insert(actions.end(), texts.begin(), texts.end());
  actions.push_back(DialogAction::Press(kCalculate));
  actions.push_back(DialogAction::Press(kToHistory));

  // The dialog starts from its defaults, not from the user's stored
  // settings, so the same command line always gives the same text.
  Workbench::Options options;
  options.memoryPrefs = true;
  Workbench wb(options);
  wb.dialogs().SetScript(std::move(actions));
  const int32_t code = wb.ChooseMenuItem(calc->menuItem);
  const DialogRecord* run = wb.dialogs().lastRun();
  if (run == nullptr) {
    std::fprintf(stderr, "kwt: calc %s: error %d: %s\n", args[0].c_str(), code,
                 HistoryToUtf8(Workbench::ErrorText(code)).c_str());
    return 1;
  }
  std::fputs(HistoryToUtf8(run->history).c_str(), stdout);
  if (PrintProblems(*run)) return 2;
  return PrintAlerts(*run) > 0 ? 1 : 0;
}

void AddDialogOptions(CLI::App& app, DialogScriptOptions* o) {
  app.add_option("--dialog", o->dialog,
                 "after the commands, open the dialog of this menu item (its text or number) "
                 "and run the actions below in command-line order")
      ->type_name("NAME");
  o->setOption = app.add_option("--set", o->set, "type TEXT into field ID")
                     ->type_name("ID=TEXT")
                     ->expected(1)
                     ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  o->chooseOption = app.add_option("--choose", o->choose, "choose an item (number or text)")
                        ->type_name("ID=ITEM")
                        ->expected(1)
                        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  o->toggleOption = app.add_option("--toggle", o->toggle, "click check box ID")
                        ->type_name("ID")
                        ->expected(1)
                        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  o->checkOption = app.add_option("--check", o->check, "set check box ID")
                       ->type_name("ID=0|1")
                       ->expected(1)
                       ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  o->pressOption = app.add_option("--press", o->press, "press button ID")
                       ->type_name("ID")
                       ->expected(1)
                       ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

// CLI11 keeps each option's values apart; its parse order (one entry per
// occurrence) puts the actions back into command-line order.
bool DialogActionsFromCommandLine(const CLI::App& app, const DialogScriptOptions& o,
                                  std::vector<DialogAction>* actions, std::string* error) {
  size_t next[5] = {0, 0, 0, 0, 0};
  const CLI::Option* options[5] = {o.setOption, o.chooseOption, o.toggleOption, o.checkOption,
                                   o.pressOption};
  const std::vector<std::string>* values[5] = {&o.set, &o.choose, &o.toggle, &o.check, &o.press};
  for (const CLI::Option* opt : app.parse_order()) {
    int k = 0;
    while (k < 5 && options[k] != opt) ++k;
    if (k == 5 || next[k] >= values[k]->size()) continue;
    const std::string& arg = (*values[k])[next[k]++];
    // "ID=VALUE" for set, choose and check; "ID" for toggle and press.
    const size_t equals = arg.find('=');
    const bool wantsValue = k <= 1 || k == 3;
    int32_t id = 0;
    if ((wantsValue && equals == std::string::npos) ||
        !ParseInt(wantsValue ? std::string_view(arg).substr(0, equals) : std::string_view(arg), &id)) {
      *error = "--" + options[k]->get_name().substr(2) + " " + arg + ": expected " +
               (wantsValue ? "ID=VALUE" : "ID") + " with a control number";
      return false;
    }
    const std::string value = wantsValue ? Utf8ToCp1252(arg.substr(equals + 1)) : std::string();
    int32_t item = 0;
    switch (k) {
      case 0: actions->push_back(DialogAction::SetText(id, value)); break;
      case 1:
        if (ParseInt(value, &item) && item > 0) actions->push_back(DialogAction::Choose(id, item));
        else actions->push_back(DialogAction::ChooseText(id, value));
        break;
      case 2: actions->push_back(DialogAction::Toggle(id)); break;
      case 3:
        if (value != "0" && value != "1") {
          *error = "--check " + arg + ": expected ID=0 or ID=1";
          return false;
        }
        actions->push_back(DialogAction::Check(id, value == "1"));
        break;
      default: actions->push_back(DialogAction::Press(id)); break;
    }
  }
  return true;
}

int RunDialogScript(Workbench& wb, const std::string& name, std::vector<DialogAction> actions) {
  const int32_t item = MenuItemNamed(name);
  if (item == 0) {
    std::fprintf(stderr, "kwt: --dialog: no menu item \"%s\"\n", name.c_str());
    return 2;
  }
  const size_t before = wb.dialogs().runs().size();
  wb.dialogs().SetScript(std::move(actions));
  const int32_t code = wb.ChooseMenuItem(item);
  int status = 0;
  // -1 is a dialog's Cancel, not a failure.
  if (code > 0) {
    std::fprintf(stderr, "kwt: error %d: %s\n", code,
                 HistoryToUtf8(Workbench::ErrorText(code)).c_str());
    status = 1;
  }
  if (wb.dialogs().runs().size() == before) {
    if (status == 0) std::fprintf(stderr, "kwt: --dialog: menu item %d opened no dialog\n", item);
    return status != 0 ? status : 1;
  }
  for (size_t i = before; i < wb.dialogs().runs().size(); ++i)
    if (PrintProblems(wb.dialogs().runs()[i])) status = 2;
  if (wb.dialogs().pendingActions() > 0) {
    std::fprintf(stderr, "kwt: --dialog: %zu actions left after the dialog closed\n",
                 wb.dialogs().pendingActions());
    status = 2;
  }
  return status;
}

}  // namespace kwt
