// The busy cursor as a progress indicator: a spinner with the elapsed time
// on standard error, drawn only when standard error is a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace kwt {

class Progress {
 public:
  // enabled: draw at all (false for tests and pipes).
  explicit Progress(bool enabled);
  ~Progress();

  // kind 1 arrow (stop), 2 watch, 5 spinning.
  void Cursor(int32_t kind);
  // Spin calls seen since the last stop (counted even when not drawn).
  int64_t spins() const { return spins_; }
  // Also tells `listener` of the spins and the seconds since the first, as
  // often as the spinner is drawn (the browser page shows them).
  void SetListener(std::function<void(int64_t spins, double seconds)> listener) {
    listener_ = std::move(listener);
  }

 private:
  void Draw();
  void Clear();

  std::function<void(int64_t, double)> listener_;
  bool enabled_;
  bool shown_ = false;
  int64_t spins_ = 0;
  int frame_ = 0;
  std::chrono::steady_clock::time_point start_{};
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace kwt
