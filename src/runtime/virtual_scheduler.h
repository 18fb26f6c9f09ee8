#pragma once
// A scheduler on a virtual clock, for tests: time stands still until the test advances it, so a
// 150 s countdown takes microseconds and every run gives the same order of events.

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "runtime/scheduler.h"
#include "runtime/timer_queue.h"

namespace ql {

class VirtualScheduler : public Scheduler {
 public:
  explicit VirtualScheduler(std::int64_t startMs = 0) : nowMs_(startMs) {}

  std::int64_t nowMs() const override { return nowMs_; }
  void post(Task task) override;  // safe from any thread
  void delay(int delayMs, Task task) override;

  // Moves the clock forward by ms, running in time order every timer tick and delay that falls
  // due, including work the callbacks schedule; posted tasks run before each next due time and
  // once more at the end. Ties run in the order they were armed.
  void advance(std::int64_t ms);
  // Advances at most maxMs, stopping at the first moment (after a tick, a delay or the posted
  // tasks) when done() holds. Returns done(); the clock stays where it became true.
  bool advanceUntil(const std::function<bool()>& done, std::int64_t maxMs);
  // Runs the posted tasks (and those they post) without moving the clock.
  void runPending();

  std::size_t armedTimerCount() const { return queue_.armedTimerCount(); }
  std::size_t pendingDelayCount() const { return queue_.pendingDelayCount(); }

 protected:
  TimerId addTimer(int intervalMs, Task onTick) override;
  void removeTimer(TimerId id) override;
  void armTimer(TimerId id, bool enabled, int intervalMs) override;

 private:
  // Runs due work up to targetMs; stops early (returning true) when done is given and holds.
  bool runUntil(std::int64_t targetMs, const std::function<bool()>* done);

  std::int64_t nowMs_;
  TimerQueue queue_;
  std::mutex postedMutex_;
  std::deque<Task> posted_;
};

}  // namespace ql
