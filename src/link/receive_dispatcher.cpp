#include "link/receive_dispatcher.h"

#include <algorithm>

#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"

namespace ql {

namespace {

const Bytes kReadHead{0x01, 0x03};
const Bytes kReadHead4{0x01, 0x03, 0x04};
const Bytes kReadHead8{0x01, 0x03, 0x08};
// The start of the echo of a file-data request (01 03 E0 0E 00 n).
const Bytes kFileDataEcho{0x01, 0x03, 0xE0, 0x0E, 0x00};
const Bytes kBaudWriteHead{0x01, 0x10, 0x11, 0x02, 0x00, 0x01};
constexpr std::size_t kHeldFragmentMax = 60;

bool equalPrefix(const Bytes& block, const Bytes& prefix, std::size_t length) {
  return prefix.size() >= length && block.size() >= length &&
         std::equal(prefix.begin(), prefix.begin() + length, block.begin());
}

Bytes first(const Bytes& data, std::size_t n) {
  return Bytes(data.begin(), data.begin() + std::min(n, data.size()));
}

// The live-value reply comes in several shapes, with and without the echo of its request.
bool isLiveValueReply(const Bytes& block) {
  const Bytes request = reg::readRequest(reg::kLiveValues, 8);
  const Bytes echo = AppendCrc(request);
  if (block.size() == 13 && startsWith(block, kReadHead8)) return true;
  if (block.size() == 21 && startsWith(block, concat({echo, kReadHead8}))) return true;
  if (startsWith(block, request)) {
    const Bytes pattern{0x01, 0x03, 0x08, 0x00};
    if (std::search(block.begin(), block.end(), pattern.begin(), pattern.end()) != block.end()) return true;
  }
  if (block.size() == 21 && startsWith(block, Bytes{0x01, 0x03, 0x10})) return true;
  return block.size() == 29 && startsWith(block, request);
}

}  // namespace

ReceiveDispatcher::ReceiveDispatcher(LinkState& state, ReplyHandlers& handlers)
    : state_(state), handlers_(handlers) {
  buildRoutes();
}

void ReceiveDispatcher::addEchoRoute(const Bytes& request, const Bytes& responseHead, Route::Length test,
                                     std::size_t length, ReplyKind kind) {
  Bytes prefix = concat({AppendCrc(request), responseHead});
  auto lengthOk = [test, length](std::size_t n) {
    switch (test) {
      case Route::Length::Exactly:
        return n == length;
      case Route::Length::MoreThan:
        return n > length;
      case Route::Length::AtLeast:
        return n >= length;
    }
    return false;
  };
  routes_.push_back(
      {[prefix, lengthOk](const Bytes& b) { return lengthOk(b.size()) && startsWith(b, prefix); }, kind});
}

// The reply table, in the order the tests run.
void ReceiveDispatcher::buildRoutes() {
  using L = Route::Length;
  using reg::readRequest;
  const Bytes none;

  addEchoRoute(readRequest(reg::kBatteryVoltage, 1), none, L::MoreThan, 14, ReplyKind::BatteryVoltage);
  addEchoRoute(readRequest(reg::kSerialNumber, 2), none, L::Exactly, 17, ReplyKind::SerialNumber);
  addEchoRoute(readRequest(reg::kModel, 1), none, L::MoreThan, 14, ReplyKind::Model);
  addEchoRoute(readRequest(reg::kHardwareVersion, 2), none, L::MoreThan, 16, ReplyKind::HardwareVersion);
  addEchoRoute(readRequest(reg::kFirmwareVersion, 2), none, L::MoreThan, 16, ReplyKind::FirmwareVersion);
  addEchoRoute(readRequest(reg::kFlashSize, 2), none, L::MoreThan, 16, ReplyKind::FlashSize);
  addEchoRoute(readRequest(reg::kFlashUsed, 2), none, L::MoreThan, 16, ReplyKind::FlashUsed);
  addEchoRoute(readRequest(reg::kClock, 3), none, L::MoreThan, 18, ReplyKind::Clock);
  addEchoRoute(readRequest(reg::kFileTable, 1), none, L::MoreThan, 7, ReplyKind::FileList);
  addEchoRoute(readRequest(reg::kTaskName, 8), none, L::MoreThan, 28, ReplyKind::TaskName);
  addEchoRoute(readRequest(reg::kTaskStart, 3), none, L::MoreThan, 18, ReplyKind::TaskStart);
  addEchoRoute(readRequest(reg::kTaskEnd, 3), none, L::MoreThan, 18, ReplyKind::TaskEnd);
  addEchoRoute(readRequest(reg::kRecordInterval, 2), none, L::MoreThan, 16, ReplyKind::RecordInterval);
  addEchoRoute(readRequest(reg::kAverageCount, 1), none, L::MoreThan, 14, ReplyKind::AverageCount);
  addEchoRoute(readRequest(reg::kAverageInterval, 2), none, L::MoreThan, 16, ReplyKind::AverageInterval);
  addEchoRoute(readRequest(reg::kSendToPort, 1), none, L::MoreThan, 14, ReplyKind::SendToPort);
  addEchoRoute(readRequest(reg::kTaskRunState, 1), none, L::MoreThan, 14, ReplyKind::TaskRunState);
  addEchoRoute(readRequest(reg::kBatteryUsed, 2), kReadHead4, L::MoreThan, 16, ReplyKind::BatteryUsed);

  // Instrument constants: two-register reads, then one-register reads.
  for (std::uint16_t address : {0xF001, 0xF003, 0xF101, 0xF103, 0xF105, 0xF107, 0xF109, 0xF10B, 0xF10D})
    addEchoRoute(readRequest(address, 2), kReadHead, L::MoreThan, 16, ReplyKind::Constant32);
  for (std::uint16_t address : {0xF10F, 0xF201, 0xF203})
    addEchoRoute(readRequest(address, 2), kReadHead, L::AtLeast, 17, ReplyKind::Constant32);
  for (std::uint16_t address : {0xF301, 0xF302})
    addEchoRoute(readRequest(address, 1), kReadHead, L::AtLeast, 15, ReplyKind::Constant16);

  // Writes recorded in LastRequest: the rate write first, then any write with and without echo.
  routes_.push_back(
      {[this](const Bytes& b) {
         const Bytes& last = state_.LastRequest;
         if (last.empty()) return false;
         if (startsWith(b, concat({last, kBaudWriteHead})) && b.size() >= last.size() + kBaudWriteHead.size())
           return true;
         return b.size() == 8 && startsWith(last, kBaudWriteHead) && startsWith(b, kBaudWriteHead);
       },
       ReplyKind::BaudRateAccepted});
  routes_.push_back(
      {[this](const Bytes& b) {
         const Bytes& last = state_.LastRequest;
         return !last.empty() && startsWith(b, concat({last, first(last, 4)})) && last.size() >= 4;
       },
       ReplyKind::WriteAcknowledged});
  routes_.push_back({[this](const Bytes& b) {
                       const Bytes& last = state_.LastRequest;
                       return b.size() == 8 && last.size() >= 6 && equalPrefix(b, last, 6);
                     },
                     ReplyKind::WriteAcknowledgedBare});

  // Pressure and temperature ratios: four-register reads, addresses stepping by 4.
  for (std::uint16_t base : {0xF101, 0xF201})
    for (std::uint16_t address = base; address <= base + 0x14; address += 4)
      addEchoRoute(readRequest(address, 4), kReadHead, L::AtLeast, 21, ReplyKind::Ratio64);
  addEchoRoute(readRequest(reg::kDepthSettings, 4), kReadHead8, L::AtLeast, 21, ReplyKind::DepthSettings);

  // The settings dialog's two reads are recognised by what is awaited and by their length.
  routes_.push_back(
      {[this](const Bytes& b) { return b.size() == 33 && handlers_.awaits(ReplyKind::SettingsDriftValue); },
       ReplyKind::SettingsDriftValue});
  routes_.push_back({[this](const Bytes& b) {
                       return b.size() == 17 && handlers_.awaits(ReplyKind::SettingsPressureDrift);
                     },
                     ReplyKind::SettingsPressureDrift});

  routes_.push_back({isLiveValueReply, ReplyKind::LiveValues});
}

void ReceiveDispatcher::onReceiveData(const std::uint8_t* data, std::size_t length) {
  Bytes block(data, data + length);
  lastBranch_ = route(block);
}

// A file-data reply whose head arrived in a short first piece is joined with the next block.
bool ReceiveDispatcher::fileDataHead(Bytes& block) {
  auto isFragment = [](const Bytes& b) {
    return startsWith(b, kFileDataEcho) && b.size() > 7 && b.size() <= kHeldFragmentMax;
  };
  if (isFragment(block)) {
    state_.HeldFragment = block;
    lastBranch_ = Branch::FileDataHeld;
    return true;
  }
  if (isFragment(state_.HeldFragment)) {
    block = concat({state_.HeldFragment, block});
    state_.HeldFragment.clear();
  }
  if (startsWith(block, kFileDataEcho) && block.size() > kHeldFragmentMax) {
    handlers_.onFileDataHead(block);
    lastBranch_ = Branch::FileDataHead;
    return true;
  }
  return false;
}

ReceiveDispatcher::Branch ReceiveDispatcher::route(const Bytes& received) {
  Bytes block = received;
  if (block.empty()) return Branch::Ignored;

  if (state_.TraceSwitch) {
    std::string line = hexText(block);
    state_.LastReply.assign(line.begin(), line.end());
    handlers_.onTrace(line);
  }

  if (state_.CalibrationActive) {
    handlers_.onCalibrationBlock(block);
    return Branch::Calibration;
  }
  if (state_.Downloading) {
    handlers_.onDownloadBlock(block);
    return Branch::Download;
  }
  if (fileDataHead(block)) return lastBranch_;

  if (state_.FileListContinues) {
    state_.LastReply = block;
    handlers_.onFileListContinuation(block);
    return Branch::FileListContinuation;
  }

  if (block.size() < 6) return Branch::TooShort;

  for (std::uint8_t code : {0xF0, 0xF1}) {
    Bytes head = concat(
        {AppendCrc(reg::writeRequest(reg::kBaudCode, std::uint16_t(code << 8 | code))), kBaudWriteHead});
    if (block.size() > 22 && startsWith(block, head)) {
      state_.SwitchAcked = true;
      handlers_.onSpeedSwitchReply(BeU32(block.data() + 17));
      return Branch::SpeedSwitch;
    }
  }

  const bool probeAnswer = state_.ProbeCounter < probe::kStop && block.size() == 17 &&
                           startsWith(block, concat({AppendCrc(reg::probeRequest()), kReadHead4}));
  if (state_.ProbeCounter == probe::kAwaitingManualAnswer || probeAnswer) {
    if (state_.ConnectedPort.empty()) handlers_.onConnectionAnswer();
    return Branch::Connection;
  }

  state_.LastReply = block;

  for (const Route& r : routes_) {
    if (!r.matches(block)) continue;
    lastKind_ = r.kind;
    handlers_.onReply(r.kind, block);
    return Branch::Reply;
  }
  return Branch::Unmatched;
}

}  // namespace ql
