#pragma once
// The serial ports of this machine.

#include <functional>
#include <string>
#include <vector>

namespace ql {

// Device paths of the system's serial ports (from sysfs: every tty with a device behind it,
// plus legacy 8250 ports that report a real UART), sorted, followed by every path listed in the
// environment variable VELMO_EXTRA_PORTS (colon-separated) that exists.
// Ports are carried as a list everywhere: a device path may hold any character ("_" in the
// stable names under /dev/serial/by-id), so no separator is safe in a joined text.
std::vector<std::string> serialPortPaths();

// Where a program gets its port list from: serialPortPaths, or a fixed list in tests.
using PortLister = std::function<std::vector<std::string>()>;

}  // namespace ql
