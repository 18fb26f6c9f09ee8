#pragma once
// The information poll: once a logger is linked, reads its identity and state one register
// block at a time on the request sequencer (TimerGetInfo, 10 ms). Each step sends its request
// and waits; the receive dispatcher routes the answer here, where it is decoded into the panel
// and, when it answers the awaited step, moves the poll on. A step whose answer never comes is
// sent again after the wait. Deleting files re-enters the poll at its flash-used step, and a
// stopped running task at its task-state step.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "link/bytes.h"
#include "link/link_state.h"
#include "link/reply_handlers.h"
#include "runtime/operator.h"
#include "runtime/texts.h"
#include "status/instrument_info.h"
#include "status/poll_sequencer.h"

namespace ql {

class InfoPoll : public PolledSequence {
 public:
  enum Step : std::int32_t {
    kSerialNumber = 0,
    kModel,
    kHardwareVersion,
    kFirmwareVersion,
    kFlashSize,
    kFlashUsed,
    kBatteryVoltage,
    kClock,
    kTaskRunState,
    kEnterCalibration,  // the battery counter is read in calibration mode
    kBatteryUsed,
    kConstantsDone,  // goes on at kLeaveCalibration; the constants are read only when a second
                     // answer comes in before this step has run
    kFirstConstant,
    kLastConstant = kFirstConstant + 11,
    kLeaveCalibration,
    kFileList,
    kLiveValues,
    kEnd,  // the end-of-poll actions
  };
  static constexpr std::int32_t kFileListWaitTicks = 100;
  static constexpr int kMaxBatteryReads = 11;
  static constexpr int kFileCountWarning = 13;  // more files than this give a notice

  InfoPoll(PollSequencer& sequencer, LinkState& state, InstrumentInfo& info, TextLookup texts, Operator& op);

  // Starts a pass at step.
  void start(std::int32_t step = kSerialNumber);
  // Goes on where the poll stopped (showing page 1 again): an unfinished pass resumes, a finished
  // one repeats its end-of-poll actions.
  void resume();
  // The pass ran to its end.
  bool finished() const { return step_ >= kEnd && !active(); }
  // The pass stopped at its task-state step because the logger is recording.
  bool haltedByRunningTask() const { return haltedByRunningTask_ && !active(); }
  bool running() const { return active(); }

  // A reply of a kind this poll decodes (whoever sent its request). A decoded answer to the
  // awaited step moves the running sequence on. False for kinds that are not the poll's.
  bool takeReply(ReplyKind kind, const Bytes& block);
  // The end-of-poll actions, after any sequence on the sequencer ends.
  void endOfPollActions();

  // Decoders. Each returns whether the answer counts.
  bool decodeSerialNumber(const Bytes& block);
  bool decodeModel(const Bytes& block);
  bool decodeHardwareVersion(const Bytes& block);
  bool decodeFirmwareVersion(const Bytes& block);
  bool decodeFlashSize(const Bytes& block);
  bool decodeFlashUsed(const Bytes& block);
  bool decodeBatteryVoltage(const Bytes& block);
  bool decodeClock(const Bytes& block);
  bool decodeTaskRunState(const Bytes& block);
  bool decodeBatteryUsed(const Bytes& block);
  bool decodeConstant32(const Bytes& block);
  bool decodeConstant16(const Bytes& block);
  bool decodeRatio64(const Bytes& block);

  // Why the last serial-number answer was not taken (empty once one was).
  const std::string& serialNumberRejection() const { return serialNumberRejection_; }

  // Hooks for later features, run on the loop thread.
  std::function<void()> onTaskRunning;  // a task is running: the poll stops at this step
  std::function<void()> onPollEnd;      // the end-of-poll actions beyond this panel (clock check)
  std::function<int()> fileCount;       // entries in the file list, for the end-of-poll notice

  // The first characters of the firmware version decide the constant layout.
  bool firmwareIs13() const;

 private:
  void perform() override;
  void clearEraseCountdown();
  std::uint16_t requestAddress(const Bytes& block) const;

  LinkState& state_;
  InstrumentInfo& info_;
  TextLookup texts_;
  Operator& operator_;
  int batteryReadTries_ = 0;
  bool haltedByRunningTask_ = false;
  std::string serialNumberRejection_;
};

}  // namespace ql
