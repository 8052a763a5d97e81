// The dialog "Liquid Junction Potential".
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "calculators/calculator_dialog.h"
#include "calculators/calculator_fields.h"
#include "calculators/calculator_message.h"
#include "calculators/calculators.h"
#include "calculators/junction_potential.h"
#include "calculators/prefixed_number.h"
#include "host/host.h"
#include "resources/dialogs.h"

namespace kwt {
namespace {

// Row r (0 to 9): check box 9 + r, popup 19 + r (rows 0 to 7), pipette
// 29 + r, bath 39 + r, valence 49 + r, mobility 59 + r.
constexpr int32_t kFirstCheck = 9;
constexpr int32_t kFirstPopup = 19;
constexpr int32_t kFirstPipette = 29;
constexpr int32_t kFirstBath = 39;
constexpr int32_t kFirstValence = 49;
constexpr int32_t kFirstMobility = 59;
constexpr int32_t kPotential = 70;
constexpr int32_t kTemperature = 81;

constexpr CalculatorMessage kNotPossible{kNoteTitle, "Calculation was not possible."};

// Stored settings.
constexpr SettingsLayout kLayout{2328, 8, 1926, 4};
constexpr size_t kSelectionsAt = 1928;  // eight 32-bit popup items
constexpr size_t kPipetteAt = 1960;     // ten doubles each
constexpr size_t kBathAt = 2040;
constexpr size_t kValenceAt = 2120;
constexpr size_t kMobilityAt = 2200;
constexpr size_t kChecksAt = 2280;      // ten 32-bit states
constexpr size_t kTemperatureAt = 2320;

struct StoredColumn {
  int32_t firstControl;
  size_t offset;
};
constexpr StoredColumn kColumns[] = {{kFirstPipette, kPipetteAt},
                                     {kFirstBath, kBathAt},
                                     {kFirstValence, kValenceAt},
                                     {kFirstMobility, kMobilityAt}};

// A row's number as typed; one that does not read counts as 0.
double Plain(DialogHandle d, int32_t control) { return PlainFieldValue(d, control).value_or(0.0); }

// Restores a stored number; 0 and what is not finite (a damaged record)
// leave the field as it is.
void Restore(DialogHandle d, int32_t control, double v) {
  if (v != 0.0 && std::isfinite(v)) SetPlainField(d, control, v);
}

class JunctionPotentialDialog final : public CalculatorDialog {
 public:
  JunctionPotentialDialog() : CalculatorDialog(&kLayout) {}

  void OnInit(DialogHandle d) override {
    std::vector<std::string> items = {"_none_", "-"};
    for (const IonEntry& e : IonTable()) items.emplace_back(e.name);
    for (int r = 0; r < kTableRows; ++r) DialogSetItems(d, kFirstPopup + r, items);

    SettingsRecord record(kLayout);
    if (!SettingsRecord::Load(kLayout, &record)) return;
    for (int r = 0; r < kTableRows; ++r)
      DialogSetSelection(d, kFirstPopup + r, record.Int32(kSelectionsAt + 4 * r));
    for (int r = 0; r < kJunctionRows; ++r) {
      for (const StoredColumn& c : kColumns)
        Restore(d, c.firstControl + r, record.Double(c.offset + 8 * r));
      DialogSetCheck(d, kFirstCheck + r, record.Int32(kChecksAt + 4 * r) != 0);
    }
    Restore(d, kTemperature, record.Double(kTemperatureAt));
  }

 private:
  // An ion chosen in a popup brings its table valence and mobility and
  // includes its row; "_none_" or "-" take the row out.  The check boxes
  // toggle themselves.
  void OnControl(DialogHandle d, const DialogEvent& event) override {
    const int r = event.control - kFirstPopup;
    if (event.kind != DialogEventKind::kItemChosen || r < 0 || r >= kTableRows) return;
    const IonEntry* ion = IonForItem(DialogGetSelection(d, event.control));
    if (ion == nullptr) {
      DialogSetCheck(d, kFirstCheck + r, false);
      DialogSetText(d, kFirstValence + r, "");
      DialogSetText(d, kFirstMobility + r, "");
      return;
    }
    DialogSetFocus(d, kFirstPipette + r, true);
    DialogSetCheck(d, kFirstCheck + r, true);
    DialogSetText(d, kFirstValence + r, ion->valence);
    DialogSetText(d, kFirstMobility + r, ion->mobility);
  }

  // Every number of a row is read as typed; one that does not read is 0.
  void Calculate(DialogHandle d, bool toHistory) override {
    JunctionInput in;
    for (int r = 0; r < kJunctionRows; ++r) {
      JunctionRow& row = in.rows[r];
      row.included = DialogGetCheck(d, kFirstCheck + r);
      if (r < kTableRows) row.selection = DialogGetSelection(d, kFirstPopup + r);
      row.pipette = Plain(d, kFirstPipette + r);
      row.bath = Plain(d, kFirstBath + r);
      row.valence = Plain(d, kFirstValence + r);
      row.mobility = Plain(d, kFirstMobility + r);
    }
    in.temperature = PlainFieldValue(d, kTemperature);

    JunctionResult result;
    const bool possible = CalculateJunctionPotential(in, &result);
    if (toHistory) HostNotice(JunctionPotentialHistory(in, result));
    if (!possible) {
      // The history already says so when the text goes there.
      if (!toHistory) ShowCalculatorMessage(kNotPossible);
      return;
    }
    if (result.temperatureChanged) SetPlainField(d, kTemperature, result.temperature);
    SetPlainField(d, kPotential, result.potential);
  }

  // A field that does not read is stored as 0, which the next opening
  // leaves empty.
  bool CollectSettings(DialogHandle d, SettingsRecord* record) override {
    for (int r = 0; r < kTableRows; ++r)
      record->SetInt32(kSelectionsAt + 4 * r, DialogGetSelection(d, kFirstPopup + r));
    for (int r = 0; r < kJunctionRows; ++r) {
      for (const StoredColumn& c : kColumns)
        record->SetDouble(c.offset + 8 * r, Plain(d, c.firstControl + r));
      record->SetInt32(kChecksAt + 4 * r, DialogGetCheck(d, kFirstCheck + r) ? 1 : 0);
    }
    record->SetDouble(kTemperatureAt, Plain(d, kTemperature));
    return true;
  }
};

}  // namespace

int32_t RunJunctionPotentialDialog() {
  JunctionPotentialDialog dialog;
  return RunCalculatorDialog(resources::kJunctionPotentialDialogId, dialog);
}

}  // namespace kwt
