#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
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

void makeRaw(int fd) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return;
  cfmakeraw(&settings);
  tcsetattr(fd, TCSANOW, &settings);
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
  masterFd_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (masterFd_ < 0) throw systemError("Cannot create a pseudo-terminal");
  char name[128];
  if (grantpt(masterFd_) != 0 || unlockpt(masterFd_) != 0 || ptsname_r(masterFd_, name, sizeof name) != 0) {
    auto error = systemError("Cannot prepare the pseudo-terminal");
    closeLine();
    throw error;
  }
  slavePath_ = name;
  makeRaw(masterFd_);
  fcntl(masterFd_, F_SETFL, fcntl(masterFd_, F_GETFL) | O_NONBLOCK);
  // Raw from the start, so nothing the logger sends is echoed back or translated before a client
  // sets its own line settings; our open descriptor keeps these settings alive between clients.
  slaveFd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slaveFd_ < 0) {
    auto error = systemError("Cannot open " + slavePath_);
    closeLine();
    throw error;
  }
  makeRaw(slaveFd_);

  int wake[2];
  if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
    auto error = systemError("Cannot create a pipe");
    closeLine();
    throw error;
  }
  wakeRead_ = wake[0];
  wakeWrite_ = wake[1];

  if (!options_.linkPath.empty()) {
    struct stat existing {};
    if (lstat(options_.linkPath.c_str(), &existing) == 0) {
      if (!S_ISLNK(existing.st_mode)) {
        closeLine();
        throw std::runtime_error(options_.linkPath + " exists and is not a symbolic link");
      }
      ::unlink(options_.linkPath.c_str());
    }
    if (symlink(slavePath_.c_str(), options_.linkPath.c_str()) != 0) {
      auto error = systemError("Cannot make the link " + options_.linkPath);
      closeLine();
      throw error;
    }
    linkMade_ = true;
  }
}

void PtyServer::closeLine() {
  if (linkMade_) {
    // Only our own link: another simulator may have replaced it meanwhile.
    char target[256];
    ssize_t length = readlink(options_.linkPath.c_str(), target, sizeof target - 1);
    if (length >= 0 && std::string(target, static_cast<std::size_t>(length)) == slavePath_) {
      ::unlink(options_.linkPath.c_str());
    }
    linkMade_ = false;
  }
  closeFd(slaveFd_);
  closeFd(masterFd_);
}

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

// What the serve loop carries from one turn to the next.
struct PtyServer::ServeState {
  ReplyQueue queue;
  std::optional<Outgoing> current;
  std::uint32_t rate = 0;                       // of the request being answered
  Clock::time_point lineFreeAt = Clock::now();  // paced: when the last written byte is off the line
  std::optional<Clock::time_point> hangUpAt;    // gone part-way through a reply
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(4096);
};

void PtyServer::serve() {
  if (masterFd_ < 0) return;
  ServeState state;
  while (!stopRequested_) {
    if (state.hangUpAt && Clock::now() >= *state.hangUpAt) return vanish();
    const bool waitWritable = writeDue(state);

    pollfd fds[2] = {{masterFd_, static_cast<short>(POLLIN | (waitWritable ? POLLOUT : 0)), 0},
                     {wakeRead_, POLLIN, 0}};
    if (::poll(fds, 2, pollTimeoutMs(state, waitWritable)) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents & POLLIN) drainWakePipe();
    if (!(fds[0].revents & POLLIN)) continue;

    ssize_t n = ::read(masterFd_, state.buffer.data(), state.buffer.size());
    if (n <= 0 || state.hangUpAt) continue;  // a logger that is gone hears nothing
    if (!answerRequest(state, state.buffer.data(), static_cast<std::size_t>(n))) return vanish();
  }
}

bool PtyServer::takeNextPiece(ServeState& state) {
  const Clock::time_point now = Clock::now();
  std::optional<ReplyQueue::Piece> piece;
  bool gone = false;
  {
    std::lock_guard lock(modelMutex_);
    piece = state.queue.next(kPieceSize);
    gone = model_.vanished();
  }
  if (!piece) {
    if (gone) state.hangUpAt = now + kHangUpGrace;
    return false;
  }
  // A pause runs from when the piece before it has left.
  const Clock::time_point from = options_.paceAtLineRate ? std::max(now, state.lineFreeAt) : now;
  state.current =
      Outgoing{std::move(piece->bytes), 0, from + std::chrono::milliseconds(piece->pauseBeforeMs), gone};
  return true;
}

bool PtyServer::writeDue(ServeState& state) {
  // A full pseudo-terminal buffer waits for POLLOUT.
  while (!state.hangUpAt) {
    if (!state.current && !takeNextPiece(state)) return false;
    Outgoing& out = *state.current;
    const Clock::time_point now = Clock::now();
    if (out.due > now) return false;
    std::size_t length = out.bytes.size() - out.written;
    // Paced: about 10 ms of line time at once.
    if (options_.paceAtLineRate)
      length = std::min<std::size_t>(length, std::max<std::uint32_t>(1, state.rate / 1000));
    ssize_t n = ::write(masterFd_, out.bytes.data() + out.written, length);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) return errno == EAGAIN;
      state.current.reset();  // the line is broken: nobody will read this
      state.queue.clear();
      return false;
    }
    out.written += static_cast<std::size_t>(n);
    if (options_.paceAtLineRate) {
      out.due = std::max(out.due, now - kPaceSlack) + wireTime(static_cast<std::size_t>(n), state.rate);
      state.lineFreeAt = out.due;
    }
    if (out.written == out.bytes.size()) {
      if (out.lastBeforeVanish) state.hangUpAt = Clock::now() + kHangUpGrace;
      state.current.reset();
    }
  }
  return false;
}

int PtyServer::pollTimeoutMs(const ServeState& state, bool waitWritable) {
  std::optional<Clock::time_point> wakeAt = state.hangUpAt;
  if (!wakeAt && state.current && !waitWritable) wakeAt = state.current->due;
  if (!wakeAt) return -1;
  auto wait = std::chrono::ceil<std::chrono::milliseconds>(*wakeAt - Clock::now());
  return static_cast<int>(std::max<std::int64_t>(0, wait.count()));
}

void PtyServer::drainWakePipe() {
  char drain[64];
  while (::read(wakeRead_, drain, sizeof drain) > 0) {
  }
}

bool PtyServer::answerRequest(ServeState& state, const std::uint8_t* data, std::size_t length) {
  const std::uint32_t lineSpeed = readLineSpeed(masterFd_).value_or(0);
  Reply reply;
  bool gone = false;
  {
    std::lock_guard lock(modelMutex_);
    reply = model_.receive(Bytes(data, data + length), lineSpeed);
    gone = model_.vanished();
  }
  if (gone) return false;
  if (!reply.empty()) {
    state.rate = lineSpeed;
    state.queue.append(std::move(reply));
  }
  return true;
}

void PtyServer::vanish() {
  vanished_ = true;
  closeLine();
}

}  // namespace ql::sim
