#pragma once
// The coefficient write (TimerWriteAbcdef, every 300 ms): each tick sends the frame of WriteStep
// (it becomes LastRequest) until its acknowledgement arrives, which moves WriteStep on by one; a
// step without a frame ends the write with "写入完成.". A step whose edits are empty sends nothing
// and waits; an edit that is not a number stops the write and says which one. With firmware below
// "1.3.2.16" the cubic (step 23) is sent once without waiting for its acknowledgement.
//
// Acknowledgement: the block begins with LastRequest and the first four bytes of LastRequest (the
// echo, then the response), or is exactly 8 bytes whose first six are those of LastRequest (the
// response alone). Only the first acknowledgement of a sent frame counts, so a frame that was
// sent twice and acknowledged twice never skips the next step.

#include <memory>

#include "calibration/coefficient_link.h"
#include "calibration/coefficient_panel.h"
#include "calibration/parameter_block.h"
#include "link/bytes.h"
#include "runtime/scheduler.h"

namespace ql::calibration {

inline constexpr const char* kWriteDone = "写入完成.";

class CoefficientWriteSequence {
 public:
  static constexpr int kTickMs = 300;

  // All must outlive this object.
  CoefficientWriteSequence(Scheduler& loop, const CoefficientPanel& panel, const ParameterBlock& block,
                           const CoefficientLink& link);

  // Restarts the write at step (0, 10, 20, 40, 100 or 200).
  void start(int step);
  void stop();
  bool running() const { return timer_->enabled(); }
  int step() const { return WriteStep; }

  // True when the block acknowledges LastRequest (it is then used up, whatever it moved).
  bool takeAcknowledgement(const Bytes& block);

 private:
  void tick();
  void finish();

  const CoefficientPanel& panel_;
  const ParameterBlock& block_;
  const CoefficientLink& link_;
  std::unique_ptr<Timer> timer_;
  int WriteStep = 0;
  Bytes awaited_;  // the frame this step sent, with its CRC
  bool awaitingAck_ = false;
};

}  // namespace ql::calibration
