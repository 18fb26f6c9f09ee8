// velmo files and velmo download against ql310-sim on a pseudo-terminal: the list as the window
// shows it, and the stored data file compared byte for byte with what the simulated logger holds.

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
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

using testing::CommandResult;
using testing::runCommand;

// ql310-sim with three recorded files (one above the speed-switch size) at a known path.
struct Simulator : testing::SimulatorProcess {
  explicit Simulator(const std::string& link) : SimulatorProcess(QL310_SIM, link, {"--files", "3"}) {}
};

class VelmoFiles : public ::testing::Test {
 protected:
  VelmoFiles() {
    fs::create_directories(dir);
    link = (dir / "logger").string();
  }

  CommandResult velmo(const std::string& arguments) {
    return runCommand("VELMO_HOME=" + (dir / "home").string() + " VELMO_EXTRA_PORTS=" + link + " " VELMO " " +
                      arguments + " 2>" + (dir / "stderr").string());
  }

  ql::test::TempDir scratch{"velmo-files"};
  fs::path dir = scratch.path();
  std::string link;
  // The same logger in this process: what ql310-sim holds and sends.
  sim::LoggerModel model{[] {
    sim::LoggerConfig config;
    config.fileCount = 3;
    return config;
  }()};
};

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(VelmoFiles, ListsTheFilesNewestFirstWithTheirSlots) {
  Simulator sim(link);
  ASSERT_TRUE(sim.ready());
  CommandResult r = velmo("files --port " + link + " --baud 9600 --json");
  ASSERT_EQ(r.code, 0) << r.out;
  // Standard files 0..2 start further apart the later they are, so slot 2 is the newest.
  const int expectedSlots[] = {2, 1, 0};
  std::size_t at = 0;
  for (int position = 1; position <= 3; ++position) {
    const int slot = expectedSlots[position - 1];
    auto file = model.files().file(slot + 1);
    auto entry = file->entry();
    std::string name;
    for (int i = 1; i <= 16; ++i)
      if (entry[i] != '=') name += static_cast<char>(entry[i]);
    const std::string fields = "{\"position\": " + std::to_string(position) +
                               ", \"slot\": " + std::to_string(slot) + ", \"name\": \"" + name + "\"";
    at = r.out.find(fields, at);
    ASSERT_NE(at, std::string::npos) << fields << "\n" << r.out;
    EXPECT_NE(r.out.find("\"size\": " + std::to_string(file->size()) + ",", at), std::string::npos);
  }
  EXPECT_EQ(r.out.find("\"position\": 4"), std::string::npos);
}

TEST_F(VelmoFiles, DownloadStoresTheFileByteForByteAndRestoresTheRate) {
  Simulator sim(link);
  ASSERT_TRUE(sim.ready());
  const fs::path home = dir / "home";
  // Position 2 is the 48,002-byte dive (the speed switch runs first), position 3 the small tide.
  for (int position : {2, 3}) {
    const int slot = 3 - position;
    auto file = model.files().file(slot + 1);
    const std::string csv = (dir / ("export" + std::to_string(position) + ".csv")).string();
    CommandResult r = velmo("download " + std::to_string(position) + " --port " + link +
                            " --baud 9600 --home " + home.string() + " --csv " + csv);
    ASSERT_EQ(r.code, 0) << r.out;
    ASSERT_FALSE(r.out.empty());
    const std::string stored = r.out.substr(0, r.out.size() - 1);
    EXPECT_EQ(fs::path(stored).parent_path(), home / "bakwlr" / "0210012345");

    Bytes bytes = readFile(stored);
    ASSERT_EQ(bytes.size(), DataFileHeader::kSize + file->size());
    auto header = DataFileHeader::decode(bytes.data(), bytes.size());
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->serialNumber(), "0210012345");
    auto entry = file->entry();
    EXPECT_TRUE(std::equal(entry.begin(), entry.end(), header->entry().bytes.begin()));
    EXPECT_EQ(Bytes(bytes.begin() + DataFileHeader::kSize, bytes.end()), file->read(0, file->size()));
    EXPECT_GT(fs::file_size(csv), 0u);
  }
  // Both sides are back at 9600: the logger answers there.
  EXPECT_EQ(velmo("info --port " + link + " --baud 9600").code, 0);
}

TEST_F(VelmoFiles, DownloadOfAPositionNotListedIsAUsageError) {
  Simulator sim(link);
  ASSERT_TRUE(sim.ready());
  EXPECT_EQ(velmo("download 4 --port " + link + " --baud 9600 --home " + (dir / "home").string()).code, 1);
  EXPECT_EQ(velmo("download --home " + (dir / "home").string()).code, 1);
  EXPECT_FALSE(fs::exists(dir / "home" / "bakwlr" / "0210012345"));
}

}  // namespace
}  // namespace ql
