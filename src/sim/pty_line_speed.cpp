// The kernel's termios2 (with the speed in c_ospeed) clashes with glibc's struct termios, so this
// file must not include <termios.h>.
#include "sim/pty_line_speed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace ql::sim {

namespace {

std::uint32_t speedOfBaudConstant(unsigned int code) {
  struct Entry {
    unsigned int code;
    std::uint32_t speed;
  };
  static constexpr Entry table[] = {{B0, 0},
                                    {B50, 50},
                                    {B75, 75},
                                    {B110, 110},
                                    {B134, 134},
                                    {B150, 150},
                                    {B200, 200},
                                    {B300, 300},
                                    {B600, 600},
                                    {B1200, 1200},
                                    {B1800, 1800},
                                    {B2400, 2400},
                                    {B4800, 4800},
                                    {B9600, 9600},
                                    {B19200, 19200},
                                    {B38400, 38400},
                                    {B57600, 57600},
                                    {B115200, 115200},
                                    {B230400, 230400},
                                    {B460800, 460800},
                                    {B500000, 500000},
                                    {B576000, 576000},
                                    {B921600, 921600},
                                    {B1000000, 1000000},
                                    {B1152000, 1152000},
                                    {B1500000, 1500000},
                                    {B2000000, 2000000},
                                    {B2500000, 2500000},
                                    {B3000000, 3000000},
                                    {B3500000, 3500000},
                                    {B4000000, 4000000}};
  for (const Entry& e : table) {
    if (e.code == code) return e.speed;
  }
  return 0;
}

}  // namespace

std::uint32_t ptyLineSpeed(int masterFd) {
  // On a master, the terminal ioctls read the settings of the slave side.
  struct termios2 settings {};
  if (ioctl(masterFd, TCGETS2, &settings) != 0) return 0;
  unsigned int code = settings.c_cflag & CBAUD;
  if (code == BOTHER) return settings.c_ospeed;
  return speedOfBaudConstant(code);
}

}  // namespace ql::sim
