#include "runtime/timer_queue.h"

#include <algorithm>

namespace ql {

namespace {
// A zero interval would tick endlessly without time passing; the shortest tick is 1 ms.
int usableInterval(int intervalMs) { return std::max(intervalMs, 1); }
}  // namespace

TimerQueue::TimerId TimerQueue::addTimer(int intervalMs, Task onTick) {
  const TimerId id = nextTimerId_++;
  timers_[id] = TimerState{usableInterval(intervalMs), std::make_shared<const Task>(std::move(onTick)), {}};
  return id;
}

void TimerQueue::removeTimer(TimerId id) {
  const auto found = timers_.find(id);
  if (found == timers_.end()) return;
  if (found->second.armedAt) due_.erase(*found->second.armedAt);
  timers_.erase(found);
}

void TimerQueue::armTimer(TimerId id, bool enabled, int intervalMs, std::int64_t nowMs) {
  const auto found = timers_.find(id);
  if (found == timers_.end()) return;
  TimerState& timer = found->second;
  if (timer.armedAt) {
    due_.erase(*timer.armedAt);
    timer.armedAt.reset();
  }
  timer.intervalMs = usableInterval(intervalMs);
  if (enabled) arm(id, timer, nowMs + timer.intervalMs);
}

void TimerQueue::arm(TimerId id, TimerState& timer, std::int64_t dueMs) {
  const Key key{dueMs, nextOrder_++};
  due_.emplace(key, Due{id, timer.task});
  timer.armedAt = key;
}

void TimerQueue::addDelay(std::int64_t dueMs, Task task) {
  due_.emplace(Key{dueMs, nextOrder_++}, Due{0, std::make_shared<const Task>(std::move(task))});
}

std::optional<std::int64_t> TimerQueue::nextDueMs() const {
  if (due_.empty()) return std::nullopt;
  return due_.begin()->first.dueMs;
}

std::shared_ptr<const TimerQueue::Task> TimerQueue::takeDue(std::int64_t nowMs) {
  if (due_.empty() || due_.begin()->first.dueMs > nowMs) return nullptr;
  const auto first = due_.begin();
  const std::int64_t dueMs = first->first.dueMs;
  Due due = std::move(first->second);
  due_.erase(first);
  if (due.timer != 0) {
    TimerState& timer = timers_.at(due.timer);
    timer.armedAt.reset();
    // The next tick keeps the timer's rhythm: the first multiple of the interval after now.
    const std::int64_t missed = (nowMs - dueMs) / timer.intervalMs;
    arm(due.timer, timer, dueMs + (missed + 1) * timer.intervalMs);
  }
  return due.task;
}

std::size_t TimerQueue::armedTimerCount() const {
  return static_cast<std::size_t>(std::count_if(
      timers_.begin(), timers_.end(), [](const auto& entry) { return entry.second.armedAt.has_value(); }));
}

std::size_t TimerQueue::pendingDelayCount() const {
  return static_cast<std::size_t>(
      std::count_if(due_.begin(), due_.end(), [](const auto& entry) { return entry.second.timer == 0; }));
}

}  // namespace ql
