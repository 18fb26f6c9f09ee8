#include "link/line_control.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "link/serial_port.h"

namespace ql {

namespace {

// The classic Bxxx constants, for speeds reported without BOTHER.
std::uint32_t speedOfCode(unsigned code) {
  static const struct {
    unsigned code;
    std::uint32_t speed;
  } table[] = {{B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
               {B200, 200},       {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
               {B2400, 2400},     {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
               {B57600, 57600},   {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B500000, 500000},
               {B576000, 576000}, {B921600, 921600}, {B1000000, 1000000}, {B1152000, 1152000},
               {B1500000, 1500000}, {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000},
               {B3500000, 3500000}, {B4000000, 4000000}};
  for (const auto& row : table)
    if (row.code == code) return row.speed;
  return 0;
}

tcflag_t dataBitsFlag(ByteSize size) {
  switch (size) {
    case ByteSize::Five: return CS5;
    case ByteSize::Six: return CS6;
    case ByteSize::Seven: return CS7;
    case ByteSize::Eight: return CS8;
  }
  return CS8;
}

}  // namespace

bool applyLineSettings(int fd, const LineSettings& s) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;

  // Raw bytes in both directions: no echo, no line editing, no translation.
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= CLOCAL | CREAD | dataBitsFlag(s.byteSize);

  switch (s.parity) {
    case Parity::None: break;
    case Parity::Odd: tio.c_cflag |= PARENB | PARODD; break;
    case Parity::Even: tio.c_cflag |= PARENB; break;
    case Parity::Mark: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case Parity::Space: tio.c_cflag |= PARENB | CMSPAR; break;
  }
  if (s.parityCheck && s.parity != Parity::None) tio.c_iflag |= INPCK;
  // Linux has no 1.5 stop bits; two is the nearest a receiver tolerates.
  if (s.stopBits != StopBits::One) tio.c_cflag |= CSTOPB;
  if (s.outxCtsFlow || s.rtsControl == RtsControl::Handshake) tio.c_cflag |= CRTSCTS;
  if (s.outxXonXoffFlow) tio.c_iflag |= IXON;
  if (s.inxXonXoffFlow) tio.c_iflag |= IXOFF;
  tio.c_cc[VSTART] = s.xonChar;
  tio.c_cc[VSTOP] = s.xoffChar;
  // The read thread waits with poll(); reads return whatever is there.
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;

  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = s.baudRate;
  tio.c_ospeed = s.baudRate;
  return ioctl(fd, TCSETS2, &tio) == 0;
}

void applyModemLines(int fd, const LineSettings& s) {
  int dtr = TIOCM_DTR;
  int rts = TIOCM_RTS;
  // Errors are expected on devices without modem lines and change nothing.
  if (s.dtrControl == DtrControl::Disable)
    (void)ioctl(fd, TIOCMBIC, &dtr);
  else
    (void)ioctl(fd, TIOCMBIS, &dtr);
  if (s.rtsControl == RtsControl::Disable)
    (void)ioctl(fd, TIOCMBIC, &rts);
  else if (s.rtsControl == RtsControl::Enable || s.rtsControl == RtsControl::TransmissionAvailable)
    (void)ioctl(fd, TIOCMBIS, &rts);
}

std::optional<std::uint32_t> readLineSpeed(int fd) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return std::nullopt;
  if ((tio.c_cflag & CBAUD) == BOTHER) return tio.c_ospeed;
  return speedOfCode(tio.c_cflag & CBAUD);
}

}  // namespace ql
