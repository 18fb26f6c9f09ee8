#include "status/poll_sequencer.h"

#include "link/crc.h"

namespace ql {

bool PolledSequence::active() const { return sequencer_.current() == this && sequencer_.running(); }

PollSequencer::PollSequencer(Scheduler& loop, LinkState& state, Sender send)
    : state_(state), send_(std::move(send)), timer_(loop.makeTimer(kTickMs, [this] { tick(); })) {}

void PollSequencer::run(PolledSequence& sequence, std::int32_t step) {
  current_ = &sequence;
  sequence.step_ = step;
  timer_->start();
}

void PollSequencer::resume() {
  if (current_) timer_->start();
}

void PollSequencer::stop() { timer_->stop(); }

void PollSequencer::tick() {
  if (ReplyWait > 0) {
    --ReplyWait;
    return;
  }
  if (current_) current_->perform();
}

void PollSequencer::sendStep(const Bytes& request, std::int32_t wait) {
  send_(request);
  awaitedRequest_ = AppendCrc(request);
  ReplyWait = wait;
  state_.IdleTicks = 0;
}

void PollSequencer::sendUnawaited(const Bytes& request) {
  send_(request);
  state_.IdleTicks = 0;
}

void PollSequencer::finish() {
  timer_->stop();
  if (onFinished) onFinished();
}

bool PollSequencer::awaits(const Bytes& request) const { return awaitedRequest_ == AppendCrc(request); }

bool PollSequencer::answer(const Bytes& block) {
  // Nothing sent yet counts as awaiting anything.
  if (!current_ || !(awaitedRequest_.empty() || startsWith(block, awaitedRequest_))) return false;
  ++current_->step_;
  ReplyWait = -1;
  return true;
}

bool PollSequencer::answerStep(std::int32_t step) {
  if (!current_ || current_->step_ != step) return false;
  ++current_->step_;
  return true;
}

}  // namespace ql
