// The dialog "Calculate free Calcium & Magnesium".
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "calculators/calculator_dialog.h"
#include "calculators/calculator_fields.h"
#include "calculators/calculators.h"
#include "calculators/free_ca_mg.h"
#include "calculators/prefixed_number.h"
#include "host/host.h"
#include "resources/dialogs.h"
#include "support/format.h"

namespace kwt {
namespace {

// Row i (0 to 5) has its popup at 5 + i, total at 14 + i, free at 23 + i.
constexpr int32_t kFirstPopup = 5;
constexpr int32_t kFirstTotal = 14;
constexpr int32_t kFirstFree = 23;
constexpr int32_t kTotalMg = 20;
constexpr int32_t kTotalCa = 21;
constexpr int32_t kFreeMg = 29;
constexpr int32_t kFreeCa = 30;
constexpr int32_t kConvergence = 35;
constexpr int32_t kIterations = 36;
constexpr int32_t kPH = 38;
constexpr int32_t kCorrection = 40;

// Stored settings.
constexpr SettingsLayout kLayout{3352, 10, 2760, 2};
constexpr size_t kSelectionsAt = 2762;  // six 32-bit popup items
constexpr size_t kTotalsAt = 2786;      // six doubles
constexpr size_t kTotalCaAt = 2834;
constexpr size_t kTotalMgAt = 2842;
struct StoredOption {
  int32_t control;
  size_t offset;
};
constexpr StoredOption kOptions[] = {
    {kConvergence, 2850}, {kIterations, 2858}, {kPH, 2866}, {kCorrection, 2874}};

// A stored number that is not finite (a damaged record) shows as nothing.
double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

class FreeCaMgDialog final : public CalculatorDialog {
 public:
  FreeCaMgDialog() : CalculatorDialog(&kLayout) {}

  void OnInit(DialogHandle d) override {
    std::vector<std::string> items = {"_none_", "-"};
    for (const BufferEntry& e : BufferTable()) items.emplace_back(e.name);
    for (int i = 0; i < kBufferRows; ++i) DialogSetItems(d, kFirstPopup + i, items);

    SettingsRecord record(kLayout);
    if (!SettingsRecord::Load(kLayout, &record)) return;
    for (int i = 0; i < kBufferRows; ++i) {
      BufferRow row;
      SelectBuffer(record.Int32(kSelectionsAt + 4 * i), &row);
      DialogSetSelection(d, kFirstPopup + i, row.selection);
      SetPrefixedField(d, kFirstTotal + i, Finite(record.Double(kTotalsAt + 8 * i)));
    }
    SetPrefixedField(d, kTotalCa, Finite(record.Double(kTotalCaAt)));
    SetPrefixedField(d, kTotalMg, Finite(record.Double(kTotalMgAt)));
    // An option stored without a value (its field did not read) leaves the
    // field empty, so that it takes its default on the next calculation.
    for (const StoredOption& o : kOptions) {
      const double v = record.Double(o.offset);
      DialogSetText(d, o.control, std::isfinite(v) ? FormatPlainNumber(v) : std::string());
    }
  }

 private:
  // A buffer chosen in a popup: its row is ready for the total; "_none_"
  // or "-" clear the row's result.
  void OnControl(DialogHandle d, const DialogEvent& event) override {
    const int row = event.control - kFirstPopup;
    if (event.kind != DialogEventKind::kItemChosen || row < 0 || row >= kBufferRows) return;
    BufferRow r;
    if (SelectBuffer(DialogGetSelection(d, event.control), &r)) {
      DialogSetFocus(d, kFirstTotal + row, true);
    } else {
      DialogSetText(d, kFirstFree + row, "");
    }
  }

  // The popups are the rows' state: each calculation loads the selected
  // entries afresh.
  void Calculate(DialogHandle d, bool toHistory) override {
    FreeCaMgInput in;
    in.totalCa = PrefixedFieldValue(d, kTotalCa);
    in.totalMg = PrefixedFieldValue(d, kTotalMg);
    for (int i = 0; i < kBufferRows; ++i) {
      SelectBuffer(DialogGetSelection(d, kFirstPopup + i), &in.rows[i]);
      in.rows[i].total = PrefixedFieldValue(d, kFirstTotal + i);
    }
    in.convergencePercent = PrefixedFieldValue(d, kConvergence);
    in.iterations = PlainFieldValue(d, kIterations);
    in.pH = PlainFieldValue(d, kPH);
    in.correction = PrefixedFieldValue(d, kCorrection);

    FreeCaMgResult r;
    CalculatorMessage message;
    const bool computed = CalculateFreeCaMg(in, &r, &message);
    // Corrected options show in their fields even when an error follows.
    if (r.optionsChecked) {
      if (r.convergenceChanged) SetPlainField(d, kConvergence, r.convergencePercent);
      if (r.iterationsChanged) SetPlainField(d, kIterations, r.iterations);
      if (r.correctionChanged) DialogSetText(d, kCorrection, Format("%.2f", r.correction));
      if (r.pHChanged) SetPlainField(d, kPH, r.pH);
    }
    if (!computed) {
      ShowCalculatorMessage(message);
      return;
    }
    // A row that took no part keeps no free value from an earlier run.
    for (int i = 0; i < kBufferRows; ++i)
      SetPrefixedField(d, kFirstFree + i, r.rows[i].active ? r.rows[i].freeBuffer : 0.0);
    SetPrefixedField(d, kFreeCa, r.freeCa);
    SetPrefixedField(d, kFreeMg, r.freeMg);
    // The note that the iterations ran out comes with the results shown
    // and before the history text.
    ShowCalculatorMessage(message);
    if (toHistory) HostNotice(FreeCaMgHistory(in, r));
  }

  bool CollectSettings(DialogHandle d, SettingsRecord* record) override {
    double v;
    for (int i = 0; i < kBufferRows; ++i) {
      record->SetInt32(kSelectionsAt + 4 * i, DialogGetSelection(d, kFirstPopup + i));
      GetPrefixedField(d, kFirstTotal + i, &v);
      record->SetDouble(kTotalsAt + 8 * i, v);
    }
    GetPrefixedField(d, kTotalCa, &v);
    record->SetDouble(kTotalCaAt, v);
    GetPrefixedField(d, kTotalMg, &v);
    record->SetDouble(kTotalMgAt, v);
    // An option that does not read is stored as NaN rather than 0: a pH
    // of 0 would come back as a valid pH.
    for (const StoredOption& o : kOptions) {
      if (!GetPlainField(d, o.control, &v)) v = std::numeric_limits<double>::quiet_NaN();
      record->SetDouble(o.offset, v);
    }
    return true;
  }
};

}  // namespace

int32_t RunFreeCaMgDialog() {
  FreeCaMgDialog dialog;
  return RunCalculatorDialog(resources::kFreeCaMgDialogId, dialog);
}

}  // namespace kwt
