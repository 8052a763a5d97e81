#include "workbench/host/progress.h"

#include <cstdio>

#include "host/host.h"

namespace kwt {

Progress::Progress(bool enabled) : enabled_(enabled) {}

Progress::~Progress() { Clear(); }

void Progress::Cursor(int32_t kind) {
  using namespace std::chrono;
  const auto now = steady_clock::now();
  if (kind == kCursorArrow) {
    Clear();
    spins_ = 0;
    return;
  }
  if (spins_ == 0 && !shown_) start_ = now;
  ++spins_;
  // At most one redraw every 6 ticks (0.1 s).
  if (now - lastDraw_ < milliseconds(100)) return;
  lastDraw_ = now;
  if (listener_) listener_(spins_, duration<double>(now - start_).count());
  Draw();
}

void Progress::Draw() {
  if (!enabled_) return;
  static const char kFrames[] = "|/-\\";
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  std::fprintf(stderr, "\r%c working... %.1f s", kFrames[frame_++ % 4], secs);
  std::fflush(stderr);
  shown_ = true;
}

void Progress::Clear() {
  if (!shown_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  shown_ = false;
}

}  // namespace kwt
