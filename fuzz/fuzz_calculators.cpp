// The calculator dialogs on arbitrary input: a stored settings record and
// the texts of the edit fields.  Layout of the input: byte 0 picks the
// calculator, bytes 1-2 (little-endian) the length of the stored record
// that follows, and the rest are field texts separated by 0x01, typed into
// the dialog's edit fields in order.  The dialog then calculates, posts to
// the history, exits (storing its settings) and opens once more.
#include <cstdint>
#include <string>
#include <vector>

#include "calculators/prefixed_number.h"
#include "resources/dialogs.h"
#include "workbench/workbench.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3 || size > 16384) return 0;
  const int32_t item = 8 + data[0] % 4;
  const int32_t dialogs[] = {kwt::resources::kFreeCaMgDialogId, kwt::resources::kBufferCapacityDialogId,
                             kwt::resources::kPatcherDialogId, kwt::resources::kJunctionPotentialDialogId};
  const kwt::DialogDesc& desc = *kwt::resources::FindDialog(dialogs[data[0] % 4]);
  size_t recordSize = data[1] | size_t{data[2]} << 8;
  if (recordSize > size - 3) recordSize = size - 3;
  const std::vector<uint8_t> record(data + 3, data + 3 + recordSize);

  std::vector<std::string> texts(1);
  for (size_t i = 3 + recordSize; i < size; ++i) {
    if (data[i] == 0x01) texts.emplace_back();
    else texts.back() += static_cast<char>(data[i]);
  }
  for (const std::string& t : texts) {
    double v;
    if (kwt::ParsePrefixedNumber(t, &v)) kwt::ParsePrefixedNumber(kwt::FormatPrefixedNumber(v), &v);
  }

  kwt::Workbench wb(kwt::Workbench::Options{.memoryPrefs = true});
  wb.SavePrefs(record);
  std::vector<kwt::DialogAction> actions;
  size_t next = 0;
  for (const kwt::ControlDesc& c : desc.controls) {
    if (c.kind != kwt::ControlKind::kEdit || (c.flags & kwt::kControlReadOnly) != 0) continue;
    if (next == texts.size()) break;
    actions.push_back(kwt::DialogAction::SetText(c.id, texts[next++]));
  }
  for (int32_t button : {1, 3, 2}) actions.push_back(kwt::DialogAction::Press(button));
  wb.dialogs().SetScript(actions);
  wb.ChooseMenuItem(item);
  wb.dialogs().SetScript({kwt::DialogAction::Press(3)});
  wb.ChooseMenuItem(item);
  return 0;
}
