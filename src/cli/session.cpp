#include "cli/session.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "link/port_list.h"
#include "link/register_map.h"

namespace ql::cli {

namespace {

// "title: text", or the text alone when there is no title (the window's notices have none).
FixedOperator::Sink noticesTo(std::ostream& err) {
  return [&err](const std::string& title, const std::string& text) {
    if (!title.empty()) err << title << ": ";
    err << text << '\n';
  };
}

// Nobody is there to answer: a recording logger is read and left recording.
ProgramEnvironment headlessEnvironment(VelmoHome home, PortLister listPorts) {
  ProgramEnvironment env{std::move(home), std::move(listPorts), {}};
  env.askToStopRunningTask = false;
  return env;
}

}  // namespace

HeadlessSession::HeadlessSession(std::ostream& err, PortLister listPorts, VelmoHome home, bool answer)
    : op(answer, noticesTo(err)),
      program(loop, op, port, headlessEnvironment(std::move(home), std::move(listPorts))) {
  program.create();
}

PortLister portsToSearch(const Options& options) {
  if (options.port) return [port = *options.port] { return std::vector<std::string>{port}; };
  return serialPortPaths;
}

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
    // Sysuse.ini may switch the window's search off at start; a command asked to search.
    if (!panel.autoSearch) session.program.setAutoSearch(true);
    session.program.startHeadless();
  }
  return session.loop.runUntil([&] { return session.connected(); }, timeoutMs);
}

bool waitForInformation(HeadlessSession& session, std::int64_t timeoutMs) {
  const InfoPoll& poll = session.program.infoPoll();
  return session.loop.runUntil([&] { return poll.finished() || poll.haltedByRunningTask(); }, timeoutMs);
}

std::string informationFailure(HeadlessSession& session) {
  const InfoPoll& poll = session.program.infoPoll();
  // A logger that answers with a serial number the program refuses is not silent.
  if (poll.step() == InfoPoll::kSerialNumber && !poll.serialNumberRejection().empty())
    return "the logger's serial number was not accepted: " + poll.serialNumberRejection();
  return "the logger stopped answering (information step " + std::to_string(poll.step()) + ")";
}

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
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

}  // namespace ql::cli
