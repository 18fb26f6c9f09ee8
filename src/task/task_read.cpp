#include "task/task_read.h"

#include <string>

#include "link/codecs.h"
#include "link/register_map.h"
#include "runtime/encoding.h"
#include "runtime/formats.h"
#include "task/task_numbers.h"

namespace ql::task {

namespace {

constexpr std::size_t kNameBytes = 16;
// A depth pressure at or below this, or above kMaxDepthPressure, is no depth interval.
constexpr float kMinDepthPressure = 0.04f;
constexpr float kMaxDepthPressure = 20000.0f;

// The name as the logger holds it. This program writes it in GBK, so bytes that are valid GBK
// read as GBK (short GBK texts are often valid UTF-8 too); anything else as UTF-8 if it is.
std::string decodeName(const std::string& bytes) {
  const std::string asGbk = gbkToUtf8(bytes);
  if (asGbk.find("\xEF\xBF\xBD") == std::string::npos) return asGbk;  // no U+FFFD
  return decodeLegacyText(bytes);
}

bool applyDate(TaskPage& page, const Bytes& data, bool start) {
  if (data.size() < 6) return false;
  const DateTime dt{2000 + data[0], data[1], data[2], data[3], data[4], data[5]};
  if (start) {
    page.setStart(dt);
  } else {
    page.setEnd(dt);
  }
  return true;
}

}  // namespace

const std::vector<ConfigurationRead>& configurationReads() {
  static const std::vector<ConfigurationRead> reads{
      {100, reg::kTaskName, 8, 28},     {101, reg::kTaskStart, 3, 18},
      {102, reg::kTaskEnd, 3, 18},      {103, reg::kRecordInterval, 2, 16},
      {104, reg::kAverageCount, 1, 14}, {105, reg::kAverageInterval, 2, 16},
      {106, reg::kSendToPort, 1, 14},   {107, reg::kDepthSettings, 4, 20},
  };
  return reads;
}

std::optional<ConfigurationRead> configurationRead(int step) {
  for (const ConfigurationRead& read : configurationReads()) {
    if (read.step == step) return read;
  }
  return std::nullopt;
}

bool applyConfigurationReply(TaskPage& page, int step, const Bytes& data) {
  switch (step) {
    case 100:
      return applyNameReply(page, data);
    case 101:
      return applyStartReply(page, data);
    case 102:
      return applyEndReply(page, data);
    case 103:
      return applyRecordIntervalReply(page, data);
    case 104:
      return applyAverageCountReply(page, data);
    case 105:
      return applyAverageIntervalReply(page, data);
    case 106:
      return applySendRecordsReply(page, data);
    case 107:
      return applyDepthSettingsReply(page, data);
    default:
      return false;
  }
}

bool applyNameReply(TaskPage& page, const Bytes& data) {
  if (data.size() < kNameBytes) return false;
  std::string name;
  for (std::size_t i = 0; i < kNameBytes; ++i) {
    // "=" pads the name; 0xFF and 0x00 are what an erased or unset name holds.
    if (data[i] != '=' && data[i] != 0xFF && data[i] != 0x00) name += static_cast<char>(data[i]);
  }
  page.editName(decodeName(name));
  return true;
}

bool applyStartReply(TaskPage& page, const Bytes& data) { return applyDate(page, data, true); }

bool applyEndReply(TaskPage& page, const Bytes& data) { return applyDate(page, data, false); }

bool applyRecordIntervalReply(TaskPage& page, const Bytes& data) {
  if (data.size() < 4) return false;
  const std::uint32_t ms = BeU32(data.data());
  page.editRecordInterval(std::to_string(ms / 1000));
  page.editAverageRecordInterval(std::to_string(ms / 1000));
  if (ms <= 1000) page.showSampleRate(ms <= 100 ? 3 : ms <= 200 ? 2 : ms <= 500 ? 1 : 0);
  return true;
}

bool applyAverageCountReply(TaskPage& page, const Bytes& data) {
  if (data.size() < 2) return false;
  page.editAverageCount(std::to_string(BeU16(data[0], data[1])));
  return true;
}

bool applyAverageIntervalReply(TaskPage& page, const Bytes& data) {
  if (data.size() < 4) return false;
  page.editAverageInterval(std::to_string(BeU32(data.data()) / 100));
  if (firmwareLacksDepthProfile(page.context().firmwareVersion())) deriveWorkMode(page);
  return true;
}

bool applySendRecordsReply(TaskPage& page, const Bytes& data) {
  if (data.size() < 2) return false;
  page.setSendRecords(data[0] == 0x00 && data[1] == 0x01);
  return true;
}

bool applyDepthSettingsReply(TaskPage& page, const Bytes& data) {
  if (data.size() < 8) return false;
  const float initial = BeFloat32(Bytes(data.begin(), data.begin() + 4));
  float pressure = BeFloat32(Bytes(data.begin() + 4, data.begin() + 8));
  if (pressure <= kMinDepthPressure || pressure > kMaxDepthPressure) pressure = 0;
  const TaskContext& context = page.context();
  page.editInitialValue(formatFixed(initial, 3));
  page.editDepthInterval(formatFixed(pressure / context.density() / context.gravity(), 3));
  page.rememberDepthSettings(initial, pressure);
  if (pressure > kMinDepthPressure) page.chooseWorkMode(WorkMode::FixedDepthProfile);
  if (firmwareAfter131(context.firmwareVersion()) && pressure <= kMinDepthPressure) deriveWorkMode(page);
  return true;
}

void deriveWorkMode(TaskPage& page) {
  const std::optional<std::int64_t> interval = parseInteger(page.fields().averageRecordInterval);
  const std::optional<std::int64_t> count = parseInteger(page.fields().averageCount);
  if (!interval || !count) return;
  if (*interval > 1) {
    page.chooseWorkMode(*count == 1 ? WorkMode::FixedInterval : WorkMode::AverageAcquisition);
  } else {
    page.chooseWorkMode(WorkMode::FastAcquisition);
  }
}

}  // namespace ql::task
