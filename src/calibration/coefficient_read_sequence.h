#pragma once
// The coefficient read (TimerGetAbcdef, every 200 ms): each tick sends the request of ReadStep
// until a reply to it is decoded, which moves ReadStep on by one; a step without a request ends
// the read with "获取完成.". The parameter block (step 50) goes out at once and then every fourth
// tick. Replies are decoded into the panels whenever they come; only a reply to the request this
// step sent moves the step on, so a late or repeated answer never skips a step.

#include <memory>

#include "calibration/coefficient_link.h"
#include "calibration/coefficient_panel.h"
#include "calibration/parameter_backup.h"
#include "link/bytes.h"
#include "runtime/scheduler.h"

namespace ql::calibration {

inline constexpr const char* kReadDone = "获取完成.";

class CoefficientReadSequence {
 public:
  static constexpr int kTickMs = 200;
  static constexpr int kBlockEveryTicks = 4;

  // All must outlive this object.
  CoefficientReadSequence(Scheduler& loop, CoefficientPanel& panel, ParameterBackup& backup,
                          const CoefficientLink& link);

  // Restarts the read at step (0, 10, 20 or 50).
  void start(int step);
  void stop() { timer_->stop(); }
  bool running() const { return timer_->enabled(); }
  int step() const { return ReadStep; }

  // A coefficient set, the 0x3006 constants or the cubic, recognised by its echo. True when the
  // block was one of them (also when its length was wrong: it is then ignored).
  bool takeSetReply(const Bytes& block);
  // 0x2084 or 0x2086: exactly LastRequest, 01 03 04, four data bytes and the CRC.
  bool takeTwoRegisterReply(const Bytes& block);
  // The parameter block: 01 03 00, 512 bytes and a CRC that checks.
  bool takeBlockReply(const Bytes& block);

 private:
  void tick();
  void sendCurrent();
  // Moves on when the reply answers the request this step sent.
  void advanceFor(const Bytes& echo);
  void finish();
  bool influenceReadable() const;

  CoefficientPanel& panel_;
  ParameterBackup& backup_;
  const CoefficientLink& link_;
  std::unique_ptr<Timer> timer_;
  int ReadStep = 0;
  int blockTicks_ = 0;
  Bytes awaited_;  // the request of this step with its CRC; empty once answered
};

}  // namespace ql::calibration
