#include "workbench/dialogs/dialog_actions.h"

#include "support/format.h"
#include "workbench/host/names.h"

namespace kwt {

DialogAction DialogAction::SetText(int32_t control, std::string text) {
  DialogAction a{Kind::kSetText, control};
  a.text = std::move(text);
  return a;
}
DialogAction DialogAction::Choose(int32_t control, int32_t item) {
  DialogAction a{Kind::kChoose, control};
  a.item = item;
  return a;
}
DialogAction DialogAction::ChooseText(int32_t control, std::string itemText) {
  DialogAction a{Kind::kChoose, control};
  a.text = std::move(itemText);
  return a;
}
DialogAction DialogAction::Toggle(int32_t control) { return {Kind::kToggle, control}; }
DialogAction DialogAction::Check(int32_t control, bool checked) {
  DialogAction a{Kind::kCheck, control};
  a.item = checked ? 1 : 0;
  return a;
}
DialogAction DialogAction::Press(int32_t control) { return {Kind::kPress, control}; }
DialogAction DialogAction::Select(int32_t control, std::vector<int32_t> rows,
                                  std::vector<std::string> rowTexts) {
  DialogAction a{Kind::kSelect, control};
  a.items = std::move(rows);
  a.texts = std::move(rowTexts);
  return a;
}
DialogAction DialogAction::ClickRow(int32_t control, int32_t row) {
  DialogAction a{Kind::kClickRow, control};
  a.item = row;
  return a;
}
DialogAction DialogAction::ClickRowText(int32_t control, std::string rowText) {
  DialogAction a{Kind::kClickRow, control};
  a.text = std::move(rowText);
  return a;
}
DialogAction DialogAction::Radio(int32_t control) { return {Kind::kRadio, control}; }
DialogAction DialogAction::ChooseFile(std::string path) {
  DialogAction a{Kind::kChooseFile};
  a.text = std::move(path);
  return a;
}
DialogAction DialogAction::CancelFile() { return {Kind::kCancelFile}; }

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
