#include "sim/logger_model.h"

#include <algorithm>
#include <bit>
#include <chrono>

#include "link/codecs.h"
#include "link/crc.h"
#include "sim/file_stream.h"
#include "sim/logging_task.h"
#include "sim/registers.h"

namespace ql::sim {

namespace {

Bytes versionBytes(const std::array<std::uint8_t, 4>& version) { return {version.begin(), version.end()}; }

Bytes doubleBytes(double value) {
  Bytes out;
  std::uint64_t raw = std::bit_cast<std::uint64_t>(value);
  putBeU32(out, static_cast<std::uint32_t>(raw >> 32));
  putBeU32(out, static_cast<std::uint32_t>(raw));
  return out;
}

// Index of a ratio in a table whose doubles start at first, four registers apart.
std::optional<int> ratioIndex(std::uint16_t reg, std::uint16_t first) {
  if (reg < first) return std::nullopt;
  int offset = reg - first;
  if (offset % reg::kRatioRegisters != 0 || offset / reg::kRatioRegisters >= reg::kRatioCount) {
    return std::nullopt;
  }
  return offset / reg::kRatioRegisters;
}

// Cuts the reply's bytes at offset, wherever that falls among the chunks; the piece behind the
// cut follows after pauseMs. A cut beyond a chunk's own bytes that has a stream behind them would
// fall inside the stream and is not made.
void cutReply(Reply& reply, std::size_t offset, int pauseMs) {
  for (std::size_t i = 0; i < reply.size(); ++i) {
    Bytes& bytes = reply[i].bytes;
    if (offset < bytes.size()) {
      ReplyChunk tail{Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end()), pauseMs,
                      std::move(reply[i].stream)};
      reply[i].stream = nullptr;
      bytes.resize(offset);
      reply.insert(reply.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::move(tail));
      return;
    }
    offset -= bytes.size();
    if (offset == 0) {  // the cut falls on an existing chunk boundary
      if (i + 1 < reply.size() && !reply[i].stream) {
        reply[i + 1].pauseBeforeMs = std::max(reply[i + 1].pauseBeforeMs, pauseMs);
      }
      return;
    }
    if (reply[i].stream) return;
  }
}

}  // namespace

LoggerModel::LoggerModel(LoggerConfig config, Clock clock)
    : config_(std::move(config)),
      clock_(std::move(clock)),
      baudRate_(config_.baudRate),
      clockOffset_(static_cast<std::time_t>(config_.clockOffsetSeconds)) {
  seedRegisters();
  seedCalibration();
  addStandardHandlers();
  addCalibrationHandlers();
  files_.fillStandard(config_.fileCount);
  if (config_.taskRunState == 1) startRecording();
}

void LoggerModel::seedRegisters() {
  bank_.set(reg::kModel, config_.model);
  bank_.setU32(reg::kSerialNumber, config_.serialNumber);
  bank_.setBytes(reg::kHardwareVersion, versionBytes(config_.hardwareVersion));
  bank_.setBytes(reg::kFirmwareVersion, versionBytes(config_.firmwareVersion));
  bank_.setU32(reg::kFlashSize, config_.flashSize);
  bank_.setU32(reg::kFlashUsed, config_.flashUsed);
  bank_.set(reg::kBatteryVoltage, config_.batteryMillivolts);
  bank_.setU32(reg::kBatteryUsed, config_.batteryConsumption);
  bank_.set(reg::kTaskRunState, config_.taskRunState);
  storeTask(bank_, config_.task);
  bank_.setBytes(reg::kPressureDrift, FloatToBeBytes(config_.pressureZeroOffset));
  Bytes temperatureBlock;
  for (float value : config_.temperatureConstants) {
    Bytes single = FloatToBeBytes(value);
    temperatureBlock.insert(temperatureBlock.end(), single.begin(), single.end());
  }
  putBeU32(temperatureBlock, config_.pressureAdOffset);
  bank_.setBytes(reg::kTemperatureConstants, temperatureBlock);
  for (const auto& [address, value] : config_.constants32) bank_.setU32(address, value);
  for (const auto& [address, value] : config_.constants16) bank_.set(address, value);
}

