#include "workbench/dialogs/dialog_actions.h"

#include "support/format.h"
#include "workbench/host/names.h"

namespace kwt {

// Each maker names only the fields its kind uses; the rest keep their
// defaults.
DialogAction DialogAction::SetText(int32_t control, std::string text) {
  return {.kind = Kind::kSetText, .control = control, .text = std::move(text)};
}
DialogAction DialogAction::Choose(int32_t control, int32_t item) {
  return {.kind = Kind::kChoose, .control = control, .item = item};
}
DialogAction DialogAction::ChooseText(int32_t control, std::string itemText) {
  return {.kind = Kind::kChoose, .control = control, .text = std::move(itemText)};
}
DialogAction DialogAction::Toggle(int32_t control) { return {.kind = Kind::kToggle, .control = control}; }
DialogAction DialogAction::Check(int32_t control, bool checked) {
  return {.kind = Kind::kCheck, .control = control, .item = checked ? 1 : 0};
}
DialogAction DialogAction::Press(int32_t control) { return {.kind = Kind::kPress, .control = control}; }
DialogAction DialogAction::Select(int32_t control, std::vector<int32_t> rows,
                                  std::vector<std::string> rowTexts) {
  return {.kind = Kind::kSelect, .control = control, .items = std::move(rows),
          .texts = std::move(rowTexts)};
}
DialogAction DialogAction::ClickRow(int32_t control, int32_t row) {
  return {.kind = Kind::kClickRow, .control = control, .item = row};
}
DialogAction DialogAction::ClickRowText(int32_t control, std::string rowText) {
  return {.kind = Kind::kClickRow, .control = control, .text = std::move(rowText)};
}
DialogAction DialogAction::Radio(int32_t control) { return {.kind = Kind::kRadio, .control = control}; }
DialogAction DialogAction::ChooseFile(std::string path) {
  return {.kind = Kind::kChooseFile, .text = std::move(path)};
}
DialogAction DialogAction::CancelFile() { return {.kind = Kind::kCancelFile}; }

std::string DialogAction::Describe() const {
  const auto itemOrText = [&] { return item != 0 ? std::to_string(item) : text; };
  switch (kind) {
    case Kind::kSetText: return Format("set %d=%s", control, text.c_str());
    case Kind::kChoose: return Format("choose %d=%s", control, itemOrText().c_str());
    case Kind::kToggle: return Format("toggle %d", control);
    case Kind::kCheck: return Format("check %d=%d", control, item);
    case Kind::kPress: return Format("press %d", control);
    case Kind::kSelect: {
      std::string rows;
      for (int32_t r : items) rows += (rows.empty() ? "" : ",") + std::to_string(r);
      for (const std::string& t : texts) rows += (rows.empty() ? "" : ",") + t;
      return Format("select %d=%s", control, rows.c_str());
    }
    case Kind::kClickRow: return Format("click %d=%s", control, itemOrText().c_str());
    case Kind::kRadio: return Format("radio %d", control);
    case Kind::kChooseFile: return "file " + text;
    case Kind::kCancelFile: return "cancel file";
  }
  return {};
}

int32_t FindItemByText(const std::vector<std::string>& items, const std::string& text) {
  const auto lastColumn = [](const std::string& item) {
    const size_t tab = item.rfind('\t');
    return tab == std::string::npos ? std::string_view(item)
                                    : std::string_view(item).substr(tab + 1);
  };
  // Three passes, from the strictest match to the loosest, so that an
  // exact item is never shadowed by an earlier one that is only similar.
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == text) return static_cast<int32_t>(i + 1);
  for (size_t i = 0; i < items.size(); ++i)
    if (SameName(items[i], text)) return static_cast<int32_t>(i + 1);
  for (size_t i = 0; i < items.size(); ++i)
    if (SameName(lastColumn(items[i]), text)) return static_cast<int32_t>(i + 1);
  return 0;
}

}  // namespace kwt
