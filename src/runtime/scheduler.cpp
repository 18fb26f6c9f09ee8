#include "runtime/scheduler.h"

namespace ql {

std::unique_ptr<Timer> Scheduler::makeTimer(int intervalMs, Task onTick) {
  return std::make_unique<Timer>(*this, intervalMs, std::move(onTick));
}

Timer::Timer(Scheduler& scheduler, int intervalMs, Scheduler::Task onTick)
    : scheduler_(scheduler), id_(scheduler.addTimer(intervalMs, std::move(onTick))), intervalMs_(intervalMs) {}

Timer::~Timer() { scheduler_.removeTimer(id_); }

void Timer::setEnabled(bool enabled) {
  if (enabled == enabled_) return;  // enabling an enabled timer does not re-arm it
  enabled_ = enabled;
  scheduler_.armTimer(id_, enabled_, intervalMs_);
}

void Timer::restart() {
  enabled_ = true;
  scheduler_.armTimer(id_, true, intervalMs_);
}

void Timer::setInterval(int intervalMs) {
  if (intervalMs == intervalMs_) return;
  intervalMs_ = intervalMs;
  if (enabled_) scheduler_.armTimer(id_, true, intervalMs_);
}

}  // namespace ql
