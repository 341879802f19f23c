#pragma once

#include <QDate>
#include <QDateTime>
#include <functional>

// Time, waits and random draws go through here, so that tests can run a paced send loop
// without waiting and with chosen draws.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime now() const;
  QDate today() const { return now().date(); }
  // Blocks the calling thread for the given number of milliseconds.
  virtual void sleepMs(int milliseconds);
  // A uniformly drawn whole number in [0, bound); 0 when bound <= 0.
  virtual int randomBelow(int bound);

  static Clock &instance();
  // Installs a replacement (tests); nullptr restores the system clock. Not owned.
  static void setInstance(Clock *clock);
};
