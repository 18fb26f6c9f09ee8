#pragma once
// Running the programs as a user would: a command line through the shell, and ql310-sim in the
// background with a link at a known path.

#include <sys/types.h>

#include <string>
#include <vector>

namespace ql::testing {

struct CommandResult {
  int code = -1;  // exit code; -1 when the command did not end normally
  std::string out;
};

// Runs a command line through the shell; its standard output is collected.
CommandResult runCommand(const std::string& commandLine);

class SimulatorProcess {
 public:
  // Starts `simulator --link link --baud 9600` with the extra arguments and waits for the link.
  SimulatorProcess(const std::string& simulator, const std::string& link, const std::vector<std::string>& extra = {});
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;
  bool ready() const;

 private:
  std::string link_;
  pid_t pid_ = -1;
};

}  // namespace ql::testing
