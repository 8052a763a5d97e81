// The one thread that runs the module, as the host's main thread does.
//
// The browser's requests arrive on the server's threads; none of them
// touches the session.  They post work here instead: jobs (a command line,
// a menu item), which run one at a time and never inside one another, and
// services (drawing a window, a dialog's action, the answer to a question),
// which run between jobs and also while a job waits for the person at a
// dialog or a message box, as a modal loop keeps serving the application.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>

namespace kwt {

class ModuleThread {
 public:
  using Task = std::function<void()>;

  void PostJob(Task job);
  void PostService(Task service);

  // Runs services for the caller and waits for their result; nullopt when
  // it did not come within `timeout` or the thread is stopping.
  template <class T>
  std::optional<T> Call(std::function<T()> fn, std::chrono::milliseconds timeout) {
    // The service alone owns the promise: a service dropped unrun (the
    // thread stopping) breaks it, and the wait below ends at once.
    auto promise = std::make_shared<std::promise<T>>();
    std::future<T> future = promise->get_future();
    PostService([promise = std::move(promise), fn = std::move(fn)] { promise->set_value(fn()); });
    if (future.wait_for(timeout) != std::future_status::ready) return std::nullopt;
    try {
      return future.get();
    } catch (const std::future_error&) {
      return std::nullopt;  // dropped unrun: the thread is stopping
    }
  }

  // The loop of the module thread: runs services and jobs until Stop.
  void Run();
  // For a job that waits for the person: runs services until `done` holds;
  // false when the thread is stopping (the wait is abandoned).
  bool WaitFor(const std::function<bool()>& done);
  void Stop();

  bool stopping() const;
  // A job is running (a command or a menu item).
  bool busy() const;
  // Jobs that wait behind the running one.
  size_t queuedJobs() const;

 private:
  // Runs every waiting service; with the lock held on entry and exit.
  void RunServices(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Task> jobs_;
  std::deque<Task> services_;
  bool stopping_ = false;
  bool busy_ = false;
};

}  // namespace kwt
