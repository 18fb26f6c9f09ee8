#pragma once
// The system settings dialog's read of the two zero offsets: one request per start, the
// temperature constants block (10 registers at 0x3006) or the pressure offset (0x2084). The
// replies carry no echo the dispatcher could recognise them by, so it asks whether this read
// awaits them. An answer ends the read, and the end-of-poll actions follow.

#include <cstdint>

#include "status/poll_sequencer.h"

namespace ql {

class SettingsRead : public PolledSequence {
 public:
  enum Step : std::int32_t {
    kTemperature = 0,  // 01 03 30 06 00 0A
    kPressure,         // 01 03 20 84 00 02
    kEnd,
  };

  explicit SettingsRead(PollSequencer& sequencer) : PolledSequence(sequencer) {}

  void start(Step step) { sequencer_.run(*this, step); }
  // The read is running and waits at step.
  bool awaits(Step step) const { return active() && step_ == step; }
  // The block answered the awaited read: the read ends. False when it answers nothing awaited.
  bool answered(const Bytes& block);
  // The dialog closed: an unanswered read is not sent again; the read ends at the next tick.
  void cancel();

 private:
  void perform() override;
};

}  // namespace ql
