#include "runtime/real_scheduler.h"

#include <algorithm>
#include <utility>

namespace ql {

RealScheduler::RealScheduler() : epoch_(Clock::now()) {}

std::int64_t RealScheduler::nowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - epoch_).count();
}

void RealScheduler::post(Task task) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(task));
  }
  wake_.notify_one();
}

void RealScheduler::quit() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_one();
}

void RealScheduler::delay(int delayMs, Task task) {
  queue_.addDelay(nowMs() + std::max(delayMs, 0), std::move(task));
}

Scheduler::TimerId RealScheduler::addTimer(int intervalMs, Task onTick) {
  return queue_.addTimer(intervalMs, std::move(onTick));
}

void RealScheduler::removeTimer(TimerId id) { queue_.removeTimer(id); }

void RealScheduler::armTimer(TimerId id, bool enabled, int intervalMs) {
  queue_.armTimer(id, enabled, intervalMs, nowMs());
}

void RealScheduler::run() { loop(std::nullopt, nullptr); }

void RealScheduler::runFor(std::int64_t ms) { loop(nowMs() + std::max<std::int64_t>(ms, 0), nullptr); }

bool RealScheduler::runUntil(const std::function<bool()>& done, std::int64_t timeoutMs) {
  if (done()) return true;
  loop(nowMs() + std::max<std::int64_t>(timeoutMs, 0), &done);
  return done();
}

bool RealScheduler::runPosted() {
  std::deque<Task> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(posted_);
  }
  for (Task& task : batch) task();
  return !batch.empty();
}

void RealScheduler::loop(std::optional<std::int64_t> deadlineMs, const std::function<bool()>* done) {
  for (;;) {
    // Work posted before a quit() still runs.
    const bool ranPosted = runPosted();
    {
      std::lock_guard lock(mutex_);
      if (quit_) {
        quit_ = false;
        return;
      }
    }
    if (ranPosted) {
      if (done && (*done)()) return;
      continue;  // posted work goes before the next due tick
    }
    const std::int64_t now = nowMs();
    if (deadlineMs && now >= *deadlineMs) return;
    if (const auto task = queue_.takeDue(now)) {
      (*task)();
      if (done && (*done)()) return;
      continue;
    }

    std::optional<std::int64_t> wakeMs = queue_.nextDueMs();
    if (deadlineMs) wakeMs = wakeMs ? std::min(*wakeMs, *deadlineMs) : *deadlineMs;
    std::unique_lock lock(mutex_);
    const auto woken = [this] { return !posted_.empty() || quit_; };
    if (wakeMs) {
      wake_.wait_until(lock, timeOf(*wakeMs), woken);
    } else {
      wake_.wait(lock, woken);
    }
  }
}

}  // namespace ql
