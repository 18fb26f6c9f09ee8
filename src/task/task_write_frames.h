#pragma once
// The frames of the task write, step by step, without their CRC (AppendCrc adds it). Each step
// is sent until its acknowledgement; the depth settings step gives up after
// kDepthSettingsMaxSends sends and the sequence goes on.

#include <optional>

#include "link/bytes.h"
#include "runtime/formats.h"
#include "task/task_validation.h"

namespace ql::task {

enum WriteStep : int {
  kWriteStopTask = 1,         // 0x100D := 0
  kWriteName = 2,             // 0xE005, 16 bytes
  kWriteSendRecords = 3,      // 0x100C
  kWriteClock = 4,            // 0x1009, the PC's time; only with clock synchronisation
  kWriteStart = 5,            // 0x1003
  kWriteEnd = 6,              // 0x1006
  kWriteRecordInterval = 7,   // 0x1001, ms
  kWriteAverageCount = 8,     // 0x1010
  kWriteAverageInterval = 9,  // 0x100E, ms
  kWriteDepthSettings = 10,   // 0x2088, two singles
  kWriteStartTask = 11,       // 0x100D := 1
  kWriteFinished = 12,
};
inline constexpr int kDepthSettingsMaxSends = 10;

// The 16 name bytes: the GBK name padded with "=".
Bytes taskNameBytes(const std::string& nameGbk);
// year - 2000, month, day, hour, minute, second as plain bytes.
Bytes taskDateBytes(const DateTime& dt);

// The frame of a step; nullopt when the step sends nothing (the clock without synchronisation,
// or a number outside 1..11).
std::optional<Bytes> taskWriteFrame(int step, const TaskWriteValues& values, const DateTime& pcNow);

}  // namespace ql::task
