#include "SendPacer.h"

#include <QTimer>

#include "data/Clock.h"

void ClockPacer::wait(int milliseconds, std::function<void()> done) {
  clock_.sleepMs(milliseconds);
  done();
}

void TimerPacer::wait(int milliseconds, std::function<void()> done) {
  QTimer::singleShot(qMax(0, milliseconds), &context_, std::move(done));
}
