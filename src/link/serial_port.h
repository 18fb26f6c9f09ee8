#pragma once
// A serial port on a POSIX terminal device. The read thread hands each block (bytes that arrived
// with no gap longer than ReadIntervalTimeout, at most 2048) to the loop thread through the
// scheduler; the write thread writes queued buffers in call order. Every property setter applies
// at once on an open port. Modem-line controls a device does not support are ignored.
//
// A port can also hand over a block while it grows (setPieceDelivery): the bytes that arrived
// are then delivered at least every few milliseconds as pieces, the last piece marking the
// block's end, so a display can follow a fast line without waiting for whole blocks. The block
// boundaries stay as above. Off unless asked for: velmo's protocol handling reads whole blocks.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "link/port.h"
#include "runtime/scheduler.h"

namespace ql {

enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };
enum class ByteSize { Five, Six, Seven, Eight };
enum class DtrControl { Enable, Disable, Handshake };
enum class RtsControl { Enable, Disable, Handshake, TransmissionAvailable };

// Line and flow settings; the defaults are those both programs use.
struct LineSettings {
  std::uint32_t baudRate = 9600;
  bool parityCheck = false;
  bool outxCtsFlow = false;
  bool outxDsrFlow = false;
  DtrControl dtrControl = DtrControl::Enable;
  bool dsrSensitivity = false;
  bool txContinueOnXoff = true;
  bool outxXonXoffFlow = false;
  bool inxXonXoffFlow = false;
  bool replaceWhenParityError = false;
  bool ignoreNullChar = false;
  RtsControl rtsControl = RtsControl::Disable;
  std::uint16_t xonLimit = 500;
  std::uint16_t xoffLimit = 500;
  ByteSize byteSize = ByteSize::Eight;
  Parity parity = Parity::None;
  StopBits stopBits = StopBits::One;
  std::uint8_t xonChar = 0x11;
  std::uint8_t xoffChar = 0x13;
  std::uint8_t replacedChar = 0x00;
  friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

struct Timeouts {
  std::uint32_t readInterval = 20;  // ms of silence that ends a received block
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  std::uint32_t writeTotalMultiplier = 0;
  std::uint32_t writeTotalConstant = 0;
  friend bool operator==(const Timeouts&, const Timeouts&) = default;
};

// The error open() raises when open(2) fails with this errno: a lack of permission (EACCES,
// EPERM) says how to get it, a busy port says so.
SerialPortError openError(int error);

class SerialPort : public Port {
 public:
  static constexpr std::size_t kBlockSize = 2048;

  explicit SerialPort(Scheduler& loop);
  ~SerialPort() override;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  void setCommName(const std::string& name) override { commName_ = name; }
  std::string commName() const override { return commName_; }
  void setBaudRate(std::uint32_t rate) override;
  std::uint32_t baudRate() const override { return settings_.baudRate; }

  // Sets every line property at once; applied at once when open and different.
  void setLineSettings(const LineSettings& settings);
  const LineSettings& lineSettings() const { return settings_; }
  void setTimeouts(const Timeouts& timeouts);
  const Timeouts& timeouts() const { return timeouts_; }

  // Pieces of at most intervalMs (0: off, the default) go to handler instead of the receive
  // handler; the piece that ends a block says so. Takes effect at the next open().
  using PieceHandler = std::function<void(const std::uint8_t* data, std::size_t length, bool blockEnds)>;
  void setPieceDelivery(std::uint32_t intervalMs, PieceHandler handler) {
    pieceIntervalMs_ = intervalMs;
    onPiece_ = std::move(handler);
  }

  void open() override;
  void close() override;
  bool isOpen() const override { return fd_ >= 0; }
  using Port::writeBuffer;
  bool writeBuffer(const std::uint8_t* data, std::size_t length) override;
  // True when nothing queued is waiting to be written.
  bool sendDataEmpty() const { return sendDataEmpty_.load(); }

 private:
  struct Shared;
  void applyCommState();
  void readLoop(std::shared_ptr<Shared> shared);
  void readLoopInPieces(std::shared_ptr<Shared> shared, std::uint32_t pieceIntervalMs);
  void writeLoop(std::shared_ptr<Shared> shared);

  Scheduler& loop_;
  std::string commName_ = "COM2";
  LineSettings settings_;
  Timeouts timeouts_;
  std::uint32_t pieceIntervalMs_ = 0;
  PieceHandler onPiece_;
  int fd_ = -1;
  std::shared_ptr<Shared> shared_;  // state the threads share with this object while open
  std::thread readThread_;
  std::thread writeThread_;
  std::atomic<bool> sendDataEmpty_{true};
  // Guards against deliveries posted by threads of an object that has since been destroyed.
  std::shared_ptr<SerialPort*> alive_;
};

}  // namespace ql
