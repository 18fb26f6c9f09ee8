// The three programs on a plain command line: help, version, and what velmo and serulo do without
// a desktop session.

#include "programs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

using ql::testing::runCommand;

std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The headless commands as `velmo --help` lists them ("  velmo NAME ...").
std::set<std::string> listedCommands() {
  std::istringstream help(runCommand(VELMO " --help").out);
  std::set<std::string> names;
  bool inList = false;
  for (std::string line; std::getline(help, line);) {
    if (line.rfind("headless commands", 0) == 0) inList = true;
    if (inList && line.rfind("  velmo ", 0) == 0) {
      const std::string rest = line.substr(8);
      names.insert(rest.substr(0, rest.find(' ')));
    }
  }
  return names;
}

TEST(Programs, WithoutADesktopSessionTheWindowProgramsSaySoInOneLine) {
  struct Case {
    const char* commandLine;
    const char* expected;
  };
  for (const Case& c : {Case{VELMO, "velmo: no display; the window needs a desktop session."},
                        Case{VELMO " --demo --home /nonexistent/velmo", "velmo: no display;"},
                        Case{SERULO, "serulo: no display; the window needs a desktop session"}}) {
    const auto r = runCommand(std::string("env -i ") + c.commandLine + " 2>&1");
    EXPECT_EQ(r.code, 1) << c.commandLine << ": " << r.out;
    EXPECT_EQ(r.out.rfind(c.expected, 0), 0u) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
  }
  // velmo names its headless commands and where to read about them.
  const std::string line = runCommand("env -i " VELMO " 2>&1").out;
  EXPECT_NE(line.find("Headless commands: velmo find|info|files|download"), std::string::npos) << line;
  EXPECT_NE(line.find("(velmo --help)"), std::string::npos) << line;
}

TEST(Programs, HelpAndVersion) {
  struct Case {
    const char* commandLine;
    std::string out;  // the beginning of standard output
  };
  for (const Case& c :
       {Case{VELMO " --version", QL310_VERSION "\n"}, Case{SERULO " --version", "serulo " QL310_VERSION "\n"},
        Case{QL310_SIM " --version", "ql310-sim " QL310_VERSION "\n"}, Case{VELMO " --help", "usage: velmo"},
        Case{SERULO " --help", "usage: serulo"}, Case{QL310_SIM " --help", "usage: ql310-sim"}}) {
    // No display needed: all of them answer in a bare environment.
    const auto r = runCommand(std::string("env -i ") + c.commandLine + " 2>/dev/null");
    EXPECT_EQ(r.code, 0) << c.commandLine;
    EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << c.commandLine;
  }
}

TEST(Programs, EveryHeadlessCommandHasItsHelpAndItsPlaceInTheManualPage) {
  const std::set<std::string> commands = listedCommands();
  ASSERT_GE(commands.size(), 12u);
  ASSERT_TRUE(commands.count("find") && commands.count("config") && commands.count("paths"));
  const std::string manual = readText(MAN_DIR "/velmo.1");
  for (const std::string& name : commands) {
    const auto r = runCommand(VELMO " " + name + " --help 2>&1");
    EXPECT_EQ(r.code, 0) << name << ": " << r.out;
    EXPECT_EQ(r.out.rfind("usage: velmo " + name, 0), 0u) << r.out;
    // "-" is written "\-" in the page.
    std::string escaped;
    for (char ch : name) escaped += ch == '-' ? std::string("\\-") : std::string(1, ch);
    EXPECT_NE(manual.find(".B velmo " + escaped), std::string::npos) << "velmo.1 lacks velmo " << name;
  }
}

}  // namespace
