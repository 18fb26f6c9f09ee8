// velmo clock against ql310-sim on a pseudo-terminal: the offset of a logger whose clock runs an
// hour ahead, and --sync bringing it to the computer's time.

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>

#include "programs.h"
#include "runtime/formats.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

using testing::CommandResult;
using testing::runCommand;

// Each test with a home and a logger link of its own.
class VelmoClock : public ::testing::Test {
 protected:
  VelmoClock() {
    fs::create_directories(dir / "home");
    link = (dir / "logger").string();
  }

  CommandResult velmo(const std::string& arguments) {
    return runCommand("VELMO_HOME=" + (dir / "home").string() + " VELMO_EXTRA_PORTS=" + link + " " VELMO " " +
                      arguments + " 2>" + (dir / "stderr").string());
  }
  std::string errors() const {
    std::ifstream in(dir / "stderr");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  ql::test::TempDir scratch{"velmo-clock"};
  fs::path dir = scratch.path();
  std::string link;
};

// The value of key in velmo clock's one-line JSON, as written.
std::string jsonValue(const std::string& json, const std::string& key) {
  std::smatch m;
  const std::regex pattern("\"" + key + "\": (\"[^\"]*\"|[^,}]+)");
  return std::regex_search(json, m, pattern) ? m[1].str() : "";
}

std::optional<std::time_t> timeOf(const std::string& quoted) {
  if (quoted.size() < 2) return std::nullopt;
  auto dt = parseDateTime(quoted.substr(1, quoted.size() - 2));
  return dt ? toTimeT(*dt) : std::nullopt;
}

TEST_F(VelmoClock, ReportsTheOffsetOfALoggerAnHourAhead) {
  testing::SimulatorProcess sim(QL310_SIM, link, {"--clock-offset", "3600", "--files", "0"});
  ASSERT_TRUE(sim.ready());
  const std::time_t before = std::time(nullptr);
  CommandResult r = velmo("clock --json --timeout 60");
  const std::time_t after = std::time(nullptr);
  ASSERT_EQ(r.code, 0) << errors();

  const long offset = std::stol(jsonValue(r.out, "offset_s"));
  EXPECT_NEAR(offset, 3600, 1) << r.out;
  EXPECT_EQ(jsonValue(r.out, "synced"), "false");
  // The two clocks are the texts the offset was taken from, the computer's at the time of the run.
  auto logger = timeOf(jsonValue(r.out, "clock"));
  auto pc = timeOf(jsonValue(r.out, "pc_clock"));
  ASSERT_TRUE(logger && pc) << r.out;
  EXPECT_EQ(*logger - *pc, offset);
  EXPECT_GE(*pc, before);
  EXPECT_LE(*pc, after);
}

TEST_F(VelmoClock, SyncBringsTheLoggerToTheComputersTime) {
  testing::SimulatorProcess sim(QL310_SIM, link, {"--clock-offset", "3600", "--files", "0"});
  ASSERT_TRUE(sim.ready());
  CommandResult r = velmo("clock --port " + link + " --baud 9600 --sync --json --timeout 60");
  ASSERT_EQ(r.code, 0) << r.out << errors();
  // The offset as found, and the verdict of the read-back.
  EXPECT_NEAR(std::stol(jsonValue(r.out, "offset_s")), 3600, 1) << r.out;
  EXPECT_EQ(jsonValue(r.out, "synced"), "true") << r.out;

  // A second run reads the logger afresh: it keeps the computer's time.
  CommandResult again = velmo("clock --timeout 60");
  ASSERT_EQ(again.code, 0) << errors();
  std::smatch m;
  ASSERT_TRUE(std::regex_search(again.out, m, std::regex("offset_s: (-?[0-9]+)\n"))) << again.out;
  EXPECT_LE(std::abs(std::stol(m[1].str())), 2) << again.out;
  EXPECT_NE(again.out.find("synced: no\n"), std::string::npos) << again.out;
}

TEST_F(VelmoClock, UsageAndMissingLoggerHaveTheirExitCodes) {
  EXPECT_EQ(velmo("clock --baud 9600").code, 1);
  EXPECT_EQ(velmo("clock --sync --later").code, 1);
  EXPECT_EQ(velmo("clock --port " + (dir / "nothing").string() + " --baud 9600 --sync --timeout 1").code, 2);
}

}  // namespace
}  // namespace ql
