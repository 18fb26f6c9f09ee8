#pragma once
// velmo's core linked to a simulated logger on the virtual clock, with the recorded files a test
// puts into the logger, a home of its own and a scripted operator.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "link/crc.h"
#include "link/memory_port.h"
#include "link/register_map.h"
#include "runtime/scripted_operator.h"
#include "runtime/virtual_scheduler.h"
#include "shell/velmo_program.h"
#include "sim/logger_model.h"
#include "sim/recorded_file.h"
#include "sim/simulated_link.h"
#include "support/temp_dir.h"

namespace ql::test {

namespace fs = std::filesystem;

inline constexpr std::time_t kStartTime = 1796900000;

inline sim::LoggerConfig withoutFiles() {
  sim::LoggerConfig config;
  config.fileCount = 0;
  return config;
}

class LoggerFixture : public ::testing::Test {
 protected:
  explicit LoggerFixture(sim::LoggerConfig config = withoutFiles())
      : logger(config, sim::loopClock(loop, kStartTime)) {}
  ~LoggerFixture() override { program.reset(); }

  // Starts velmo; it begins to search.
  VelmoProgram& launch() {
    program = std::make_unique<VelmoProgram>(
        loop, op, port,
        ProgramEnvironment{VelmoHome(home.string(), {QL_TEST_RESOURCE_DIR}),
                           [] { return std::vector<std::string>{"/dev/ttyQL"}; },
                           [this] { return kStartTime + loop.nowMs() / 1000; }});
    program->create();
    EXPECT_TRUE(program->initialise());
    return *program;
  }
  // Starts velmo and lets it find the logger and finish its information poll.
  VelmoProgram& start() {
    launch();
    EXPECT_TRUE(loop.advanceUntil([&] { return pollFinished(); }, 30000))
        << "step " << program->infoPoll().step();
    return *program;
  }
  bool pollFinished() const { return program->linkState().connected() && program->infoPoll().finished(); }

  // Frames written to the logger that begin with prefix.
  std::vector<Bytes> framesSent(const Bytes& prefix) const {
    std::vector<Bytes> frames;
    for (const Bytes& frame : port.writeLog())
      if (startsWith(frame, prefix)) frames.push_back(frame);
    return frames;
  }

  // The data files under bakwlr.
  std::vector<fs::path> storedFiles() const {
    std::vector<fs::path> files;
    if (!fs::exists(home / "bakwlr")) return files;
    for (const auto& entry : fs::recursive_directory_iterator(home / "bakwlr"))
      if (entry.is_regular_file() && entry.path().extension() == ".wlr") files.push_back(entry.path());
    return files;
  }

  static Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // The first length bytes of the stream of file number (slot + 1) as the logger holds it.
  Bytes loggerStream(int number, std::size_t length) const {
    return logger.files().file(number)->read(0, length);
  }

  // Position in the displayed list of the file in slot.
  int positionOfSlot(int slot) const {
    const std::vector<int>& slots = program->fileTable().itemSlots();
    for (std::size_t i = 0; i < slots.size(); ++i)
      if (slots[i] == slot) return static_cast<int>(i);
    return -1;
  }

  std::string text(const std::string& section, const std::string& key) const {
    return program->text(section, key);
  }

  // Three files whose list hides a trap: slot 0 holds an entry that is not a present file
  // (status 0x20) with the newest start of all, so it sorts first without being shown. The list
  // then shows slot 2 and slot 1, while the display order reads 0, 2, 1.
  void putFilesBehindAnUnlistedEntry() {
    logger.files().put(1, startingOn(10));
    logger.files().put(2, startingOn(1));
    logger.files().put(3, startingOn(5));
    logger.addReadHandler({reg::kFileTable, reg::kFileTable}, [this](const sim::Request&) {
      Bytes response{0x01, 0x03, 0x10};
      Bytes entries = logger.files().tableEntries();
      entries[0] = 0x20;
      response.insert(response.end(), entries.begin(), entries.end());
      return sim::Answer{{{AppendCrc(response), 0}}, true, {}};
    });
  }
  static sim::FilePlan startingOn(int dayOfJanuary) {
    sim::FilePlan plan;
    plan.size = 16 * 50 + 2;
    plan.start = sim::loggerTime(2026, 1, dayOfJanuary, 8, 0, 0);
    return plan;
  }

  TempDir scratch{"velmo"};
  fs::path home = scratch.path();
  VirtualScheduler loop;
  MemoryPort port{loop};
  sim::LoggerModel logger;
  sim::SimulatedLink link{loop, port, logger};
  ScriptedOperator op;
  std::unique_ptr<VelmoProgram> program;
};

inline sim::FilePlan fileOfSize(std::uint32_t size, const std::string& name = {}) {
  sim::FilePlan plan;
  plan.size = size;
  plan.name = name;
  return plan;
}

}  // namespace ql::test
