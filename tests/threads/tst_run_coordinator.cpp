#include <QTest>
#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include "threads/RunCoordinator.h"

using namespace std::chrono_literals;

// Runs of the directory update never overlap; one request may wait, further ones are dropped.
class TestRunCoordinator : public QObject {
  Q_OBJECT

  template <typename Predicate>
  static bool waitFor(Predicate done) {
    for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(10ms);
    return done();
  }

 private slots:
  void waitingRequestRunsAfterTheRunningOne() {
    RunCoordinator coordinator;
    std::atomic<int> inside{0}, maxInside{0}, started{0};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::mutex orderMutex;
    QStringList order;
    const auto body = [&](const QString &name, bool block) {
      return [&, name, block] {
        const int now = ++inside;
        maxInside = std::max(maxInside.load(), now);
        ++started;
        {
          std::lock_guard lock(orderMutex);
          order << name;
        }
        if (block) released.wait();
        --inside;
      };
    };
    bool firstRan = false, secondRan = false;
    std::thread first([&] { firstRan = coordinator.run(body("first", true)); });
    QVERIFY(waitFor([&] { return started == 1; }));
    std::thread second([&] { secondRan = coordinator.run(body("second", false)); });
    QVERIFY(waitFor([&] { return coordinator.hasWaiting(); }));
    // A third request while one runs and one waits is covered by the waiting one.
    QVERIFY(!coordinator.run(body("third", false)));
    QCOMPARE(started.load(), 1);
    release.set_value();
    first.join();
    second.join();
    QVERIFY(firstRan);
    QVERIFY(secondRan);
    QCOMPARE(order, (QStringList{"first", "second"}));
    QCOMPARE(maxInside.load(), 1);
    // Idle again: the next request runs at once.
    QVERIFY(coordinator.run(body("fourth", false)));
  }
};

QTEST_APPLESS_MAIN(TestRunCoordinator)
#include "tst_run_coordinator.moc"
