#include "workbench/ui/ui_view.h"

#include "workbench/host/encoding.h"

namespace kwt {
namespace {

// The transcript keeps its last notices; older ones are in the history.
constexpr size_t kNoticesKept = 200;

}  // namespace

void UiView::Changed() {
  ++version_;
  changed_.notify_all();
}

void UiView::AppendHistory(std::string_view text) {
  const std::string utf8 = HistoryToUtf8(text);
  const std::lock_guard lock(mutex_);
  history_ += utf8;
  Changed();
}

void UiView::SetBusy(bool busy, std::string_view job) {
  const std::lock_guard lock(mutex_);
  busy_ = busy;
  job_ = HistoryToUtf8(job);
  progress_ = nullptr;
  Changed();
}

void UiView::SetProgress(int64_t steps, double seconds) {
  const std::lock_guard lock(mutex_);
  if (!busy_) return;
  progress_ = {{"steps", steps}, {"seconds", seconds}};
  Changed();
}

void UiView::SetObjects(nlohmann::json objects) {
  const std::lock_guard lock(mutex_);
  if (objects == objects_) return;
  objects_ = std::move(objects);
  objectsVersion_ = version_ + 1;
  Changed();
}

void UiView::SetWindows(nlohmann::json windows) {
  const std::lock_guard lock(mutex_);
  windows_ = std::move(windows);
  windowsVersion_ = version_ + 1;
  Changed();
}

void UiView::SetDialog(std::optional<nlohmann::json> dialog) {
  const std::lock_guard lock(mutex_);
  dialog_ = dialog ? std::move(*dialog) : nlohmann::json();
  Changed();
}

void UiView::SetMessage(std::optional<nlohmann::json> message) {
  const std::lock_guard lock(mutex_);
  message_ = message ? std::move(*message) : nlohmann::json();
  Changed();
}

void UiView::AddNotice(std::string_view kind, std::string_view text) {
  const std::lock_guard lock(mutex_);
  notices_.push_back({{"n", ++noticeCount_}, {"kind", kind}, {"text", text}});
  if (notices_.size() > kNoticesKept) notices_.erase(notices_.begin());
  Changed();
}

void UiView::SetClipboard(std::string_view text) {
  const std::string utf8 = HistoryToUtf8(text);
  const std::lock_guard lock(mutex_);
  clipboard_ = utf8;
  ++clipboardSeq_;
  Changed();
}

void UiView::SetCommandLine(std::string_view text) {
  const std::string utf8 = HistoryToUtf8(text);
  const std::lock_guard lock(mutex_);
  commandLine_ = utf8;
  ++commandLineSeq_;
  Changed();
}

void UiView::Beep() {
  const std::lock_guard lock(mutex_);
  ++beeps_;
  Changed();
}

void UiView::Close() {
  const std::lock_guard lock(mutex_);
  closed_ = true;
  Changed();
}

bool UiView::closed() const {
  const std::lock_guard lock(mutex_);
  return closed_;
}

nlohmann::json UiView::Snapshot(uint64_t since, size_t historyFrom, uint64_t objectsSince,
                                uint64_t windowsSince, std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, wait, [&] { return version_ > since || closed_; });
  nlohmann::json s = {{"version", version_},
                      {"closed", closed_},
                      {"busy", busy_},
                      {"job", job_},
                      {"progress", progress_},
                      {"historyLength", history_.size()},
                      {"dialog", dialog_},
                      {"message", message_},
                      {"notices", notices_},
                      {"clipboard", {{"seq", clipboardSeq_}, {"text", clipboard_}}},
                      {"commandLine", {{"seq", commandLineSeq_}, {"text", commandLine_}}},
                      {"beeps", beeps_},
                      {"objectsVersion", objectsVersion_},
                      {"windowsVersion", windowsVersion_}};
  // The history from where the page has it; the whole when it asks for
  // more than there is (a new session).
  const size_t from = historyFrom <= history_.size() ? historyFrom : 0;
  s["historyFrom"] = from;
  s["history"] = history_.substr(from);
  if (objectsVersion_ > objectsSince) s["objects"] = objects_;
  if (windowsVersion_ > windowsSince) s["windows"] = windows_;
  return s;
}

}  // namespace kwt
