#include "runtime/timer_queue.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

TEST(TimerQueue, StalledTimerTicksOnceThenKeepsItsRhythm) {
  TimerQueue queue;
  int ticks = 0;
  const auto id = queue.addTimer(100, [&] { ++ticks; });
  queue.armTimer(id, true, 100, 0);
  // The loop was busy until 1050: ticks due at 100..1000 collapse into one.
  const auto task = queue.takeDue(1050);
  ASSERT_NE(task, nullptr);
  (*task)();
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(queue.takeDue(1050), nullptr);
  EXPECT_EQ(queue.nextDueMs(), 1100);
}

}  // namespace
}  // namespace ql
