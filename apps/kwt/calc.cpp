#include "calc.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "calculators/junction_potential.h"
#include "calculators/patcher.h"
#include "calculators/prefixed_number.h"
#include "resources/dialogs.h"
#include "resources/resources.h"
#include "workbench/host/encoding.h"
#include "workbench/host/objects.h"
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

// To History calculates, shows the results and posts the history text, all
// in one press; a Calculate before it would only round the fields that To
// History then reads back.
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

// The words a check box option takes.
bool IsOn(std::string_view v) { return v == "on" || v == "yes" || v == "1" || v == "true"; }
bool IsOff(std::string_view v) { return v == "off" || v == "no" || v == "0" || v == "false"; }

void PrintUsage() {
  std::printf(
      "Usage: kwt calc NAME [--FIELD VALUE ...]\n"
      "Checks the values, fills the calculator's fields, presses To History and\n"
      "prints the history text.  Fields not given keep the dialog's defaults;\n"
      "stored settings are neither read nor changed.\n\n"
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
  std::printf("Fields (molar fields take SI prefixes: 1m = 1e-3, 10u or 10\xC2\xB5 = 1e-5;\n"
              "M is the prefix mega, so one molar is written 1):\n");
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

// ---- The options, checked before the dialog runs ------------------------------

// One --FIELD VALUE of the command line.
struct Given {
  const ControlDesc* control;
  std::string option;  // "--kd"
  std::string value;   // as typed (UTF-8)
  std::string text;    // as the field gets it (the host's bytes)
};

const Given* FindGiven(const std::vector<Given>& given, std::string_view field) {
  const Given* found = nullptr;
  for (const Given& g : given)
    if (g.control->name == field) found = &g;  // the last one counts, as in the dialog
  return found;
}

// What a number may be, as its quantity requires.
enum class Range : uint8_t {
  kAny,
  kNonNegative,
  kPositive,
  kConcentration,  // molar, from 0 to 100 M
  kDissociation,   // molar, above 0 and at most 100 M
  kPercent,        // above 0, at most 100
  kIterations,     // a whole number from 10 to 1e9
  kPHScale,        // from 0 to 14
  kCelsius,        // above absolute zero
};

struct NumberRule {
  bool prefixed;  // engineering notation; otherwise a plain number
  Range range;
  std::string what;  // the quantity, for messages
};

// The number fields of the buffer, free calcium and junction calculators,
// by their names without a row number.
struct FieldRule {
  int32_t dialogId;
  std::string_view stem;
  bool prefixed;
  Range range;
  std::string_view what;
};

constexpr int32_t kBufferId = resources::kBufferCapacityDialogId;
constexpr int32_t kFreeCaId = resources::kFreeCaMgDialogId;
constexpr int32_t kJunctionId = resources::kJunctionPotentialDialogId;
constexpr FieldRule kFieldRules[] = {
    {kBufferId, "total-ion", true, Range::kConcentration, "the total ion concentration"},
    {kBufferId, "free-ion", true, Range::kConcentration, "the free ion concentration"},
    {kBufferId, "total-buffer", true, Range::kConcentration, "the total buffer concentration"},
    {kBufferId, "free-buffer", true, Range::kConcentration, "the free buffer concentration"},
    {kBufferId, "kd", true, Range::kDissociation, "the dissociation constant"},
    {kFreeCaId, "total", true, Range::kConcentration, "the buffer's total concentration"},
    {kFreeCaId, "total-ca", true, Range::kConcentration, "total calcium"},
    {kFreeCaId, "total-mg", true, Range::kConcentration, "total magnesium"},
    {kFreeCaId, "convergence", true, Range::kPercent, "the convergence criterion"},
    {kFreeCaId, "iterations", false, Range::kIterations, "the number of iterations"},
    {kFreeCaId, "ph", false, Range::kPHScale, "the pH"},
    {kFreeCaId, "correction", true, Range::kPHScale, "the pH correction"},
    {kJunctionId, "pip", false, Range::kNonNegative, "the pipette concentration"},
    {kJunctionId, "bath", false, Range::kNonNegative, "the bath concentration"},
    {kJunctionId, "z", false, Range::kAny, "the valence"},
    {kJunctionId, "u", false, Range::kPositive, "the mobility"},
    {kJunctionId, "temperature", false, Range::kCelsius, "the temperature"},
};

// A field name without its row number: "total3" is "total".
std::string_view Stem(std::string_view name) {
  while (!name.empty() && name.back() >= '0' && name.back() <= '9') name.remove_suffix(1);
  return name;
}

// The row number at the end of a field name; 0 when there is none.
int32_t RowOf(std::string_view name) {
  int32_t row = 0;
  ParseInt(name.substr(Stem(name).size()), &row);
  return row;
}

// A plain number that fills the whole text (the field itself would read
// "1m" as 1 and drop the rest).
bool ReadPlainNumber(const std::string& text, double* value) {
  if (!ParsePlainNumber(text, value)) return false;
  char* end = nullptr;
  std::strtod(text.c_str() + text.find_first_not_of(" \t"), &end);
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0';
}

// Why `v` does not fit `range`; empty when it fits.
std::string OutOfRange(Range range, double v) {
  switch (range) {
    case Range::kAny: return {};
    case Range::kNonNegative: return v >= 0 ? "" : "must not be negative";
    case Range::kPositive: return v > 0 ? "" : "must be above 0";
    case Range::kConcentration: return v >= 0 && v <= 100 ? "" : "must be from 0 to 100 M";
    case Range::kDissociation: return v > 0 && v <= 100 ? "" : "must be above 0 and at most 100 M";
    case Range::kPercent: return v > 0 && v <= 100 ? "" : "must be above 0 and at most 100 (%)";
    case Range::kIterations:
      return v >= 10 && v <= 1e9 && v == std::trunc(v) ? ""
                                                        : "must be a whole number from 10 to 1e9";
    case Range::kPHScale: return v >= 0 && v <= 14 ? "" : "must be from 0 to 14";
    case Range::kCelsius: return v > -273.15 ? "" : "must be above absolute zero (-273.15 deg. C)";
  }
  return {};
}

// Checks one number; false with the message.  An empty value leaves the
// field empty, as a user may in the dialog.
bool CheckNumber(const Given& g, const NumberRule& rule, std::string* error) {
  if (g.text.empty()) return true;
  double v = 0.0;
  const bool read = rule.prefixed ? ParsePrefixedNumber(g.text, &v) : ReadPlainNumber(g.text, &v);
  const std::string head = g.option + " " + g.value + ": ";
  if (!read) {
    *error = head + (rule.prefixed ? "not a number (write 1.5m, 10u or 2k: a prefix letter, no "
                                     "exponent)"
                                   : "not a plain number (such as 7.2 or 150, no prefix letter)");
    return false;
  }
  const std::string why = OutOfRange(rule.range, v);
  if (why.empty()) return true;
  *error = head + rule.what + " " + why;
  // "1M" reads as one mega: the unit molar cannot be typed after the number.
  const bool molar = rule.range == Range::kConcentration || rule.range == Range::kDissociation;
  if (molar && v > 100 && g.text.find('M') != std::string::npos)
    *error += " (M after a number is the prefix mega: write one molar as 1)";
  return false;
}

// The item of a popup that `text` names, as the dialog driver chooses it:
// the exact text first, then one that differs only in case; 0 when none.
int32_t ItemNamed(const std::vector<std::string>& items, std::string_view text) {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == text) return static_cast<int32_t>(i + 1);
  for (size_t i = 0; i < items.size(); ++i)
    if (SameName(items[i], text)) return static_cast<int32_t>(i + 1);
  return 0;
}

// The patcher's category (from 0) that --function chooses; Geometry when
// it is not given.
int32_t PatcherCategoryOf(const std::vector<Given>& given) {
  std::vector<std::string> categories;
  for (const PatcherCategory& c : PatcherCategories()) categories.emplace_back(c.name);
  const Given* function = FindGiven(given, "function");
  const int32_t item = function != nullptr ? ItemNamed(categories, function->text) : 0;
  return item > 0 ? item - 1 : 0;
}

// The patcher's formula that --function and --quantity choose (the
// category's first quantity when --quantity is not given).
int32_t PatcherFormulaOf(const std::vector<Given>& given) {
  const int32_t category = PatcherCategoryOf(given);
  const Given* quantity = FindGiven(given, "quantity");
  const int32_t item =
      quantity != nullptr ? ItemNamed(PatcherQuantityItems(category), quantity->text) : 1;
  return PatcherFormulaAt(category, item > 0 ? item : 1);
}

// A parameter of the patcher's formula: what it is, and which values make
// sense for it.
NumberRule PatcherRule(int32_t formula, int parameter) {
  const PatcherFormula& f = *FindPatcherFormula(formula);
  const std::string name(f.parameters[parameter]), unit(f.units[parameter]);
  Range range = Range::kNonNegative;  // resistances, conductances, volumes, weights
  if (formula <= 3) range = Range::kPositive;  // a cell's size
  else if (name == "Voltage" || name == "Current" || name == "V membr.") range = Range::kAny;
  else if (formula >= 18 && formula <= 25) range = Range::kPositive;  // ion concentrations
  else if (unit == "M") range = Range::kConcentration;
  return {!PatcherUsesPlainNumbers(formula), range,
          Cp1252ToUtf8(name + (unit.empty() ? "" : " (" + unit + ")"))};
}

// The popups: an item the list has, and not a separator.
bool CheckChoices(const Calculator& calc, const std::vector<Given>& given, std::string* error) {
  const DialogRecord opened = OpenedState(calc);
  for (const Given& g : given) {
    if (g.control->kind != ControlKind::kPopup) continue;
    std::vector<std::string> items;
    if (g.control->name == "quantity") {
      items = PatcherQuantityItems(PatcherCategoryOf(given));  // those of the chosen function
    } else if (const ControlState* state = opened.Find(g.control->id)) {
      items = state->items;
    }
    const int32_t item = ItemNamed(items, g.text);
    if (item > 0 && items[item - 1] != "-") continue;
    std::vector<std::string> names;
    for (const std::string& i : items)
      if (i != "-") names.push_back(i);
    *error = g.option + " " + g.value + ": no " + std::string(Stem(g.control->name)) +
             " of that name; one of:\n  " + Joined(names, 2);
    return false;
  }
  return true;
}

// The number fields.
bool CheckNumbers(const Calculator& calc, const std::vector<Given>& given, std::string* error) {
  const bool patcher = calc.dialogId == resources::kPatcherDialogId;
  const int32_t formula = patcher ? PatcherFormulaOf(given) : -1;
  for (const Given& g : given) {
    if (g.control->kind != ControlKind::kEdit) continue;
    if (formula >= 0) {
      // p1 to p3 mean what the formula makes of them.
      const int parameter = RowOf(g.control->name) - 1;
      const PatcherFormula& f = *FindPatcherFormula(formula);
      if (f.parameters[parameter].empty()) {
        *error = g.option + ": " + std::string(f.result) + " takes no parameter " +
                 std::to_string(parameter + 1);
        return false;
      }
      if (!CheckNumber(g, PatcherRule(formula, parameter), error)) return false;
      continue;
    }
    for (const FieldRule& r : kFieldRules) {
      if (r.dialogId != calc.dialogId || r.stem != Stem(g.control->name)) continue;
      if (!CheckNumber(g, {r.prefixed, r.range, std::string(r.what)}, error)) return false;
    }
  }
  return true;
}

// Values of a row that the calculator would leave out without a word: a
// buffer without its total and a total without its buffer; junction values
// in a row that takes no part.
bool CheckRows(const Calculator& calc, const std::vector<Given>& given, std::string* error) {
  const auto chosen = [&](const std::string& field) {
    const Given* g = FindGiven(given, field);
    return g != nullptr && !SameName(g->text, "_none_");
  };
  if (calc.dialogId == kFreeCaId) {
    for (int row = 1; row <= 6; ++row) {
      const std::string n = std::to_string(row);
      const Given* total = FindGiven(given, "total" + n);
      if (chosen("buffer" + n) && total == nullptr) {
        *error = "--buffer" + n + " needs --total" + n + ", the buffer's total concentration";
        return false;
      }
      double v = 0.0;
      if (total != nullptr && !chosen("buffer" + n) && ParsePrefixedNumber(total->text, &v) &&
          v > 0) {
        *error = "--total" + n + " needs --buffer" + n + ", the buffer of that row";
        return false;
      }
    }
  }
  if (calc.dialogId == kJunctionId) {
    for (const Given& g : given) {
      const std::string stem(Stem(g.control->name));
      if (stem != "pip" && stem != "bath" && stem != "z" && stem != "u" && stem != "include")
        continue;
      const std::string n = std::to_string(RowOf(g.control->name));
      const Given* include = FindGiven(given, "include" + n);
      if (RowOf(g.control->name) <= kTableRows) {
        // A table row takes part with its ion (choosing one checks the row);
        // a row switched off may keep its values.
        if (chosen("ion" + n) || (stem == "include" && !IsOn(g.value))) continue;
        *error = g.option + " needs --ion" + n + ": row " + n + " takes part only with an ion";
        return false;
      }
      if (include == nullptr) {
        *error = g.option + " needs --include" + n + " on: the custom row takes part only then";
        return false;
      }
    }
  }
  return true;
}

// ---- After the run -----------------------------------------------------------------

// What the calculator's message leaves unsaid: why it could not calculate,
// from the values it was given.  Empty when there is nothing to add.
std::string ReasonFor(const Calculator& calc, std::string_view alert,
                      const std::vector<Given>& given) {
  if (calc.dialogId == kBufferId) {
    if (alert == "Two values (free or total concentration) must be specified.")
      return "give --total-ion and --total-buffer, --free-ion and --total-buffer, "
             "--total-ion and --free-buffer, or --free-ion and --free-buffer";
    if (alert == "Calculation was not possible") return "the values give no finite result";
    return {};
  }
  if (calc.dialogId != resources::kPatcherDialogId || alert != "Calculation was not possible.")
    return {};
  // The values as the dialog read them: a plain field that does not read is
  // missing, a prefixed one 0.
  const int32_t formula = PatcherFormulaOf(given);
  const bool plain = PatcherUsesPlainNumbers(formula);
  PatcherValues v{};
  for (int i = 0; i < 3; ++i) {
    const Given* g = FindGiven(given, "p" + std::to_string(i + 1));
    double p = 0.0;
    const bool read =
        g != nullptr && (plain ? ReadPlainNumber(g->text, &p) : ParsePrefixedNumber(g->text, &p));
    v.parameters[i] = read ? p : plain ? std::numeric_limits<double>::quiet_NaN() : 0.0;
  }
  std::string why;
  CalculatePatcherFormula(formula, &v, &why);
  return Cp1252ToUtf8(why);
}

// The junction potential as the dialog computed it from its final fields;
// true when there was one, else *why says why not.
bool JunctionPossible(const DialogRecord& run, std::string* why) {
  const auto plain = [&](int32_t control) {
    double v = 0.0;
    return ParsePlainNumber(run.Text(control), &v) ? v : 0.0;
  };
  JunctionInput in;
  for (int r = 0; r < kJunctionRows; ++r) {
    JunctionRow& row = in.rows[r];
    const ControlState* check = run.Find(9 + r);
    row.included = check != nullptr && check->checked;
    if (const ControlState* popup = run.Find(19 + r); r < kTableRows && popup != nullptr)
      row.selection = popup->selection;
    row.pipette = plain(29 + r);
    row.bath = plain(39 + r);
    row.valence = plain(49 + r);
    row.mobility = plain(59 + r);
  }
  double t = 0.0;
  if (ParsePlainNumber(run.Text(81), &t)) in.temperature = t;
  JunctionResult result;
  if (CalculateJunctionPotential(in, &result)) return true;
  *why = std::string(result.whyNot);
  return false;
}

// Prints the alerts of a run with what they leave unsaid; returns how many
// there were.
size_t PrintAlerts(const Calculator& calc, const DialogRecord& run,
                   const std::vector<Given>& given) {
  size_t count = 0;
  for (const auto& e : run.events) {
    if (e.kind != "alert") continue;
    ++count;
    std::string line = "kwt: " + HistoryToUtf8(e.title) + ": " + HistoryToUtf8(e.text);
    const std::string reason = ReasonFor(calc, e.text, given);
    if (!reason.empty()) line += " (" + reason + ")";
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  return count;
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
  const auto usage = [&](const std::string& message) {
    std::fprintf(stderr, "kwt: calc %s: %s\n", args[0].c_str(), message.c_str());
    return 2;
  };

  // Field values by name: "--name value" and "--name=value" both work.
  std::vector<Given> given;
  for (size_t i = 1; i < args.size(); ++i) {
    std::string word = args[i];
    if (word == "--help" || word == "-h") {
      PrintFields(*calc);
      return 0;
    }
    if (word.rfind("--", 0) != 0 || word.size() < 3)
      return usage("expected --FIELD VALUE, got \"" + word + "\"");
    std::string value;
    const size_t equals = word.find('=');
    if (equals != std::string::npos) {
      value = word.substr(equals + 1);
      word.resize(equals);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return usage(word + " needs a value");
    }
    const std::string field = word.substr(2);
    const ControlDesc* control = nullptr;
    for (const ControlDesc& c : desc.controls)
      if (c.name == field) control = &c;
    if (control == nullptr)
      return usage("no field \"" + field + "\" (try 'kwt calc " + args[0] + " --help')");
    if ((control->flags & kControlReadOnly) != 0)
      return usage("\"" + field + "\" is computed, not given");
    if (control->kind == ControlKind::kCheckBox && !IsOn(value) && !IsOff(value))
      return usage(word + " takes on or off");
    // Shell input is UTF-8; the dialog holds the host's bytes.
    given.push_back({control, word, value, Utf8ToCp1252(value)});
  }
  // What the calculator would misread, refuse with a box or drop without a
  // word is said here, with the option it comes from.
  std::string error;
  if (!CheckChoices(*calc, given, &error) || !CheckNumbers(*calc, given, &error) ||
      !CheckRows(*calc, given, &error))
    return usage(error);

  // Choosing an item may fill or clear other fields (a buffer's constants,
  // an ion's valence, a quantity's parameters), so the choices come first,
  // in the dialog's order, then the check boxes, then the typed values.
  std::vector<DialogAction> actions;
  for (const ControlDesc& c : desc.controls)
    for (const Given& g : given)
      if (g.control == &c && c.kind == ControlKind::kPopup)
        actions.push_back(DialogAction::ChooseText(c.id, g.text));
  for (const Given& g : given)
    if (g.control->kind == ControlKind::kCheckBox)
      actions.push_back(DialogAction::Check(g.control->id, IsOn(g.value)));
  for (const Given& g : given)
    if (g.control->kind != ControlKind::kPopup && g.control->kind != ControlKind::kCheckBox)
      actions.push_back(DialogAction::SetText(g.control->id, g.text));
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
  std::fflush(stdout);  // the text first, then what is wrong with it
  if (PrintProblems(*run)) return 2;
  int status = PrintAlerts(*calc, *run, given) > 0 ? 1 : 0;
  // With the history text the junction calculator says "not possible"
  // there instead of in a box.
  std::string why;
  if (calc->dialogId == kJunctionId && !JunctionPossible(*run, &why)) {
    std::fprintf(stderr, "kwt: calc %s: no junction potential: %s\n", args[0].c_str(), why.c_str());
    status = 1;
  }
  return status;
}

namespace {

// The action options of --dialog, in the order of DialogScriptOptions::values.
enum DialogOption { kSet, kChooseOpt, kToggle, kCheckOpt, kPressOpt, kSelect, kClick, kRadio,
                    kFile, kCancelFile, kDialogOptionCount };
struct DialogOptionInfo {
  const char* name;
  const char* typeName;
  const char* help;
};
constexpr DialogOptionInfo kDialogOptions[kDialogOptionCount] = {
    {"--set", "ID=TEXT", "type TEXT into field ID"},
    {"--choose", "ID=ITEM", "choose an item of popup or list ID (number or text)"},
    {"--toggle", "ID", "click check box ID"},
    {"--check", "ID=0|1", "set check box ID"},
    {"--press", "ID", "press button ID"},
    {"--select", "ID=ROWS",
     "select exactly these rows of multi-select list ID: numbers or texts, comma-separated "
     "(a wave row answers to the wave's name); ID= alone selects none"},
    {"--click", "ID=ROW",
     "click one row of multi-select list ID (number or text): a folder row opens or closes, "
     "a wave row is selected or deselected"},
    {"--radio", "ID", "choose radio button ID"},
    {"--file", "PATH", "answer the next file dialog with PATH"},
    {"--cancel-file", "", "cancel the next file dialog"},
};

// Splits "a,b,c" at its commas; empty pieces are dropped.
std::vector<std::string> CommaList(const std::string& text) {
  std::vector<std::string> pieces;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    if (comma > start) pieces.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return pieces;
}

}  // namespace

void AddDialogOptions(CLI::App& app, DialogScriptOptions* o) {
  app.add_option("--dialog", o->dialog,
                 "after the commands, open the dialog of this menu item (its text or number) "
                 "and run the actions below in command-line order")
      ->type_name("NAME");
  for (int k = 0; k < kDialogOptionCount; ++k) {
    const DialogOptionInfo& option = kDialogOptions[k];
    if (k == kCancelFile) {
      o->options[k] = app.add_flag(option.name, o->cancelFiles, option.help);
      continue;
    }
    o->options[k] = app.add_option(option.name, o->values[k], option.help)
                        ->type_name(option.typeName)
                        ->expected(1)
                        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  }
}

// CLI11 keeps each option's values apart; its parse order (one entry per
// occurrence) puts the actions back into command-line order.
bool DialogActionsFromCommandLine(const CLI::App& app, const DialogScriptOptions& o,
                                  std::vector<DialogAction>* actions, std::string* error) {
  size_t next[kDialogOptionCount] = {};
  for (const CLI::Option* opt : app.parse_order()) {
    int k = 0;
    while (k < kDialogOptionCount && o.options[k] != opt) ++k;
    if (k == kDialogOptionCount) continue;
    if (k == kCancelFile) {
      actions->push_back(DialogAction::CancelFile());
      continue;
    }
    if (next[k] >= o.values[k].size()) continue;
    const std::string& arg = o.values[k][next[k]++];
    if (k == kFile) {
      // A path as the file system spells it: no conversion to host bytes.
      actions->push_back(DialogAction::ChooseFile(arg));
      continue;
    }
    // "ID=VALUE" for set, choose, check, select and click; "ID" for the rest.
    const size_t equals = arg.find('=');
    const bool wantsValue =
        k == kSet || k == kChooseOpt || k == kCheckOpt || k == kSelect || k == kClick;
    int32_t id = 0;
    if ((wantsValue && equals == std::string::npos) ||
        !ParseInt(wantsValue ? std::string_view(arg).substr(0, equals) : std::string_view(arg), &id)) {
      *error = std::string(kDialogOptions[k].name) + " " + arg + ": expected " +
               (wantsValue ? "ID=VALUE" : "ID") + " with a control number";
      return false;
    }
    const std::string value = wantsValue ? Utf8ToCp1252(arg.substr(equals + 1)) : std::string();
    int32_t item = 0;
    switch (k) {
      case kSet: actions->push_back(DialogAction::SetText(id, value)); break;
      case kChooseOpt:
        if (ParseInt(value, &item) && item > 0) actions->push_back(DialogAction::Choose(id, item));
        else actions->push_back(DialogAction::ChooseText(id, value));
        break;
      case kToggle: actions->push_back(DialogAction::Toggle(id)); break;
      case kCheckOpt:
        if (value != "0" && value != "1") {
          *error = "--check " + arg + ": expected ID=0 or ID=1";
          return false;
        }
        actions->push_back(DialogAction::Check(id, value == "1"));
        break;
      case kSelect: {
        std::vector<int32_t> rows;
        std::vector<std::string> texts;
        for (const std::string& piece : CommaList(value)) {
          if (ParseInt(piece, &item) && item > 0) rows.push_back(item);
          else texts.push_back(piece);
        }
        actions->push_back(DialogAction::Select(id, std::move(rows), std::move(texts)));
        break;
      }
      case kClick:
        if (ParseInt(value, &item) && item > 0) actions->push_back(DialogAction::ClickRow(id, item));
        else actions->push_back(DialogAction::ClickRowText(id, value));
        break;
      case kRadio: actions->push_back(DialogAction::Radio(id)); break;
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
  const std::string commandLine = wb.commandLine();
  const std::string clipboard = wb.clipboard();
  wb.dialogs().SetScript(std::move(actions));
  const int32_t code = wb.ChooseMenuItem(item);
  // What "To Cmd Line" placed and "To Clip" copied would otherwise not be
  // seen: they go to standard output.
  if (wb.commandLine() != commandLine)
    std::printf("command line: %s\n", HistoryToUtf8(wb.commandLine()).c_str());
  if (wb.clipboard() != clipboard)
    std::printf("clipboard: %s\n", HistoryToUtf8(wb.clipboard()).c_str());
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
