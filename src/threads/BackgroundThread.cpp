#include "BackgroundThread.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace {
std::mutex starterMutex;
BackgroundStarter customStarter;
std::atomic<int> running{0};
}  // namespace

void StartBackgroundThread(const char *name, std::function<void()> body) {
  BackgroundStarter starter;
  {
    std::lock_guard lock(starterMutex);
    starter = customStarter;
  }
  if (starter) {
    starter(name, std::move(body));
    return;
  }
  ++running;
  std::thread([body = std::move(body)] {
    body();
    --running;
  }).detach();
}

int RunningBackgroundThreads() { return running.load(); }

void SetBackgroundStarter(BackgroundStarter starter) {
  std::lock_guard lock(starterMutex);
  customStarter = std::move(starter);
}
