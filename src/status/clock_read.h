#pragma once
// The clock read on its own: one step that reads the clock registers, then the end, after which
// the end-of-poll actions run as after a whole information poll (the clock check among them).
// A synchronisation ends with it, so the written time is read back and checked.
//
// The answer is decoded by the information poll (InfoPoll::decodeClock) like every clock answer;
// when it answers this read, the sequencer moves this sequence on.

#include <cstdint>

#include "status/poll_sequencer.h"

namespace ql {

class ClockRead : public PolledSequence {
 public:
  enum Step : std::int32_t {
    kClock = 0,  // 01 03 10 09 00 03
    kEnd,
  };

  explicit ClockRead(PollSequencer& sequencer) : PolledSequence(sequencer) {}

  void start() { sequencer_.run(*this, kClock); }
  // The read ran to its end (the clock field shows the answer).
  bool finished() const { return step_ >= kEnd && !active(); }

 private:
  void perform() override;
};

}  // namespace ql
