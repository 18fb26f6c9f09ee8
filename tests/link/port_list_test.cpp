// The port list: ports found in sysfs with their descriptions and stable names, and the extra
// ports named in VELMO_EXTRA_PORTS.

#include "link/port_list.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "link/serial_port.h"
#include "support/fake_port_tree.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

// A machine with a named FTDI adapter, an anonymous USB modem, a UART, a legacy port with no
// UART, a console and a tty whose node is missing.
class PortTree : public ::testing::Test {
 protected:
  PortTree() {
    tree.plugUsb("ttyUSB0", "FTDI", "FT232R USB UART", "0403", "6001",
                 "usb-FTDI_FT232R_USB_UART_A10K3Q-if00-port0");
    tree.plugUsb("ttyACM0", "", "", "2341", "0043");
    tree.addUart("ttyS0", "serial8250");
    tree.addUart("ttyS1", "serial8250", "0");
    std::filesystem::create_directories(tree.roots().sysfs / "class" / "tty" / "tty0");
    tree.addTtyWithoutNode("ttyGS0");
  }
  std::string byId(const std::string& name) const {
    return (tree.roots().dev / "serial" / "by-id" / name).string();
  }

  test::FakePortTree tree;
};

TEST_F(PortTree, ListsPortsWithHardwareDescribedAndWithTheirStableNames) {
  const std::string ftdiById = byId("usb-FTDI_FT232R_USB_UART_A10K3Q-if00-port0");
  EXPECT_EQ(scanSerialPorts(tree.roots()),
            (std::vector<SerialPortInfo>{
                {tree.node("ttyACM0"), "USB 2341:0043", ""},
                {tree.node("ttyS0"), "serial8250", ""},
                {tree.node("ttyUSB0"), "FTDI FT232R USB UART (0403:6001)", ftdiById},
            }));
  EXPECT_EQ(serialPortPathsIn(tree.roots()),
            (std::vector<std::string>{tree.node("ttyACM0"), tree.node("ttyS0"), tree.node("ttyUSB0")}));
}

TEST_F(PortTree, DescribesAPathByItsNodeOrItsStableName) {
  const std::string ftdiById = byId("usb-FTDI_FT232R_USB_UART_A10K3Q-if00-port0");
  const SerialPortInfo ftdi{tree.node("ttyUSB0"), "FTDI FT232R USB UART (0403:6001)", ftdiById};
  EXPECT_EQ(describeSerialPort(tree.node("ttyUSB0"), tree.roots()), ftdi);
  // The stable name keeps the path it was chosen by.
  EXPECT_EQ(describeSerialPort(ftdiById, tree.roots()),
            (SerialPortInfo{ftdiById, ftdi.description, ftdiById}));
  // A pseudo-terminal or a typed path: nothing known, and no sysfs tty of the same name used.
  EXPECT_EQ(describeSerialPort((tree.roots().dev / "pts" / "ttyS0").string(), tree.roots()),
            (SerialPortInfo{(tree.roots().dev / "pts" / "ttyS0").string(), "", ""}));

  EXPECT_EQ(portLabel(ftdi), tree.node("ttyUSB0") + " — FTDI FT232R USB UART (0403:6001)");
  EXPECT_EQ(portDetails(ftdi), "FTDI FT232R USB UART (0403:6001)\n" + ftdiById);
  EXPECT_EQ(portLabel({"/dev/pts/4", "", ""}), "/dev/pts/4");
}

TEST_F(PortTree, AnUnpluggedAdapterLeavesTheListAndAPluggedOneJoinsIt) {
  tree.unplug("ttyUSB0");
  tree.plugUsb("ttyUSB1", "Prolific", "USB-Serial Controller", "067b", "2303", "usb-Prolific-if00-port0");
  const auto ports = scanSerialPorts(tree.roots());
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[2], (SerialPortInfo{tree.node("ttyUSB1"), "Prolific USB-Serial Controller (067b:2303)",
                                      byId("usb-Prolific-if00-port0")}));
}

class ExtraPorts : public ::testing::Test {
 protected:
  ~ExtraPorts() override { ::unsetenv("VELMO_EXTRA_PORTS"); }

  // serialPortPaths() past the machine's own ports.
  static std::vector<std::string> extraPorts(const std::string& variable) {
    ::unsetenv("VELMO_EXTRA_PORTS");
    const std::vector<std::string> own = serialPortPaths();
    ::setenv("VELMO_EXTRA_PORTS", variable.c_str(), 1);
    std::vector<std::string> all = serialPortPaths();
    EXPECT_TRUE(std::equal(own.begin(), own.end(), all.begin()));
    return {all.begin() + static_cast<std::ptrdiff_t>(own.size()), all.end()};
  }

  test::TempDir dir{"ql_ports"};
};

TEST_F(ExtraPorts, NamesWithUnderscoresAreListedWholeInTheirOrder) {
  // Like /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3Q-if00-port0.
  std::filesystem::create_directories(dir.file("by_id"));
  const std::string first = dir.file("by_id/usb-FTDI_FT232R_A10K3Q-if00-port0");
  const std::string second = dir.file("tty_b");
  dir.write("by_id/usb-FTDI_FT232R_A10K3Q-if00-port0", "");
  dir.write("tty_b", "");
  // Missing paths and repeats are left out; an empty entry is skipped.
  const std::string variable = second + "::" + dir.file("gone_tty") + ":" + first + ":" + second;
  EXPECT_EQ(extraPorts(variable), (std::vector<std::string>{second, first}));
}

TEST(OpenError, SaysWhyAPortCannotBeOpenedAndHowToFixAMissingPermission) {
  struct Case {
    int error;
    PortFailure failure;
    std::string text;
  };
  const std::string failed = "Error opening serial port";
  const std::string advice =
      "Permission denied: add yourself to the dialout group (sudo usermod -aG dialout $USER) and log in "
      "again";
  for (const Case& c : {Case{EACCES, PortFailure::PermissionDenied, failed + ": " + advice},
                        Case{EPERM, PortFailure::PermissionDenied, failed + ": " + advice},
                        Case{EBUSY, PortFailure::Busy, failed + ": the port is in use by another program"},
                        Case{ENOENT, PortFailure::Other, failed}}) {
    const SerialPortError error = openError(c.error);
    EXPECT_EQ(error.failure(), c.failure) << c.error;
    EXPECT_EQ(error.what(), c.text) << c.error;
  }
}

TEST_F(ExtraPorts, AnEmptyVariableAddsNothing) { EXPECT_TRUE(extraPorts("").empty()); }

}  // namespace
}  // namespace ql
