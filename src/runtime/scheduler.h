#pragma once
// The event-loop seam. All program logic runs on one thread (the loop thread); timers fire there,
// and other threads hand work to it with post(). Tests drive VirtualScheduler, the programs run
// RealScheduler (headless) or the Qt adapter (windows).

#include <cstdint>
#include <functional>
#include <memory>

namespace ql {

class Timer;

class Scheduler {
 public:
  using Task = std::function<void()>;
  using TimerId = std::uint64_t;

  virtual ~Scheduler() = default;

  // Milliseconds since an arbitrary epoch, monotonic.
  virtual std::int64_t nowMs() const = 0;

  // Runs task on the loop thread, after everything posted before it. Safe from any thread.
  virtual void post(Task task) = 0;

  // Runs task once on the loop thread after delayMs. Loop thread only.
  virtual void delay(int delayMs, Task task) = 0;

  // A repeating timer, created disabled. Loop thread only; see Timer for the owning handle.
  std::unique_ptr<Timer> makeTimer(int intervalMs, Task onTick);

 protected:
  friend class Timer;
  virtual TimerId addTimer(int intervalMs, Task onTick) = 0;
  virtual void removeTimer(TimerId id) = 0;
  // Enabling (or re-arming) starts a fresh interval from now; disabling cancels the next tick.
  virtual void armTimer(TimerId id, bool enabled, int intervalMs) = 0;
};

// Owning handle of a repeating timer: the timer dies with it.
class Timer {
 public:
  Timer(Scheduler& scheduler, int intervalMs, Scheduler::Task onTick);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  void setEnabled(bool enabled);
  bool enabled() const { return enabled_; }
  void start() { setEnabled(true); }
  void stop() { setEnabled(false); }
  // Starts a fresh interval from now, enabling the timer.
  void restart();
  void setInterval(int intervalMs);
  int interval() const { return intervalMs_; }

 private:
  Scheduler& scheduler_;
  Scheduler::TimerId id_;
  int intervalMs_;
  bool enabled_ = false;
};

}  // namespace ql
