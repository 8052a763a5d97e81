// The session's records: history, problems and windows.
#include "workbench/host/session.h"

#include <algorithm>

#include "support/format.h"

namespace kwt {

Session::Session() : root_(std::make_unique<HostFolder>()) {
  root_->name = "root";
  current_ = root_.get();
}

void Session::PostHistory(std::string_view text) {
  history_.append(text);
  if (historySink_) historySink_(text);
}

void Session::Print(std::string_view line) const {
  if (printSink_) printSink_(line);
}

int32_t Session::NotFound(int32_t code, const ParsedPath& path) {
  std::string text;
  for (int i = 0; i < path.upLevels; ++i) text += ":";
  if (path.relative && path.upLevels == 0) text += ":";
  for (size_t i = 0; i < path.parts.size(); ++i) {
    if (i > 0) text += ":";
    text += QuoteNameIfNeeded(path.parts[i]);
  }
  if (path.trailingColon) text += ":";
  const char* what = code == kHostErrNoSuchWave       ? "no wave named "
                     : code == kHostErrNoSuchVariable ? "no variable named "
                                                      : "no data folder for ";
  Diagnose(what + text);
  return code;
}

bool Session::DiagnosedSince(size_t count) const {
  return std::any_of(problems_.begin() + static_cast<std::ptrdiff_t>(count), problems_.end(),
                     [](const Problem& p) { return p.kind == ProblemKind::kDiagnosis; });
}

std::vector<Problem> Session::TakeProblems() {
  std::vector<Problem> taken = std::move(problems_);
  problems_.clear();
  return taken;
}

Window* Session::TopWindow() { return windows_.empty() ? nullptr : &windows_.front(); }

Window* Session::TopWindow(Window::Kind kind) {
  Window* top = TopWindow();
  return top != nullptr && top->kind == kind ? top : nullptr;
}

Window& Session::NewWindow(Window::Kind kind) {
  Window w;
  w.kind = kind;
  w.name = kind == Window::Kind::kGraph ? Format("Graph%d", graphCount_++)
                                        : Format("Table%d", tableCount_++);
  windows_.insert(windows_.begin(), std::move(w));
  return windows_.front();
}

}  // namespace kwt
