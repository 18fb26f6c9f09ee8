#include "runtime/virtual_scheduler.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace ql {
namespace {

TEST(VirtualScheduler, RepeatingTimerTicksOncePerIntervalWithoutDrift) {
  VirtualScheduler scheduler;
  std::vector<std::int64_t> ticks;
  auto timer = scheduler.makeTimer(10, [&] { ticks.push_back(scheduler.nowMs()); });
  scheduler.advance(50);
  EXPECT_TRUE(ticks.empty()) << "a timer is created disabled";
  timer->start();
  scheduler.advance(1000);
  ASSERT_EQ(ticks.size(), 100u);
  EXPECT_EQ(ticks.front(), 60);
  EXPECT_EQ(ticks.back(), 1050);
  EXPECT_EQ(scheduler.nowMs(), 1050);
  // Advancing in small steps gives the same rhythm as one big step.
  for (int i = 0; i < 7; ++i) scheduler.advance(3);
  EXPECT_EQ(ticks.size(), 102u);
  EXPECT_EQ(ticks.back(), 1070);
}

TEST(VirtualScheduler, RunsWorkInTimeOrderAndTiesInArmingOrder) {
  VirtualScheduler scheduler;
  std::vector<std::string> order;
  auto slow = scheduler.makeTimer(30, [&] { order.push_back("slow@" + std::to_string(scheduler.nowMs())); });
  auto fast = scheduler.makeTimer(20, [&] { order.push_back("fast@" + std::to_string(scheduler.nowMs())); });
  scheduler.delay(60, [&] { order.push_back("delay@" + std::to_string(scheduler.nowMs())); });
  slow->start();
  fast->start();
  scheduler.advance(60);
  // Due together at 60: the delay (armed at 0), slow (re-armed at 30), fast (re-armed at 40).
  EXPECT_EQ(order,
            (std::vector<std::string>{"fast@20", "slow@30", "fast@40", "delay@60", "slow@60", "fast@60"}));
}

TEST(VirtualScheduler, WorkScheduledByCallbacksRunsWhenDueWithinTheSameAdvance) {
  VirtualScheduler scheduler;
  std::vector<std::string> order;
  scheduler.delay(10, [&] {
    order.push_back("first@" + std::to_string(scheduler.nowMs()));
    scheduler.delay(0, [&] { order.push_back("zero@" + std::to_string(scheduler.nowMs())); });
    scheduler.delay(15, [&] { order.push_back("inside@" + std::to_string(scheduler.nowMs())); });
    scheduler.delay(100, [&] { order.push_back("later@" + std::to_string(scheduler.nowMs())); });
    scheduler.post([&] { order.push_back("posted@" + std::to_string(scheduler.nowMs())); });
  });
  scheduler.advance(30);
  EXPECT_EQ(order, (std::vector<std::string>{"first@10", "posted@10", "zero@10", "inside@25"}));
  EXPECT_EQ(scheduler.pendingDelayCount(), 1u);
  scheduler.advance(80);
  EXPECT_EQ(order.back(), "later@110");
}

TEST(VirtualScheduler, TimerStoppedOrDestroyedInsideACallbackNeverFiresAgain) {
  VirtualScheduler scheduler;
  int stoppedTicks = 0, destroyedTicks = 0, victimTicks = 0;
  std::unique_ptr<Timer> stopped, destroyed, victim;
  stopped = scheduler.makeTimer(10, [&] {
    if (++stoppedTicks == 2) stopped->stop();
  });
  destroyed = scheduler.makeTimer(10, [&] {
    ++destroyedTicks;
    destroyed.reset();  // destroys the running timer's own handle
  });
  // A timer due at the same moment, destroyed by an earlier callback of that moment.
  victim = scheduler.makeTimer(10, [&] { ++victimTicks; });
  auto killer = scheduler.makeTimer(10, [&] { victim.reset(); });
  killer->start();
  stopped->start();
  destroyed->start();
  victim->start();
  scheduler.advance(100);
  EXPECT_EQ(stoppedTicks, 2);
  EXPECT_EQ(destroyedTicks, 1);
  EXPECT_EQ(victimTicks, 0);
  EXPECT_EQ(scheduler.armedTimerCount(), 1u) << "only the killer is still armed";
}

TEST(VirtualScheduler, RearmingStartsAFreshIntervalFromNow) {
  VirtualScheduler scheduler;
  std::vector<std::int64_t> ticks;
  auto timer = scheduler.makeTimer(100, [&] { ticks.push_back(scheduler.nowMs()); });
  timer->start();
  scheduler.advance(70);
  timer->restart();  // a watchdog kicked at 70: next tick at 170, not 100
  scheduler.advance(110);
  EXPECT_EQ(ticks, (std::vector<std::int64_t>{170}));

  timer->start();  // already running: no re-arm
  scheduler.advance(100);
  EXPECT_EQ(ticks.back(), 270);

  timer->setInterval(30);  // a running timer re-arms with the new interval from now (280)
  scheduler.advance(40);
  EXPECT_EQ(ticks.back(), 310);

  timer->stop();
  scheduler.advance(500);
  timer->start();  // after a stop, a fresh interval from now
  scheduler.advance(30);
  EXPECT_EQ(ticks, (std::vector<std::int64_t>{170, 270, 310, 850}));
}

TEST(VirtualScheduler, CallbackCanRestartItsOwnTimerAndCreateOthers) {
  VirtualScheduler scheduler;
  std::vector<std::string> order;
  std::unique_ptr<Timer> self, child;
  self = scheduler.makeTimer(10, [&] {
    order.push_back("self@" + std::to_string(scheduler.nowMs()));
    self->setInterval(25);  // takes effect from this tick
    if (!child) {
      child = scheduler.makeTimer(5, [&] { order.push_back("child@" + std::to_string(scheduler.nowMs())); });
      child->start();
    }
  });
  self->start();
  scheduler.advance(40);
  EXPECT_EQ(order, (std::vector<std::string>{"self@10", "child@15", "child@20", "child@25", "child@30",
                                             "self@35", "child@35", "child@40"}));
}

TEST(VirtualScheduler, ZeroIntervalTimerTicksEveryMillisecondInsteadOfSpinning) {
  VirtualScheduler scheduler;
  int ticks = 0;
  auto timer = scheduler.makeTimer(0, [&] { ++ticks; });
  timer->start();
  scheduler.advance(5);
  EXPECT_EQ(ticks, 5);
}

TEST(VirtualScheduler, TasksPostedFromOtherThreadsRunInOrderOnRunPending) {
  VirtualScheduler scheduler;
  std::vector<int> received;  // touched only on the test (loop) thread
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&scheduler, &received, t] {
      for (int i = 0; i < 250; ++i) scheduler.post([&received, t, i] { received.push_back(t * 1000 + i); });
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_TRUE(received.empty()) << "posting never runs the task on the posting thread";
  scheduler.runPending();
  ASSERT_EQ(received.size(), 1000u);
  EXPECT_EQ(scheduler.nowMs(), 0);
  // Each thread's tasks keep their order.
  std::vector<int> last(4, -1);
  for (int value : received) {
    EXPECT_GT(value % 1000, last[value / 1000]);
    last[value / 1000] = value % 1000;
  }
}

TEST(VirtualScheduler, AdvanceUntilStopsWhenTheConditionHolds) {
  VirtualScheduler scheduler(1000);
  int ticks = 0;
  auto timer = scheduler.makeTimer(150, [&] { ++ticks; });
  timer->start();
  EXPECT_TRUE(scheduler.advanceUntil([&] { return ticks == 3; }, 10'000));
  EXPECT_EQ(scheduler.nowMs(), 1450);

  EXPECT_FALSE(scheduler.advanceUntil([&] { return ticks == 100; }, 1000));
  EXPECT_EQ(scheduler.nowMs(), 2450);
  EXPECT_EQ(ticks, 9);

  // Already true: the clock does not move.
  EXPECT_TRUE(scheduler.advanceUntil([] { return true; }, 1000));
  EXPECT_EQ(scheduler.nowMs(), 2450);
}

TEST(VirtualScheduler, AdvanceUntilSeesTheEffectOfAPostedTask) {
  VirtualScheduler scheduler;
  bool done = false;
  scheduler.delay(40, [&] { scheduler.post([&] { done = true; }); });
  scheduler.delay(45, [] {});
  EXPECT_TRUE(scheduler.advanceUntil([&] { return done; }, 1000));
  EXPECT_EQ(scheduler.nowMs(), 40);
  EXPECT_EQ(scheduler.pendingDelayCount(), 1u);
}

}  // namespace
}  // namespace ql
