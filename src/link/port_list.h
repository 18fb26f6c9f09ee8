#pragma once
// The serial ports of this machine, with what sysfs tells about each.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace ql {

// Where the port list looks: the real trees, or a fake one in tests.
struct PortTreeRoots {
  std::filesystem::path sysfs = "/sys";
  std::filesystem::path dev = "/dev";
};

// One port as a person picks it: the device path is what programs store and open; the
// description and the stable name only help to recognise it.
struct SerialPortInfo {
  std::string path;         // /dev/ttyUSB0
  std::string description;  // "FTDI FT232R USB UART (0403:6001)", or the driver's name, or empty
  std::string stableName;   // /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3Q-if00-port0, or empty
  friend bool operator==(const SerialPortInfo&, const SerialPortInfo&) = default;
};

// The ttys with hardware behind them (USB adapters, UARTs; legacy 8250 ports only when a UART
// answers) that have a device node, sorted by path, each described.
std::vector<SerialPortInfo> scanSerialPorts(const PortTreeRoots& roots = {});

// What is known about one path: a device node, one of its /dev/serial/by-id names, or any other
// path (a pseudo-terminal), which gets neither description nor stable name.
SerialPortInfo describeSerialPort(const std::string& path, const PortTreeRoots& roots = {});

// The text a port box shows for a port: "/dev/ttyUSB0 — FTDI FT232R USB UART (0403:6001)".
std::string portLabel(const SerialPortInfo& port);
// The description and the stable name, one per line, for a tooltip.
std::string portDetails(const SerialPortInfo& port);

// Device paths of scanSerialPorts() followed by every path listed in the environment variable
// VELMO_EXTRA_PORTS (colon-separated) that exists.
// Ports are carried as a list everywhere: a device path may hold any character ("_" in the
// stable names under /dev/serial/by-id), so no separator is safe in a joined text.
std::vector<std::string> serialPortPaths();
// The same from other trees (tests).
std::vector<std::string> serialPortPathsIn(const PortTreeRoots& roots);

// Where a program gets its port list from: serialPortPaths, or a fixed list in tests.
using PortLister = std::function<std::vector<std::string>()>;
// Where a view gets a port's description from: describeSerialPort, or a fake tree in tests.
using PortDescriber = std::function<SerialPortInfo(const std::string& path)>;

}  // namespace ql
