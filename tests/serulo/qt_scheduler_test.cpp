#include "ui/qt/qt_scheduler.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QThread>
#include <atomic>
#include <thread>
#include <vector>

namespace ql {
namespace {

TEST(QtScheduler, PostsFromOtherThreadsRunOnTheGuiThreadInOrder) {
  QtScheduler scheduler;
  std::vector<int> order;
  std::atomic<int> wrongThread{0};
  QThread* gui = QThread::currentThread();
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) {
      scheduler.post([&, i] {
        if (QThread::currentThread() != gui) ++wrongThread;
        order.push_back(i);
      });
    }
  });
  worker.join();
  ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 100; }, 2000));
  EXPECT_EQ(wrongThread, 0);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
}

TEST(QtScheduler, TimersRepeatStopAndDieWithTheirHandle) {
  QtScheduler scheduler;
  int ticks = 0;
  auto timer = scheduler.makeTimer(5, [&] { ++ticks; });
  timer->start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 2000));
  timer->stop();
  const int stoppedAt = ticks;
  QTest::qWait(30);
  EXPECT_EQ(ticks, stoppedAt);

  bool delayed = false;
  scheduler.delay(5, [&] { delayed = true; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return delayed; }, 2000));

  // A timer that destroys itself in its own tick.
  std::unique_ptr<Timer> selfStopping;
  int selfTicks = 0;
  selfStopping = scheduler.makeTimer(5, [&] {
    ++selfTicks;
    selfStopping.reset();
  });
  selfStopping->start();
  QTest::qWait(40);
  EXPECT_EQ(selfTicks, 1);
}

}  // namespace
}  // namespace ql