void LoggerModel::addStandardHandlers() {
  addReadHandler({reg::kLiveValues, reg::kLiveValues},
                 [this](const Request& r) { return readLiveValues(r); });
  for (std::uint16_t address :
       {reg::kRecordInterval, reg::kTaskStart, reg::kTaskEnd, reg::kSendToPort, reg::kAverageInterval,
        reg::kAverageCount, reg::kDepthSettings, reg::kTaskName}) {
    addWriteHandler({address, address}, [this](const Request& r) { return writeTaskRegister(r); });
  }
  addWriteHandler({reg::kTaskRunState, reg::kTaskRunState},
                  [this](const Request& r) { return writeRunState(r); });
  addReadHandler({reg::kClock, reg::kClock}, [this](const Request& r) { return readClock(r); });
  addWriteHandler({reg::kClock, reg::kClock}, [this](const Request& r) { return writeClock(r); });
  addReadHandler({reg::kRatiosFirst, reg::kRatiosLast},
                 [this](const Request& r) { return readConstants(r); });
  addWriteHandler({reg::kBaudCode, reg::kBaudCode}, [this](const Request& r) { return writeBaudRate(r); });
  addReadHandler({reg::kFileTable, reg::kFileTable}, [this](const Request& r) { return readFileTable(r); });
  addWriteHandler({reg::kFileTable, reg::kFileTable}, [this](const Request& r) { return writeFileTable(r); });
  addReadHandler({reg::kFileData, reg::kFileData}, [this](const Request& r) { return readFileData(r); });
}

void LoggerModel::addReadHandler(RegisterRange range, Handler handler) {
  readRoutes_.push_back({range, std::move(handler)});
}

void LoggerModel::addWriteHandler(RegisterRange range, Handler handler) {
  writeRoutes_.push_back({range, std::move(handler)});
}

void LoggerModel::setFaults(const LoggerFaults& faults) {
  faults_ = faults;
  repliesMade_ = 0;
  repliesSent_ = 0;
  restarted_ = false;
}

std::time_t LoggerModel::now() const { return clock_ ? clock_() : std::time(nullptr); }

std::int64_t LoggerModel::nowMs() const {
  if (msClock_) return msClock_();
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
}

Reply LoggerModel::receive(const Bytes& bytes, std::uint32_t lineRate) {
  if (vanished_ || bytes.empty()) return {};
  if (faults_.vanish) {
    vanished_ = true;
    return {};
  }
  if (faults_.restartAfterReplies > 0 && !restarted_ && repliesMade_ >= faults_.restartAfterReplies) {
    // A restart loses the request, any half-received frame and a switched line rate.
    restarted_ = true;
    framer_.clear();
    baudRate_ = config_.baudRate;
    busyUntilMs_ = nowMs() + faults_.restartMs;
    return {};
  }
  if (busy()) {
    framer_.clear();  // requests during an erase are lost, not answered later
    return {};
  }
  if (lineRate != baudRate_) {
    // A UART at another rate sees framing errors, not frames.
    framer_.clear();
    return faults_.garbageAtWrongRate ? garbageFor(bytes) : Reply{};
  }

  Reply out;
  framer_.append(bytes);
  while (std::optional<Request> request = framer_.next()) {
    if (faults_.stallAfter > 0 && repliesSent_ >= faults_.stallAfter) continue;
    Answer answer = handle(*request);
    if (answer.isNone()) continue;

    Reply reply;
    if (answer.echo) reply.push_back({request->frame, 0});
    for (ReplyChunk& chunk : answer.chunks) {
      if (!reply.empty() && chunk.pauseBeforeMs == 0 && !reply.back().stream && !chunk.stream) {
        reply.back().bytes.insert(reply.back().bytes.end(), chunk.bytes.begin(), chunk.bytes.end());
      } else {
        reply.push_back(std::move(chunk));
      }
    }
    reply = deliverThroughFaults(std::move(reply));
    out.insert(out.end(), reply.begin(), reply.end());
    if (answer.afterReply) answer.afterReply();
  }
  return out;
}

