// velmo config get [--port P] [--baud B] [--json] [--timeout S]
// velmo config set [--port P] [--baud B] --name TEXT --mode fast|interval|average|profile
//                  --start "yyyy-mm-dd hh:mm:ss" --end "..." [--rate 1|2|5|10] [--interval S]
//                  [--average-count N] [--average-interval TENTHS] [--initial-value KPA]
//                  [--depth-interval M] [--send-records] [--no-clock-sync] [--timeout S]
//
// get: the logging task as page 3 shows it after the configuration read. A recording logger is
// read and left recording (the headless poll stops at it without asking).
// set: reads the task as showing page 3 does, types the given fields into the page (its filters
// apply), then presses the write button with the question answered yes: the same checks in the
// same order, the same write sequence. A refused check prints the page's message and exits 1;
// a written task prints the finishing message; the logger records and the link is given up.

#include <algorithm>
#include <cmath>
#include <map>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "cli/task_options.h"
#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"
#include "task/task_numbers.h"

namespace ql::cli {

namespace {

constexpr const char* kGetUsage = "usage: velmo config get [--port P] [--baud B] [--json] [--timeout S]";
constexpr const char* kSetUsage =
    "usage: velmo config set [--port P] [--baud B] --name TEXT --mode fast|interval|average|profile\n"
    "                        --start \"yyyy-mm-dd hh:mm:ss\" --end \"...\" [--rate 1|2|5|10] [--interval S]\n"
    "                        [--average-count N] [--average-interval TENTHS] [--initial-value KPA]\n"
    "                        [--depth-interval M] [--send-records] [--no-clock-sync] [--timeout S]";

// A write step without its acknowledgement for this long: the logger is gone.
constexpr std::int64_t kWriteStallMs = 10000;

// Connects, waits for the information poll and reads the task as page 3 does. 0 or the exit code
// of the failure (told on err).
int readTask(HeadlessSession& session, const Options& link, const char* command, std::ostream& err) {
  const std::int64_t started = session.loop.nowMs();
  auto left = [&] { return std::max<std::int64_t>(1000, link.timeoutMs - (session.loop.nowMs() - started)); };
  if (!connect(session, link, link.timeoutMs)) {
    err << "velmo " << command << ": no logger answered\n";
    return kExitNoLogger;
  }
  if (!waitForInformation(session, left())) {
    err << "velmo " << command << ": " << informationFailure(session) << "\n";
    return kExitNoLogger;
  }
  VelmoProgram& program = session.program;
  // The first visit to page 3 reads the task of a QL310; the read button reads any logger.
  program.showPage(Page::Configuration);
  if (!program.taskRead().running()) program.readConfiguration();
  if (!program.taskRead().running()) {
    err << "velmo " << command << ": the logger's task cannot be read\n";
    return kExitNoLogger;
  }
  const task::TaskReadSequence& read = program.taskRead();
  if (!session.loop.runUntil([&] { return read.finished(); }, left())) {
    err << "velmo " << command << ": the logger stopped answering (task read step " << read.step() << ")\n";
    return kExitNoLogger;
  }
  return kExitOk;
}

// A field's number as JSON with the page's three decimals, or null when it holds none.
std::string jsonNumber(const std::string& text) {
  const std::optional<double> value = task::parseReal(text);
  return value && std::isfinite(*value) ? formatFixed(*value, 3) : "null";
}

std::string jsonNumber(std::optional<std::int64_t> value) {
  return value ? std::to_string(*value) : std::string("null");
}

void printTask(HeadlessSession& session, bool json, std::ostream& out) {
  VelmoProgram& program = session.program;
  const task::TaskFields& f = program.taskPage().fields();
  const bool running = program.instrumentInfo().taskRunning;
  const task::TaskReadSequence& read = program.taskRead();
  auto ms = [&](std::uint16_t reg) -> std::optional<std::int64_t> {
    const std::optional<std::uint32_t> v =
        reg == reg::kRecordInterval ? read.recordIntervalMs() : read.averageIntervalMs();
    if (v) return *v;
    return std::nullopt;
  };
  const float depthKpa = program.taskPage().writeMemory().depthPressure;
  const std::string depthKpaText = std::isfinite(depthKpa) ? formatFixed(depthKpa, 3) : "null";
  const std::optional<std::int64_t> averageCount = task::parseInteger(f.averageCount);
  if (json) {
    out << "{\"running\": " << (running ? "true" : "false") << ", \"name\": " << jsonString(f.name)
        << ", \"start\": " << jsonString(formatDateTime(f.start))
        << ", \"end\": " << jsonString(formatDateTime(f.end)) << ", \"mode\": "
        << (f.mode == task::WorkMode::None ? std::string("null") : std::to_string(static_cast<int>(f.mode)))
        << ", \"sample_rate\": "
        << (f.sampleRateIndex < 0 ? std::string("null") : jsonString(task::sampleRateText(f.sampleRateIndex)))
        << ", \"record_interval_ms\": " << jsonNumber(ms(reg::kRecordInterval))
        << ", \"average_count\": " << jsonNumber(averageCount)
        << ", \"average_interval_ms\": " << jsonNumber(ms(reg::kAverageInterval))
        << ", \"send_records\": " << (f.sendRecords ? "true" : "false")
        << ", \"initial_value_kpa\": " << jsonNumber(f.initialValue)
        << ", \"depth_interval_kpa\": " << depthKpaText
        << ", \"depth_interval_m\": " << jsonString(f.depthInterval) << "}\n";
    return;
  }
  auto plain = [](std::optional<std::int64_t> v) { return v ? std::to_string(*v) : std::string(); };
  out << "running: " << (running ? "yes" : "no") << "\n"
      << "name: " << f.name << "\n"
      << "start: " << formatDateTime(f.start) << "\n"
      << "end: " << formatDateTime(f.end) << "\n"
      << "mode: "
      << (f.mode == task::WorkMode::None ? std::string() : std::to_string(static_cast<int>(f.mode))) << "\n"
      << "sample_rate: " << task::sampleRateText(f.sampleRateIndex) << "\n"
      << "record_interval_ms: " << plain(ms(reg::kRecordInterval)) << "\n"
      << "average_count: " << plain(averageCount) << "\n"
      << "average_interval_ms: " << plain(ms(reg::kAverageInterval)) << "\n"
      << "send_records: " << (f.sendRecords ? "yes" : "no") << "\n"
      << "initial_value_kpa: " << f.initialValue << "\n"
      << "depth_interval_kpa: " << depthKpaText << "\n"
      << "depth_interval_m: " << f.depthInterval << "\n";
}

int configGet(const Arguments& args, std::ostream& out, std::ostream& err) {
  std::string problem;
  std::optional<Options> link = parseOptions("config get", args, problem);
  if (!link) {
    err << "velmo config get: " << problem << "\n" << kGetUsage << "\n";
    return kExitUsage;
  }
  HeadlessSession session(err, portsToSearch(*link), VelmoHome::resolve(""));
  if (int code = readTask(session, *link, "config get", err)) return code;
  printTask(session, link->json, out);
  return kExitOk;
}

// Types the request into page 3 as the operator would. False (the page's status tells why) when
// the page does not take it as given.
bool fillPage(task::TaskPage& page, const TaskRequest& request, std::string& problem) {
  page.editName(request.name);
  if (!page.setStart(request.start) || !page.setEnd(request.end)) {
    problem = "the logger cannot hold that start or end time";
    return false;
  }
  page.chooseWorkMode(request.mode);
  // Firmware 1.3.1 has no depth profile: the page falls back to average acquisition, which is
  // not the task asked for.
  if (page.fields().mode != request.mode) {
    problem = page.fields().statusText;
    return false;
  }
  if (request.sampleRateIndex) page.chooseSampleRate(*request.sampleRateIndex);
  if (request.recordInterval) {
    if (request.mode == task::WorkMode::AverageAcquisition) {
      page.editAverageRecordInterval(*request.recordInterval);
    } else {
      page.editRecordInterval(*request.recordInterval);
    }
  }
  if (request.averageCount) page.editAverageCount(*request.averageCount);
  if (request.averageInterval) page.editAverageInterval(*request.averageInterval);
  if (request.initialValue) page.editInitialValue(*request.initialValue);
  if (request.depthInterval) page.editDepthInterval(*request.depthInterval);
  page.setSendRecords(request.sendRecords);
  page.setClockSync(request.clockSync);
  return true;
}

int configSet(const Arguments& args, std::ostream& out, std::ostream& err) {
  std::string problem;
  std::optional<ConfigSetArguments> parsed = parseConfigSetArguments(args, problem);
  if (!parsed) {
    err << "velmo config set: " << problem << "\n" << kSetUsage << "\n";
    return kExitUsage;
  }
  // The write's question is answered yes: the command was told to write.
  HeadlessSession session(err, portsToSearch(parsed->link), VelmoHome::resolve(""), true);
  if (int code = readTask(session, parsed->link, "config set", err)) return code;

  VelmoProgram& program = session.program;
  task::TaskPage& page = program.taskPage();
  if (!fillPage(page, parsed->task, problem)) {
    err << "velmo config set: " << problem << "\n";
    return kExitUsage;
  }
  task::TaskWriteSequence& write = program.taskWrite();
  // The write button: its own check first, then the sequence's checks on its first tick.
  if (!write.start()) {
    err << "velmo config set: " << page.fields().statusText << "\n";
    return kExitUsage;
  }
  // A step is sent again every tick until acknowledged; only a logger that stopped answering
  // holds a step this long.
  while (write.running()) {
    const std::int32_t step = write.step();
    if (!session.loop.runUntil([&] { return !write.running() || write.step() != step; }, kWriteStallMs)) {
      err << "velmo config set: the logger did not acknowledge write step " << step << "\n";
      return kExitNoLogger;
    }
  }
  if (!write.finished()) {
    err << "velmo config set: " << page.fields().statusText << "\n";
    return kExitUsage;
  }
  out << program.text("QL310", "ql310_info_writeover") << "\n";
  return kExitOk;
}

}  // namespace

int configCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (!args.empty() && args[0] == "get") return configGet({args.begin() + 1, args.end()}, out, err);
  if (!args.empty() && args[0] == "set") return configSet({args.begin() + 1, args.end()}, out, err);
  err << "velmo config: get or set?\n" << kGetUsage << "\n" << kSetUsage << "\n";
  return kExitUsage;
}

}  // namespace ql::cli
