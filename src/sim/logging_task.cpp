#include "sim/logging_task.h"

#include "link/codecs.h"
#include "link/register_map.h"

namespace ql::sim {

namespace {

struct TaskRegister {
  std::uint16_t address;
  std::uint16_t count;
};

constexpr TaskRegister kTaskRegisters[] = {
    {reg::kRecordInterval, 2}, {reg::kTaskStart, 3},     {reg::kTaskEnd, 3},
    {reg::kSendToPort, 1},     {reg::kTaskRunState, 1},  {reg::kAverageInterval, 2},
    {reg::kAverageCount, 1},   {reg::kDepthSettings, 4}, {reg::kTaskName, 8},
};

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

void storeTask(RegisterBank& bank, const LoggingTask& task) {
  Bytes name(task.name.begin(), task.name.end());
  name.resize(kTaskNameBytes, kTaskNamePad);
  bank.setBytes(reg::kTaskName, name);
  bank.setBytes(reg::kTaskStart, Bytes(task.start.begin(), task.start.end()));
  bank.setBytes(reg::kTaskEnd, Bytes(task.end.begin(), task.end.end()));
  bank.setU32(reg::kRecordInterval, task.recordIntervalMs);
  bank.setU32(reg::kAverageInterval, task.averageIntervalMs);
  bank.set(reg::kAverageCount, task.averageCount);
  bank.set(reg::kSendToPort, task.sendRecordsToPort ? 1 : 0);
  bank.setBytes(reg::kDepthSettings,
                concat({FloatToBeBytes(task.initialValueKpa), FloatToBeBytes(task.depthIntervalKpa)}));
}

std::optional<std::uint16_t> taskRegisterCount(std::uint16_t reg) {
  for (const TaskRegister& r : kTaskRegisters) {
    if (r.address == reg) return r.count;
  }
  return std::nullopt;
}

bool isValidTaskTime(const Bytes& b) {
  if (b.size() != 6) return false;
  int year = 2000 + b[0], month = b[1], day = b[2];
  if (b[0] > 99 || month < 1 || month > 12) return false;
  return day >= 1 && day <= daysInMonth(year, month) && b[3] <= 23 && b[4] <= 59 && b[5] <= 59;
}

bool taskWriteAccepted(std::uint16_t reg, std::uint16_t count, const Bytes& data) {
  std::optional<std::uint16_t> expected = taskRegisterCount(reg);
  if (!expected || count != *expected || data.size() != 2u * count) return false;
  if (reg == reg::kTaskStart || reg == reg::kTaskEnd) return isValidTaskTime(data);
  if (reg == reg::kSendToPort || reg == reg::kTaskRunState) {
    std::uint16_t value = BeU16(data[0], data[1]);
    return value == 0 || value == 1;
  }
  return true;
}

}  // namespace ql::sim
