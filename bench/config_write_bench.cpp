// The configuration write's wall time, from the operator's Yes to the start frame, against the
// sum of its ticks (11 steps on the 150 ms timer). velmo's core runs as in `velmo config set`:
// real serial port with its threads, real event loop, the simulated logger served on a
// pseudo-terminal by ql310-sim's server, paced at the 9600 baud line rate.
//
// usage: config_write_bench [--runs N] [--no-clock-sync]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/session.h"
#include "link/crc.h"
#include "link/register_map.h"
#include "sim/logger_model.h"
#include "sim/pty_server.h"
#include "task/task_write_frames.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Run {
  double yesToStartFrameMs = -1;  // the start frame written to the port
  double yesToFinishMs = -1;      // the finish (start acknowledged, the next tick)
};

Run writeOnce(ql::sim::PtyServer& server, const fs::path& home, bool clockSync) {
  Run run;
  std::ostringstream notices;
  ql::cli::HeadlessSession session(
      notices, [&] { return std::vector<std::string>{server.slavePath()}; }, ql::VelmoHome(home.string()),
      true);
  ql::VelmoProgram& program = session.program;
  ql::cli::Options link;
  link.port = server.slavePath();
  link.baud = 9600;
  if (!ql::cli::connect(session, link, 20000) || !ql::cli::waitForInformation(session, 30000)) {
    std::printf("config write: no logger answered\n");
    return run;
  }
  program.showPage(ql::Page::Configuration);
  session.loop.runUntil([&] { return program.taskRead().finished(); }, 30000);

  ql::task::TaskPage& page = program.taskPage();
  const std::time_t now = std::time(nullptr);
  page.editName("BENCH");
  page.setStart(ql::localDateTime(now + 3600));
  page.setEnd(ql::localDateTime(now + 86400));
  page.chooseWorkMode(ql::task::WorkMode::FixedInterval);
  page.editRecordInterval("60");
  page.setClockSync(clockSync);

  ql::task::TaskWriteSequence& write = program.taskWrite();
  const ql::Bytes startFrame = ql::AppendCrc(ql::reg::writeRequest(ql::reg::kTaskRunState, 0x0001));
  write.start();
  // The question comes at the first tick; the Yes sends step 1 at once.
  session.loop.runUntil([&] { return write.step() >= ql::task::kWriteStopTask || !write.running(); }, 5000);
  const auto yes = Clock::now();
  session.loop.runUntil(
      [&] {
        if (run.yesToStartFrameMs < 0 && program.linkState().LastRequest == startFrame)
          run.yesToStartFrameMs = ms(Clock::now() - yes);
        return !write.running();
      },
      30000);
  if (write.finished()) run.yesToFinishMs = ms(Clock::now() - yes);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  bool clockSync = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--no-clock-sync") {
      clockSync = false;
    } else {
      std::fprintf(stderr, "usage: config_write_bench [--runs N] [--no-clock-sync]\n");
      return 1;
    }
  }
  const fs::path home = fs::temp_directory_path() / ("config-write-bench-" + std::to_string(::getpid()));
  fs::remove_all(home);
  fs::create_directories(home);

  ql::sim::LoggerConfig config;
  config.fileCount = 0;
  ql::sim::LoggerModel model(config);
  ql::sim::PtyOptions options;
  options.paceAtLineRate = true;
  ql::sim::PtyServer server(model, options);
  server.open();
  server.start();

  // Steps sent: 11 with the clock, 10 without; each waits for the tick after its acknowledgement.
  const int steps = clockSync ? 11 : 10;
  const double tickSum = 11 * ql::task::TaskWriteSequence::kTickMs;
  const double ideal = (steps - 1) * ql::task::TaskWriteSequence::kTickMs;
  std::printf(
      "config write at 9600 baud, paced, clock sync %s: %d steps; sum of ticks 11 x %d ms = %.0f ms; "
      "start frame due %.0f ms after Yes when every step is acknowledged within its tick\n",
      clockSync ? "on" : "off", steps, ql::task::TaskWriteSequence::kTickMs, tickSum, ideal);
  std::vector<double> toStart;
  for (int i = 0; i < runs; ++i) {
    const Run run = writeOnce(server, home, clockSync);
    std::printf("  run %d: Yes to start frame %.1f ms, Yes to finish %.1f ms\n", i + 1, run.yesToStartFrameMs,
                run.yesToFinishMs);
    if (run.yesToStartFrameMs >= 0) toStart.push_back(run.yesToStartFrameMs);
  }
  if (!toStart.empty()) {
    std::sort(toStart.begin(), toStart.end());
    std::printf("Yes to start frame: min %.1f ms, median %.1f ms, max %.1f ms (%.2f x the sum of ticks)\n",
                toStart.front(), toStart[toStart.size() / 2], toStart.back(),
                toStart[toStart.size() / 2] / tickSum);
  }
  server.stop();
  fs::remove_all(home);
  return toStart.size() == static_cast<std::size_t>(runs) ? 0 : 1;
}
