#pragma once
// What the memory and the battery allow while a task is edited: how long the free memory lasts
// at a given period, whether the battery counter covers the task's samples, and the moments at
// which each would run out for the task as entered.

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/formats.h"
#include "runtime/texts.h"

namespace ql::task {

// Full scale of the battery usage counter: the samples one battery is good for.
inline constexpr std::int64_t kBatterySamples = 6000000;
// Bytes of the flash that records never use, and the size of one record.
inline constexpr std::int64_t kReservedBytes = 1024;
inline constexpr std::int64_t kRecordBytes = 16;

struct EstimateInput {
  std::int64_t periodMs = 0;            // one record (mode 0: one sample) every periodMs
  std::string freeMemoryText;           // page 1's free-space field, "7340032 (87.5%)"
  DateTime start, end;                  // the task as entered
  std::int64_t samplesPerRecord = 1;    // mode 2: the average count; else 1
  std::int32_t batteryConsumption = 0;  // the battery usage counter last read
};

struct Estimate {
  std::int64_t capacitySeconds = 0;  // how long the free memory lasts
  std::int64_t taskSamples = 0;      // samples the task takes
  bool batteryEnough = false;        // taskSamples below what the counter has left
  // The moments memory and battery run out, counted from the task start; nullopt when the task
  // ends first.
  std::optional<DateTime> memoryFull;
  std::optional<DateTime> batterySpent;
};

// The free bytes: the number before the first space of the free-space field.
std::optional<std::int64_t> freeMemoryBytes(const std::string& freeMemoryText);

// nullopt when no estimate can be made: no period, no free-space text, or no room for a record.
std::optional<Estimate> estimateTask(const EstimateInput& input);

// "<ql310_info_leftram> d day h hour" (capacity in whole days and hours).
std::string memoryCaption(const Estimate& estimate, const TextLookup& texts);
// ql310_info_leftpower1 when the battery is enough, else ql310_info_leftpower2.
std::string batteryCaption(const Estimate& estimate, const TextLookup& texts);
// "<ql310_info_ramfull_at> yyyy-mm-dd hh:mm:ss", or the caption and ql310_info_after_task_end
// when the memory outlasts the task.
std::string memoryFullCaption(const Estimate& estimate, const TextLookup& texts);
// "<ql310_info_powerout_at> yyyy-mm-dd hh:mm:ss", or the caption and ql310_info_after_task_end.
std::string batterySpentCaption(const Estimate& estimate, const TextLookup& texts);

}  // namespace ql::task
