#include "link/serial_port.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>
#include <vector>

#include "link/line_control.h"

namespace ql {

// What the two threads share with the port while it is open. The close event wakes both at once.
struct SerialPort::Shared {
  int fd = -1;
  int closeEvent = -1;  // eventfd, readable once close() has begun
  std::atomic<bool> closing{false};
  // Changed on the loop thread while the read thread uses them.
  std::atomic<std::uint32_t> readInterval{20};
  std::atomic<bool> stripNulls{false};
  std::uint64_t session = 0;  // blocks of an earlier session are never delivered

  std::mutex mutex;
  std::condition_variable wake;
  std::deque<Bytes> pending;  // buffers the write thread has not written yet
};

namespace {

std::uint64_t nextSession() {
  static std::atomic<std::uint64_t> counter{0};
  return ++counter;
}

[[noreturn]] void fail(const std::string& text) { throw SerialPortError(text); }

}  // namespace

SerialPortError openError(int error) {
  const std::string failed = port_errors::kOpenFailed;
  switch (error) {
    case EACCES:
    case EPERM:
      return SerialPortError(failed + ": " + port_errors::kPermissionDenied, PortFailure::PermissionDenied);
    case EBUSY:
      return SerialPortError(failed + ": the port is in use by another program", PortFailure::Busy);
    default:
      return SerialPortError(failed);
  }
}

SerialPort::SerialPort(Scheduler& loop) : loop_(loop), alive_(std::make_shared<SerialPort*>(this)) {}

SerialPort::~SerialPort() {
  close();
  alive_.reset();
}

void SerialPort::setBaudRate(std::uint32_t rate) {
  if (rate == settings_.baudRate) return;
  settings_.baudRate = rate;
  if (isOpen()) applyCommState();
}

void SerialPort::setLineSettings(const LineSettings& settings) {
  if (settings == settings_) return;
  settings_ = settings;
  if (isOpen()) applyCommState();
}

void SerialPort::setTimeouts(const Timeouts& timeouts) {
  timeouts_ = timeouts;
  // The read thread picks the interval up on its next wait.
  if (shared_) shared_->readInterval = timeouts_.readInterval;
}

void SerialPort::applyCommState() {
  // The result is not checked: a device that refuses a setting keeps its previous one.
  (void)applyLineSettings(fd_, settings_);
  applyModemLines(fd_, settings_);
  if (shared_) shared_->stripNulls = settings_.ignoreNullChar;
}

void SerialPort::open() {
  if (isOpen()) fail(port_errors::kAlreadyOpen);

  int fd = ::open(commName_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw openError(errno);
  if (!isatty(fd)) {
    ::close(fd);
    fail(port_errors::kNotComm);
  }
  // Exclusive use among programs that honour the lock (as serial tools on Linux do).
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    throw openError(EBUSY);
  }

  auto shared = std::make_shared<Shared>();
  shared->fd = fd;
  shared->readInterval = timeouts_.readInterval;
  shared->stripNulls = settings_.ignoreNullChar;
  shared->session = nextSession();
  shared->closeEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (shared->closeEvent < 0) {
    ::close(fd);
    fail(port_errors::kEventFailed);
  }

  fd_ = fd;
  shared_ = shared;
  tcflush(fd_, TCIOFLUSH);
  sendDataEmpty_ = true;
  applyCommState();

  try {
    if (pieceIntervalMs_ > 0 && onPiece_) {
      readThread_ = std::thread(&SerialPort::readLoopInPieces, this, shared, pieceIntervalMs_);
    } else {
      readThread_ = std::thread(&SerialPort::readLoop, this, shared);
    }
  } catch (const std::system_error&) {
    ::close(shared->closeEvent);
    ::close(fd_);
    fd_ = -1;
    shared_.reset();
    fail(port_errors::kReadThreadFailed);
  }
  try {
    writeThread_ = std::thread(&SerialPort::writeLoop, this, shared);
  } catch (const std::system_error&) {
    close();
    fail(port_errors::kWriteThreadFailed);
  }
}

void SerialPort::close() {
  if (!isOpen()) return;
  {
    std::lock_guard lock(shared_->mutex);
    shared_->closing = true;
    shared_->pending.clear();  // unsent data is discarded
  }
  std::uint64_t one = 1;
  (void)!::write(shared_->closeEvent, &one, sizeof one);
  shared_->wake.notify_all();
  tcflush(fd_, TCIOFLUSH);
  if (readThread_.joinable()) readThread_.join();
  if (writeThread_.joinable()) writeThread_.join();
  sendDataEmpty_ = true;
  ::close(shared_->closeEvent);
  ::close(fd_);
  fd_ = -1;
  shared_.reset();
}

bool SerialPort::writeBuffer(const std::uint8_t* data, std::size_t length) {
  if (!isOpen() || length == 0) return false;
  {
    std::lock_guard lock(shared_->mutex);
    shared_->pending.emplace_back(data, data + length);
    sendDataEmpty_ = false;
  }
  shared_->wake.notify_one();
  return true;
}

void SerialPort::readLoop(std::shared_ptr<Shared> shared) {
  std::weak_ptr<SerialPort*> alive = alive_;
  const std::uint64_t session = shared->session;
  auto post = [&](std::function<void(SerialPort&)> action) {
    loop_.post([alive, session, action = std::move(action)] {
      auto self = alive.lock();
      if (!self) return;
      SerialPort& port = **self;
      if (!port.shared_ || port.shared_->session != session) return;  // closed since
      action(port);
    });
  };
  auto deliver = [&](std::vector<std::uint8_t>& block) {
    if (block.empty()) return;
    post([data = std::move(block)](SerialPort& port) { port.emitReceive(data.data(), data.size()); });
    block = {};
  };

  std::vector<std::uint8_t> block;
  std::uint8_t buffer[kBlockSize];
  for (;;) {
    pollfd fds[2] = {{shared->fd, POLLIN, 0}, {shared->closeEvent, POLLIN, 0}};
    // A block ends when the line stays quiet for the read interval after its first byte.
    int timeout = block.empty() ? -1 : static_cast<int>(shared->readInterval.load());
    int ready = poll(fds, 2, timeout);
    if (shared->closing || (ready > 0 && (fds[1].revents & POLLIN))) return;
    if (ready < 0) {
      if (errno == EINTR) continue;
      post([](SerialPort& port) { port.emitHangup(); });
      return;
    }
    if (ready == 0) {
      deliver(block);
      continue;
    }
    if (fds[0].revents & POLLIN) {
      ssize_t n = ::read(shared->fd, buffer, kBlockSize - block.size());
      if (n > 0) {
        const bool stripNulls = shared->stripNulls;
        for (ssize_t i = 0; i < n; ++i)
          if (!(stripNulls && buffer[i] == 0)) block.push_back(buffer[i]);
        if (block.size() >= kBlockSize) deliver(block);
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    } else if (!(fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) {
      continue;
    }
    // End of file, an I/O error or a hang-up: the device is gone.
    deliver(block);
    post([](SerialPort& port) { port.emitHangup(); });
    return;
  }
}

// The block rules of readLoop, with what arrived handed over at least every pieceIntervalMs.
void SerialPort::readLoopInPieces(std::shared_ptr<Shared> shared, std::uint32_t pieceIntervalMs) {
  using Clock = std::chrono::steady_clock;
  std::weak_ptr<SerialPort*> alive = alive_;
  const std::uint64_t session = shared->session;
  std::vector<std::uint8_t> block;
  std::size_t handedOver = 0;  // bytes of the block already delivered as pieces
  Clock::time_point lastByte;
  Clock::time_point pieceDue;
  auto post = [&](std::function<void(SerialPort&)> action) {
    loop_.post([alive, session, action = std::move(action)] {
      auto self = alive.lock();
      if (!self) return;
      SerialPort& port = **self;
      if (!port.shared_ || port.shared_->session != session) return;  // closed since
      action(port);
    });
  };
  auto deliver = [&](bool blockEnds) {
    if (block.size() == handedOver && !(blockEnds && !block.empty())) return;
    std::vector<std::uint8_t> piece(block.begin() + static_cast<std::ptrdiff_t>(handedOver), block.end());
    post([piece = std::move(piece), blockEnds](SerialPort& port) {
      if (port.onPiece_) port.onPiece_(piece.data(), piece.size(), blockEnds);
    });
    if (blockEnds) {
      block.clear();
      handedOver = 0;
    } else {
      handedOver = block.size();
    }
  };
  auto msUntil = [](Clock::time_point when) {
    return std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
  };

  std::uint8_t buffer[kBlockSize];
  for (;;) {
    int timeout = -1;
    if (!block.empty()) {
      std::int64_t wait = msUntil(lastByte + std::chrono::milliseconds(shared->readInterval.load()));
      if (block.size() > handedOver) wait = std::min<std::int64_t>(wait, msUntil(pieceDue));
      timeout = static_cast<int>(std::max<std::int64_t>(wait, 0));
    }
    pollfd fds[2] = {{shared->fd, POLLIN, 0}, {shared->closeEvent, POLLIN, 0}};
    const int ready = poll(fds, 2, timeout);
    if (shared->closing || (ready > 0 && (fds[1].revents & POLLIN))) return;
    if (ready < 0) {
      if (errno == EINTR) continue;
      post([](SerialPort& port) { port.emitHangup(); });
      return;
    }
    if (ready == 0) {
      const Clock::time_point now = Clock::now();
      if (now - lastByte >= std::chrono::milliseconds(shared->readInterval.load())) {
        deliver(true);
      } else if (now >= pieceDue) {
        deliver(false);
      }
      continue;
    }
    if (fds[0].revents & POLLIN) {
      const ssize_t n = ::read(shared->fd, buffer, kBlockSize - block.size());
      if (n > 0) {
        lastByte = Clock::now();
        if (block.size() == handedOver) pieceDue = lastByte + std::chrono::milliseconds(pieceIntervalMs);
        const bool stripNulls = shared->stripNulls;
        for (ssize_t i = 0; i < n; ++i)
          if (!(stripNulls && buffer[i] == 0)) block.push_back(buffer[i]);
        if (block.size() >= kBlockSize) {
          deliver(true);
        } else if (lastByte >= pieceDue) {
          deliver(false);
        }
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    } else if (!(fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) {
      continue;
    }
    deliver(true);
    post([](SerialPort& port) { port.emitHangup(); });
    return;
  }
}

void SerialPort::writeLoop(std::shared_ptr<Shared> shared) {
  std::weak_ptr<SerialPort*> alive = alive_;
  const std::uint64_t session = shared->session;
  auto reportHangup = [&] {
    loop_.post([alive, session] {
      auto self = alive.lock();
      if (self && (*self)->shared_ && (*self)->shared_->session == session) (*self)->emitHangup();
    });
  };

  for (;;) {
    Bytes data;
    {
      std::unique_lock lock(shared->mutex);
      shared->wake.wait(lock, [&] { return shared->closing || !shared->pending.empty(); });
      if (shared->closing) return;
      data = std::move(shared->pending.front());
      shared->pending.pop_front();
    }
    std::size_t written = 0;
    while (written < data.size()) {
      ssize_t n = ::write(shared->fd, data.data() + written, data.size() - written);
      if (n > 0) {
        written += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) {
        reportHangup();
        return;
      }
      // The driver queue is full: wait until it drains or the port closes.
      pollfd fds[2] = {{shared->fd, POLLOUT, 0}, {shared->closeEvent, POLLIN, 0}};
      if (poll(fds, 2, -1) < 0 && errno != EINTR) {
        reportHangup();
        return;
      }
      if (shared->closing) return;
    }
    std::lock_guard lock(shared->mutex);
    if (shared->pending.empty()) sendDataEmpty_ = true;
  }
}

}  // namespace ql
