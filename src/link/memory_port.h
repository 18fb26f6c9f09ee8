#pragma once
// A Port that lives in the process: for scenario tests and the demo. Whatever plays the device
// sees each write at once, with the line rate the port had at that moment, and answers with
// deliver(): every delivered piece arrives later on the loop as one received block, in order.
// Loop thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/port.h"
#include "runtime/scheduler.h"

namespace ql {

class MemoryPort : public Port {
 public:
  using Device = std::function<void(const Bytes& written, std::uint32_t baudRate)>;

  explicit MemoryPort(Scheduler& loop);
  ~MemoryPort() override;
  MemoryPort(const MemoryPort&) = delete;
  MemoryPort& operator=(const MemoryPort&) = delete;

  void setCommName(const std::string& name) override { commName_ = name; }
  std::string commName() const override { return commName_; }
  void setBaudRate(std::uint32_t rate) override { baudRate_ = rate; }
  std::uint32_t baudRate() const override { return baudRate_; }

  void open() override;
  // Blocks delivered but not yet arrived are discarded.
  void close() override;
  bool isOpen() const override { return open_; }
  using Port::writeBuffer;
  // Hands the bytes to the device; false when closed, vanished or empty.
  bool writeBuffer(const std::uint8_t* data, std::size_t length) override;

  // The device side.
  void setDevice(Device device) { device_ = std::move(device); }
  // bytes arrive as one block delayMs from now.
  void deliver(const Bytes& bytes, int delayMs);

  // open() throws SerialPortError("Error opening serial port") while set, with this reason.
  void setOpenFails(bool fails, PortFailure failure = PortFailure::Other) {
    openFails_ = fails;
    openFailure_ = failure;
  }
  // The line disappears (unplugged, peer gone): the hang-up is reported on the loop, writes and
  // deliveries are dropped, and open() fails until reappear().
  void vanish();
  void reappear() { vanished_ = false; }
  bool vanished() const { return vanished_; }

  // Every successful write, in order.
  const std::vector<Bytes>& writeLog() const { return writeLog_; }
  void clearWriteLog() { writeLog_.clear(); }

 private:
  Scheduler& loop_;
  std::string commName_ = "MEM1";
  std::uint32_t baudRate_ = 9600;
  bool open_ = false;
  PortFailure openFailure_ = PortFailure::Other;
  bool openFails_ = false;
  bool vanished_ = false;
  Device device_;
  std::vector<Bytes> writeLog_;
  // Deliveries carry the session they were made in; closing starts a new one, so blocks in flight
  // never reach a closed or reopened port. The shared counter also outlives this object.
  std::shared_ptr<std::uint64_t> session_;
};

}  // namespace ql
