#pragma once
// The timers and delays of one scheduler, ordered by due time. Shared by the virtual and the real
// scheduler so that both run work in the same order: earliest due first, ties in the order the
// work was armed (a timer counts as armed again each time it ticks). Loop thread only.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

#include "runtime/scheduler.h"

namespace ql {

class TimerQueue {
 public:
  using Task = Scheduler::Task;
  using TimerId = Scheduler::TimerId;

  TimerId addTimer(int intervalMs, Task onTick);
  void removeTimer(TimerId id);
  // Enabling arms the timer for nowMs + interval; disabling drops its next tick.
  void armTimer(TimerId id, bool enabled, int intervalMs, std::int64_t nowMs);
  void addDelay(std::int64_t dueMs, Task task);

  std::optional<std::int64_t> nextDueMs() const;
  // Takes the earliest work due at or before nowMs, or null when nothing is due. A timer is
  // re-armed first at its next tick after nowMs (ticks missed during a stall are skipped, not
  // run in a burst), so its callback may stop, restart or destroy it. The returned task stays
  // alive while it runs even when its timer is removed meanwhile.
  std::shared_ptr<const Task> takeDue(std::int64_t nowMs);

  std::size_t armedTimerCount() const;
  std::size_t pendingDelayCount() const;

 private:
  struct Key {
    std::int64_t dueMs;
    std::uint64_t order;
    auto operator<=>(const Key&) const = default;
  };
  struct Due {
    TimerId timer = 0;  // 0 for a delay
    std::shared_ptr<const Task> task;
  };
  struct TimerState {
    int intervalMs = 1;
    std::shared_ptr<const Task> task;
    std::optional<Key> armedAt;  // its entry in due_ while armed
  };

  void arm(TimerId id, TimerState& timer, std::int64_t dueMs);

  std::map<Key, Due> due_;
  std::unordered_map<TimerId, TimerState> timers_;
  TimerId nextTimerId_ = 1;
  std::uint64_t nextOrder_ = 0;
};

}  // namespace ql
