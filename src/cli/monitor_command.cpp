// velmo monitor [--port P] [--baud B] [--count N] [--csv] [--timeout S]
// Live values once a second, one line per sample as page 1 shows them: time, temperature,
// pressure, third channel, internal temperature. Plain lines separate the fields by two spaces;
// --csv prints a header line, then comma-separated lines. Runs until N samples or Ctrl+C
// (SIGINT or SIGTERM end it after the lines printed so far, with exit 0).
//
// The core polls live values only while live display is on and page 1 is shown: the command
// switches live display on once the logger is linked.

#include <signal.h>

#include <csignal>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "cli/task_options.h"

namespace ql::cli {

namespace {

constexpr const char* kUsage = "usage: velmo monitor [--port P] [--baud B] [--count N] [--csv] [--timeout S]";
// No sample for this long: the logger stopped answering.
constexpr std::int64_t kSampleStallMs = 10000;
// How often the loop looks whether a stop signal came.
constexpr int kSignalCheckMs = 50;

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int) { stopRequested = 1; }

// SIGINT and SIGTERM only raise a flag, which the loop reads; the previous handlers come back at
// the end of the command.
class StopSignals {
 public:
  StopSignals() {
    stopRequested = 0;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousInt_);
    sigaction(SIGTERM, &action, &previousTerm_);
  }
  ~StopSignals() {
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
  }
  bool requested() const { return stopRequested != 0; }

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
};

// The latest sample as one line, with its reception time from the monitor history.
std::string sampleLine(const LiveValues& live, const char* separator) {
  const MonitorHistory& history = live.history();
  const int slot = (history.writeIndex + static_cast<int>(MonitorHistory::kSlots) - 1) %
                   static_cast<int>(MonitorHistory::kSlots);
  const std::array<std::string, 4>& texts = live.monitorTexts();
  std::string line(history.stamp(static_cast<std::size_t>(slot)));
  for (const std::string& value : {live.temperatureText(), live.pressureText(), texts[2], texts[3]})
    line += separator + value;
  return line;
}

}  // namespace

int monitorCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  std::string problem;
  std::optional<MonitorArguments> parsed = parseMonitorArguments(args, problem);
  if (!parsed) {
    err << "velmo monitor: " << problem << "\n" << kUsage << "\n";
    return kExitUsage;
  }
  StopSignals signals;
  HeadlessSession session(err, portsToSearch(parsed->link), VelmoHome::resolve(""));
  const std::int64_t timeoutMs = parsed->link.timeoutMs;
  const std::int64_t started = session.loop.nowMs();
  auto stopped = [&] { return signals.requested(); };
  // The loop wakes regularly to see a stop signal.
  std::unique_ptr<Timer> signalCheck = session.loop.makeTimer(kSignalCheckMs, [] {});
  signalCheck->start();

  if (!connect(session, parsed->link, timeoutMs)) {
    if (stopped()) return kExitOk;
    err << "velmo monitor: no logger answered\n";
    return kExitNoLogger;
  }
  const std::int64_t left = std::max<std::int64_t>(1000, timeoutMs - (session.loop.nowMs() - started));
  if (!session.loop.runUntil(
          [&] {
            const InfoPoll& poll = session.program.infoPoll();
            return stopped() || poll.finished() || poll.haltedByRunningTask();
          },
          left)) {
    err << "velmo monitor: " << informationFailure(session) << "\n";
    return kExitNoLogger;
  }
  if (stopped()) return kExitOk;

  LiveValues& live = session.program.liveValues();
  live.setLiveDisplay(true);
  const char* separator = parsed->csv ? "," : "  ";
  if (parsed->csv) out << "time,temperature,pressure,third_channel,internal_temperature" << std::endl;
  std::int64_t printed = 0;
  while (!parsed->count || printed < *parsed->count) {
    const std::uint64_t seen = live.sampleCount();
    if (!session.loop.runUntil([&] { return stopped() || live.sampleCount() != seen; }, kSampleStallMs)) {
      err << "velmo monitor: the logger stopped sending live values\n";
      return kExitNoLogger;
    }
    if (stopped()) break;
    out << sampleLine(live, separator) << std::endl;
    ++printed;
  }
  return kExitOk;
}

}  // namespace ql::cli
