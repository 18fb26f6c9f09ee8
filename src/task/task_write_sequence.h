#pragma once
// The configuration write (TimerWrite, every 150 ms). The write button first refuses a
// fixed-depth profile longer than two hours; the sequence then checks the task, asks the
// operator, and writes it step by step: stop the task, name, send-records option, clock (with
// synchronisation), start, end, record interval, average count, average interval, depth settings,
// start the task. Each step is sent again on every tick until its acknowledgement arrives; the
// depth settings give up after ten sends. At the end the link is given up: the logger records
// and the operator reconnects to work with it again. A port that refuses a frame (it vanished)
// stops the write at once and the operator is told; the task is not started.

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "link/bytes.h"
#include "link/link_state.h"
#include "runtime/operator.h"
#include "runtime/scheduler.h"
#include "runtime/texts.h"
#include "task/task_page.h"
#include "task/task_validation.h"
#include "task/task_write_frames.h"

namespace ql::task {

inline constexpr const char* kPortLostText =
    "The serial port was lost during the write: the task was not started. Connect again and write it once "
    "more.";

class TaskWriteSequence {
 public:
  // False when the port did not take the frame.
  using Sender = std::function<bool(const Bytes& frameWithoutCrc)>;
  static constexpr int kTickMs = 150;

  TaskWriteSequence(Scheduler& loop, LinkState& state, TaskPage& page, Operator& op, TextLookup texts,
                    Sender send);

  // The write button. False when the task was refused before the sequence started.
  bool start();
  // A write acknowledged (with or without its echo): the next step follows at the next tick.
  void onAcknowledged();

  bool running() const { return timer_->enabled(); }
  bool finished() const { return WriteAckCount == kWriteFinished && !running(); }
  // The task of the last run, and the PC time its clock step wrote (nullopt without
  // synchronisation); read them in onFinished.
  const TaskWriteValues& writtenTask() const { return values_; }
  const std::optional<DateTime>& synchronisedAt() const { return synchronisedAt_; }
  // The step sent next (the count of acknowledged writes, plus one); 0 while checking.
  std::int32_t step() const { return WriteAckCount; }

  // The end of the sequence: the written logger records, the link is given up.
  std::function<void()> onFinished;

 private:
  void tick();
  void check();
  void perform();
  void finish();
  void abandon();
  std::string text(const std::string& section, const std::string& key) const;

  LinkState& state_;
  TaskPage& page_;
  Operator& operator_;
  TextLookup texts_;
  Sender send_;
  std::unique_ptr<Timer> timer_;
  // Each acknowledgement adds one: it is the number of the step to send.
  std::int32_t WriteAckCount = 0;
  int depthSettingsSends_ = 0;
  bool awaitingAck_ = false;  // the step sent last has not been acknowledged yet
  TaskWriteValues values_;
  std::optional<DateTime> synchronisedAt_;
};

}  // namespace ql::task
