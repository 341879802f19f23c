#include "Clock.h"

#include <QRandomGenerator>
#include <QThread>
#include <atomic>

namespace {
Clock systemClock;
std::atomic<Clock *> current{nullptr};
}  // namespace

QDateTime Clock::now() const { return QDateTime::currentDateTime(); }

void Clock::sleepMs(int milliseconds) {
  if (milliseconds > 0) QThread::msleep(static_cast<unsigned long>(milliseconds));
}

int Clock::randomBelow(int bound) {
  return bound <= 0 ? 0 : static_cast<int>(QRandomGenerator::global()->bounded(bound));
}

Clock &Clock::instance() {
  Clock *c = current.load();
  return c ? *c : systemClock;
}

void Clock::setInstance(Clock *clock) { current.store(clock); }
