// velmo clock [--port P] [--baud B] [--sync] [--json] [--timeout S]
// The logger's clock beside the computer's and the offset between them (logger minus computer).
// --sync writes the computer's time as the double-click on the clock field does (three sends,
// then the clock is read back) and tells whether the logger now agrees within 2 s. A logger that
// is recording is read (and synchronised), never stopped.

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "runtime/formats.h"

namespace ql::cli {

namespace {

// After a synchronisation the logger's clock may differ from the computer's by this much.
constexpr std::int64_t kSyncedWithinSeconds = 2;

struct ClockReport {
  std::string clock;    // the logger's, as the clock field shows it
  std::string pcClock;  // the computer's at the same moment
  std::optional<std::int64_t> offsetSeconds;
  bool syncRequested = false;
  bool synced = false;
  std::string clockAfterSync;
};

// The logger's clock as its answer showed it, and the computer's at that moment. Between reads
// the clock field ticks on a second at a time, out of phase with the logger, so it is taken
// when the answer comes.
struct ClockReading {
  std::string clock;
  std::time_t pc = 0;
  bool taken = false;
};

// Records every clock answer, of the information poll or of the read after a synchronisation.
void recordClockAnswers(VelmoProgram& program, ClockReading& reading) {
  program.instrumentInfo().subscribe([&program, &reading] {
    const InfoPoll& poll = program.infoPoll();
    const ClockRead& read = program.clockCheck().clockRead();
    const bool answered = (poll.running() && poll.step() == InfoPoll::kClock) ||
                          (read.active() && read.step() == ClockRead::kClock);
    if (!answered) return;
    reading = {program.instrumentInfo().clock, program.clockCheck().pcTime(), true};
  });
}

ClockReport compare(const ClockReading& reading) {
  ClockReport report;
  report.clock = reading.clock;
  report.pcClock = formatDateTime(localDateTime(reading.pc));
  report.offsetSeconds = ClockCheck::offsetSeconds(reading.clock, reading.pc);
  return report;
}

void print(const ClockReport& report, bool json, std::ostream& out) {
  const std::string offset = report.offsetSeconds ? std::to_string(*report.offsetSeconds) : "";
  if (json) {
    out << "{\"clock\": " << jsonString(report.clock) << ", \"pc_clock\": " << jsonString(report.pcClock)
        << ", \"offset_s\": " << (offset.empty() ? "null" : offset)
        << ", \"synced\": " << (report.synced ? "true" : "false") << "}\n";
    return;
  }
  out << "clock: " << report.clock << "\n";
  out << "pc_clock: " << report.pcClock << "\n";
  out << "offset_s: " << offset << "\n";
  out << "synced: " << (report.synced ? "yes" : "no") << "\n";
  if (report.syncRequested) out << "clock_after_sync: " << report.clockAfterSync << "\n";
}

}  // namespace

int clockCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  std::string problem;
  std::optional<Options> options = parseOptions("clock", args, problem);
  if (!options) {
    err << "velmo clock: " << problem << "\n";
    return kExitUsage;
  }

  ClockReading reading;
  HeadlessSession session(err, portsToSearch(*options), VelmoHome::resolve(""));
  recordClockAnswers(session.program, reading);
  const std::int64_t started = session.loop.nowMs();
  const auto timeLeft = [&] {
    return std::max<std::int64_t>(1000, options->timeoutMs - (session.loop.nowMs() - started));
  };
  if (!connect(session, *options, options->timeoutMs)) {
    err << "velmo clock: no logger answered\n";
    return kExitNoLogger;
  }
  // The poll reads the clock before it stops at a running task, so a recording logger is read too.
  if (!waitForInformation(session, timeLeft())) {
    err << "velmo clock: " << informationFailure(session) << "\n";
    return kExitNoLogger;
  }
  if (!reading.taken) {
    err << "velmo clock: the logger's clock was not read\n";
    return kExitNoLogger;
  }
  ClockReport report = compare(reading);
  if (!options->sync) {
    print(report, options->json, out);
    return kExitOk;
  }

  report.syncRequested = true;
  ClockCheck& check = session.program.clockCheck();
  reading = {};
  session.program.synchroniseClock();
  if (!session.loop.runUntil([&] { return !check.synchronising() && check.clockRead().finished(); },
                             timeLeft())) {
    err << "velmo clock: the logger did not answer the clock read after the synchronisation\n";
    return kExitNoLogger;
  }
  const ClockReport after = compare(reading);
  report.clockAfterSync = after.clock;
  report.synced = after.offsetSeconds && std::llabs(*after.offsetSeconds) <= kSyncedWithinSeconds;
  print(report, options->json, out);
  if (!report.synced) {
    err << "velmo clock: the logger's clock reads " << after.clock
        << " after the synchronisation, the computer's " << after.pcClock << "\n";
    return kExitNoLogger;
  }
  return kExitOk;
}

}  // namespace ql::cli
