#include "task/task_validation.h"

#include <limits>
#include <optional>

#include "link/text_filters.h"
#include "runtime/encoding.h"
#include "task/task_numbers.h"
#include "task/task_time.h"

namespace ql::task {

namespace {

constexpr double kMinDepthPressureKpa = 0.5;
constexpr std::int64_t kU32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::int64_t kU16 = std::numeric_limits<std::uint16_t>::max();

// A number the logger's single-precision register holds.
std::optional<double> singleValue(const std::string& text) {
  const std::optional<double> value = parseReal(text);
  if (!value || *value > std::numeric_limits<float>::max() || *value < -std::numeric_limits<float>::max()) {
    return std::nullopt;
  }
  return value;
}

TaskWriteCheck failed(TaskPage& page, const char* section, const char* key) {
  page.showStatus(page.texts()(section, key));
  return TaskWriteCheck{false, section, key, {}};
}

// A digits-only field as a value times `scale` that fits the register (max); nullopt when empty
// or too large: a value cut to the register's width would set a different task.
std::optional<std::int64_t> scaledField(const std::string& digits, std::int64_t scale, std::int64_t max) {
  const std::optional<std::int64_t> value = parseInteger(digits);
  if (!value || *value > max / scale) return std::nullopt;
  return *value * scale;
}

}  // namespace

bool checkDepthProfileDuration(TaskPage& page) {
  const TaskFields& f = page.fields();
  if (f.mode != WorkMode::FixedDepthProfile) return true;
  if (secondsBetween(f.start, f.end) <= kDepthProfileMaxSeconds) return true;
  page.showStatus(page.texts()("QL310", "ql310_info_delta"));
  return false;
}

TaskWriteCheck checkTaskWrite(TaskPage& page) {
  const TaskFields& f = page.fields();
  if (f.name.empty()) return failed(page, "QL310", "ql310_error_filename_empty");
  if (!page.context().connected()) return failed(page, "COMLINK", "com_mac_notlink");
  if (f.mode == WorkMode::None) return failed(page, "SYSTEMINFORMATION", "info_selectworkmode");
  if (f.mode == WorkMode::FastAcquisition && f.sampleRateIndex < 0) {
    return failed(page, "SYSTEMINFORMATION", "info_error_sample");
  }
  const DateTime now = page.context().now();
  if (formatCompactStamp(f.start) < formatCompactStamp(now)) {
    page.showStatus(page.texts()("SYSTEMINFORMATION", "info_startend_timeerror"));
    page.setStart(now);
  }
  if (secondsBetween(f.start, f.end) <= 0) return failed(page, "SYSTEMINFORMATION", "info_stopstart_error");

  const TaskWriteMemory& previous = page.writeMemory();
  TaskWriteValues v;
  v.nameGbk = utf8ToGbk(f.name);
  v.clockSync = f.clockSync;
  v.start = f.start;
  v.end = f.end;
  v.recordIntervalMs = previous.recordIntervalMs;
  v.averageCount = previous.averageCount;
  v.averageIntervalMs = previous.averageIntervalMs;
  v.initialValue = previous.initialValue;
  v.depthPressure = 0;

  switch (f.mode) {
    case WorkMode::FastAcquisition:
      v.recordIntervalMs = static_cast<std::uint32_t>(samplePeriodMs(f.sampleRateIndex));
      v.averageCount = 1;
      break;
    case WorkMode::FixedInterval: {
      const auto ms = scaledField(KeepDigits(f.recordInterval), 1000, kU32);
      if (!ms) return failed(page, "SYSTEMINFORMATION", "info_erro_interval");
      v.recordIntervalMs = static_cast<std::uint32_t>(*ms);
      v.averageCount = 1;
      break;
    }
    case WorkMode::AverageAcquisition: {
      page.editAverageRecordInterval(KeepDigits(f.averageRecordInterval));
      page.editAverageCount(KeepDigits(f.averageCount));
      page.editAverageInterval(KeepDigits(f.averageInterval));
      const auto ms = scaledField(f.averageRecordInterval, 1000, kU32);
      if (!ms) return failed(page, "SYSTEMINFORMATION", "info_erro_interval");
      const auto count = scaledField(f.averageCount, 1, kU16);
      if (!count) return failed(page, "SYSTEMINFORMATION", "info_error_aver_times");
      const auto averageMs = scaledField(f.averageInterval, 100, kU32);
      if (!averageMs) return failed(page, "SYSTEMINFORMATION", "info_error_test_time");
      v.recordIntervalMs = static_cast<std::uint32_t>(*ms);
      v.averageCount = static_cast<std::uint16_t>(*count);
      v.averageIntervalMs = static_cast<std::uint32_t>(*averageMs);
      break;
    }
    case WorkMode::FixedDepthProfile: {
      const std::optional<double> initial = singleValue(f.initialValue);
      if (!initial) return failed(page, "QL310", "ql310_error_seapres");
      if (f.depthInterval.empty()) return failed(page, "QL310", "ql310_error_fixed_time");
      const std::optional<double> pressure = singleValue(f.equivalentPressure);
      if (!pressure || *pressure < kMinDepthPressureKpa)
        return failed(page, "QL310", "ql310_error_fixed_value");
      v.initialValue = static_cast<float>(*initial);
      v.depthPressure = static_cast<float>(*pressure);
      break;
    }
    case WorkMode::None:
      break;
  }
  v.sendRecords = f.sendRecords && v.recordIntervalMs >= 1000;
  return TaskWriteCheck{true, "", "", v};
}

}  // namespace ql::task
