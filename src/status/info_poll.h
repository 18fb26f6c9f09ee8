#pragma once
// The information poll: once a logger is linked, reads its identity and state one register
// block at a time (TimerGetInfo, 10 ms). Each step sends its request and waits ReplyWait ticks;
// the receive dispatcher decodes the answer through the decode* routines here and advances
// InfoStep. A step whose answer never comes is sent again after the wait. Other features enter
// the same sequencer at their own step numbers (100 configuration, 200 clock, 300/301 settings).

#include <cstdint>
#include <functional>
#include <memory>

#include "link/bytes.h"
#include "link/link_state.h"
#include "runtime/operator.h"
#include "runtime/scheduler.h"
#include "runtime/texts.h"
#include "status/instrument_info.h"

namespace ql {

class InfoPoll {
 public:
  using Sender = std::function<void(const Bytes& frameWithoutCrc)>;

  // Step numbers with a meaning of their own.
  static constexpr std::int32_t kStepConstantsDone = 11;
  static constexpr std::int32_t kStepLeaveCalibration = 24;
  static constexpr std::int32_t kStepFileList = 25;
  static constexpr std::int32_t kStepLiveValues = 26;
  static constexpr std::int32_t kStepConfiguration = 100;
  static constexpr std::int32_t kStepDepthRead = 107;
  static constexpr std::int32_t kStepClockOnly = 200;
  static constexpr std::int32_t kStepSettingsDrift = 300;
  static constexpr std::int32_t kStepSettingsPressure = 301;
  static constexpr std::int32_t kTickMs = 10;
  static constexpr std::int32_t kWaitTicks = 10;
  static constexpr std::int32_t kFileListWaitTicks = 100;
  static constexpr int kMaxBatteryReads = 11;
  static constexpr int kFileCountWarning = 13;  // more files than this give a notice

  InfoPoll(Scheduler& loop, LinkState& state, InstrumentInfo& info, Sender send, TextLookup texts, Operator& op);

  // Enters the sequencer at `step` and enables the timer.
  void start(std::int32_t step);
  // Enables the timer where it stopped (showing page 1 again).
  void resume();
  void stop();
  bool running() const { return timer_->enabled(); }
  void resetDepthReadTries() { depthReadTries_ = 0; }

  // Decoders called by the dispatcher's handler. Each returns whether the answer counts.
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

  // Hooks for later features, run on the loop thread.
  std::function<void()> onTaskRunning;  // a task is running: the poll stops at this step
  std::function<void()> onPollEnd;      // the end-of-poll actions beyond this panel (clock check)
  std::function<int()> fileCount;       // entries in the file list, for the end-of-poll notice

  // The first characters of the firmware version decide the constant layout.
  bool firmwareIs13() const;

 private:
  void tick();
  void perform(std::int32_t step);
  void sendStep(const Bytes& request, std::int32_t wait = kWaitTicks);
  void endOfPoll();
  void clearEraseCountdown();
  std::uint16_t requestAddress(const Bytes& block) const;

  Scheduler& loop_;
  LinkState& state_;
  InstrumentInfo& info_;
  Sender send_;
  TextLookup texts_;
  Operator& operator_;
  std::unique_ptr<Timer> timer_;
  int batteryReadTries_ = 0;
  int depthReadTries_ = 0;
};

}  // namespace ql
