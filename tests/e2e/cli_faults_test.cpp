// velmo against ql310-sim on a pseudo-terminal with a flaky line: lost replies, and a logger at
// another line rate. A download either stores the logger's file
// byte for byte or fails with its message; nothing hangs.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/data_file.h"
#include "programs.h"
#include "sim/logger_model.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

using testing::CommandResult;
using testing::runCommand;

class VelmoOnAFlakyLine : public ::testing::Test {
 protected:
  VelmoOnAFlakyLine() {
    const std::string tag =
        std::to_string(getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    dir = fs::temp_directory_path() / ("velmo-faults-" + tag);
    fs::remove_all(dir);
    fs::create_directories(dir);
    link = (dir / "logger").string();
  }
  ~VelmoOnAFlakyLine() override { fs::remove_all(dir); }

  CommandResult velmo(const std::string& arguments) {
    return runCommand("VELMO_HOME=" + (dir / "home").string() + " VELMO_EXTRA_PORTS=" + link +
                      " timeout 120 " + VELMO " " + arguments + " 2>" + (dir / "stderr").string());
  }
  std::string errors() const {
    std::ifstream in(dir / "stderr");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path dir;
  std::string link;
  // The same logger in this process: what ql310-sim holds.
  sim::LoggerModel model{[] {
    sim::LoggerConfig config;
    config.fileCount = 3;
    return config;
  }()};
};

struct LineCase {
  const char* name;
  std::vector<std::string> simulatorArguments;
};

class DownloadOnAFlakyLine : public VelmoOnAFlakyLine, public ::testing::WithParamInterface<LineCase> {};

TEST_P(DownloadOnAFlakyLine, StoresTheLoggersFileByteForByte) {
  std::vector<std::string> arguments{"--files", "3"};
  for (const std::string& a : GetParam().simulatorArguments) arguments.push_back(a);
  testing::SimulatorProcess sim(QL310_SIM, link, arguments);
  ASSERT_TRUE(sim.ready());
  // Position 3 is the oldest file, slot 0.
  CommandResult r = velmo("download 3 --port " + link + " --baud 9600 --home " + (dir / "home").string());
  ASSERT_EQ(r.code, 0) << r.out << errors();
  const std::string stored = r.out.substr(0, r.out.size() - 1);
  std::ifstream in(stored, std::ios::binary);
  const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto file = model.files().file(1);
  ASSERT_EQ(bytes.size(), DataFileHeader::kSize + file->size());
  EXPECT_EQ(Bytes(bytes.begin() + DataFileHeader::kSize, bytes.end()), file->read(0, file->size()));
}

// Cutting every reply (--split) is not among them: a block is taken as a whole reply, and only
// the file list and a transfer's head are joined from pieces.
INSTANTIATE_TEST_SUITE_P(Faults, DownloadOnAFlakyLine,
                         ::testing::Values(LineCase{"EveryThirdReplyLost", {"--drop-every", "3"}},
                                           LineCase{"EverySecondReplyLost", {"--drop-every", "2"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VelmoOnAFlakyLine, ALoggerAtAnotherRateIsReportedNotAwaitedForever) {
  testing::SimulatorProcess sim(QL310_SIM, link, {"--files", "3", "--garbage"});
  ASSERT_TRUE(sim.ready());
  CommandResult r = velmo("info --port " + link + " --baud 19200");
  EXPECT_NE(r.code, 0) << r.out;
  EXPECT_NE(r.code, 124) << "velmo was still waiting after two minutes";
  EXPECT_FALSE(errors().empty());
}

}  // namespace
}  // namespace ql
