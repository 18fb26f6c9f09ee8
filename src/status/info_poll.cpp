#include "status/info_poll.h"

#include <charconv>
#include <cstdio>

#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"
#include "runtime/formats.h"

namespace ql {

namespace {

constexpr std::size_t kData = 11;  // first data byte of a read reply, after the 8-byte echo and 01 03 n

std::string dottedBytes(const Bytes& block) {
  return std::to_string(block[kData]) + "." + std::to_string(block[kData + 1]) + "." +
         std::to_string(block[kData + 2]) + "." + std::to_string(block[kData + 3]);
}

std::optional<std::int64_t> parseInt64(const std::string& text) {
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// The constant reads of steps 12..21: the older layout reads two registers per constant, firmware
// 1.3 four registers (a double) per ratio.
struct ConstantRead {
  std::uint16_t olderAddress;  // 0: nothing to read in the older layout
  std::uint16_t address13;
};
constexpr ConstantRead kConstantReads[] = {
    {0xF105, 0xF109}, {0xF107, 0xF10D}, {0xF109, 0xF111}, {0xF10B, 0xF115}, {0xF10D, 0xF201},
    {0xF10F, 0xF205}, {0xF201, 0xF209}, {0xF203, 0xF20D}, {0, 0xF211},      {0, 0xF215},
};

}  // namespace

InfoPoll::InfoPoll(PollSequencer& sequencer, LinkState& state, InstrumentInfo& info, TextLookup texts,
                   Operator& op)
    : PolledSequence(sequencer), state_(state), info_(info), texts_(std::move(texts)), operator_(op) {}

void InfoPoll::start(std::int32_t step) {
  haltedByRunningTask_ = false;
  sequencer_.run(*this, step);
}

void InfoPoll::resume() { sequencer_.run(*this, step_); }

bool InfoPoll::firmwareIs13() const { return info_.firmwareVersion.rfind("1.3", 0) == 0; }

void InfoPoll::perform() {
  using reg::readRequest;
  switch (step_) {
    case kSerialNumber:
      return sequencer_.sendStep(readRequest(reg::kSerialNumber, 2));
    case kModel:
      return sequencer_.sendStep(readRequest(reg::kModel, 1));
    case kHardwareVersion:
      return sequencer_.sendStep(readRequest(reg::kHardwareVersion, 2));
    case kFirmwareVersion:
      return sequencer_.sendStep(readRequest(reg::kFirmwareVersion, 2));
    case kFlashSize:
      return sequencer_.sendStep(readRequest(reg::kFlashSize, 2));
    case kFlashUsed:
      return sequencer_.sendStep(readRequest(reg::kFlashUsed, 2));
    case kBatteryVoltage:
      return sequencer_.sendStep(readRequest(reg::kBatteryVoltage, 1));
    case kClock:
      return sequencer_.sendStep(readRequest(reg::kClock, 3));
    case kTaskRunState:
      return sequencer_.sendStep(readRequest(reg::kTaskRunState, 1));
    case kEnterCalibration:
      sequencer_.sendStep(reg::writeRequest(reg::kCalibrationMode, 0x005C));
      ++step_;
      batteryReadTries_ = 0;
      return;
    case kBatteryUsed:
      if (batteryReadTries_ < kMaxBatteryReads) {
        sequencer_.sendStep(readRequest(reg::kBatteryUsed, 2));
        ++batteryReadTries_;
      } else {
        ++step_;
      }
      return;
    case kConstantsDone:
      sequencer_.skipWait();
      step_ = kLeaveCalibration;
      return;
    case kLastConstant - 1:
      return sequencer_.sendStep(readRequest(0xF301, 1));
    case kLastConstant:
      return sequencer_.sendStep(readRequest(0xF302, 1));
    case kLeaveCalibration:
      sequencer_.sendStep(reg::writeRequest(reg::kCalibrationMode, 0x0000));
      ++step_;
      return;
    case kFileList:
      return sequencer_.sendStep(readRequest(reg::kFileTable, 1), kFileListWaitTicks);
    case kLiveValues: {
      // Recorded as LastRequest: the live-value reply is recognised against it.
      Bytes request = readRequest(reg::kLiveValues, 8);
      sequencer_.sendUnawaited(request);
      state_.LastRequest = AppendCrc(request);
      ++step_;
      return;
    }
    default:
      if (step_ >= kFirstConstant && step_ < kLastConstant - 1) {
        const ConstantRead& read = kConstantReads[step_ - kFirstConstant];
        if (firmwareIs13())
          sequencer_.sendStep(readRequest(read.address13, 4));
        else if (read.olderAddress != 0)
          sequencer_.sendStep(readRequest(read.olderAddress, 2));
        else
          ++step_;
        return;
      }
      sequencer_.finish();
  }
}

void InfoPoll::endOfPollActions() {
  info_.statusText = texts_ ? texts_("SYSTEMINFORMATION", "info_get_list_end") : "";
  info_.changed();
  if (onPollEnd) onPollEnd();
  if (fileCount && fileCount() > kFileCountWarning)
    operator_.showMessage("", texts_ ? texts_("QL310", "ql310_file_more") : "");
}

bool InfoPoll::takeReply(ReplyKind kind, const Bytes& block) {
  bool counts = false;
  switch (kind) {
    case ReplyKind::BatteryVoltage:
      counts = decodeBatteryVoltage(block);
      break;
    case ReplyKind::SerialNumber:
      counts = decodeSerialNumber(block);
      break;
    case ReplyKind::Model:
      counts = decodeModel(block);
      break;
    case ReplyKind::HardwareVersion:
      counts = decodeHardwareVersion(block);
      break;
    case ReplyKind::FirmwareVersion:
      counts = decodeFirmwareVersion(block);
      break;
    case ReplyKind::FlashSize:
      counts = decodeFlashSize(block);
      break;
    case ReplyKind::FlashUsed:
      counts = decodeFlashUsed(block);
      break;
    case ReplyKind::Clock:
      counts = decodeClock(block);
      break;
    case ReplyKind::TaskRunState:
      counts = decodeTaskRunState(block);
      break;
    case ReplyKind::BatteryUsed:
      counts = decodeBatteryUsed(block);
      break;
    case ReplyKind::Constant32:
      counts = decodeConstant32(block);
      break;
    case ReplyKind::Constant16:
      counts = decodeConstant16(block);
      break;
    case ReplyKind::Ratio64:
      counts = decodeRatio64(block);
      break;
    default:
      return false;
  }
  if (counts) sequencer_.answer(block);
  return true;
}

void InfoPoll::clearEraseCountdown() {
  if (state_.EraseCountdown > 0) state_.EraseCountdown = 0;
}

std::uint16_t InfoPoll::requestAddress(const Bytes& block) const { return BeU16(block[2], block[3]); }

// --- decoding ---------------------------------------------------------------------------------

bool InfoPoll::decodeSerialNumber(const Bytes& block) {
  // The response carries its own CRC; a damaged one is read again.
  if (block.size() != 17 || !crcIsValid(Bytes(block.begin() + 8, block.end()))) {
    serialNumberRejection_ = "its answer failed the checksum";
    return false;
  }
  const std::uint32_t raw = BeU32(block.data() + kData);
  std::int64_t v = static_cast<std::int32_t>(raw);
  if (raw == reg::kBlankSerialNumber) {
    serialNumberRejection_ = "it reads " + std::to_string(raw) + ", the number of a logger never given one";
    return false;
  }
  if (v < 0) v = -v;
  if (v < reg::kMinSerialNumber) {
    serialNumberRejection_ =
        "it reads " + std::to_string(v) + ", below " + std::to_string(reg::kMinSerialNumber);
    return false;
  }
  serialNumberRejection_.clear();
  info_.serialNumber = "0" + std::to_string(v);
  info_.changed();
  return true;
}

bool InfoPoll::decodeModel(const Bytes& block) {
  std::uint16_t code = BeU16(block[kData], block[kData + 1]);
  info_.model = code == reg::kModelQL310 ? "QL310" : std::to_string(code);
  info_.changed();
  return true;
}

bool InfoPoll::decodeHardwareVersion(const Bytes& block) {
  info_.hardwareVersion = dottedBytes(block);
  info_.changed();
  return true;
}

bool InfoPoll::decodeFirmwareVersion(const Bytes& block) {
  info_.firmwareVersion = dottedBytes(block);
  info_.changed();
  return true;
}

bool InfoPoll::decodeFlashSize(const Bytes& block) {
  info_.flashSize = std::to_string(static_cast<std::int32_t>(BeU32(block.data() + kData)));
  clearEraseCountdown();
  info_.changed();
  return true;
}

bool InfoPoll::decodeFlashUsed(const Bytes& block) {
  info_.flashUsed = std::to_string(static_cast<std::int32_t>(BeU32(block.data() + kData)));
  auto size = parseInt64(info_.flashSize);
  auto used = parseInt64(info_.flashUsed);
  // Without a size (not read yet, or zero) the free space stays as it was.
  if (size && used && *size != 0) {
    std::int64_t free = *size - *used;
    info_.flashFree =
        std::to_string(free) + " (" + formatFixed(100.0 * double(free) / double(*size), 1) + "%)";
  }
  clearEraseCountdown();
  info_.changed();
  return true;
}

bool InfoPoll::decodeBatteryVoltage(const Bytes& block) {
  info_.batteryVoltage = formatFixed(BeU16(block[kData], block[kData + 1]) / 1000.0, 3);
  clearEraseCountdown();
  info_.changed();
  return true;
}

bool InfoPoll::decodeClock(const Bytes& block) {
  char text[32];
  const std::uint8_t* p = block.data() + kData;
  std::snprintf(text, sizeof text, "20%.2d-%.2d-%.2d %.2d:%.2d:%.2d", p[0], p[1], p[2], p[3], p[4], p[5]);
  info_.clock = text;
  clearEraseCountdown();
  info_.changed();
  return true;
}

bool InfoPoll::decodeTaskRunState(const Bytes& block) {
  info_.taskRunning = block[kData + 1] == 1;
  if (info_.taskRunning) {
    // The configuration asks whether to stop the task and resumes the poll at this step.
    sequencer_.stop();
    haltedByRunningTask_ = true;
    if (onTaskRunning) onTaskRunning();
  }
  info_.changed();
  return true;
}

bool InfoPoll::decodeBatteryUsed(const Bytes& block) {
  std::int32_t used = static_cast<std::int32_t>(BeU32(block.data() + kData));
  info_.batteryConsumption = used;
  // Wide arithmetic: a counter far outside the capacity must not wrap into a plausible figure.
  std::int64_t percent = (std::int64_t{reg::kBatteryCapacity} - used) * 100 / reg::kBatteryCapacity;
  info_.batteryPercent = std::to_string(percent);
  info_.batteryLevel = percent >= 67   ? BatteryLevel::Full
                       : percent >= 33 ? BatteryLevel::Middle
                                       : BatteryLevel::Low;
  info_.changed();
  return true;
}

bool InfoPoll::decodeConstant32(const Bytes& block) {
  static const struct {
    std::uint16_t address;
    int slot;
  } slots[] = {{0xF101, 0}, {0xF103, 1}, {0xF105, 2}, {0xF107, 3}, {0xF109, 4},  {0xF10B, 5},
               {0xF10D, 6}, {0xF10F, 7}, {0xF201, 8}, {0xF203, 9}, {0xF001, 12}, {0xF003, 13}};
  std::uint32_t raw = BeU32(block.data() + kData);
  for (const auto& s : slots) {
    if (s.address != requestAddress(block)) continue;
    info_.InstrumentConstants[s.slot] =
        (s.slot == 8 || s.slot == 9) ? std::int64_t{static_cast<std::int32_t>(raw)} : std::int64_t{raw};
  }
  return true;
}

bool InfoPoll::decodeConstant16(const Bytes& block) {
  std::uint16_t address = requestAddress(block);
  std::uint16_t value = BeU16(block[kData], block[kData + 1]);
  if (address == 0xF301) info_.InstrumentConstants[10] = value;
  if (address == 0xF302) info_.InstrumentConstants[11] = value;
  return true;
}

bool InfoPoll::decodeRatio64(const Bytes& block) {
  std::uint16_t address = requestAddress(block);
  double value = BeFloat64(Bytes(block.begin() + kData, block.begin() + kData + 8));
  int index = (address & 0xFF) >= 0x01 ? ((address & 0xFF) - 0x01) / 4 : -1;
  if (index < 0 || index > 5) return true;
  if ((address & 0xFF00) == 0xF100) info_.PressureRatios[index] = value;
  if ((address & 0xFF00) == 0xF200) info_.TemperatureRatios[index] = value;
  return true;
}

}  // namespace ql
