#include "assistant/terminal.h"

#include <algorithm>
#include <ctime>
#include <fstream>

#include "assistant/hex_reader.h"
#include "assistant/line_options.h"
#include "runtime/atomic_file.h"

namespace ql {

Terminal::Terminal(Scheduler& scheduler, TerminalLine& line, PortLister portLister)
    : scheduler_(scheduler),
      line_(line),
      portLister_(std::move(portLister)),
      lineSettings_(assistantLineDefaults()),
      flushTimer_(scheduler.makeTimer(kFlushDelayMs, [this] { flush(); })),
      messageTimer_(scheduler.makeTimer(kMessageMs,
                                        [this] {
                                          messageTimer_->stop();
                                          message_.clear();
                                          notify(kMessage);
                                        })),
      clockTimer_(scheduler.makeTimer(kClockMs, [this] { notify(kClock); })),
      autoSendTimer_(scheduler.makeTimer(autoSendPeriod_, [this] { sendOnce(); })),
      portScanTimer_(scheduler.makeTimer(kPortScanMs, [this] { rescanPorts(); })),
      fileSender_(
          scheduler, [this](const std::uint8_t* data, std::size_t length) { return sendBytes(data, length); },
          [this] { return line_.sendQueueEmpty(); },
          [this](std::uint64_t sent, std::uint64_t total, bool finished) {
            if (finished) {
              showMessage(kSentMessage);
            } else {
              showMessage("发送文件 " + std::to_string(total ? sent * 100 / total : 100) + "%");
            }
          }) {
  portList_ = portLister_ ? portLister_() : std::vector<std::string>{};
  if (!portList_.empty()) portName_ = portList_.front();
  line_.port().setCommName(portName_);
  line_.setLineSettings(lineSettings_);
  line_.port().setOnReceiveData(
      [this](const std::uint8_t* data, std::size_t length) { onReceive(data, length); });
  line_.deliverInPieces(kPieceIntervalMs, [this](const std::uint8_t* data, std::size_t length,
                                                 bool blockEnds) { onPiece(data, length, blockEnds); });
  clockTimer_->start();
  portScanTimer_->start();
}

Terminal::~Terminal() {
  line_.port().setOnReceiveData(nullptr);
  line_.deliverInPieces(0, nullptr);
}

void Terminal::notify(unsigned changes) {
  if (onChanged_ && changes != 0) onChanged_(changes);
}

// --- port setup

void Terminal::openPort() {
  portOpen_ = true;
  try {
    line_.port().open();
  } catch (const SerialPortError& error) {
    line_.port().close();
    portOpen_ = false;
    if (error.failure() == PortFailure::PermissionDenied) {
      showLastingMessage(port_errors::kPermissionDenied);
    } else {
      showMessage(kOpenFailedMessage);
    }
  }
}

void Terminal::closePort() {
  fileSender_.cancel();
  line_.port().close();
  portOpen_ = false;
}

void Terminal::pressOpenButton() {
  applyLine();
  if (portOpen_) {
    closePort();
  } else {
    openPort();
  }
  notify(kPortState);
}

void Terminal::setPortName(const std::string& name) {
  const bool reopen = portOpen_;
  line_.port().close();
  fileSender_.cancel();
  portName_ = name;
  line_.port().setCommName(name);
  if (reopen) openPort();
  notify(kPortState);
}

void Terminal::refreshPortList() {
  if (portOpen_) {
    closePort();
    notify(kPortState);
  }
  std::vector<std::string> ports = portLister_ ? portLister_() : std::vector<std::string>{};
  if (ports.empty()) return;
  portList_ = std::move(ports);
  notify(kPortList);
}

void Terminal::rescanPorts() {
  std::vector<std::string> ports = portLister_ ? portLister_() : std::vector<std::string>{};
  if (ports == portList_) return;
  portList_ = std::move(ports);
  notify(kPortList);
}

void Terminal::applyLine() { line_.setLineSettings(lineSettings_); }

void Terminal::setBaudText(std::string_view text) {
  const auto rate = parseBaudRate(text);
  if (!rate) return;
  lineSettings_.baudRate = *rate;
  applyLine();
}

void Terminal::setParityIndex(int index) {
  // Only the parity bit itself: input parity checking stays off, as it always has.
  lineSettings_.parity = parityForIndex(index);
  applyLine();
}

void Terminal::setDataBitsIndex(int index) {
  lineSettings_.byteSize = byteSizeForIndex(index);
  applyLine();
}

void Terminal::setStopBitsIndex(int index) {
  lineSettings_.stopBits = stopBitsForIndex(index);
  applyLine();
}

// --- receiving

void Terminal::onReceive(const std::uint8_t* data, std::size_t length) {
  receiveBytes(data, length);
  blockEnded(data, length);
  scheduleFlush();
}

void Terminal::onPiece(const std::uint8_t* data, std::size_t length, bool blockEnds) {
  // The information panel tells the area's length before the block, not before the piece.
  if (growingBlock_.empty()) infoBeforeBlock_ = areaLength();
  receiveBytes(data, length);
  if (displayRunning_ && length > 0) info_ = std::to_string(infoBeforeBlock_);
  if (blockEnds && growingBlock_.empty()) {
    blockEnded(data, length);
  } else {
    growingBlock_.insert(growingBlock_.end(), data, data + length);
    if (blockEnds) {
      blockEnded(growingBlock_.data(), growingBlock_.size());
      growingBlock_.clear();
    }
  }
  scheduleFlush();
}

void Terminal::blockEnded(const std::uint8_t* data, std::size_t length) {
  lastReceived_ = length;
  pendingChanges_ |= kCounters;
  const ReadOutValues values = ReadOut(readOut_, data, length);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!values[i]) continue;
    readOutValues_[i] = *values[i];
    pendingChanges_ |= kReadOut;
  }
}

