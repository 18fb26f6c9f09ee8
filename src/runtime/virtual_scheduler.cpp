#include "runtime/virtual_scheduler.h"

#include <algorithm>
#include <utility>

namespace ql {

void VirtualScheduler::post(Task task) {
  std::lock_guard lock(postedMutex_);
  posted_.push_back(std::move(task));
}

void VirtualScheduler::delay(int delayMs, Task task) {
  queue_.addDelay(nowMs_ + std::max(delayMs, 0), std::move(task));
}

Scheduler::TimerId VirtualScheduler::addTimer(int intervalMs, Task onTick) {
  return queue_.addTimer(intervalMs, std::move(onTick));
}

void VirtualScheduler::removeTimer(TimerId id) { queue_.removeTimer(id); }

void VirtualScheduler::armTimer(TimerId id, bool enabled, int intervalMs) {
  queue_.armTimer(id, enabled, intervalMs, nowMs_);
}

void VirtualScheduler::runPending() {
  for (;;) {
    std::deque<Task> batch;
    {
      std::lock_guard lock(postedMutex_);
      batch.swap(posted_);
    }
    if (batch.empty()) return;
    // Run outside the lock: a task may post again (from this or another thread).
    for (Task& task : batch) task();
  }
}

void VirtualScheduler::advance(std::int64_t ms) { runUntil(nowMs_ + std::max<std::int64_t>(ms, 0), nullptr); }

bool VirtualScheduler::advanceUntil(const std::function<bool()>& done, std::int64_t maxMs) {
  if (done()) return true;
  return runUntil(nowMs_ + std::max<std::int64_t>(maxMs, 0), &done);
}

bool VirtualScheduler::runUntil(std::int64_t targetMs, const std::function<bool()>* done) {
  for (;;) {
    runPending();
    if (done && (*done)()) return true;
    const std::optional<std::int64_t> next = queue_.nextDueMs();
    if (!next || *next > targetMs) break;
    nowMs_ = std::max(nowMs_, *next);
    const auto task = queue_.takeDue(nowMs_);
    (*task)();
  }
  nowMs_ = targetMs;
  runPending();
  return done && (*done)();
}

}  // namespace ql
