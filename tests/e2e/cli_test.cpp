// velmo's headless commands against ql310-sim on a pseudo-terminal: the programs as a user runs them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "programs.h"

namespace {

using ql::testing::runCommand;

struct SimulatorProcess : ql::testing::SimulatorProcess {
  explicit SimulatorProcess(const std::string& link, const std::vector<std::string>& extra = {})
      : ql::testing::SimulatorProcess(QL310_SIM, link, extra) {}
};

std::string tempLink(const char* name) { return ql::testing::tempPath(name); }

TEST(VelmoCommands, FindPrintsThePortAndRateWhereTheLoggerAnswers) {
  std::string link = tempLink("ql310-find");
  SimulatorProcess sim(link);
  ASSERT_TRUE(sim.ready());
  auto r = runCommand("VELMO_EXTRA_PORTS=" + link + " " VELMO " find --timeout 60");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, link + " 9600\n");
}

TEST(VelmoCommands, InfoReportsTheLoggerAsJson) {
  std::string link = tempLink("ql310-info");
  SimulatorProcess sim(link, {"--serial", "230000001"});
  ASSERT_TRUE(sim.ready());
  auto r = runCommand(VELMO " info --port " + link + " --baud 9600 --json --timeout 60");
  ASSERT_EQ(r.code, 0) << r.out;
  for (const char* expected :
       {"\"serial\": \"0230000001\"", "\"model\": \"QL310\"", "\"hardware\": \"1.0.2.0\"", "\"firmware\": \"1.3.1.5\"",
        "\"flash_size\": \"8388608\"", "\"flash_free\": \"7340032 (87.5%)\"", "\"battery_voltage\": \"3.600\"",
        "\"task_running\": false", "\"battery_percent\": \"75\""})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << " in " << r.out;
  EXPECT_NE(r.out.find("\"clock\": \"20"), std::string::npos) << r.out;
}

TEST(VelmoCommands, NoLoggerAndBadUsageHaveTheirExitCodes) {
  EXPECT_EQ(runCommand(VELMO " info --port /dev/does-not-exist --baud 9600 --timeout 2 2>/dev/null").code, 2);
  EXPECT_EQ(runCommand(VELMO " info --baud 12345 2>/dev/null").code, 1);
  EXPECT_EQ(runCommand(VELMO " find --bogus 2>/dev/null").code, 1);
}

}  // namespace
