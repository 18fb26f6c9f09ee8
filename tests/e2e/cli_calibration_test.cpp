// velmo calibration backup, show and restore against ql310-sim on a pseudo-terminal: a backup
// lists as the logger's block, an edited backup written back is what the logger then holds, and
// a backup of the other family is refused.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "link/codecs.h"
#include "programs.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

using testing::CommandResult;
using testing::runCommand;

class VelmoCalibration : public ::testing::Test {
 protected:
  VelmoCalibration() {
    fs::create_directories(dir / "home");
    link = (dir / "logger").string();
  }

  // A command on the logger's port.
  CommandResult velmo(const std::string& arguments, int timeout = 30) {
    return runCommand("VELMO_HOME=" + (dir / "home").string() + " " VELMO " calibration " + arguments +
                      " --port " + link + " --baud 9600 --timeout " + std::to_string(timeout) +
                      " 2>/dev/null");
  }
  CommandResult show(const fs::path& file) {
    return runCommand(std::string(VELMO " calibration show ") + file.string() + " 2>/dev/null");
  }

  static std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  }

  ql::test::TempDir scratch{"velmo-calibration"};
  fs::path dir = scratch.path();
  std::string link;
};

TEST_F(VelmoCalibration, BackupShowAndAnEditedRestoreOfTheFirstFamily) {
  testing::SimulatorProcess sim(QL310_SIM, link, {"--files", "0", "--serial", "210054321"});
  ASSERT_TRUE(sim.ready());

  const fs::path backup = dir / "logger.CRO";
  CommandResult r = velmo("backup " + backup.string());
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "file: " + backup.string() + "\nserial: 0210054321\n");
  std::string block = bytesOf(backup);
  ASSERT_EQ(block.size(), 601u);
  EXPECT_EQ(block.substr(512), std::string(89, '\0'));

  r = show(backup);
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find("硬件")), "仪器型号: 100\nSN： 210054321\n");
  ASSERT_NE(r.out.find("压力系数(-4.5)0: -699050.6875\n"), std::string::npos) << r.out;

  // A pressure coefficient edited in the file (big-endian single), then written back: a fresh
  // backup of the logger lists what the edited file lists.
  const Bytes old = FloatToBeBytes(-699050.6875f);
  const std::size_t at = block.find(std::string(old.begin(), old.end()));
  ASSERT_NE(at, std::string::npos);
  const Bytes edited = FloatToBeBytes(1.5f);
  block.replace(at, edited.size(), std::string(edited.begin(), edited.end()));
  const fs::path editedBackup = dir / "edited.CRO";
  writeBytes(editedBackup, block);
  const std::string editedListing = show(editedBackup).out;
  ASSERT_NE(editedListing.find(")0: 1.5\n"), std::string::npos) << editedListing;

  r = velmo("restore " + editedBackup.string());
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "restored: " + editedBackup.string() + "\nserial: 0210054321\n");
  const fs::path after = dir / "after.CRO";
  ASSERT_EQ(velmo("backup " + after.string()).code, 0);
  EXPECT_EQ(show(after).out, editedListing);
}

TEST_F(VelmoCalibration, SecondFamilyRoundTripsAndTheOtherFamilysBackupIsRefused) {
  const fs::path first = dir / "first.CRO";
  {
    testing::SimulatorProcess sim(QL310_SIM, link, {"--files", "0"});
    ASSERT_TRUE(sim.ready());
    ASSERT_EQ(velmo("backup " + first.string()).code, 0);
  }
  testing::SimulatorProcess sim(QL310_SIM, link, {"--files", "0", "--model", "QL325"});
  ASSERT_TRUE(sim.ready());

  const fs::path second = dir / "second.CRO";
  ASSERT_EQ(velmo("backup " + second.string()).code, 0);
  CommandResult r = show(second);
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out.substr(0, 9), "01 01 45 ");  // listed as the second family: its bytes first

  // A first-family block in a second-family logger: refused, nothing written.
  EXPECT_EQ(velmo("restore " + first.string()).code, 1);
  ASSERT_EQ(velmo("restore " + second.string()).code, 0);
  const fs::path after = dir / "after.CRO";
  ASSERT_EQ(velmo("backup " + after.string()).code, 0);
  EXPECT_EQ(bytesOf(after), bytesOf(second));
}

TEST_F(VelmoCalibration, NoLoggerAndUnreadableFiles) {
  // Nothing on the port.
  EXPECT_EQ(velmo("backup " + (dir / "x.CRO").string(), 2).code, 2);
  EXPECT_FALSE(fs::exists(dir / "x.CRO"));
  EXPECT_EQ(velmo("restore " + (dir / "missing.CRO").string(), 2).code, 3);

  testing::SimulatorProcess sim(QL310_SIM, link, {"--files", "0"});
  ASSERT_TRUE(sim.ready());
  // The backup cannot be written where it is asked for.
  EXPECT_EQ(velmo("backup " + (dir / "no-such-dir" / "x.CRO").string()).code, 3);
}

}  // namespace
}  // namespace ql
