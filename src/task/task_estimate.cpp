#include "task/task_estimate.h"

#include <algorithm>
#include <limits>

#include "task/task_numbers.h"
#include "task/task_time.h"

namespace ql::task {

namespace {

using Wide = __int128;

std::int64_t clampToInt64(Wide value) {
  constexpr auto high = std::numeric_limits<std::int64_t>::max();
  constexpr auto low = std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(std::clamp<Wide>(value, low, high));
}

// start + seconds, or nullopt when that falls after the end.
std::optional<DateTime> momentWithinTask(const DateTime& start, const DateTime& end, Wide seconds) {
  if (seconds > secondsBetween(start, end)) return std::nullopt;
  return addSeconds(start, static_cast<std::int64_t>(seconds));
}

std::string momentCaption(const std::optional<DateTime>& moment, const std::string& caption,
                          const TextLookup& texts) {
  const std::string when = moment ? formatDateTime(*moment) : texts("QL310", "ql310_info_after_task_end");
  return caption + " " + when;
}

}  // namespace

std::optional<std::int64_t> freeMemoryBytes(const std::string& freeMemoryText) {
  return parseInteger(freeMemoryText.substr(0, freeMemoryText.find(' ')));
}

std::optional<Estimate> estimateTask(const EstimateInput& in) {
  if (in.periodMs <= 0) return std::nullopt;
  const std::optional<std::int64_t> freeBytes = freeMemoryBytes(in.freeMemoryText);
  if (!freeBytes) return std::nullopt;
  const std::int64_t records = (*freeBytes - kReservedBytes) / kRecordBytes;
  if (records <= 0) return std::nullopt;

  Estimate e;
  const Wide capacity = Wide{records} * in.periodMs / 1000;
  e.capacitySeconds = clampToInt64(capacity);
  const std::int64_t taskSeconds = secondsBetween(in.start, in.end);
  e.taskSamples = clampToInt64(Wide{taskSeconds} * 1000 / in.periodMs * in.samplesPerRecord);
  const std::int64_t samplesLeft = kBatterySamples - in.batteryConsumption;
  e.batteryEnough = e.taskSamples < samplesLeft;

  e.memoryFull = momentWithinTask(in.start, in.end, capacity);
  // The counter counts samples: each record takes samplesPerRecord of them.
  const std::int64_t perRecord = std::max<std::int64_t>(1, in.samplesPerRecord);
  const Wide batterySeconds = std::max<Wide>(0, Wide{samplesLeft} * in.periodMs / perRecord / 1000);
  e.batterySpent = momentWithinTask(in.start, in.end, batterySeconds);
  return e;
}

std::string memoryCaption(const Estimate& e, const TextLookup& texts) {
  const std::int64_t c = e.capacitySeconds;
  return texts("QL310", "ql310_info_leftram") + " " + std::to_string(c / 86400) + " " + texts("BIT", "day") +
         " " + std::to_string(c % 86400 / 3600) + " " + texts("BIT", "hour");
}

std::string batteryCaption(const Estimate& e, const TextLookup& texts) {
  return texts("QL310", e.batteryEnough ? "ql310_info_leftpower1" : "ql310_info_leftpower2");
}

std::string memoryFullCaption(const Estimate& e, const TextLookup& texts) {
  return momentCaption(e.memoryFull, texts("QL310", "ql310_info_ramfull_at"), texts);
}

std::string batterySpentCaption(const Estimate& e, const TextLookup& texts) {
  return momentCaption(e.batterySpent, texts("QL310", "ql310_info_powerout_at"), texts);
}

}  // namespace ql::task