void Terminal::receiveBytes(const std::uint8_t* data, std::size_t length) {
  if (length == 0) return;
  receivedTotal_ += length;
  pendingChanges_ |= kCounters;
  if (!displayRunning_) return;
  const std::size_t before = areaLength();
  if (autoClear_ && before > kAutoClearLimit) {
    clearPending_ = true;
    pendingHex_.clear();
  }
  if (hexDisplay_) {
    pendingHex_.insert(pendingHex_.end(), data, data + length);
  } else {
    materialize();
    scratch_.clear();
    decoder_.decode(data, length, scratch_);
    receiveArea_.append(scratch_);
  }
  info_ = std::to_string(before);
  pendingChanges_ |= kReceiveArea | kInfo;
}

void Terminal::scheduleFlush() {
  if (flushTimer_->enabled()) return;  // a flush is already due
  const std::int64_t sinceLast = scheduler_.nowMs() - lastFlushMs_;
  flushTimer_->setInterval(
      static_cast<int>(std::clamp<std::int64_t>(kFlushDelayMs - sinceLast, 0, kFlushDelayMs)));
  flushTimer_->start();
}

std::size_t Terminal::areaLength() const {
  return (clearPending_ ? 0 : receiveArea_.length()) + pendingHex_.size() * 3;
}

void Terminal::materialize() {
  if (clearPending_) {
    receiveArea_.clear();
    clearPending_ = false;
  }
  if (pendingHex_.empty()) return;
  scratch_.clear();
  appendHexDump(scratch_, pendingHex_.data(), pendingHex_.size());
  pendingHex_.clear();
  receiveArea_.append(scratch_);
}

void Terminal::flush() {
  flushTimer_->stop();
  lastFlushMs_ = scheduler_.nowMs();
  materialize();
  flushedTotal_ = receivedTotal_;
  const unsigned changes = pendingChanges_;
  pendingChanges_ = 0;
  notify(changes);
}

void Terminal::setDisplayRunning(bool running) { displayRunning_ = running; }

void Terminal::setHexDisplay(bool hex) {
  if (hex == hexDisplay_) return;
  hexDisplay_ = hex;
  decoder_.reset();
}

void Terminal::clearReceiveArea() {
  pendingHex_.clear();
  clearPending_ = false;
  receiveArea_.clear();
  decoder_.reset();
  notify(kReceiveArea);
}

