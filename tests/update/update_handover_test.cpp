#include "shell/update_handover.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/read_file.h"
#include "support/temp_dir.h"

namespace ql::update {
namespace {

using test::readFile;

// A stand-in executable: records its own path and the target it was given.
const char* kStandIn =
    "#!/bin/sh\n"
    "echo \"$0 $VELMO_UPDATE_TARGET\" > \"$VELMO_HOME/ran\"\n";

void writeExecutable(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
  ::chmod(path.c_str(), 0755);
}

int exitStatus(int pid) {
  int status = -1;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(UpdateHandOver, StartsUpdtrunWithTheTargetAndTheHome) {
  test::TempDir home("velmo_handover_home");
  writeExecutable(home.file("updtrun"), kStandIn);
  const int pid = startUpdater(home.path(), "/opt/velmo/bin/velmo");
  ASSERT_GT(pid, 0);
  EXPECT_EQ(exitStatus(pid), 0);
  EXPECT_EQ(readFile(home.file("ran")), home.file("updtrun") + " /opt/velmo/bin/velmo\n");
}

TEST(UpdateHandOver, UpdtrunCopiesItselfOverVelmoAndStartsIt) {
  test::TempDir home("velmo_handover_home");
  test::TempDir bin("velmo_handover_bin");
  writeExecutable(home.file("updtrun"), kStandIn);
  writeExecutable(bin.file("velmo"), "#!/bin/sh\nexit 3\n");
  const int pid = startupHandOver(home.file("updtrun"), home.path(), bin.file("velmo"));
  ASSERT_GT(pid, 0);
  EXPECT_EQ(exitStatus(pid), 0);
  EXPECT_EQ(readFile(bin.file("velmo")), kStandIn);
  EXPECT_EQ(readFile(home.file("ran")).substr(0, bin.file("velmo").size()), bin.file("velmo"));
  struct stat info {};
  ASSERT_EQ(::stat(bin.file("velmo").c_str(), &info), 0);
  EXPECT_TRUE(info.st_mode & S_IXUSR);
  EXPECT_FALSE(std::filesystem::exists(bin.file("velmo.bak")));
}

TEST(UpdateHandOver, VelmoRemovesALeftoverUpdtrun) {
  test::TempDir home("velmo_handover_home");
  writeExecutable(home.file("updtrun"), kStandIn);
  writeExecutable(home.file("velmo"), "#!/bin/sh\n");
  EXPECT_EQ(startupHandOver(home.file("velmo"), home.path(), ""), 0);
  EXPECT_FALSE(std::filesystem::exists(home.file("updtrun")));
  EXPECT_EQ(readFile(home.file("velmo")), "#!/bin/sh\n");
  EXPECT_FALSE(std::filesystem::exists(home.file("ran")));
  // Nothing to remove is no error either.
  EXPECT_EQ(startupHandOver(home.file("velmo"), home.path(), ""), 0);
}

TEST(UpdateHandOver, AFailedCopyLeavesTheProgramAsItWas) {
  test::TempDir home("velmo_handover_home");
  writeExecutable(home.file("velmo"), "working");
  EXPECT_FALSE(replaceFile(home.file("missing"), home.file("velmo")));
  EXPECT_EQ(startupHandOver(home.file("updtrun"), home.path(), ""), -1);  // updtrun itself is gone
  EXPECT_EQ(readFile(home.file("velmo")), "working");
  EXPECT_EQ(startProcess(home.file("missing"), {}), -1);
}

TEST(UpdateHandOver, ReplaceableOnlyWhereTheDirectoryCanBeWritten) {
  test::TempDir bin("velmo_handover_bin");
  EXPECT_TRUE(isReplaceable(bin.file("velmo")));
  EXPECT_FALSE(isReplaceable("/nonexistent-velmo-dir/velmo"));
  EXPECT_FALSE(isReplaceable(""));
  // In an installed prefix the package manager owns it, however writable.
  test::TempDir prefix("velmo_handover_prefix");
  std::filesystem::create_directories(prefix.file("bin"));
  EXPECT_TRUE(isReplaceable(prefix.file("bin/velmo")));
  std::filesystem::create_directories(prefix.file("share/velmo"));
  EXPECT_FALSE(isReplaceable(prefix.file("bin/velmo")));
  EXPECT_TRUE(runsAsUpdater("/home/u/.local/share/velmo/updtrun"));
  EXPECT_FALSE(runsAsUpdater("/usr/bin/velmo"));
  EXPECT_FALSE(runsAsUpdater("/tmp/updtrun.d/velmo"));
}

}  // namespace
}  // namespace ql::update
