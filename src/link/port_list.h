#pragma once
// The serial ports of this machine.

#include <string>
#include <vector>

namespace ql {

// Device paths of the system's serial ports (from sysfs: every tty with a device behind it,
// plus legacy 8250 ports that report a real UART), sorted, followed by every path listed in the
// environment variable VELMO_EXTRA_PORTS (colon-separated) that exists.
std::vector<std::string> serialPortPaths();
// The same names, each followed by the separator: "/dev/ttyUSB0_/dev/ttyS0_". Empty when none.
std::string ListSerialPorts(char separator);
// The names of a ListSerialPorts('_') text, front to back; a name shorter than two characters
// ends the list.
std::vector<std::string> splitPortList(const std::string& list);

}  // namespace ql
