#include "ui/qt/qt_scheduler.h"

#include <QMetaObject>
#include <QTimer>

namespace ql {

QtScheduler::QtScheduler() { clock_.start(); }

QtScheduler::~QtScheduler() {
  for (auto& [id, timer] : timers_) delete timer;
}

void QtScheduler::post(Task task) {
  QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
}

void QtScheduler::delay(int delayMs, Task task) {
  QTimer::singleShot(delayMs, Qt::PreciseTimer, &context_, std::move(task));
}

Scheduler::TimerId QtScheduler::addTimer(int intervalMs, Task onTick) {
  auto* timer = new QTimer(&context_);
  timer->setTimerType(Qt::PreciseTimer);
  timer->setInterval(intervalMs);
  QObject::connect(timer, &QTimer::timeout, &context_, std::move(onTick));
  const TimerId id = nextId_++;
  timers_[id] = timer;
  return id;
}

void QtScheduler::removeTimer(TimerId id) {
  const auto it = timers_.find(id);
  if (it == timers_.end()) return;
  it->second->stop();
  it->second->deleteLater();  // the timer may be removed from inside its own tick
  timers_.erase(it);
}

void QtScheduler::armTimer(TimerId id, bool enabled, int intervalMs) {
  const auto it = timers_.find(id);
  if (it == timers_.end()) return;
  if (enabled) {
    it->second->start(intervalMs);  // (re)starts a fresh interval
  } else {
    it->second->stop();
  }
}

}  // namespace ql
