#include "cli/cli.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <ostream>

#include "cli/options.h"
#include "link/port_list.h"
#include "link/register_map.h"
#include "link/serial_port.h"
#include "runtime/fixed_operator.h"
#include "runtime/real_scheduler.h"
#include "shell/velmo_program.h"

namespace ql::cli {

namespace {

constexpr const char* kUsage =
    "usage: velmo find [--timeout S]\n"
    "       velmo info [--port P] [--baud B] [--json] [--timeout S]\n";

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

int findCommand(const Options& options, std::ostream& out, std::ostream& err) {
  HeadlessSession session(err, ListSerialPorts);
  if (!connect(session, options, options.timeoutMs)) {
    err << "velmo: no logger answered\n";
    return kExitNoLogger;
  }
  out << session.program.linkState().ConnectedPort << " " << session.port.baudRate() << "\n";
  return kExitOk;
}

int infoCommand(const Options& options, std::ostream& out, std::ostream& err) {
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

const std::map<std::string, int (*)(const Options&, std::ostream&, std::ostream&)> kCommands{
    {"find", findCommand},
    {"info", infoCommand},
};

}  // namespace

bool isSubcommand(const std::string& firstArgument) { return kCommands.count(firstArgument) > 0; }

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || !isSubcommand(args[0])) {
    err << kUsage;
    return kExitUsage;
  }
  std::string problem;
  std::optional<Options> options = parseOptions(args[0], {args.begin() + 1, args.end()}, problem);
  if (!options) {
    err << "velmo " << args[0] << ": " << problem << "\n" << kUsage;
    return kExitUsage;
  }
  return kCommands.at(args[0])(*options, out, err);
}

}  // namespace ql::cli
