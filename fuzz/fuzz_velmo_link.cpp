// velmo's core behind the receive dispatcher. The program is started against the simulated logger
// on the virtual clock and put into one link state; then the logger falls silent and the input,
// split into blocks, arrives in its place, with time passing between the blocks so that waits and
// repeats run as well.
//
// Input: one byte choosing the state, then per block a byte of delay (x 10 ms), two bytes of
// length and the block's bytes.

#include <unistd.h>

#include <filesystem>
#include <memory>

#include "input_reader.h"
#include "link/memory_port.h"
#include "runtime/formats.h"
#include "runtime/scripted_operator.h"
#include "runtime/virtual_scheduler.h"
#include "shell/velmo_program.h"
#include "sim/logger_model.h"
#include "sim/simulated_link.h"

namespace {

namespace fs = std::filesystem;
using namespace ql;

constexpr std::time_t kStartTime = 1796900000;

enum class LinkPhase {
  Searching,
  AwaitingManualAnswer,
  Polling,
  Connected,
  TaskRead,
  TaskWrite,
  Downloading,
  SettingsReads,
  CalibrationOpen,
  CalibrationCoefficientRead,
  CalibrationBlockRead,
  CalibrationCoefficientWrite,
  kCount
};

// velmo's home, made afresh for every input and removed when the process ends.
const fs::path& home() {
  struct Home {
    fs::path path = fs::temp_directory_path() / ("ql310-fuzz-velmo-" + std::to_string(::getpid()));
    ~Home() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  };
  static const Home home;
  return home.path;
}

sim::LoggerConfig loggerWithOneFile() {
  sim::LoggerConfig config;
  config.fileCount = 1;
  return config;
}

struct Rig {
  VirtualScheduler loop;
  MemoryPort port{loop};
  sim::LoggerModel logger{loggerWithOneFile(), sim::loopClock(loop, kStartTime)};
  sim::SimulatedLink link{loop, port, logger};
  ScriptedOperator op;
  std::unique_ptr<VelmoProgram> program;

  Rig() {
    fs::remove_all(home());
    fs::create_directories(home());
    program = std::make_unique<VelmoProgram>(
        loop, op, port,
        ProgramEnvironment{VelmoHome(home().string(), {QL_FUZZ_RESOURCE_DIR}),
                           [] { return std::vector<std::string>{"/dev/ttyQL"}; },
                           [this] { return kStartTime + loop.nowMs() / 1000; }});
    program->create();
    program->initialise();
  }
  ~Rig() { program.reset(); }

  bool connected() { return program->linkState().connected() && program->infoPoll().finished(); }
  void waitConnected() {
    loop.advanceUntil([&] { return connected(); }, 30000);
  }

  void enter(LinkPhase phase) {
    VelmoProgram& velmo = *program;
    switch (phase) {
      case LinkPhase::Searching:
        loop.advance(50);
        return;
      case LinkPhase::AwaitingManualAnswer:
        velmo.setAutoSearch(false);
        velmo.connectManually();
        return;
      case LinkPhase::Polling:
        loop.advanceUntil([&] { return velmo.linkState().connected(); }, 30000);
        return;
      case LinkPhase::Connected:
        waitConnected();
        return;
      case LinkPhase::TaskRead:
        waitConnected();
        velmo.showPage(Page::Configuration);
        return;
      case LinkPhase::TaskWrite: {
        waitConnected();
        velmo.showPage(Page::Configuration);
        loop.advanceUntil([&] { return velmo.taskRead().finished(); }, 30000);
        task::TaskPage& page = velmo.taskPage();
        page.editName("TIDE");
        page.setStart(localDateTime(kStartTime + loop.nowMs() / 1000 + 3600));
        page.setEnd(localDateTime(kStartTime + loop.nowMs() / 1000 + 25 * 3600));
        page.chooseWorkMode(task::WorkMode::FixedInterval);
        page.editRecordInterval("60");
        op.answerYesNo(true);
        velmo.writeConfiguration();
        return;
      }
      case LinkPhase::Downloading:
        waitConnected();
        velmo.startDownload(0);
        loop.advance(300);
        return;
      case LinkPhase::SettingsReads:
        waitConnected();
        velmo.showSystemSettings();
        return;
      case LinkPhase::CalibrationOpen:
        waitConnected();
        velmo.calibration().show();
        loop.advance(300);
        return;
      case LinkPhase::CalibrationCoefficientRead:
        waitConnected();
        velmo.calibration().show();
        loop.advance(300);
        velmo.calibration().readCoefficients();
        return;
      case LinkPhase::CalibrationBlockRead:
        waitConnected();
        velmo.calibration().show();
        loop.advance(300);
        velmo.calibration().readParameterBlock();
        return;
      case LinkPhase::CalibrationCoefficientWrite:
        waitConnected();
        velmo.calibration().show();
        loop.advance(300);
        velmo.calibration().readCoefficients();
        loop.advance(3000);
        op.answerYesNo(true);
        velmo.calibration().writeCoefficients();
        return;
      case LinkPhase::kCount:
        return;
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputReader input(data, size);
  const auto phase = static_cast<LinkPhase>(input.byte() % static_cast<int>(LinkPhase::kCount));
  Rig rig;
  rig.enter(phase);
  // The logger falls silent; from here on the input is all the program hears.
  rig.port.setDevice([](const Bytes&, std::uint32_t) {});
  for (int blocks = 0; !input.empty() && blocks < 64; ++blocks) {
    const int delayMs = input.byte() * 10;
    const std::vector<std::uint8_t> block = input.take(input.number16());
    if (!block.empty()) rig.port.deliver(block, delayMs);
    rig.loop.advance(delayMs + 1);
  }
  // Whatever the blocks left half done times out.
  rig.loop.advance(20000);
  return 0;
}
