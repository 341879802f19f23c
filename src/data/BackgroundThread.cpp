#include "BackgroundThread.h"

#include <mutex>
#include <thread>

namespace {
std::mutex starterMutex;
BackgroundStarter customStarter;
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
  std::thread(std::move(body)).detach();
}

void SetBackgroundStarter(BackgroundStarter starter) {
  std::lock_guard lock(starterMutex);
  customStarter = std::move(starter);
}
