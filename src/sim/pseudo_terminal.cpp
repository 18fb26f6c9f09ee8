#include "sim/pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace ql::sim {

namespace {

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

}  // namespace

void PseudoTerminal::open(const std::string& linkPath) {
  close();
  masterFd_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (masterFd_ < 0) throw systemError("Cannot create a pseudo-terminal");
  char name[128];
  if (grantpt(masterFd_) != 0 || unlockpt(masterFd_) != 0 || ptsname_r(masterFd_, name, sizeof name) != 0) {
    auto error = systemError("Cannot prepare the pseudo-terminal");
    close();
    throw error;
  }
  slavePath_ = name;
  makeRaw(masterFd_);
  fcntl(masterFd_, F_SETFL, fcntl(masterFd_, F_GETFL) | O_NONBLOCK);
  // Raw from the start, so nothing the instrument sends is echoed back or translated before a
  // client sets its own line settings.
  slaveFd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slaveFd_ < 0) {
    auto error = systemError("Cannot open " + slavePath_);
    close();
    throw error;
  }
  makeRaw(slaveFd_);

  if (linkPath.empty()) return;
  struct stat existing {};
  if (lstat(linkPath.c_str(), &existing) == 0) {
    if (!S_ISLNK(existing.st_mode)) {
      close();
      throw std::runtime_error(linkPath + " exists and is not a symbolic link");
    }
    ::unlink(linkPath.c_str());
  }
  if (symlink(slavePath_.c_str(), linkPath.c_str()) != 0) {
    auto error = systemError("Cannot make the link " + linkPath);
    close();
    throw error;
  }
  linkPath_ = linkPath;
}

void PseudoTerminal::close() {
  if (!linkPath_.empty()) {
    // Only our own link: another simulator may have replaced it meanwhile.
    char target[256];
    ssize_t length = readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (length >= 0 && std::string(target, static_cast<std::size_t>(length)) == slavePath_) {
      ::unlink(linkPath_.c_str());
    }
    linkPath_.clear();
  }
  closeFd(slaveFd_);
  closeFd(masterFd_);
}

}  // namespace ql::sim
