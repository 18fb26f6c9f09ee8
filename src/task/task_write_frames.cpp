#include "task/task_write_frames.h"

#include <algorithm>

#include "link/codecs.h"
#include "link/register_map.h"
#include "status/clock_frame.h"

namespace ql::task {

namespace {

constexpr std::size_t kNameBytes = 16;

// 01 10 <register> <count> <byte count> <data>: a write of several registers.
Bytes writeRegisters(std::uint16_t address, const Bytes& data) {
  Bytes frame{0x01, 0x10};
  putBeU16(frame, address);
  putBeU16(frame, static_cast<std::uint16_t>(data.size() / 2));
  frame.push_back(static_cast<std::uint8_t>(data.size()));
  frame.insert(frame.end(), data.begin(), data.end());
  return frame;
}

Bytes u32(std::uint32_t value) {
  Bytes out;
  putBeU32(out, value);
  return out;
}

}  // namespace

Bytes taskNameBytes(const std::string& nameGbk) {
  Bytes out(nameGbk.begin(), nameGbk.begin() + static_cast<long>(std::min(nameGbk.size(), kNameBytes)));
  out.resize(kNameBytes, '=');
  return out;
}

Bytes taskDateBytes(const DateTime& dt) {
  return Bytes{static_cast<std::uint8_t>(dt.year - 2000), static_cast<std::uint8_t>(dt.month),
               static_cast<std::uint8_t>(dt.day),         static_cast<std::uint8_t>(dt.hour),
               static_cast<std::uint8_t>(dt.minute),      static_cast<std::uint8_t>(dt.second)};
}

std::optional<Bytes> taskWriteFrame(int step, const TaskWriteValues& v, const DateTime& pcNow) {
  switch (step) {
    case kWriteStopTask:
      return reg::writeRequest(reg::kTaskRunState, 0);
    case kWriteName:
      return writeRegisters(reg::kTaskName, taskNameBytes(v.nameGbk));
    case kWriteSendRecords:
      return reg::writeRequest(reg::kSendToPort, v.sendRecords ? 1 : 0);
    case kWriteClock:
      if (!v.clockSync) return std::nullopt;
      return clockWriteRequest(pcNow);
    case kWriteStart:
      return writeRegisters(reg::kTaskStart, taskDateBytes(v.start));
    case kWriteEnd:
      return writeRegisters(reg::kTaskEnd, taskDateBytes(v.end));
    case kWriteRecordInterval:
      return writeRegisters(reg::kRecordInterval, u32(v.recordIntervalMs));
    case kWriteAverageCount:
      return reg::writeRequest(reg::kAverageCount, v.averageCount);
    case kWriteAverageInterval:
      return writeRegisters(reg::kAverageInterval, u32(v.averageIntervalMs));
    case kWriteDepthSettings:
      return writeRegisters(reg::kDepthSettings,
                            concat({FloatToBeBytes(v.initialValue), FloatToBeBytes(v.depthPressure)}));
    case kWriteStartTask:
      return reg::writeRequest(reg::kTaskRunState, 1);
    default:
      return std::nullopt;
  }
}

}  // namespace ql::task
