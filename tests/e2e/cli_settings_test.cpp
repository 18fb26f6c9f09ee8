// velmo baud, velmo zero and velmo battery-reset against ql310-sim on a pseudo-terminal: each
// write confirmed by the logger, and what the logger holds afterwards.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "programs.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

using testing::CommandResult;
using testing::runCommand;

class VelmoSettings : public ::testing::Test {
 protected:
  VelmoSettings() {
    fs::create_directories(dir / "home");
    link = (dir / "logger").string();
  }

  // A command on the logger's port at rate.
  CommandResult velmo(const std::string& arguments, int rate = 9600, int timeout = 20) {
    return runCommand("VELMO_HOME=" + (dir / "home").string() + " " VELMO " " + arguments + " --port " +
                      link + " --baud " + std::to_string(rate) + " --timeout " + std::to_string(timeout) +
                      " 2>/dev/null");
  }

  ql::test::TempDir scratch{"velmo-settings"};
  fs::path dir = scratch.path();
  std::string link;
};

TEST_F(VelmoSettings, ZeroOffsetsAreWrittenAndReadBack) {
  testing::SimulatorProcess sim(QL310_SIM, link, {"--files", "0"});
  ASSERT_TRUE(sim.ready());

  CommandResult r = velmo("zero --temperature 0.15");
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "temperature offset: -0.2 + 0.15 = -0.05\n");
  r = velmo("zero --pressure -0.1");
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "pressure offset: 0.35 + -0.1 = 0.25\n");
  // The next read starts from what was written.
  r = velmo("zero --pressure 0");
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "pressure offset: 0.25 + 0 = 0.25\n");
}

TEST_F(VelmoSettings, BatteryResetAndBaudRate) {
  testing::SimulatorProcess sim(QL310_SIM, link, {"--files", "0"});
  ASSERT_TRUE(sim.ready());
  ASSERT_NE(velmo("info --json").out.find("\"battery_percent\": \"75\""), std::string::npos);

  ASSERT_EQ(velmo("battery-reset").code, 0);
  EXPECT_NE(velmo("info --json").out.find("\"battery_percent\": \"100\""), std::string::npos);

  ASSERT_EQ(velmo("baud 115200").code, 0);
  // The logger answers only at its new rate.
  EXPECT_EQ(velmo("info", 9600, 3).code, 2);
  EXPECT_EQ(velmo("info", 115200).code, 0);
}

TEST_F(VelmoSettings, BadUsageAndNoLogger) {
  EXPECT_EQ(velmo("zero").code, 1);
  EXPECT_EQ(velmo("zero --temperature 1 --pressure 1").code, 1);
  EXPECT_EQ(velmo("zero --pressure abc").code, 1);
  EXPECT_EQ(velmo("baud 1200").code, 1);
  EXPECT_EQ(velmo("battery-reset --json").code, 1);
  // Nothing on the port: no acknowledgement.
  EXPECT_EQ(velmo("battery-reset", 9600, 2).code, 2);
  EXPECT_EQ(velmo("baud 19200", 9600, 2).code, 2);
}

}  // namespace
}  // namespace ql
