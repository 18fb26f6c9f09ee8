#pragma once
// The event loop of the headless programs: runs on the thread that calls run(), with a monotonic
// clock. Other threads hand work over with post() and stop the loop with quit().

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "runtime/scheduler.h"
#include "runtime/timer_queue.h"

namespace ql {

class RealScheduler : public Scheduler {
 public:
  RealScheduler();

  std::int64_t nowMs() const override;  // milliseconds since the scheduler was made
  void post(Task task) override;        // safe from any thread
  void delay(int delayMs, Task task) override;

  // Runs the loop until quit().
  void run();
  // Ends run(), runFor() or runUntil() after the work in hand; safe from any thread. A quit()
  // made while no loop runs ends the next one at once.
  void quit();
  // Runs the loop for ms milliseconds (or until quit()).
  void runFor(std::int64_t ms);
  // Runs the loop until done() holds (checked after each piece of work), timeoutMs passes or
  // quit() is called. Returns done().
  bool runUntil(const std::function<bool()>& done, std::int64_t timeoutMs);

 protected:
  TimerId addTimer(int intervalMs, Task onTick) override;
  void removeTimer(TimerId id) override;
  void armTimer(TimerId id, bool enabled, int intervalMs) override;

 private:
  using Clock = std::chrono::steady_clock;
  // The loop itself; returns when quit, done or the deadline comes.
  void loop(std::optional<std::int64_t> deadlineMs, const std::function<bool()>* done);
  bool runPosted();  // false when nothing was posted
  Clock::time_point timeOf(std::int64_t ms) const { return epoch_ + std::chrono::milliseconds(ms); }

  const Clock::time_point epoch_;
  TimerQueue queue_;  // loop thread only
  std::mutex mutex_;  // guards posted_ and quit_
  std::condition_variable wake_;
  std::deque<Task> posted_;
  bool quit_ = false;
};

}  // namespace ql
