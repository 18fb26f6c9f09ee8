#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace ql::testing {

PtyPair::PtyPair() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) throw std::runtime_error("no pseudo-terminal");
  slavePath_ = ptsname(master_);
  slaveHold_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
  termios tio{};
  tcgetattr(slaveHold_, &tio);
  cfmakeraw(&tio);
  tcsetattr(slaveHold_, TCSANOW, &tio);
}

PtyPair::~PtyPair() {
  if (slaveHold_ >= 0) ::close(slaveHold_);
  if (master_ >= 0) ::close(master_);
}

std::string PtyPair::readSome(int waitMs) {
  std::string out;
  pollfd pfd{master_, POLLIN, 0};
  while (poll(&pfd, 1, out.empty() ? waitMs : 20) > 0) {
    char buffer[4096];
    ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  return out;
}

}  // namespace ql::testing