Answer LoggerModel::handle(const Request& request) {
  catchUpRecording();
  if (request.function == kFunctionWrite) {
    const std::vector<std::uint16_t>& ignored = faults_.ignoreWritesTo;
    if (std::find(ignored.begin(), ignored.end(), request.firstRegister) != ignored.end())
      return Answer::none();
  }
  auto route = [&request](const std::vector<Route>& routes) -> const Handler* {
    for (auto it = routes.rbegin(); it != routes.rend(); ++it) {
      if (it->range.contains(request.firstRegister)) return &it->handler;
    }
    return nullptr;
  };
  switch (request.function) {
    case kFunctionRead: {
      const Handler* handler = route(readRoutes_);
      return handler ? (*handler)(request) : readFromBank(request);
    }
    case kFunctionWrite: {
      const Handler* handler = route(writeRoutes_);
      Answer answer = handler ? (*handler)(request) : writeToBank(request);
      bool plainAck =
          answer.chunks.size() == 1 && answer.chunks[0].bytes == writeAck(request).chunks[0].bytes;
      if (!config_.echoWriteAcks && plainAck) answer.echo = false;
      return answer;
    }
    case kFunctionControl:
      lastControlCode_ = request.controlCode;
      return Answer::none();
    default:
      return Answer::none();
  }
}

Answer LoggerModel::readAnswer(const Bytes& data) {
  Bytes response = {kSlaveAddress, kFunctionRead, static_cast<std::uint8_t>(data.size())};
  response.insert(response.end(), data.begin(), data.end());
  return Answer{{{AppendCrc(response), 0}}, true, {}};
}

Answer LoggerModel::writeAck(const Request& request) {
  Bytes ack(request.frame.begin(), request.frame.begin() + 6);
  return Answer{{{AppendCrc(ack), 0}}, true, {}};
}

Answer LoggerModel::readFromBank(const Request& request) const {
  if (request.count == 0 || request.count > kMaxReadCount) return Answer::none();
  return readAnswer(bank_.read(request.firstRegister, request.count));
}

Answer LoggerModel::writeToBank(const Request& request) {
  bank_.setBytes(request.firstRegister, request.data);
  return writeAck(request);
}

Answer LoggerModel::readLiveValues(const Request& request) const {
  Bytes data = liveValueBytes(liveValues());
  if (request.count != 8) {
    // Part of the eight registers (and zeros behind them), in the plain form.
    if (request.count == 0 || request.count > kMaxReadCount) return Answer::none();
    data.resize(2u * request.count, 0);
    return readAnswer(data);
  }
  Bytes eight(data.begin(), data.begin() + 8);
  switch (config_.liveReplyForm) {
    case LiveReplyForm::EchoSixteen:
      return readAnswer(data);
    case LiveReplyForm::BareSixteen: {
      Answer answer = readAnswer(data);
      answer.echo = false;
      return answer;
    }
    case LiveReplyForm::EchoEight:
      return readAnswer(eight);
    case LiveReplyForm::BareEight: {
      Answer answer = readAnswer(eight);
      answer.echo = false;
      return answer;
    }
    case LiveReplyForm::EchoNoiseEight: {
      Answer answer = readAnswer(eight);
      Bytes& bytes = answer.chunks[0].bytes;
      bytes.insert(bytes.begin(), {0xFF, 0xFF});
      return answer;
    }
  }
  return readAnswer(data);
}

Answer LoggerModel::writeTaskRegister(const Request& request) {
  if (!taskWriteAccepted(request.firstRegister, request.count, request.data)) return Answer::none();
  return writeToBank(request);
}

Answer LoggerModel::writeRunState(const Request& request) {
  if (!taskWriteAccepted(request.firstRegister, request.count, request.data)) return Answer::none();
  bool start = request.data[1] == 1;
  if (start && !recording()) startRecording();
  if (!start) recordingSince_.reset();
  bank_.set(reg::kTaskRunState, start ? 1 : 0);
  return writeAck(request);
}

void LoggerModel::startRecording() {
  recordingSince_ = now();
  recordingIntervalMs_ = bank_.getU32(reg::kRecordInterval);
  recordsCounted_ = 0;
  bank_.set(reg::kTaskRunState, 1);
}

