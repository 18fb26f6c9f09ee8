#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include "link/line_control.h"
#include "sim/reply_queue.h"

namespace ql::sim {

namespace {

using Clock = std::chrono::steady_clock;

std::runtime_error systemError(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// The time count bytes take on the line at rate, 10 bits a byte.
Clock::duration wireTime(std::size_t count, std::uint32_t rate) {
  if (rate == 0) return Clock::duration::zero();
  return std::chrono::microseconds(static_cast<std::int64_t>(count) * 10 * 1000000 / rate);
}

}  // namespace

// Pieces taken from the reply queue at a time: long streams are pulled in these steps.
constexpr std::size_t kPieceSize = 16 * 1024;
// Paced writes catch up on at most this much lateness of the poll loop, so the line keeps its
// average rate without bursting after a long delay.
constexpr auto kPaceSlack = std::chrono::milliseconds(2);
// A logger that disappears after sending leaves its last bytes readable this long: closing the
// master at once would discard what the client has not read yet.
constexpr auto kHangUpGrace = std::chrono::milliseconds(300);

// The piece on its way out.
struct PtyServer::Outgoing {
  Bytes bytes;
  std::size_t written = 0;
  Clock::time_point due;  // when the next byte may go
  bool lastBeforeVanish = false;
};

PtyServer::PtyServer(LoggerModel& model, PtyOptions options) : model_(model), options_(std::move(options)) {}

PtyServer::~PtyServer() {
  stop();
  closeLine();
  closeFd(wakeRead_);
  closeFd(wakeWrite_);
}

void PtyServer::open() {
  terminal_.open(options_.linkPath);
  int wake[2];
  if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
    auto error = systemError("Cannot create a pipe");
    closeLine();
    throw error;
  }
  wakeRead_ = wake[0];
  wakeWrite_ = wake[1];
}

void PtyServer::closeLine() { terminal_.close(); }

void PtyServer::start() {
  stopRequested_ = false;
  thread_ = std::thread([this] { serve(); });
}

void PtyServer::stop() {
  requestStop();
  if (thread_.joinable()) thread_.join();
}

void PtyServer::run() { serve(); }

void PtyServer::requestStop() {
  stopRequested_ = true;
  if (wakeWrite_ >= 0) {
    char wake = 1;
    [[maybe_unused]] ssize_t ignored = ::write(wakeWrite_, &wake, 1);
  }
}

void PtyServer::withModel(const std::function<void(LoggerModel&)>& action) {
  std::lock_guard lock(modelMutex_);
  action(model_);
}

// The reply being written, the queue behind it, and how the line is paced.
struct PtyServer::Serving {
  ReplyQueue queue;
  std::optional<Outgoing> current;
  std::uint32_t rate = 0;                       // of the request being answered
  Clock::time_point lineFreeAt = Clock::now();  // paced: when the last written byte is off the line
  std::optional<Clock::time_point> hangUpAt;    // gone part-way through a reply
  bool waitWritable = false;                    // a full pseudo-terminal buffer waits for POLLOUT
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(4096);
};

void PtyServer::serve() {
  const int masterFd = terminal_.masterFd();
  if (masterFd < 0) return;
  Serving serving;
  while (!stopRequested_) {
    if (serving.hangUpAt && Clock::now() >= *serving.hangUpAt) return vanish();
    writeDue(serving, masterFd);
    pollfd fds[2] = {{masterFd, static_cast<short>(POLLIN | (serving.waitWritable ? POLLOUT : 0)), 0},
                     {wakeRead_, POLLIN, 0}};
    if (::poll(fds, 2, pollTimeoutMs(serving)) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents & POLLIN) drainWakePipe();
    if (!(fds[0].revents & POLLIN)) continue;
    if (!answerRequest(serving, masterFd)) return vanish();
  }
}

void PtyServer::writeDue(Serving& serving, int masterFd) {
  serving.waitWritable = false;
  while (!serving.hangUpAt) {
    const Clock::time_point now = Clock::now();
    if (!serving.current && !takeNextPiece(serving, now)) return;
    Outgoing& current = *serving.current;
    if (current.due > now) return;
    std::size_t length = current.bytes.size() - current.written;
    // Paced: about 10 ms of line time at once.
    if (options_.paceAtLineRate)
      length = std::min<std::size_t>(length, std::max<std::uint32_t>(1, serving.rate / 1000));
    const ssize_t n = ::write(masterFd, current.bytes.data() + current.written, length);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) {
        serving.waitWritable = errno == EAGAIN;
        return;
      }
      serving.current.reset();  // the line is broken: nobody will read this
      serving.queue.clear();
      return;
    }
    current.written += static_cast<std::size_t>(n);
    if (options_.paceAtLineRate) {
      current.due =
          std::max(current.due, now - kPaceSlack) + wireTime(static_cast<std::size_t>(n), serving.rate);
      serving.lineFreeAt = current.due;
    }
    if (current.written == current.bytes.size()) {
      if (current.lastBeforeVanish) serving.hangUpAt = Clock::now() + kHangUpGrace;
      serving.current.reset();
    }
  }
}

bool PtyServer::takeNextPiece(Serving& serving, TimePoint now) {
  std::optional<ReplyQueue::Piece> piece;
  bool gone = false;
  {
    std::lock_guard lock(modelMutex_);
    piece = serving.queue.next(kPieceSize);
    gone = model_.vanished();
  }
  if (!piece) {
    if (gone) serving.hangUpAt = now + kHangUpGrace;
    return false;
  }
  // A pause runs from when the piece before it has left.
  const Clock::time_point from = options_.paceAtLineRate ? std::max(now, serving.lineFreeAt) : now;
  serving.current =
      Outgoing{std::move(piece->bytes), 0, from + std::chrono::milliseconds(piece->pauseBeforeMs), gone};
  return true;
}

int PtyServer::pollTimeoutMs(const Serving& serving) {
  std::optional<Clock::time_point> wakeAt = serving.hangUpAt;
  if (!wakeAt && serving.current && !serving.waitWritable) wakeAt = serving.current->due;
  if (!wakeAt) return -1;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*wakeAt - Clock::now());
  return static_cast<int>(std::max<std::int64_t>(0, wait.count()));
}

void PtyServer::drainWakePipe() {
  char drain[64];
  while (::read(wakeRead_, drain, sizeof drain) > 0) {
  }
}

bool PtyServer::answerRequest(Serving& serving, int masterFd) {
  const ssize_t n = ::read(masterFd, serving.buffer.data(), serving.buffer.size());
  if (n <= 0 || serving.hangUpAt) return true;  // a logger that is gone hears nothing
  const std::uint32_t lineSpeed = readLineSpeed(masterFd).value_or(0);
  Reply reply;
  bool gone = false;
  {
    std::lock_guard lock(modelMutex_);
    reply = model_.receive(Bytes(serving.buffer.begin(), serving.buffer.begin() + n), lineSpeed);
    gone = model_.vanished();
  }
  if (gone) return false;
  if (!reply.empty()) {
    serving.rate = lineSpeed;
    serving.queue.append(std::move(reply));
  }
  return true;
}

void PtyServer::vanish() {
  vanished_ = true;
  closeLine();
}

}  // namespace ql::sim
