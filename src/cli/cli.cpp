#include "cli/cli.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <ostream>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/session.h"
#include "link/register_map.h"
#include "link/serial_port.h"
#include "runtime/fixed_operator.h"
#include "runtime/real_scheduler.h"
#include "shell/velmo_program.h"

namespace ql::cli {

namespace {

int find(const Options& options, std::ostream& out, std::ostream& err) {
  HeadlessSession session(err, portsToSearch(options), VelmoHome::resolve(""));
  if (!connect(session, options, options.timeoutMs)) {
    err << "velmo: no logger answered\n";
    return kExitNoLogger;
  }
  out << session.program.linkState().ConnectedPort << " " << session.port.baudRate() << "\n";
  return kExitOk;
}

int info(const Options& options, std::ostream& out, std::ostream& err) {
  HeadlessSession session(err, portsToSearch(options), VelmoHome::resolve(""));

  auto started = session.loop.nowMs();
  if (!connect(session, options, options.timeoutMs)) {
    err << "velmo: no logger answered\n";
    return kExitNoLogger;
  }
  const InstrumentInfo& info = session.program.instrumentInfo();
  // The poll ends at its last step, or stops early at a running task.
  if (!waitForInformation(
          session, std::max<std::int64_t>(1000, options.timeoutMs - (session.loop.nowMs() - started)))) {
    err << "velmo: " << informationFailure(session) << "\n";
    return kExitNoLogger;
  }

  const std::pair<const char*, std::string> fields[] = {
      {"serial", info.serialNumber},
      {"model", info.model},
      {"hardware", info.hardwareVersion},
      {"firmware", info.firmwareVersion},
      {"flash_size", info.flashSize},
      {"flash_used", info.flashUsed},
      {"flash_free", info.flashFree},
      {"battery_voltage", info.batteryVoltage},
      {"clock", info.clock},
  };
  if (options.json) {
    out << "{";
    for (const auto& [key, value] : fields) out << jsonString(key) << ": " << jsonString(value) << ", ";
    out << "\"task_running\": " << (info.taskRunning ? "true" : "false") << ", ";
    out << "\"battery_percent\": " << jsonString(info.batteryPercent) << "}\n";
  } else {
    for (const auto& [key, value] : fields) out << key << ": " << value << "\n";
    out << "task_running: " << (info.taskRunning ? "yes" : "no") << "\n";
    out << "battery_percent: " << info.batteryPercent << "\n";
  }
  return kExitOk;
}

// Parses the link options of find and info, then runs the command.
int withLinkOptions(const char* command, int (*run)(const Options&, std::ostream&, std::ostream&),
                    const Arguments& args, std::ostream& out, std::ostream& err) {
  std::string problem;
  std::optional<Options> options = parseOptions(command, args, problem);
  if (!options) {
    err << "velmo " << command << ": " << problem << "\n";
    return kExitUsage;
  }
  return run(*options, out, err);
}

struct CommandEntry {
  const char* name;
  int (*run)(const Arguments&, std::ostream&, std::ostream&);
  const char* usage;
  // The command prints its own usage line on bad usage; exit code 1 may also be a refusal whose
  // reason it printed (config set), which the whole usage would only bury.
  bool printsOwnUsage = false;
};

const CommandEntry kCommands[] = {
    {"find", findCommand, "velmo find [--timeout S]"},
    {"info", infoCommand, "velmo info [--port P] [--baud B] [--json] [--timeout S]"},
    {"files", filesCommand, "velmo files [--port P] [--baud B] [--json] [--timeout S]"},
    {"download", downloadCommand,
     "velmo download POSITION [--port P] [--baud B] [--home DIR] [--csv OUT] [--timeout S]\n"
     "       velmo download --all [--new] [--port P] [--baud B] [--home DIR] [--timeout S]"},
    {"verify", verifyCommand, "velmo verify FILE.wlr"},
    {"clock", clockCommand, "velmo clock [--port P] [--baud B] [--sync] [--json] [--timeout S]"},
    {"export", exportCommand,
     "velmo export FILE.wlr [-o OUT] [--page N] [--density D] [--gravity G] [--offset O] "
     "[--decimals-temperature K] [--decimals-pressure K]"
     " [--baro FILE [--baro-gap S]] [--latitude DEG] [--drift-correct] [--format annotated]"},
    {"config", configCommand,
     "velmo config get [--port P] [--baud B] [--json] [--timeout S]\n"
     "       velmo config set [--port P] [--baud B] --name TEXT --mode fast|interval|average|profile\n"
     "                        --start \"yyyy-mm-dd hh:mm:ss\" --end \"...\" [--rate 1|2|5|10] [--interval "
     "S]\n"
     "                        [--average-count N] [--average-interval TENTHS] [--initial-value KPA]\n"
     "                        [--depth-interval M] [--send-records] [--no-clock-sync] [--timeout S]",
     true},
    {"monitor", monitorCommand, "velmo monitor [--port P] [--baud B] [--count N] [--csv] [--timeout S]",
     true},
    {"update", updateCommand, "velmo update [--check] [--server URL] [--home DIR]", true},
    {"baud", baudCommand, "velmo baud RATE [--port P] [--baud B] [--timeout S]", true},
    {"zero", zeroCommand,
     "velmo zero --temperature DELTA | --pressure DELTA [--port P] [--baud B] [--timeout S]", true},
    {"battery-reset", batteryResetCommand, "velmo battery-reset [--port P] [--baud B] [--timeout S]", true},
    {"calibration", calibrationCommand,
     "velmo calibration fit RECORD.csv [--table pressure|temperature|probe|influence] [--order K] [--json]\n"
     "       velmo calibration backup OUT.CRO [--port P] [--baud B] [--timeout S]\n"
     "       velmo calibration restore IN.CRO [--port P] [--baud B] [--timeout S]\n"
     "       velmo calibration show FILE.CRO",
     true},
    {"paths", pathsCommand, "velmo paths [--home DIR]", true},
};

void printUsage(std::ostream& err) {
  const char* lead = "usage: ";
  for (const CommandEntry& c : kCommands) {
    err << lead << c.usage << "\n";
    lead = "       ";
  }
}

// `velmo COMMAND ... --help` asks for that command's usage; "-h" only right after the name, as
// a later one may be an option's value.
bool asksForHelp(const std::vector<std::string>& args) {
  if (args.size() > 1 && args[1] == "-h") return true;
  return std::find(args.begin() + 1, args.end(), "--help") != args.end();
}

}  // namespace

int findCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  return withLinkOptions("find", find, args, out, err);
}

int infoCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  return withLinkOptions("info", info, args, out, err);
}

bool isSubcommand(const std::string& firstArgument) {
  for (const CommandEntry& c : kCommands)
    if (firstArgument == c.name) return true;
  return false;
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  for (const CommandEntry& c : kCommands)
    if (!args.empty() && args[0] == c.name) {
      if (asksForHelp(args)) {
        out << "usage: " << c.usage << "\n";
        return kExitOk;
      }
      int code = c.run({args.begin() + 1, args.end()}, out, err);
      if (code == kExitUsage && !c.printsOwnUsage) printUsage(err);
      return code;
    }
  printUsage(err);
  return kExitUsage;
}

void printCommands(std::ostream& out) {
  out << "\nheadless commands (each with --help):\n";
  for (const CommandEntry& c : kCommands) {
    // A usage of several lines is laid out under "usage: "; here it moves left with its first line.
    std::string usage = c.usage;
    for (std::size_t at = usage.find("\n       "); at != std::string::npos;
         at = usage.find("\n       ", at + 1))
      usage.replace(at, 8, "\n  ");
    out << "  " << usage << "\n";
  }
}

std::string noDisplayMessage() {
  std::string names;
  for (const CommandEntry& c : kCommands) names += (names.empty() ? "" : "|") + std::string(c.name);
  return "velmo: no display; the window needs a desktop session. Headless commands: velmo " + names +
         " ... (velmo --help)";
}

}  // namespace ql::cli
