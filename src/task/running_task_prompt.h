#pragma once
// A logger that is recording when the information poll reads its task state (TimerWorkStart, a
// 20 ms one-shot): the operator is asked whether to stop the task. Yes sends the stop frame five
// times, 300 ms apart, and the poll then reads the task state again; No gives the link up.

#include <functional>
#include <memory>

#include "link/bytes.h"
#include "link/link_state.h"
#include "runtime/operator.h"
#include "runtime/scheduler.h"
#include "runtime/texts.h"

namespace ql::task {

class RunningTaskPrompt {
 public:
  using Sender = std::function<void(const Bytes& frameWithoutCrc)>;
  static constexpr int kDelayMs = 20;
  static constexpr int kStopSends = 5;
  static constexpr int kStopPauseMs = 300;

  RunningTaskPrompt(Scheduler& loop, LinkState& state, Operator& op, TextLookup texts, Sender send);
  ~RunningTaskPrompt();

  // The poll found the task running: the question comes 20 ms later.
  void taskFound();

  std::function<void()> onStopped;  // the stop frames are out: read the task state again
  std::function<void()> onRefused;  // the operator keeps the task: give the link up

 private:
  void ask();

  Scheduler& loop_;
  LinkState& state_;
  Operator& operator_;
  TextLookup texts_;
  Sender send_;
  std::unique_ptr<Timer> timer_;  // TimerWorkStart
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace ql::task
