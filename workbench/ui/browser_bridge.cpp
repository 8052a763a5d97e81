#include "workbench/ui/browser_bridge.h"

#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "host/host.h"
#include "workbench/export/session_dump.h"
#include "workbench/host/encoding.h"

namespace kwt {
namespace {

std::string Text(std::string_view hostBytes) { return HistoryToUtf8(hostBytes); }

// A file dialog's pattern: globs separated by ";", matched without regard
// to case; "*.*" means every file, as it does where the dialogs come from.
bool Matches(const std::string& pattern, const std::string& name) {
  size_t start = 0;
  while (start <= pattern.size()) {
    size_t end = pattern.find(';', start);
    if (end == std::string::npos) end = pattern.size();
    std::string glob = pattern.substr(start, end - start);
    glob.erase(0, glob.find_first_not_of(' '));
    if (glob == "*.*" || glob == "*" || fnmatch(glob.c_str(), name.c_str(), FNM_CASEFOLD) == 0)
      return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

// The chooser's view of a folder: its subfolders and the files that match,
// by name; hidden entries and names that are not UTF-8 are left out.
nlohmann::json FolderJson(const std::string& folder, const std::string& pattern) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path dir = fs::weakly_canonical(fs::path(folder), error);
  if (error || !fs::is_directory(dir, error)) return {{"error", "not a folder: " + folder}};
  std::vector<std::string> folders;
  nlohmann::json files = nlohmann::json::array();
  std::vector<std::pair<std::string, uintmax_t>> found;
  constexpr size_t kMaxEntries = 10000;
  bool cut = false;
  for (fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, error), end;
       !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.' || !IsUtf8(name)) continue;
    if (folders.size() + found.size() >= kMaxEntries) {
      cut = true;
      break;
    }
    std::error_code kindError;
    if (it->is_directory(kindError)) folders.push_back(name);
    else if (it->is_regular_file(kindError) && Matches(pattern, name))
      found.emplace_back(name, it->file_size(kindError));
  }
  std::sort(folders.begin(), folders.end());
  std::sort(found.begin(), found.end());
  for (const auto& [name, size] : found) files.push_back({{"name", name}, {"size", size}});
  return {{"folder", dir.string()},
          {"parent", dir.has_parent_path() && dir.parent_path() != dir
                         ? nlohmann::json(dir.parent_path().string()) : nlohmann::json()},
          {"folders", folders},
          {"files", files},
          {"cut", cut}};
}

namespace {

}  // namespace

nlohmann::json DialogJson(const DialogDesc& desc, const DialogRecord& record) {
  nlohmann::json controls = nlohmann::json::array();
  for (const ControlDesc& c : desc.controls) {
    const ControlState* s = record.Find(c.id);
    nlohmann::json items = nlohmann::json::array();
    if (s != nullptr)
      for (const std::string& item : s->items) items.push_back(Text(item));
    controls.push_back({{"id", c.id},
                        {"kind", ControlKindName(c.kind)},
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
                        {"rows", s != nullptr ? s->selectedRows : std::vector<int32_t>{}},
                        {"levels", s != nullptr ? s->rowLevels : std::vector<int32_t>{}},
                        {"multiLine", (c.flags & kControlMultiLine) != 0},
                        {"picture", s != nullptr ? PictureJson(s->picture) : nlohmann::json::array()},
                        {"enabled", s == nullptr || s->enabled}});
  }
  nlohmann::json out = {{"id", desc.id},
                        {"title", Text(desc.title)},
                        {"width", desc.width},
                        {"height", desc.height},
                        {"focus", record.focus},
                        {"focusSelectsAll", record.focusSelectsAll},
                        {"controls", controls},
                        {"file", nullptr}};
  // A file dialog waiting for its answer, over the dialog.
  if (!record.fileDialogs.empty() &&
      record.fileDialogs.back().state == FileDialogRecord::State::kOpen) {
    const FileDialogRecord& f = record.fileDialogs.back();
    nlohmann::json filters = nlohmann::json::array();
    for (const FileFilter& filter : f.filters)
      filters.push_back({{"description", Text(filter.description)}, {"pattern", Text(filter.pattern)}});
    out["file"] = {{"title", Text(f.title)}, {"filters", filters}};
  }
  return out;
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
  } else if (kind == "clickRow") {
    actions_.push_back(DialogAction::ClickRow(control, a.value("item", 0)));
  } else if (kind == "select") {
    // The rows a tree or list selects at once (a plain, control or shift
    // click on the page); the driver refuses rows the list lacks.
    const nlohmann::json rows = a.value("rows", nlohmann::json::array());
    if (!rows.is_array()) return false;
    std::vector<int32_t> chosen;
    for (const nlohmann::json& r : rows) {
      if (!r.is_number_integer()) return false;
      chosen.push_back(r.get<int32_t>());
    }
    actions_.push_back(DialogAction::Select(control, std::move(chosen)));
  } else if (kind == "radio") {
    actions_.push_back(DialogAction::Radio(control));
  } else if (kind == "file" || kind == "cancelFile") {
    if (!file_) return false;
    if (kind == "cancelFile") {
      actions_.push_back(DialogAction::CancelFile());
      return true;
    }
    // Only a file the chooser could have listed: a regular file that exists.
    std::error_code error;
    const std::filesystem::path path(a.value("path", ""));
    if (!path.is_absolute() || !std::filesystem::is_regular_file(path, error)) return false;
    lastFolder_ = path.parent_path().string();
    actions_.push_back(DialogAction::ChooseFile(path.string()));
  } else {
    return false;
  }
  return true;
}

std::optional<nlohmann::json> BrowserBridge::ListFolder(const std::string& folder,
                                                        size_t filter) const {
  if (!file_) return std::nullopt;
  return FolderJson(folder.empty() ? StartFolder() : folder,
                    filter < file_->filters.size() ? file_->filters[filter].pattern : "*");
}

std::string BrowserBridge::StartFolder() const {
  std::error_code error;
  if (!lastFolder_.empty() && std::filesystem::is_directory(lastFolder_, error)) return lastFolder_;
  return std::filesystem::current_path(error).string();
}

bool BrowserBridge::Answer(uint64_t id, int32_t answer) {
  if (id != messageId_ || answer_ != 0) return false;
  answer_ = answer == kAnswerNo ? kAnswerNo : kAnswerYes;
  return true;
}

void BrowserBridge::Show(const DialogDesc& desc, const DialogRecord& record) {
  if (depth_ == 0) depth_ = 1;
  file_.reset();
  if (!record.fileDialogs.empty() &&
      record.fileDialogs.back().state == FileDialogRecord::State::kOpen)
    file_ = record.fileDialogs.back();
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
  file_.reset();
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
