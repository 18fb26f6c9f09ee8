// The system's port list with the extra ports named in VELMO_EXTRA_PORTS.

#include "link/port_list.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "support/temp_dir.h"

namespace ql {
namespace {

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

TEST_F(ExtraPorts, AnEmptyVariableAddsNothing) { EXPECT_TRUE(extraPorts("").empty()); }

}  // namespace
}  // namespace ql
