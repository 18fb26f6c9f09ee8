#pragma once
// The scheduler of the windowed programs: tasks and timers run on the Qt event loop of the thread
// that created it (the GUI thread). post() is safe from any thread, so the serial read thread
// hands its blocks over through it.

#include <QElapsedTimer>
#include <QObject>
#include <map>

#include "runtime/scheduler.h"

class QTimer;

namespace ql {

class QtScheduler : public Scheduler {
 public:
  QtScheduler();
  ~QtScheduler() override;
  QtScheduler(const QtScheduler&) = delete;
  QtScheduler& operator=(const QtScheduler&) = delete;

  std::int64_t nowMs() const override { return clock_.elapsed(); }
  void post(Task task) override;
  void delay(int delayMs, Task task) override;

 protected:
  TimerId addTimer(int intervalMs, Task onTick) override;
  void removeTimer(TimerId id) override;
  void armTimer(TimerId id, bool enabled, int intervalMs) override;

 private:
  QObject context_;  // lives on the GUI thread; queued calls run there
  QElapsedTimer clock_;
  std::map<TimerId, QTimer*> timers_;
  TimerId nextId_ = 1;
};

}  // namespace ql
