#include "shell/velmo_update.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/ini_file.h"
#include "runtime/scripted_operator.h"
#include "runtime/virtual_scheduler.h"
#include "shell/language_texts.h"
#include "shell/startup_switches.h"
#include "support/read_file.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

using test::readFile;

void writeExecutable(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
  ::chmod(path.c_str(), 0755);
}

class VelmoUpdateTest : public ::testing::Test {
 protected:
  std::unique_ptr<VelmoUpdate> make(const std::string& executablePath) {
    VelmoUpdateContext context{home_.path(), "", executablePath, [this] { ++portCloses_; },
                               [this] { ++quits_; }};
    return std::make_unique<VelmoUpdate>(
        loop_, operator_, memo_,
        [](const std::string& section, const std::string& key) { return section + "/" + key; }, context);
  }

  test::TempDir home_{"velmo_update_home"};
  VirtualScheduler loop_;
  ScriptedOperator operator_;
  MemoLog memo_{[] { return std::time_t{0}; }};
  int portCloses_ = 0;
  int quits_ = 0;
};

TEST_F(VelmoUpdateTest, TheFifthTickRemovesALeftoverUpdtrun) {
  home_.write("updtrun", "old");
  auto update = make(home_.file("velmo"));
  for (int tick = 1; tick <= 4; ++tick) update->onSecondTick();
  EXPECT_TRUE(std::filesystem::exists(home_.file("updtrun")));
  update->onSecondTick();
  EXPECT_FALSE(std::filesystem::exists(home_.file("updtrun")));
  loop_.advance(1000);
  EXPECT_EQ(portCloses_, 0);
  EXPECT_EQ(quits_, 0);
}

TEST_F(VelmoUpdateTest, RunningAsUpdtrunTheFifthTickInstallsAndStartsVelmo) {
  test::TempDir bin("velmo_update_bin");
  writeExecutable(home_.file("updtrun"), "#!/bin/sh\necho started > \"$VELMO_HOME/started\"\n");
  writeExecutable(bin.file("velmo"), "old program");
  ::setenv("VELMO_UPDATE_TARGET", bin.file("velmo").c_str(), 1);
  auto update = make(home_.file("updtrun"));
  for (int tick = 1; tick <= 5; ++tick) update->onSecondTick();
  ::unsetenv("VELMO_UPDATE_TARGET");
  EXPECT_EQ(portCloses_, 1);
  EXPECT_EQ(readFile(bin.file("velmo")), "old program");  // the port is closed first, 50 ms
  loop_.advance(50);
  EXPECT_EQ(quits_, 1);
  EXPECT_EQ(readFile(bin.file("velmo")), readFile(home_.file("updtrun")));
  // The started program is the new velmo: wait for it and for the mark it leaves.
  int status = 0;
  while (::waitpid(-1, &status, 0) > 0) {
  }
  EXPECT_EQ(readFile(home_.file("started")), "started\n");
}

TEST_F(VelmoUpdateTest, AboutBoxAndMenuLine) {
  auto update = make(home_.file("velmo"));
  update->showAbout();
  ASSERT_EQ(operator_.prompts(PromptKind::Message).size(), 1u);
  EXPECT_EQ(operator_.prompts(PromptKind::Message)[0].text,
            std::string("QL310/ql310_about ") + kProgramVersion);

  update->checkForUpdate("Check for Updates");
  ASSERT_GE(memo_.lines().size(), 1u);
  EXPECT_NE(memo_.lines().front().find(":00  Check for Updates"), std::string::npos) << memo_.lines().front();
  // No server named: the check reports the network error at once.
  EXPECT_EQ(update->online().state(), update::kInfoUnavailable);
  EXPECT_NE(memo_.lines().back().find("UPDATE/ud_error_net"), std::string::npos);
}

TEST(UpdateServerSetting, WrittenEmptyOnFirstStartAndReadAfterwards) {
  test::TempDir dir;
  EXPECT_EQ(StartupSwitches::loadOrCreate(dir.file("Sysuse.ini")).updateServer, "");
  IniFile written;
  ASSERT_TRUE(written.load(dir.file("Sysuse.ini")));
  EXPECT_TRUE(written.hasKey("UPDATE", "SERVER"));
  EXPECT_EQ(written.readString("UPDATE", "SERVER", "absent"), "");

  dir.write("Sysuse.ini", "[CONFIG]\r\nAUTOSTART=1\r\n[UPDATE]\r\nSERVER= https://updates.example.org \r\n");
  EXPECT_EQ(StartupSwitches::loadOrCreate(dir.file("Sysuse.ini")).updateServer,
            "https://updates.example.org");
}

}  // namespace
}  // namespace ql
