#include "cli/cli.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <ostream>

#include "cli/commands.h"
#include "cli/options.h"
#include "link/port_list.h"
#include "link/register_map.h"
#include "link/serial_port.h"
#include "runtime/fixed_operator.h"
#include "runtime/real_scheduler.h"
#include "shell/velmo_program.h"

namespace ql::cli {

namespace {


std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

// A velmo without a window: the real serial port on a plain loop.
struct HeadlessSession {
  RealScheduler loop;
  SerialPort port{loop};
  FixedOperator op;
  VelmoProgram program;

  HeadlessSession(std::ostream& err, std::function<std::string(char)> listPorts)
      : op(false, err),
        program(loop, op, port, ProgramEnvironment{VelmoHome(std::string()), std::move(listPorts), {}}) {}

  bool connected() { return program.linkState().connected(); }
};

// Connects either by searching (all ports, or one port at every rate) or, with port and rate,
// the way the connect button does. False when no logger answered in time.
bool connect(HeadlessSession& session, const Options& options, std::int64_t timeoutMs) {
  ConnectionPanel& panel = session.program.connectionPanel();
  if (options.port && options.baud) {
    const auto& rates = reg::kBaudRates;
    auto rate = std::find(std::begin(rates), std::end(rates), *options.baud);
    panel.ports = {*options.port};
    panel.portIndex = 0;
    panel.rateIndex = static_cast<int>(rate - std::begin(rates));
    session.program.startHeadless();
    session.program.setAutoSearch(false);
    session.program.connectManually();
  } else {
    session.program.startHeadless();
  }
  return session.loop.runUntil([&] { return session.connected(); }, timeoutMs);
}

int find(const Options& options, std::ostream& out, std::ostream& err) {
  HeadlessSession session(err, ListSerialPorts);
  if (!connect(session, options, options.timeoutMs)) {
    err << "velmo: no logger answered\n";
    return kExitNoLogger;
  }
  out << session.program.linkState().ConnectedPort << " " << session.port.baudRate() << "\n";
  return kExitOk;
}

int info(const Options& options, std::ostream& out, std::ostream& err) {
  std::function<std::string(char)> listPorts = ListSerialPorts;
  if (options.port) listPorts = [port = *options.port](char sep) { return port + sep; };
  HeadlessSession session(err, listPorts);

  auto started = session.loop.nowMs();
  if (!connect(session, options, options.timeoutMs)) {
    err << "velmo: no logger answered\n";
    return kExitNoLogger;
  }
  InfoPoll& poll = session.program.infoPoll();
  const InstrumentInfo& info = session.program.instrumentInfo();
  const LinkState& state = session.program.linkState();
  // The poll ends at its last step, or stops early at a running task.
  bool done = session.loop.runUntil(
      [&] { return !poll.running() && (state.InfoStep > InfoPoll::kStepLiveValues || info.taskRunning); },
      std::max<std::int64_t>(1000, options.timeoutMs - (session.loop.nowMs() - started)));
  if (!done) {
    err << "velmo: the logger stopped answering (information step " << state.InfoStep << ")\n";
    return kExitNoLogger;
  }

  const std::pair<const char*, std::string> fields[] = {
      {"serial", info.serialNumber},       {"model", info.model},
      {"hardware", info.hardwareVersion},  {"firmware", info.firmwareVersion},
      {"flash_size", info.flashSize},      {"flash_used", info.flashUsed},
      {"flash_free", info.flashFree},      {"battery_voltage", info.batteryVoltage},
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
};

const CommandEntry kCommands[] = {
    {"find", findCommand, "velmo find [--timeout S]"},
    {"info", infoCommand, "velmo info [--port P] [--baud B] [--json] [--timeout S]"},
    {"export", exportCommand,
     "velmo export FILE.wlr [-o OUT] [--page N] [--density D] [--gravity G] [--offset O] "
     "[--decimals-temperature K] [--decimals-pressure K]"},
};

void printUsage(std::ostream& err) {
  const char* lead = "usage: ";
  for (const CommandEntry& c : kCommands) {
    err << lead << c.usage << "\n";
    lead = "       ";
  }
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
      int code = c.run({args.begin() + 1, args.end()}, out, err);
      if (code == kExitUsage) printUsage(err);
      return code;
    }
  printUsage(err);
  return kExitUsage;
}

}  // namespace ql::cli
