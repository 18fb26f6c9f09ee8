#include "task/running_task_prompt.h"

#include "link/register_map.h"

namespace ql::task {

RunningTaskPrompt::RunningTaskPrompt(Scheduler& loop, LinkState& state, Operator& op, TextLookup texts,
                                     Sender send)
    : loop_(loop),
      state_(state),
      operator_(op),
      texts_(std::move(texts)),
      send_(std::move(send)),
      timer_(loop.makeTimer(kDelayMs, [this] { ask(); })) {}

RunningTaskPrompt::~RunningTaskPrompt() { *alive_ = false; }

void RunningTaskPrompt::taskFound() { timer_->restart(); }

void RunningTaskPrompt::ask() {
  timer_->stop();
  const std::string question = texts_ ? texts_("QL310", "ql310_is_working") : std::string();
  if (!operator_.askYesNo("", question)) {
    if (onRefused) onRefused();
    return;
  }
  // The stop frames go out spaced on the loop's clock, never holding it up.
  const Bytes stop = reg::writeRequest(reg::kTaskRunState, 0x0000);
  std::weak_ptr<bool> alive = alive_;
  for (int i = 0; i < kStopSends; ++i) {
    loop_.delay(i * kStopPauseMs, [this, alive, stop, last = i == kStopSends - 1] {
      if (alive.expired()) return;
      send_(stop);
      state_.IdleTicks = 0;
      if (last && onStopped) onStopped();
    });
  }
}

}  // namespace ql::task
