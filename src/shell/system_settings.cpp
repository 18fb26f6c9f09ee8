#include "shell/system_settings.h"

#include <charconv>

#include "link/codecs.h"
#include "link/register_map.h"
#include "runtime/formats.h"
#include "task/task_numbers.h"

namespace ql {

namespace {

constexpr int kTimerMs = 1000;
// Offsets of the two singles in the read replies (the 8-byte request echo, then 01 03 count).
constexpr std::size_t kTemperatureOffsetAt = 15;
constexpr std::size_t kPressureOffsetAt = 11;
constexpr std::size_t kBlockDataAt = 11;  // the 20 bytes of the temperature block

std::string hexDigits(const Bytes& block) {
  std::string digits;
  for (char c : hexText(block))
    if (c != ' ') digits.push_back(c);
  return digits;
}

// The shortest text that reads back as the same single: -0.2f shows as "-0.2".
std::string singleText(float value) {
  char buffer[32];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : std::string();
}

float singleAt(const Bytes& block, std::size_t at) {
  return BeFloat32(Bytes(block.begin() + static_cast<std::ptrdiff_t>(at),
                         block.begin() + static_cast<std::ptrdiff_t>(at + 4)));
}

int clampDecimals(int decimals) { return decimals < 1 ? 1 : decimals > 3 ? 3 : decimals; }

}  // namespace

SystemSettings::SystemSettings(Scheduler& loop, SettingsRead& read, Operator& op, Context context)
    : loop_(loop), read_(read), operator_(op), context_(std::move(context)) {
  timer_ = loop_.makeTimer(kTimerMs, [this] { onTimer(); });
}

std::string SystemSettings::text(const std::string& section, const std::string& key) const {
  return context_.texts ? context_.texts(section, key) : std::string();
}

void SystemSettings::show(int temperatureDecimals, int pressureDecimals) {
  fields_.temperatureDecimals = clampDecimals(temperatureDecimals);
  fields_.pressureDecimals = clampDecimals(pressureDecimals);
  fields_.baudResult.clear();
  fields_.temperatureCorrection.clear();
  fields_.pressureCorrection.clear();
  fields_.temperatureDisplayed.clear();
  fields_.pressureDisplayed.clear();
  fields_.temperatureWritten = false;
  fields_.pressureWritten = false;
  temperatureDump_.clear();
  pressureDump_.clear();
  temperatureOffset_.clear();
  pressureOffset_.clear();
  pendingWrite_ = SettingsWrite::None;
  acknowledged_ = false;
  open_ = true;
  refreshCurrentValues();
  timer_->start();
}

void SystemSettings::close() {
  timer_->stop();
  read_.cancel();
  open_ = false;
}

void SystemSettings::accept() {
  if (context_.savePrecisions) context_.savePrecisions(fields_.temperatureDecimals, fields_.pressureDecimals);
  close();
}

void SystemSettings::setPrecisions(int temperatureDecimals, int pressureDecimals) {
  fields_.temperatureDecimals = clampDecimals(temperatureDecimals);
  fields_.pressureDecimals = clampDecimals(pressureDecimals);
}

void SystemSettings::selectRate(int index) {
  fields_.rateIndex = index >= 0 && index < kRateCount ? index : -1;
}

void SystemSettings::setTemperatureCorrection(const std::string& text) {
  fields_.temperatureCorrection = text;
  updateDisplayedValues();
  fields_.changed();
}

void SystemSettings::setPressureCorrection(const std::string& text) {
  fields_.pressureCorrection = text;
  updateDisplayedValues();
  fields_.changed();
}

// Timer1: the offsets not yet held are asked for; the temperature first, the pressure a second
// later.
void SystemSettings::onTimer() {
  if (pressureDump_.empty()) read_.start(SettingsRead::kPressure);
  if (temperatureDump_.empty()) read_.start(SettingsRead::kTemperature);
  refreshCurrentValues();
}

void SystemSettings::refreshCurrentValues() {
  if (!open_) return;
  if (context_.liveTemperatureText) fields_.temperatureCurrent = context_.liveTemperatureText();
  if (context_.livePressureText) fields_.pressureCurrent = context_.livePressureText();
  updateDisplayedValues();
  fields_.changed();
}

// Computed only when both operands parse; otherwise the last text stays.
void SystemSettings::updateDisplayedValues() {
  if (!temperatureOffset_.empty() && !fields_.temperatureCorrection.empty()) {
    auto current = task::parseReal(fields_.temperatureCurrent);
    auto correction = task::parseReal(fields_.temperatureCorrection);
    if (current && correction) fields_.temperatureDisplayed = formatShortest(*current + *correction);
  }
  if (!pressureOffset_.empty() && !fields_.pressureCorrection.empty() && fields_.pressureCorrection != "-") {
    auto current = task::parseReal(fields_.pressureCurrent);
    auto correction = task::parseReal(fields_.pressureCorrection);
    if (current && correction) fields_.pressureDisplayed = formatShortest(*current + *correction);
  }
}

void SystemSettings::takeTemperatureReply(const Bytes& block) {
  if (block.size() != kTemperatureReplySize || !read_.answered(block)) return;
  temperatureDump_ = hexDigits(block);
  temperatureOffset_ = singleText(singleAt(block, kTemperatureOffsetAt));
  updateDisplayedValues();
  fields_.changed();
}

void SystemSettings::takePressureReply(const Bytes& block) {
  if (block.size() != kPressureReplySize || !read_.answered(block)) return;
  pressureDump_ = hexDigits(block);
  pressureOffset_ = singleText(singleAt(block, kPressureOffsetAt));
  updateDisplayedValues();
  fields_.changed();
}

void SystemSettings::notLinked() {
  operator_.showMessage(text("SUB", "sub_error_not_link"), text("SUB", "sub_error_not_link"));
}

bool SystemSettings::askToWrite() {
  return operator_.askYesNo(text("SUB", "sub_write_data_mac"), text("SUB", "sub_write_data_mac"));
}

void SystemSettings::changeTemperatureOffset() {
  fields_.temperatureWritten = false;
  fields_.changed();
  if (temperatureDump_.size() != 2 * kTemperatureReplySize) return notLinked();
  std::optional<double> correction = task::parseReal(fields_.temperatureCorrection);
  std::optional<double> offset = task::parseReal(temperatureOffset_);
  if (!correction || !offset) {
    return operator_.showMessage(text("SUB", "sub_error_offset"), text("SUB", "sub_error_offset"));
  }
  if (!askToWrite()) return;
  // All ten registers go back; only the offset (block bytes 4..7) changes.
  Bytes block = bytesFromHex(temperatureDump_);
  Bytes frame{0x01, 0x10, 0x30, 0x06, 0x00, 0x0A, 0x14};
  frame.insert(frame.end(), block.begin() + kBlockDataAt, block.begin() + kTemperatureOffsetAt);
  const float newOffset = static_cast<float>(*offset + *correction);
  writtenOffset_ = singleText(newOffset);
  Bytes single = FloatToBeBytes(newOffset);
  frame.insert(frame.end(), single.begin(), single.end());
  frame.insert(frame.end(), block.begin() + kTemperatureOffsetAt + 4, block.begin() + kBlockDataAt + 20);
  send(SettingsWrite::TemperatureOffset, frame);
}

void SystemSettings::changePressureOffset() {
  fields_.pressureWritten = false;
  fields_.changed();
  if (pressureOffset_.empty()) return notLinked();
  std::optional<double> correction = task::parseReal(fields_.pressureCorrection);
  std::optional<double> offset = task::parseReal(pressureOffset_);
  if (!correction || !offset) {
    return operator_.showMessage(text("SUB", "sub_error_offset"), text("SUB", "sub_error_offset"));
  }
  if (!askToWrite()) return;
  Bytes frame{0x01, 0x10, 0x20, 0x84, 0x00, 0x02, 0x04};
  const float newOffset = static_cast<float>(*offset + *correction);
  writtenOffset_ = singleText(newOffset);
  Bytes single = FloatToBeBytes(newOffset);
  frame.insert(frame.end(), single.begin(), single.end());
  send(SettingsWrite::PressureOffset, frame);
}

void SystemSettings::send(SettingsWrite write, const Bytes& frameWithoutCrc) {
  pendingWrite_ = write;
  acknowledged_ = false;
  sentAtMs_ = loop_.nowMs();
  context_.sendRecorded(frameWithoutCrc);
}

// The success captions go by the length of the echoed acknowledgement; the battery reset is
// acknowledged with as many bytes as the pressure write, so the pending write decides which
// caption a length belongs to.
bool SystemSettings::awaitsAcknowledgement() const {
  return open_ && pendingWrite_ != SettingsWrite::None && !acknowledged_ &&
         loop_.nowMs() - sentAtMs_ < kAcknowledgementWaitMs;
}

void SystemSettings::onWriteAcknowledged(const Bytes& block) {
  if (!open_ || pendingWrite_ == SettingsWrite::None || pendingWrite_ == SettingsWrite::BaudRate) return;
  acknowledged_ = true;
  if (pendingWrite_ == SettingsWrite::PressureOffset && block.size() == kPressureWriteAckSize) {
    fields_.pressureWritten = true;
  } else if (pendingWrite_ == SettingsWrite::TemperatureOffset && block.size() == kTemperatureWriteAckSize) {
    fields_.temperatureWritten = true;
  }
  fields_.changed();
}

void SystemSettings::changeBaudRate() {
  if (fields_.rateIndex < 0) return;
  send(SettingsWrite::BaudRate,
       {0x01, 0x10, 0x11, 0x02, 0x00, 0x01, 0x02, 0x00, reg::baudCode(fields_.rateIndex)});
}

void SystemSettings::onBaudRateAccepted() {
  // The rate restore after a download is acknowledged the same way; only our own write counts.
  if (!open_ || pendingWrite_ != SettingsWrite::BaudRate || acknowledged_) return;
  acknowledged_ = true;
  fields_.baudResult = text("QL310", "ql310_com_relink");
  fields_.changed();
  if (context_.onBaudRateChanged) context_.onBaudRateChanged();
}

void SystemSettings::changeBattery() {
  if (!operator_.askYesNo(text("QL310", "qlinfo_batchange"), text("QL310", "qlinfo_batchange"))) return;
  send(SettingsWrite::Battery, {0x01, 0x10, 0x20, 0x80, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x00});
  if (context_.onBatteryChanged) context_.onBatteryChanged();
}

}  // namespace ql
