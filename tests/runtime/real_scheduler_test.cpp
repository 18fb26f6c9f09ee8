// The only tests that use real time: they check the loop's waking and quitting, with short waits.
#include "runtime/real_scheduler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace ql {
namespace {

TEST(RealScheduler, RunsATaskPostedFromAnotherThreadAndQuitsFromThere) {
  RealScheduler scheduler;
  std::thread::id ranOn;
  std::thread worker([&] {
    scheduler.post([&] { ranOn = std::this_thread::get_id(); });
    scheduler.quit();
  });
  scheduler.run();  // returns only through the worker's quit()
  worker.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(RealScheduler, TimersAndDelaysFireWhileTheLoopRuns) {
  RealScheduler scheduler;
  int ticks = 0;
  auto timer = scheduler.makeTimer(5, [&] {
    if (++ticks == 3) scheduler.quit();
  });
  timer->start();
  bool delayed = false;
  scheduler.delay(1, [&] { delayed = true; });
  const std::int64_t start = scheduler.nowMs();
  scheduler.runFor(5000);  // ends early through quit()
  EXPECT_EQ(ticks, 3);
  EXPECT_TRUE(delayed);
  EXPECT_GE(scheduler.nowMs() - start, 15);
  EXPECT_LT(scheduler.nowMs() - start, 5000);
}

TEST(RealScheduler, RunUntilReportsTheConditionOrTheTimeout) {
  RealScheduler scheduler;
  std::atomic<bool> flag = false;
  std::thread worker([&] { scheduler.post([&] { flag = true; }); });
  EXPECT_TRUE(scheduler.runUntil([&] { return flag.load(); }, 5000));
  worker.join();

  const std::int64_t start = scheduler.nowMs();
  EXPECT_FALSE(scheduler.runUntil([] { return false; }, 20));
  EXPECT_GE(scheduler.nowMs() - start, 20);
}

TEST(RealScheduler, QuitBeforeRunEndsTheNextLoopAtOnce) {
  RealScheduler scheduler;
  scheduler.quit();
  scheduler.run();  // would hang if the quit were lost
  int ran = 0;
  scheduler.post([&] { ++ran; });
  scheduler.runFor(0);
  EXPECT_EQ(ran, 1) << "the quit is used up by one loop";
}

}  // namespace
}  // namespace ql
