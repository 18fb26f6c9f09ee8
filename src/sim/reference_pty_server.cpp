#include "sim/reference_pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace ql::sim {

namespace {

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

ReferencePtyServer::ReferencePtyServer(std::shared_ptr<PressureReference> reference, std::string linkPath)
    : reference_(std::move(reference)), linkPath_(std::move(linkPath)) {}

ReferencePtyServer::~ReferencePtyServer() {
  stop();
  closeFd(wakeRead_);
  closeFd(wakeWrite_);
}

void ReferencePtyServer::open() {
  terminal_.open(linkPath_);
  int wake[2];
  if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
    std::runtime_error error(std::string("Cannot create a pipe: ") + std::strerror(errno));
    terminal_.close();
    throw error;
  }
  wakeRead_ = wake[0];
  wakeWrite_ = wake[1];
}

void ReferencePtyServer::start() {
  if (thread_.joinable() || !terminal_.isOpen()) return;
  stopRequested_ = false;
  thread_ = std::thread([this] { serve(); });
}

void ReferencePtyServer::stop() {
  stopRequested_ = true;
  if (wakeWrite_ >= 0) {
    char wake = 1;
    [[maybe_unused]] ssize_t ignored = ::write(wakeWrite_, &wake, 1);
  }
  if (thread_.joinable()) thread_.join();
  terminal_.close();
}

void ReferencePtyServer::serve() {
  const int masterFd = terminal_.masterFd();
  char buffer[1024];
  while (!stopRequested_) {
    pollfd fds[2] = {{masterFd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents & POLLIN) continue;  // woken to stop
    if (!(fds[0].revents & POLLIN)) continue;
    ssize_t n = ::read(masterFd, buffer, sizeof buffer);
    if (n > 0) reference_->receive(std::string_view(buffer, static_cast<std::size_t>(n)));
  }
}

}  // namespace ql::sim
