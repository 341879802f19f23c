#include "RunCoordinator.h"

bool RunCoordinator::run(const std::function<void()> &body) {
  std::unique_lock lock(mutex_);
  if (running_) {
    if (waiting_) return false;
    waiting_ = true;
    finished_.wait(lock, [this] { return !running_; });
    waiting_ = false;
  }
  running_ = true;
  lock.unlock();
  struct Done {
    RunCoordinator *self;
    ~Done() {
      std::lock_guard guard(self->mutex_);
      self->running_ = false;
      self->finished_.notify_all();
    }
  } done{this};
  body();
  return true;
}

bool RunCoordinator::hasWaiting() {
  std::lock_guard lock(mutex_);
  return waiting_;
}
