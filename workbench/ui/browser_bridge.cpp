#include "workbench/ui/browser_bridge.h"

#include "host/host.h"
#include "workbench/host/encoding.h"

namespace kwt {
namespace {

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kButton: return "button";
    case ControlKind::kLabel: return "label";
    case ControlKind::kEdit: return "edit";
    case ControlKind::kPopup: return "popup";
    case ControlKind::kCheckBox: return "check";
    case ControlKind::kGroup: return "group";
    case ControlKind::kPicture: return "picture";
    case ControlKind::kList: return "list";
  }
  return "label";
}

std::string Text(std::string_view hostBytes) { return HistoryToUtf8(hostBytes); }

}  // namespace

nlohmann::json DialogJson(const DialogDesc& desc, const DialogRecord& record) {
  nlohmann::json controls = nlohmann::json::array();
  for (const ControlDesc& c : desc.controls) {
    const ControlState* s = record.Find(c.id);
    nlohmann::json items = nlohmann::json::array();
    if (s != nullptr)
      for (const std::string& item : s->items) items.push_back(Text(item));
    controls.push_back({{"id", c.id},
                        {"kind", KindName(c.kind)},
                        {"x", c.x},
                        {"y", c.y},
                        {"width", c.width},
                        {"height", c.height},
                        {"default", (c.flags & kControlDefault) != 0},
                        {"readOnly", (c.flags & kControlReadOnly) != 0},
                        {"name", Text(c.name)},
                        {"text", Text(s != nullptr ? s->text : c.text)},
                        {"checked", s != nullptr && s->checked},
                        {"items", items},
                        {"selection", s != nullptr ? s->selection : 0},
                        {"enabled", s == nullptr || s->enabled}});
  }
  return {{"id", desc.id},
          {"title", Text(desc.title)},
          {"width", desc.width},
          {"height", desc.height},
          {"focus", record.focus},
          {"focusSelectsAll", record.focusSelectsAll},
          {"controls", controls}};
}

bool BrowserBridge::Act(const nlohmann::json& a) {
  if (depth_ == 0 || !a.is_object() || !a.contains("kind")) return false;
  const std::string kind = a.value("kind", "");
  const int32_t control = a.value("control", 0);
  if (kind == "close") {
    closeAsked_ = true;
    return true;
  }
  if (kind == "set") {
    actions_.push_back(DialogAction::SetText(control, Utf8ToHost(a.value("text", ""))));
  } else if (kind == "choose") {
    actions_.push_back(DialogAction::Choose(control, a.value("item", 0)));
  } else if (kind == "toggle") {
    actions_.push_back(DialogAction::Toggle(control));
  } else if (kind == "press") {
    actions_.push_back(DialogAction::Press(control));
  } else {
    return false;
  }
  return true;
}

bool BrowserBridge::Answer(uint64_t id, int32_t answer) {
  if (id != messageId_ || answer_ != 0) return false;
  answer_ = answer == kAnswerNo ? kAnswerNo : kAnswerYes;
  return true;
}

void BrowserBridge::Show(const DialogDesc& desc, const DialogRecord& record) {
  if (depth_ == 0) depth_ = 1;
  view_.SetDialog(DialogJson(desc, record));
}

bool BrowserBridge::Next(DialogAction* action) {
  if (!thread_.WaitFor([&] { return !actions_.empty() || closeAsked_; })) return false;
  if (closeAsked_) {
    closeAsked_ = false;
    actions_.clear();
    return false;
  }
  *action = std::move(actions_.front());
  actions_.pop_front();
  return true;
}

void BrowserBridge::Closed(const DialogRecord& record) {
  (void)record;
  depth_ = 0;
  actions_.clear();
  closeAsked_ = false;
  view_.SetDialog(std::nullopt);
}

int32_t BrowserBridge::Ask(const char* kind, std::string_view title, std::string_view text) {
  const uint64_t id = ++messageId_;
  answer_ = 0;
  view_.SetMessage(nlohmann::json{
      {"id", id}, {"kind", kind}, {"title", Text(title)}, {"text", Text(text)}});
  const bool answered = thread_.WaitFor([&] { return answer_ != 0; });
  view_.SetMessage(std::nullopt);
  return answered ? answer_ : 0;
}

void BrowserBridge::Alert(std::string_view title, std::string_view text) {
  Ask("alert", title, text);
}

int32_t BrowserBridge::AskYesNo(std::string_view title, std::string_view text) {
  // A session that ends while the question waits answers no: nothing is
  // done that the person did not agree to.
  const int32_t answer = Ask("question", title, text);
  return answer == 0 ? kAnswerNo : answer;
}

void BrowserBridge::Beep() { view_.Beep(); }

}  // namespace kwt