void LoggerModel::catchUpRecording() {
  if (!recordingSince_ || recordingIntervalMs_ == 0) return;
  std::int64_t elapsedMs = std::max<std::int64_t>(0, (now() - *recordingSince_)) * 1000;
  std::int64_t records = elapsedMs / recordingIntervalMs_;
  if (records <= recordsCounted_) return;
  std::int64_t used = bank_.getU32(reg::kFlashUsed) +
                      (records - recordsCounted_) * static_cast<std::int64_t>(RecordedFile::kRecordSize);
  recordsCounted_ = records;
  bank_.setU32(reg::kFlashUsed, static_cast<std::uint32_t>(std::min<std::int64_t>(used, config_.flashSize)));
}

Answer LoggerModel::readClock(const Request& request) const {
  if (request.count != 3) return readFromBank(request);
  std::time_t t = loggerTime();
  std::tm local{};
  localtime_r(&t, &local);
  Bytes data = {static_cast<std::uint8_t>(local.tm_year % 100), static_cast<std::uint8_t>(local.tm_mon + 1),
                static_cast<std::uint8_t>(local.tm_mday),       static_cast<std::uint8_t>(local.tm_hour),
                static_cast<std::uint8_t>(local.tm_min),        static_cast<std::uint8_t>(local.tm_sec)};
  return readAnswer(data);
}

Answer LoggerModel::writeClock(const Request& request) {
  // A date the logger cannot hold, or a write of another size, is not acknowledged.
  if (request.count != 3 || !isValidTaskTime(request.data)) return Answer::none();
  const Bytes& d = request.data;
  std::tm local{};
  local.tm_year = 100 + d[0];
  local.tm_mon = d[1] - 1;
  local.tm_mday = d[2];
  local.tm_hour = d[3];
  local.tm_min = d[4];
  local.tm_sec = d[5];
  local.tm_isdst = -1;
  std::time_t set = std::mktime(&local);
  if (set == static_cast<std::time_t>(-1)) return Answer::none();
  clockOffset_ = set - now();
  return writeAck(request);
}

Answer LoggerModel::readConstants(const Request& request) const {
  if (request.count == reg::kRatioRegisters) {
    std::optional<int> pressure = ratioIndex(request.firstRegister, reg::kPressureRatiosFirst);
    std::optional<int> temperature = ratioIndex(request.firstRegister, reg::kTemperatureRatiosFirst);
    if (pressure) return readAnswer(doubleBytes(config_.pressureRatios[static_cast<std::size_t>(*pressure)]));
    if (temperature) {
      return readAnswer(doubleBytes(config_.temperatureRatios[static_cast<std::size_t>(*temperature)]));
    }
  }
  return readFromBank(request);
}

Answer LoggerModel::writeBaudRate(const Request& request) {
  if (request.count != 1) return Answer::none();
  std::uint16_t value = BeU16(request.data[0], request.data[1]);
  if (value == kSpeedSwitch || value == kSpeedSwitchAlternative) {
    // The acknowledgement head is followed directly by the new rate, then one CRC over both.
    Bytes response(request.frame.begin(), request.frame.begin() + 6);
    putBeU32(response, kSpeedSwitchRate);
    return Answer{{{AppendCrc(response), 0}}, true, [this] { baudRate_ = kSpeedSwitchRate; }};
  }
  std::optional<std::uint32_t> rate = (value >> 8) == 0 ? baudRateOfCode(value & 0xFF) : std::nullopt;
  if (!rate) return Answer::none();
  Answer answer = writeAck(request);
  answer.afterReply = [this, newRate = *rate] { baudRate_ = newRate; };
  return answer;
}

Answer LoggerModel::readFileTable(const Request&) const {
  if (files_.presentCount() == 0 && config_.emptyTableShortForm) {
    return Answer{{{AppendCrc({kSlaveAddress, kFunctionRead, 0x00}), 0}}, true, {}};
  }
  // 01 03, the entry count (not a byte count), the 16 entries, and a CRC over all of it.
  Bytes response = {kSlaveAddress, kFunctionRead, static_cast<std::uint8_t>(RecordedFiles::kSlots)};
  Bytes entries = files_.tableEntries();
  response.insert(response.end(), entries.begin(), entries.end());
  return Answer{{{AppendCrc(response), 0}}, true, {}};
}

