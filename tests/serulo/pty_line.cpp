// Kept apart: <asm/termbits.h> (termios2) cannot share a translation unit with <termios.h>.
#include "pty_line.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace ql::testing {

std::optional<PtyLine> readPtyLine(int masterFd) {
  struct termios2 t {};
  if (ioctl(masterFd, TCGETS2, &t) != 0) return std::nullopt;
  PtyLine line;
  line.speed = t.c_ospeed;
  line.twoStopBits = (t.c_cflag & CSTOPB) != 0;
  return line;
}

}  // namespace ql::testing
