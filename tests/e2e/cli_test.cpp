// velmo's headless commands against ql310-sim on a pseudo-terminal: the programs as a user runs them.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "programs.h"
#include "shell/saved_state.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using ql::testing::runCommand;

struct SimulatorProcess : ql::testing::SimulatorProcess {
  explicit SimulatorProcess(const std::string& link, const std::vector<std::string>& extra = {})
      : ql::testing::SimulatorProcess(QL310_SIM, link, extra) {}
};

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A scratch directory with "_" in its name: velmo's home and the simulator's link live there.
struct ScratchDir {
  explicit ScratchDir(const std::string& name) : scratch(name), path(scratch.path()) {
    fs::create_directories(path / "home");
  }
  // velmo with this home and the link as its extra port; stderr goes to the file "stderr".
  std::string velmo(const std::string& arguments) const {
    return "VELMO_HOME=" + (path / "home").string() + " VELMO_EXTRA_PORTS=" + link() + " " VELMO " " +
           arguments + " 2>" + (path / "stderr").string();
  }
  std::string link() const { return (path / "tty").string(); }
  std::string errors() const { return readText(path / "stderr"); }
  ql::test::TempDir scratch;
  fs::path path;
};

// Runs the command line; the wall-clock time it took in milliseconds goes to ms.
ql::testing::CommandResult timed(const std::string& commandLine, long long& ms) {
  const auto start = std::chrono::steady_clock::now();
  auto r = runCommand(commandLine);
  ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  return r;
}

TEST(VelmoCommands, FindPrintsThePortAndRateWhereTheLoggerAnswers) {
  // A path with "_", like the stable names under /dev/serial/by-id
  // (usb-FTDI_FT232R_USB_UART_A10K3Q-if00-port0), is one port.
  ScratchDir dir("ql310_by_id");
  SimulatorProcess sim(dir.link());
  ASSERT_TRUE(sim.ready());
  auto r = runCommand(dir.velmo("find --timeout 60"));
  EXPECT_EQ(r.code, 0) << dir.errors();
  EXPECT_EQ(r.out, dir.link() + " 9600\n");
}

TEST(VelmoCommands, ASecondInfoConnectsWhereTheLoggerAnsweredLast) {
  // At 115200 the logger answers at the last of the eight rates the search tries on its port.
  ScratchDir dir("ql310_last_link");
  SimulatorProcess sim(dir.link(), {"--baud", "115200", "--files", "14"});
  ASSERT_TRUE(sim.ready());
  const fs::path home = dir.path / "home";

  long long firstMs = 0;
  auto first = timed(dir.velmo("info --timeout 60"), firstMs);
  ASSERT_EQ(first.code, 0) << dir.errors();
  EXPECT_EQ(readText(home / "link.ini"), "[LINK]\r\nPORT=" + dir.link() + "\r\nBAUD=115200\r\n");
  // The notice comes from the home's language (Chinese when none is stored), without an empty title.
  const std::string notice = "仪器中的文件已超过13个";
  EXPECT_EQ(dir.errors().rfind(notice, 0), 0u) << dir.errors();
  EXPECT_FALSE(fs::exists(home / "sysuse.d"));

  long long secondMs = 0;
  auto second = timed(dir.velmo("info --timeout 60"), secondMs);
  ASSERT_EQ(second.code, 0) << dir.errors();
  EXPECT_EQ(second.out.substr(0, second.out.find('\n')), "serial: 0210012345");
  // The full search spent seven passes of 700 ms on the link's slower rates before it found the
  // logger; the second run starts at the stored pair and saves (far) more than four of them.
  std::cout << "velmo info: " << firstMs << " ms searching, " << secondMs << " ms from link.ini\n";
  EXPECT_LT(secondMs + 4 * 700, firstMs);
}

TEST(VelmoCommands, NoticesAreInTheStoredLanguageAndSysuseIsLeftAsItWas) {
  ScratchDir dir("ql310_language");
  SimulatorProcess sim(dir.link(), {"--files", "14"});
  ASSERT_TRUE(sim.ready());
  ql::SavedState stored;
  stored.languageName = "english";
  const fs::path sysuse = dir.path / "home" / "sysuse.d";
  ASSERT_TRUE(ql::saveSavedState(sysuse.string(), stored));
  const std::string before = readText(sysuse);

  auto r = runCommand(dir.velmo("info --port " + dir.link() + " --baud 9600 --timeout 60"));
  ASSERT_EQ(r.code, 0) << dir.errors();
  EXPECT_EQ(dir.errors(),
            "The instrument holds more than 13 files. Download the files you need and delete the "
            "others so that the memory does not run out.\n");
  EXPECT_TRUE(readText(sysuse) == before);
  // A manual connect is a connection too: it is where the next search starts.
  EXPECT_NE(readText(dir.path / "home" / "link.ini").find("PORT=" + dir.link()), std::string::npos);
}

TEST(VelmoCommands, InfoReportsTheLoggerAsJson) {
  ScratchDir dir("ql310_info");
  SimulatorProcess sim(dir.link(), {"--serial", "230000001"});
  ASSERT_TRUE(sim.ready());
  auto r = runCommand(dir.velmo("info --port " + dir.link() + " --baud 9600 --json --timeout 60"));
  ASSERT_EQ(r.code, 0) << r.out;
  for (const char* expected :
       {"\"serial\": \"0230000001\"", "\"model\": \"QL310\"", "\"hardware\": \"1.0.2.0\"",
        "\"firmware\": \"1.3.1.5\"", "\"flash_size\": \"8388608\"", "\"flash_free\": \"7340032 (87.5%)\"",
        "\"battery_voltage\": \"3.600\"", "\"task_running\": false", "\"battery_percent\": \"75\""})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << " in " << r.out;
  EXPECT_NE(r.out.find("\"clock\": \"20"), std::string::npos) << r.out;
}

TEST(VelmoCommands, NoLoggerAndBadUsageHaveTheirExitCodes) {
  ScratchDir dir("ql310_usage");
  EXPECT_EQ(runCommand(dir.velmo("info --port /dev/does-not-exist --baud 9600 --timeout 2")).code, 2);
  EXPECT_EQ(runCommand(dir.velmo("info --baud 12345")).code, 1);
  EXPECT_EQ(runCommand(dir.velmo("find --bogus")).code, 1);
  EXPECT_EQ(runCommand(dir.velmo("find --timeout nan")).code, 1);
}

}  // namespace
