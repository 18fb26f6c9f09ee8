#pragma once
// The port seam: what the program needs of a serial line. SerialPort (termios) and MemoryPort
// (in-process, for tests and the demo) sit behind it; nothing above the link knows which it has.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "link/bytes.h"

namespace ql {

// Why open() failed, where the programs tell the user more than "it failed".
enum class PortFailure { Other, PermissionDenied, Busy };

// Raised by open() with one of the fixed texts below (a permission or busy note may follow the
// "Error opening serial port" text).
class SerialPortError : public std::runtime_error {
 public:
  explicit SerialPortError(const std::string& text, PortFailure failure = PortFailure::Other)
      : std::runtime_error(text), failure_(failure) {}
  PortFailure failure() const { return failure_; }

 private:
  PortFailure failure_;
};

namespace port_errors {
inline constexpr const char* kAlreadyOpen = "This serial port already opened";
inline constexpr const char* kOpenFailed = "Error opening serial port";
inline constexpr const char* kNotComm = "File handle is not a comm handle ";
inline constexpr const char* kBufferSetup = "Cannot setup comm buffer";
inline constexpr const char* kEventFailed = "Unable to create event";
inline constexpr const char* kReadThreadFailed = "Unable to create read thread";
inline constexpr const char* kWriteThreadFailed = "Unable to create write thread";
// What a user told of a port they may not open can do about it.
inline constexpr const char* kPermissionDenied =
    "Permission denied: add yourself to the dialout group (sudo usermod -aG dialout $USER) and log in again";
}  // namespace port_errors

class Port {
 public:
  // One received block; called on the loop thread, in arrival order, once per block.
  using ReceiveHandler = std::function<void(const std::uint8_t* data, std::size_t length)>;
  using Notify = std::function<void()>;

  virtual ~Port() = default;

  // Takes effect at the next open().
  virtual void setCommName(const std::string& name) = 0;
  virtual std::string commName() const = 0;
  // Applied at once when open; setting the same value again does nothing.
  virtual void setBaudRate(std::uint32_t rate) = 0;
  virtual std::uint32_t baudRate() const = 0;

  // Throws SerialPortError. Opening an open port throws kAlreadyOpen and leaves it open.
  virtual void open() = 0;
  // Idempotent; unsent data is discarded.
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Queues a copy of the bytes; false when closed or length is 0. Writes go out in call order.
  virtual bool writeBuffer(const std::uint8_t* data, std::size_t length) = 0;
  bool writeBuffer(const Bytes& data) { return writeBuffer(data.data(), data.size()); }

  void setOnReceiveData(ReceiveHandler handler) { onReceiveData_ = std::move(handler); }
  // The line is gone (device unplugged, peer closed): reported once, on the loop thread.
  void setOnRequestHangup(Notify handler) { onRequestHangup_ = std::move(handler); }

 protected:
  void emitReceive(const std::uint8_t* data, std::size_t length) {
    if (onReceiveData_) onReceiveData_(data, length);
  }
  void emitHangup() {
    if (onRequestHangup_) onRequestHangup_();
  }

 private:
  ReceiveHandler onReceiveData_;
  Notify onRequestHangup_;
};

}  // namespace ql
