// Alerts, yes/no questions and the beep all pass through one interaction
// policy: scripted answers (tests), a prompt on the terminal, or one fixed
// answer.  Every event is kept in a log, in order.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kwt {

// Who answers when the policy asks a person: a front end that shows alerts
// and questions in a window of its own (the browser page).  Alert returns
// once the person has seen the alert.
class InteractionDelegate {
 public:
  virtual ~InteractionDelegate() = default;
  virtual void Alert(std::string_view title, std::string_view text) = 0;
  virtual int32_t AskYesNo(std::string_view title, std::string_view text) = 0;
  virtual void Beep() = 0;
};

class Interaction {
 public:
  enum class Mode { kScripted, kTerminal, kFixed, kDelegate };

  struct Event {
    std::string kind;   // "alert", "question", "beep"
    std::string title;  // host bytes
    std::string text;
    int32_t answer = 0;  // questions: 1 yes, 2 no
  };

  // Every question gets `answer` (1 yes, 2 no).
  void SetFixed(int32_t answer);
  // Questions take the answers in order; when they run out, `otherwise`.
  void SetScripted(std::deque<int32_t> answers, int32_t otherwise = 1);
  // Questions are asked on the terminal; without one the answer is yes.
  void SetTerminal();
  // Alerts, questions and beeps go to `delegate` (not owned).
  void SetDelegate(InteractionDelegate* delegate) {
    mode_ = Mode::kDelegate;
    delegate_ = delegate;
  }
  Mode mode() const { return mode_; }
  // Called with every alert as it is shown (title and text in host bytes);
  // without a sink, alerts go to a terminal's standard error.
  void SetAlertSink(std::function<void(std::string_view, std::string_view)> sink) {
    alertSink_ = std::move(sink);
  }

  void Alert(std::string_view title, std::string_view text);
  int32_t AskYesNo(std::string_view title, std::string_view text);
  void Beep();

  const std::vector<Event>& events() const { return events_; }
  void ClearEvents() { events_.clear(); }

 private:
  int32_t AskTerminal(std::string_view title, std::string_view text);

  Mode mode_ = Mode::kFixed;
  int32_t fixed_ = 1;
  std::deque<int32_t> scripted_;
  int32_t otherwise_ = 1;
  std::vector<Event> events_;
  std::function<void(std::string_view, std::string_view)> alertSink_;
  InteractionDelegate* delegate_ = nullptr;
};

}  // namespace kwt
