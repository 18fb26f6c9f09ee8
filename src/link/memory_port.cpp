#include "link/memory_port.h"

namespace ql {

MemoryPort::MemoryPort(Scheduler& loop) : loop_(loop), session_(std::make_shared<std::uint64_t>(0)) {}

MemoryPort::~MemoryPort() = default;

void MemoryPort::open() {
  if (open_) throw SerialPortError(port_errors::kAlreadyOpen);
  if (vanished_) throw SerialPortError(port_errors::kOpenFailed);
  if (openFails_) throw SerialPortError(port_errors::kOpenFailed, openFailure_);
  open_ = true;
}

void MemoryPort::close() {
  if (!open_) return;
  open_ = false;
  ++*session_;
}

bool MemoryPort::writeBuffer(const std::uint8_t* data, std::size_t length) {
  if (!open_ || vanished_ || length == 0) return false;
  Bytes bytes(data, data + length);
  writeLog_.push_back(bytes);
  if (device_) device_(bytes, baudRate_);
  return true;
}

void MemoryPort::deliver(const Bytes& bytes, int delayMs) {
  if (!open_ || vanished_ || bytes.empty()) return;
  std::weak_ptr<std::uint64_t> session = session_;
  loop_.delay(delayMs, [this, session, current = *session_, bytes] {
    std::shared_ptr<std::uint64_t> alive = session.lock();
    if (!alive || *alive != current || vanished_) return;
    emitReceive(bytes.data(), bytes.size());
  });
}

void MemoryPort::vanish() {
  if (vanished_) return;
  vanished_ = true;
  if (!open_) return;
  std::weak_ptr<std::uint64_t> session = session_;
  loop_.post([this, session, current = *session_] {
    std::shared_ptr<std::uint64_t> alive = session.lock();
    if (alive && *alive == current) emitHangup();
  });
}

}  // namespace ql
