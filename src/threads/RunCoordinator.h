#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

// Keeps the runs of one job from overlapping. A request while a run is going waits for it and
// then runs; a request while another one already waits is dropped, because the waiting run
// starts after it anyway and does the same work.
class RunCoordinator {
 public:
  // Runs body on the calling thread; false when the request was dropped.
  bool run(const std::function<void()> &body);
  // True while a request waits for the running one.
  bool hasWaiting();

 private:
  std::mutex mutex_;
  std::condition_variable finished_;
  bool running_ = false;
  bool waiting_ = false;
};
