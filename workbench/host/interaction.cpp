#include "workbench/host/interaction.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "host/host.h"
#include "workbench/host/encoding.h"

namespace kwt {

void Interaction::SetFixed(int32_t answer) {
  mode_ = Mode::kFixed;
  fixed_ = answer;
}

void Interaction::SetScripted(std::deque<int32_t> answers, int32_t otherwise) {
  mode_ = Mode::kScripted;
  scripted_ = std::move(answers);
  otherwise_ = otherwise;
}

void Interaction::SetTerminal() { mode_ = Mode::kTerminal; }

void Interaction::Alert(std::string_view title, std::string_view text) {
  events_.push_back({"alert", std::string(title), std::string(text), 0});
  if (alertSink_) alertSink_(title, text);
  if (mode_ == Mode::kDelegate && delegate_ != nullptr) {
    delegate_->Alert(title, text);
  } else if (!alertSink_ && mode_ == Mode::kTerminal && isatty(STDERR_FILENO)) {
    std::fprintf(stderr, "[%s] %s\n", HistoryToUtf8(title).c_str(), HistoryToUtf8(text).c_str());
  }
}

int32_t Interaction::AskYesNo(std::string_view title, std::string_view text) {
  int32_t answer = 1;
  switch (mode_) {
    case Mode::kFixed:
      answer = fixed_;
      break;
    case Mode::kScripted:
      if (!scripted_.empty()) {
        answer = scripted_.front();
        scripted_.pop_front();
      } else {
        answer = otherwise_;
      }
      break;
    case Mode::kTerminal:
      answer = AskTerminal(title, text);
      break;
    case Mode::kDelegate:
      answer = delegate_ != nullptr ? delegate_->AskYesNo(title, text) : kAnswerYes;
      break;
  }
  events_.push_back({"question", std::string(title), std::string(text), answer});
  return answer;
}

void Interaction::Beep() {
  events_.push_back({"beep", "", "", 0});
  if (mode_ == Mode::kDelegate && delegate_ != nullptr) delegate_->Beep();
  if (mode_ == Mode::kTerminal && isatty(STDERR_FILENO)) std::fputc('\a', stderr);
}

int32_t Interaction::AskTerminal(std::string_view title, std::string_view text) {
  if (!isatty(STDIN_FILENO) || !isatty(STDERR_FILENO)) return 1;
  for (;;) {
    std::fprintf(stderr, "[%s] %s [y/n] ", HistoryToUtf8(title).c_str(),
                 HistoryToUtf8(text).c_str());
    std::fflush(stderr);
    char buf[64];
    if (std::fgets(buf, sizeof buf, stdin) == nullptr) return 1;
    if (buf[0] == 'y' || buf[0] == 'Y') return 1;
    if (buf[0] == 'n' || buf[0] == 'N') return 2;
  }
}

}  // namespace kwt
