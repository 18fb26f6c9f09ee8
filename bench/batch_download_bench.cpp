// velmo download --all over five files of 1 MiB each at 115200, on the virtual clock against the
// in-process simulated logger (its line carries 10 bits a byte at the line rate): the batch's
// time from the first request to the last file stored, against the sum of the five replies'
// wire times. The batch switches the line speed once and restores it once.
//
// usage: batch_download_bench [--files N] [--kib N]

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "link/memory_port.h"
#include "runtime/scripted_operator.h"
#include "runtime/virtual_scheduler.h"
#include "shell/velmo_program.h"
#include "sim/logger_model.h"
#include "sim/registers.h"
#include "sim/simulated_link.h"

namespace {

namespace fs = std::filesystem;
constexpr std::time_t kStart = 1796900000;

}  // namespace

int main(int argc, char** argv) {
  int files = 5;
  std::uint32_t kib = 1024;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--files" && i + 1 < argc) {
      files = std::stoi(argv[++i]);
    } else if (arg == "--kib" && i + 1 < argc) {
      kib = static_cast<std::uint32_t>(std::stoul(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: batch_download_bench [--files N] [--kib N]\n");
      return 1;
    }
  }
  const fs::path home = fs::temp_directory_path() / ("batch-download-bench-" + std::to_string(::getpid()));
  fs::remove_all(home);
  fs::create_directories(home);

  ql::VirtualScheduler loop;
  ql::MemoryPort port{loop};
  ql::sim::LoggerConfig config;
  config.fileCount = 0;
  ql::sim::LoggerModel logger(config, ql::sim::loopClock(loop, kStart));
  const std::uint32_t size = kib * 1024;
  for (int n = 1; n <= files; ++n) {
    ql::sim::FilePlan plan;
    plan.size = size;
    plan.name = "F" + std::to_string(n);
    plan.start = ql::sim::loggerTime(2026, 1, n, 8, 0, 0);
    logger.files().put(n, plan);
  }
  ql::sim::SimulatedLink link{loop, port, logger};
  ql::ScriptedOperator op;
  ql::VelmoProgram program(loop, op, port,
                           ql::ProgramEnvironment{ql::VelmoHome(home.string(), {QL_RESOURCE_DIR}),
                                                  [] { return std::vector<std::string>{"/dev/ttyQL"}; },
                                                  [&] { return kStart + loop.nowMs() / 1000; }});
  program.create();
  if (!program.initialise()) {
    std::printf("batch: velmo did not start (resources?)\n");
    return 1;
  }
  if (!loop.advanceUntil([&] { return program.linkState().connected() && program.infoPoll().finished(); },
                         60000)) {
    std::printf("batch: no logger answered\n");
    return 1;
  }

  ql::DownloadJob& job = program.download();
  std::int64_t firstRequestMs = -1, lastStoredMs = -1;
  int sound = 0;
  program.downloadProgress().subscribe([&] {
    if (program.downloadProgress().visible && firstRequestMs < 0 &&
        job.phase() == ql::DownloadJob::Phase::Requested)
      firstRequestMs = loop.nowMs();
  });
  job.onBatchFile = [&](int, ql::DownloadJob::Outcome outcome) {
    lastStoredMs = loop.nowMs();
    if (outcome == ql::DownloadJob::Outcome::Stored && job.lastRecord().crcMatch) ++sound;
  };
  const auto wallStarted = std::chrono::steady_clock::now();
  const std::int64_t pressedMs = loop.nowMs();
  if (!program.downloadNewFiles()) {
    std::printf("batch: nothing to fetch\n");
    return 1;
  }
  loop.advanceUntil([&] { return !job.running() && !job.inBatch(); }, 24LL * 3600 * 1000);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStarted).count();

  // Each reply: the 61-byte echo and head, then the stream; 10 bits a byte at the switched rate.
  const double wire = files * (ql::DownloadJob::kHeadSize + size) * 10.0 / ql::sim::kSpeedSwitchRate;
  const double batch = static_cast<double>(lastStoredMs - firstRequestMs) / 1000.0;
  const double pressed = static_cast<double>(lastStoredMs - pressedMs) / 1000.0;
  std::printf(
      "batch of %d files of %u bytes at %u baud: first request to last stored %.2f s (speed switch "
      "included from the press: %.2f s); sum of wire times %.2f s (%+.2f %%); %d stored sound; "
      "%.2f s of computer time\n",
      files, size, ql::sim::kSpeedSwitchRate, batch, pressed, wire, (batch - wire) / wire * 100, sound, wall);
  fs::remove_all(home);
  return sound == files ? 0 : 1;
}
