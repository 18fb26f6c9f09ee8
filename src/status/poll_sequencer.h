#pragma once
// The request sequencer (TimerGetInfo, every 10 ms). It runs one polled sequence at a time and
// performs one step of it per tick: a step sends its request and then waits ReplyWait ticks; when
// the answer comes, the sequence moves on at the next tick, otherwise the step is sent again once
// the wait has run out. Starting a sequence takes the sequencer from whichever ran before.
//
// The information poll, the configuration read and the clock read are such sequences. Each keeps
// its own steps; the sequencer keeps the time and knows which request is awaited.

#include <cstdint>
#include <functional>
#include <memory>

#include "link/bytes.h"
#include "link/link_state.h"
#include "runtime/scheduler.h"

namespace ql {

class PollSequencer;

// One sequence of requests with named steps of its own.
class PolledSequence {
 public:
  explicit PolledSequence(PollSequencer& sequencer) : sequencer_(sequencer) {}
  virtual ~PolledSequence() = default;
  PolledSequence(const PolledSequence&) = delete;
  PolledSequence& operator=(const PolledSequence&) = delete;

  // The step this sequence performs next.
  std::int32_t step() const { return step_; }
  // The sequencer runs this sequence now (it may be waiting for its timer).
  bool active() const;

 protected:
  friend class PollSequencer;
  // Performs the current step: sends its request through the sequencer or moves on at once.
  // A step past the last one ends the sequence (PollSequencer::finish).
  virtual void perform() = 0;

  PollSequencer& sequencer_;
  std::int32_t step_ = 0;
};

class PollSequencer {
 public:
  using Sender = std::function<void(const Bytes& frameWithoutCrc)>;

  static constexpr int kTickMs = 10;
  // Ticks a sent step waits for its answer before it is sent again.
  static constexpr std::int32_t kWaitTicks = 10;

  PollSequencer(Scheduler& loop, LinkState& state, Sender send);

  // Runs sequence from step (the timer starts; ReplyWait is left as it is).
  void run(PolledSequence& sequence, std::int32_t step);
  // Enables the timer again for the sequence that ran last.
  void resume();
  void stop();
  bool running() const { return timer_->enabled(); }
  PolledSequence* current() const { return current_; }

  // For the sequence's steps: sends request (+ CRC), marks it as awaited, waits `wait` ticks.
  void sendStep(const Bytes& request, std::int32_t wait = kWaitTicks);
  // Sends a request that no step awaits (the live values of the poll's last step).
  void sendUnawaited(const Bytes& request);
  // The next step runs at the next tick, without waiting.
  void skipWait() { ReplyWait = -1; }
  // Holds the next step back for this many ticks.
  void delayNextStep(std::int32_t ticks) { ReplyWait = ticks; }
  // The sequence has run past its last step: the timer stops and onFinished runs.
  void finish();

  // A reply that a step may have awaited, decoded and accepted: when it answers the awaited
  // request, the running sequence moves to its next step at once. True when it did.
  bool answer(const Bytes& block);
  // An answer recognised without its echo (the file list's continuation): the running sequence
  // moves on only when it is at `step`.
  bool answerStep(std::int32_t step);
  // True when the awaited request is request (without CRC).
  bool awaits(const Bytes& request) const;

  std::int32_t replyWait() const { return ReplyWait; }

  // Runs whenever a sequence ends (the end-of-poll actions).
  std::function<void()> onFinished;

 private:
  void tick();

  LinkState& state_;
  Sender send_;
  std::unique_ptr<Timer> timer_;
  PolledSequence* current_ = nullptr;
  // Ticks left before the current step is performed (again); -1: its answer came, go on at once.
  std::int32_t ReplyWait = 0;
  Bytes awaitedRequest_;  // what the current step sent, with its CRC
};

}  // namespace ql