void Terminal::setReceiveText(const std::string& utf8) {
  pendingHex_.clear();
  clearPending_ = false;
  // Text kept by older installations has CR LF line ends; the area holds one break per line.
  std::u16string text = utf8ToUtf16(utf8);
  std::u16string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') {
      lines.push_back(u'\n');
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      lines.push_back(text[i]);
    }
  }
  receiveArea_.setText(std::move(lines));
  decoder_.reset();
  notify(kReceiveArea);
}

std::string Terminal::receiveCounterText() const {
  return std::to_string(receivedTotal_) + "(" + std::to_string(lastReceived_) + ")";
}

bool Terminal::saveReceiveArea(const std::string& path, const DateTime& now) {
  materialize();
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "    %04d %02d %02d  %02d:%02d:%02d\r\n", now.year, now.month, now.day,
                now.hour, now.minute, now.second);
  const std::string text = receiveArea_.utf8();
  std::string content = stamp;
  content.reserve(content.size() + text.size() + text.size() / 16 + 2);
  for (char c : text) {
    if (c == '\n') content.push_back('\r');
    content.push_back(c);
  }
  content += "\r\n";
  return writeFileAtomically(path, content);
}

// --- sending

bool Terminal::sendBytes(const std::uint8_t* data, std::size_t length) {
  // Only bytes the port accepted are counted: a closed port sends nothing and counts nothing.
  if (!line_.port().writeBuffer(data, length)) return false;
  sentTotal_ += length;
  lastSent_ = length;
  notify(kCounters);
  return true;
}

void Terminal::sendOnce() {
  Bytes bytes;
  if (hexSend_) {
    bytes = readHex(sendText_);
    if (bytes.empty()) return;
  } else {
    // The send area's line ends go out as CR LF, as a terminal user types them.
    bytes.reserve(sendText_.size());
    for (char c : sendText_) {
      if (c == '\n') bytes.push_back('\r');
      bytes.push_back(static_cast<std::uint8_t>(c));
    }
  }
  if (sendBytes(bytes.data(), bytes.size())) showMessage(kSentMessage);
}

void Terminal::quickSend(std::string_view hexText) {
  const Bytes bytes = readHex(hexText);
  if (bytes.empty()) return;
  if (sendBytes(bytes.data(), bytes.size())) showMessage(kSentMessage);
}

void Terminal::setAutoSend(bool on) { autoSendTimer_->setEnabled(on); }

bool Terminal::autoSend() const { return autoSendTimer_->enabled(); }

void Terminal::setAutoSendPeriod(int ms) {
  if (ms <= 0) return;
  autoSendPeriod_ = ms;
  autoSendTimer_->setInterval(ms);
}

bool Terminal::sendFile(const std::string& path) {
  setInfo(path);
  return fileSender_.start(path);
}

std::string Terminal::sendCounterText() const {
  return std::to_string(sentTotal_) + "(" + std::to_string(lastSent_) + ")";
}

void Terminal::resetCounters() {
  receivedTotal_ = lastReceived_ = flushedTotal_ = 0;
  sentTotal_ = lastSent_ = 0;
  notify(kCounters);
}

void Terminal::resetReceiveCounter() {
  receivedTotal_ = lastReceived_ = flushedTotal_ = 0;
  notify(kCounters);
}

void Terminal::resetSendCounter() {
  sentTotal_ = lastSent_ = 0;
  notify(kCounters);
}

// --- panels

void Terminal::showMessage(std::string text) {
  message_ = std::move(text);
  messageTimer_->restart();
  notify(kMessage);
}

void Terminal::showLastingMessage(std::string text) {
  message_ = std::move(text);
  messageTimer_->stop();
  notify(kMessage);
}

void Terminal::setInfo(std::string text) {
  info_ = std::move(text);
  notify(kInfo);
}

std::string Terminal::clockText() const {
  const DateTime now = localDateTime(std::time(nullptr));
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.hour, now.minute, now.second);
  return text;
}

// --- read-out

void Terminal::setReadOutParameters(const ReadOutParameters& parameters) { readOut_ = parameters; }

}  // namespace ql
