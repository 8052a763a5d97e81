// The dialog "Calculate Buffer Capacity".
#include <cmath>
#include <optional>

#include "calculators/buffer_capacity.h"
#include "calculators/calculator_dialog.h"
#include "calculators/calculator_fields.h"
#include "calculators/calculators.h"
#include "host/host.h"
#include "resources/dialogs.h"

namespace kwt {
namespace {

// Fields.
constexpr int32_t kTotalIon = 9;
constexpr int32_t kTotalBuffer = 10;
constexpr int32_t kFreeIon = 11;
constexpr int32_t kFreeBuffer = 12;
constexpr int32_t kKd = 14;
constexpr int32_t kComplexed = 16;
constexpr int32_t kCapacity = 18;
constexpr int32_t kMaxRatio = 24;

// Stored settings: the five input fields as doubles.
constexpr SettingsLayout kLayout{2328, 8, 1858, 1};
struct StoredField {
  int32_t control;
  size_t offset;
};
constexpr StoredField kStored[] = {
    {kFreeIon, 1860}, {kTotalIon, 1868}, {kFreeBuffer, 1876}, {kTotalBuffer, 1884}, {kKd, 1900}};

class BufferCapacityDialog final : public CalculatorDialog {
 public:
  BufferCapacityDialog() : CalculatorDialog(&kLayout) {}

  void OnInit(DialogHandle d) override {
    SettingsRecord record(kLayout);
    if (!SettingsRecord::Load(kLayout, &record)) return;
    // A stored number that is not finite (a damaged record) shows as nothing.
    for (const StoredField& f : kStored) {
      const double v = record.Double(f.offset);
      SetPrefixedField(d, f.control, std::isfinite(v) ? v : 0.0);
    }
  }

 private:
  void Calculate(DialogHandle d, bool toHistory) override {
    BufferCapacityInput in;
    in.totalIon = PrefixedFieldValue(d, kTotalIon);
    in.totalBuffer = PrefixedFieldValue(d, kTotalBuffer);
    in.freeIon = PrefixedFieldValue(d, kFreeIon);
    in.freeBuffer = PrefixedFieldValue(d, kFreeBuffer);
    in.kd = PrefixedFieldValue(d, kKd);
    // After an error or a note nothing in the dialog changes.
    BufferCapacityResult r;
    CalculatorMessage message;
    if (!CalculateBufferCapacity(in, &r, &message)) {
      ShowCalculatorMessage(message);
      return;
    }
    // The inputs are written back too: what the fields show is what the
    // next Calculate reads.
    SetPrefixedField(d, kTotalIon, r.totalIon);
    SetPrefixedField(d, kTotalBuffer, r.totalBuffer);
    SetPrefixedField(d, kFreeIon, r.freeIon);
    SetPrefixedField(d, kFreeBuffer, r.freeBuffer);
    SetPrefixedField(d, kKd, r.kd);
    SetPrefixedField(d, kComplexed, r.complexedBuffer);
    SetPrefixedField(d, kCapacity, r.capacity);
    SetPrefixedField(d, kMaxRatio, r.maxBindingRatio);
    if (toHistory) HostNotice(BufferCapacityHistory(r));
  }

  bool CollectSettings(DialogHandle d, SettingsRecord* record) override {
    for (const StoredField& f : kStored) {
      double v;
      GetPrefixedField(d, f.control, &v);  // 0 when the field does not read
      record->SetDouble(f.offset, v);
    }
    return true;
  }
};

}  // namespace

int32_t RunBufferCapacityDialog() {
  BufferCapacityDialog dialog;
  return RunCalculatorDialog(resources::kBufferCapacityDialogId, dialog);
}

}  // namespace kwt
