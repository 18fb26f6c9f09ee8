#pragma once
// What the headless commands that talk to a logger share: velmo without a window on a plain loop
// with the real serial port, connecting by search or by port and rate, and JSON text.

#include <cstdint>
#include <iosfwd>
#include <string>

#include "cli/options.h"
#include "link/port_list.h"
#include "link/serial_port.h"
#include "runtime/fixed_operator.h"
#include "runtime/real_scheduler.h"
#include "shell/velmo_program.h"

namespace ql::cli {

// A velmo without a window, on velmo's home: its language for every notice, its start-up
// switches, and link.ini (where a logger answered last: the search tries it first, and a command
// that connects writes it). sysuse.d is read, never written. Questions are answered No (or, for a
// command that was told to act, Yes) and reported to err; file dialogs are cancelled.
struct HeadlessSession {
  RealScheduler loop;
  SerialPort port{loop};
  FixedOperator op;
  VelmoProgram program;

  HeadlessSession(std::ostream& err, PortLister listPorts, VelmoHome home, bool answer = false);
  bool connected() const { return program.linkState().connected(); }
};

// The ports a search walks: only the given port, or the system's.
PortLister portsToSearch(const Options& options);

// Connects either by searching (all ports, or one port at every rate) or, with port and rate,
// the way the connect button does. False when no logger answered in time.
bool connect(HeadlessSession& session, const Options& options, std::int64_t timeoutMs);

// Waits until the information poll has ended, or stopped at a running task. False on timeout.
bool waitForInformation(HeadlessSession& session, std::int64_t timeoutMs);
// Why waitForInformation gave up, for the error line.
std::string informationFailure(HeadlessSession& session);

// text as a JSON string literal.
std::string jsonString(const std::string& text);

}  // namespace ql::cli
