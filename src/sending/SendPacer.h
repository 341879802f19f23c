#pragma once

#include <QObject>
#include <functional>

class Clock;

// How the send engine waits between mails.
class SendPacer {
 public:
  virtual ~SendPacer() = default;
  // Runs done on the calling thread once the time has passed; it may run before wait returns.
  virtual void wait(int milliseconds, std::function<void()> done) = 0;
};

// Blocks the calling thread through the clock (the command-line tool; tests, whose clock
// records the waits and returns at once).
class ClockPacer : public SendPacer {
 public:
  explicit ClockPacer(Clock &clock) : clock_(clock) {}
  void wait(int milliseconds, std::function<void()> done) override;

 private:
  Clock &clock_;
};

// A timer on the calling thread's event loop: a window keeps handling its events while it
// waits.
class TimerPacer : public SendPacer {
 public:
  void wait(int milliseconds, std::function<void()> done) override;

 private:
  QObject context_;  // pending timers die with the pacer
};
