#include "workbench/ui/module_thread.h"

namespace kwt {

void ModuleThread::PostJob(Task job) {
  {
    const std::lock_guard lock(mutex_);
    if (stopping_) return;
    jobs_.push_back(std::move(job));
  }
  wake_.notify_all();
}

void ModuleThread::PostService(Task service) {
  {
    const std::lock_guard lock(mutex_);
    if (stopping_) return;
    services_.push_back(std::move(service));
  }
  wake_.notify_all();
}

void ModuleThread::RunServices(std::unique_lock<std::mutex>& lock) {
  while (!services_.empty()) {
    Task service = std::move(services_.front());
    services_.pop_front();
    lock.unlock();
    service();
    lock.lock();
  }
}

void ModuleThread::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || !services_.empty() || !jobs_.empty(); });
    if (stopping_) break;
    RunServices(lock);
    if (jobs_.empty()) continue;
    Task job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    lock.unlock();
    job();
    lock.lock();
    busy_ = false;
  }
}

bool ModuleThread::WaitFor(const std::function<bool()>& done) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (stopping_) return false;
    // `done` reads what the services set; they run on this thread, so it
    // is asked between them, without the lock.
    lock.unlock();
    const bool finished = done();
    lock.lock();
    if (finished) return true;
    wake_.wait(lock, [&] { return stopping_ || !services_.empty(); });
    if (stopping_) return false;
    RunServices(lock);
  }
}

void ModuleThread::Stop() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    jobs_.clear();
    services_.clear();
  }
  wake_.notify_all();
}

bool ModuleThread::stopping() const {
  const std::lock_guard lock(mutex_);
  return stopping_;
}

bool ModuleThread::busy() const {
  const std::lock_guard lock(mutex_);
  return busy_;
}

size_t ModuleThread::queuedJobs() const {
  const std::lock_guard lock(mutex_);
  return jobs_.size();
}

}  // namespace kwt