StreamFaults LoggerModel::streamFaultsFor(const RecordedFile& file) const {
  StreamFaults stream;
  stream.strayAt = faults_.strayAt;
  auto seed = static_cast<std::uint32_t>(file.number()) * 0x9E3779B9u ^ file.size();
  for (std::uint64_t offset : randomStrayOffsets(file.size(), faults_.strayBytes, seed)) {
    stream.strayAt.push_back(offset);
  }
  stream.stopAfter = faults_.streamStopsAfter;
  stream.vanishAfter = faults_.vanishAfterStreamBytes;
  if (faults_.corruptStream) stream.flipAt = corruptedOffset(file.size());
  return stream;
}

Answer LoggerModel::readFileData(const Request& request) {
  // The register count carries the file number; an erased slot or a number outside 1..16 is
  // not answered.
  std::shared_ptr<const RecordedFile> file = files_.file(request.count);
  if (!file) return Answer::none();
  auto stream = std::make_shared<FileStream>(file, streamFaultsFor(*file), [this] { vanished_ = true; });
  return Answer{{{file->responseHead(), 0, std::move(stream)}}, true, {}};
}

Answer LoggerModel::writeFileTable(const Request& request) {
  if (request.count != 1 || request.data.size() != 2) return Answer::none();
  std::uint16_t value = BeU16(request.data[0], request.data[1]);
  int busyMs = 0;
  if (value == kEraseAllFiles) {
    files_.eraseAll();
    bank_.setU32(reg::kFlashUsed, 0);
    busyMs = config_.eraseAllMs;
  } else if (value >= 1 && value <= RecordedFiles::kSlots) {
    if (std::shared_ptr<const RecordedFile> file = files_.file(value)) {
      std::uint32_t used = bank_.getU32(reg::kFlashUsed);
      bank_.setU32(reg::kFlashUsed, used > file->size() ? used - file->size() : 0);
      files_.erase(value);
      busyMs = config_.deleteFileMs;
    }
  } else {
    return Answer::none();
  }
  // Acknowledged at once; the erase itself then keeps the logger busy.
  Answer answer = writeAck(request);
  answer.afterReply = [this, busyMs] { busyUntilMs_ = nowMs() + busyMs; };
  return answer;
}

Reply LoggerModel::deliverThroughFaults(Reply reply) {
  ++repliesMade_;
  if (faults_.dropEvery > 0 && repliesMade_ % faults_.dropEvery == 0) return {};
  ++repliesSent_;
  if (faults_.splitAt > 0) cutReply(reply, static_cast<std::size_t>(faults_.splitAt), faults_.splitPauseMs);
  for (int at : faults_.splitAlsoAt) {
    if (at > 0) cutReply(reply, static_cast<std::size_t>(at), faults_.splitPauseMs);
  }
  if (faults_.noiseBeforeReplies > 0 && !reply.empty()) {
    Reply noise = garbageFor(Bytes(static_cast<std::size_t>(faults_.noiseBeforeReplies) * 2));
    reply.front().pauseBeforeMs = std::max(reply.front().pauseBeforeMs, faults_.splitPauseMs);
    reply.insert(reply.begin(), noise.front());
  }
  return reply;
}

Reply LoggerModel::garbageFor(const Bytes& bytes) {
  // About one framing-error byte for every two bytes sent; never 0x01, so never a reply's start.
  std::size_t length = std::max<std::size_t>(1, bytes.size() / 2);
  Bytes garbage;
  for (std::size_t i = 0; i < length; ++i) {
    garbageSeed_ ^= garbageSeed_ << 13;
    garbageSeed_ ^= garbageSeed_ >> 17;
    garbageSeed_ ^= garbageSeed_ << 5;
    std::uint8_t b = static_cast<std::uint8_t>(garbageSeed_);
    garbage.push_back(b == kSlaveAddress ? 0xFE : b);
  }
  return {{garbage, 0}};
}

}  // namespace ql::sim
