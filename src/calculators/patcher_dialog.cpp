// The dialog "Patcher's Calculator".
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "calculators/calculator_dialog.h"
#include "calculators/calculator_fields.h"
#include "calculators/calculator_message.h"
#include "calculators/calculators.h"
#include "calculators/patcher.h"
#include "calculators/prefixed_number.h"
#include "host/host.h"
#include "resources/dialogs.h"

namespace kwt {
namespace {

constexpr int32_t kCategoryPopup = 5;
constexpr int32_t kQuantityPopup = 15;
constexpr int32_t kFirstName = 6;   // labels 6 to 8
constexpr int32_t kFirstValue = 9;  // fields 9 to 11
constexpr int32_t kFirstUnit = 12;  // labels 12 to 14
constexpr int32_t kResult = 16;
constexpr int32_t kResultUnit = 17;

constexpr CalculatorMessage kNotPossible{kNoteTitle, "Calculation was not possible."};

class PatcherDialog final : public CalculatorDialog {
 public:
  PatcherDialog() : CalculatorDialog(nullptr) {}

  void OnInit(DialogHandle d) override {
    std::vector<std::string> categories;
    for (const PatcherCategory& c : PatcherCategories()) categories.emplace_back(c.name);
    DialogSetItems(d, kCategoryPopup, categories);
    ChooseCategory(d, 0);
  }

 private:
  void OnControl(DialogHandle d, const DialogEvent& event) override {
    if (event.kind != DialogEventKind::kItemChosen) return;
    if (event.control == kCategoryPopup) {
      ChooseCategory(d, DialogGetSelection(d, kCategoryPopup) - 1);
    } else if (event.control == kQuantityPopup) {
      const int32_t formula = PatcherFormulaAt(category_, DialogGetSelection(d, kQuantityPopup));
      // A separator selects nothing: the list goes back to the quantity in
      // use, and the fields keep what they hold.
      if (formula < 0) {
        DialogSetSelection(d, kQuantityPopup, PatcherItemOf(category_, formula_));
        return;
      }
      ChooseFormula(d, formula);
    }
  }

  // A new category lists its quantities and starts on the first one.
  void ChooseCategory(DialogHandle d, int32_t category) {
    const auto count = static_cast<int32_t>(PatcherCategories().size());
    if (category < 0 || category >= count) category = 0;
    category_ = category;
    DialogSetItems(d, kQuantityPopup, PatcherQuantityItems(category));
    ChooseFormula(d, PatcherCategories()[category].firstFormula);
  }

  // The labels follow the formula; values typed for another formula mean
  // nothing for this one, so the fields are emptied.
  void ChooseFormula(DialogHandle d, int32_t formula) {
    formula_ = formula;
    DialogSetSelection(d, kQuantityPopup, PatcherItemOf(category_, formula));
    const PatcherFormula& f = *FindPatcherFormula(formula);
    for (int i = 0; i < 3; ++i) {
      DialogSetText(d, kFirstName + i, f.parameters[i]);
      DialogSetText(d, kFirstUnit + i, f.units[i]);
    }
    DialogSetText(d, kResultUnit, f.resultUnit);
    ClearFields(d);
  }

  void ClearFields(DialogHandle d) {
    for (int i = 0; i < 3; ++i) DialogSetText(d, kFirstValue + i, "");
    DialogSetText(d, kResult, "");
  }

  void Write(DialogHandle d, int32_t control, double value, bool plain) {
    if (plain) SetPlainField(d, control, value);
    else SetPrefixedField(d, control, value);
  }

  // Geometry and reversal potentials read plain numbers, where an empty
  // field is missing; the others read prefixed numbers, where it is 0.
  void Calculate(DialogHandle d, bool toHistory) override {
    const bool plain = PatcherUsesPlainNumbers(formula_);
    PatcherValues v;
    for (int i = 0; i < 3; ++i) {
      double p;
      if (plain) {
        if (!GetPlainField(d, kFirstValue + i, &p)) p = std::numeric_limits<double>::quiet_NaN();
      } else {
        GetPrefixedField(d, kFirstValue + i, &p);  // 0 when empty
      }
      v.parameters[i] = p;
    }
    if (!CalculatePatcherFormula(formula_, &v)) {
      ClearFields(d);
      ShowCalculatorMessage(kNotPossible);
      return;
    }
    // A parameter the formula left unknown keeps what the field shows.
    for (int i = 0; i < 3; ++i)
      if (!std::isnan(v.parameters[i])) Write(d, kFirstValue + i, v.parameters[i], plain);
    // An unknown result leaves the field empty rather than showing the
    // result of an earlier calculation.
    if (std::isnan(v.result)) DialogSetText(d, kResult, "");
    else Write(d, kResult, v.result, plain);
    if (toHistory) HostNotice(PatcherHistory(formula_, v));
  }

  bool CollectSettings(DialogHandle, SettingsRecord*) override { return false; }

  int32_t category_ = 0;
  int32_t formula_ = 0;
};

}  // namespace

int32_t RunPatcherDialog() {
  PatcherDialog dialog;
  return RunCalculatorDialog(resources::kPatcherDialogId, dialog);
}

}  // namespace kwt
