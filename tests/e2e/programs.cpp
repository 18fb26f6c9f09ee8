#include "programs.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>

extern char** environ;

namespace ql::testing {

CommandResult runCommand(const std::string& commandLine) {
  CommandResult r;
  FILE* pipe = popen(commandLine.c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buffer{};
  std::size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) r.out.append(buffer.data(), n);
  int status = pclose(pipe);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

SimulatorProcess::SimulatorProcess(const std::string& simulator, const std::string& link,
                                   const std::vector<std::string>& extra)
    : link_(link) {
  std::vector<std::string> args{simulator, "--link", link, "--baud", "9600"};
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  if (posix_spawn(&pid_, simulator.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  for (int i = 0; i < 100 && pid_ > 0 && !std::filesystem::exists(link_); ++i) usleep(20000);
}

SimulatorProcess::~SimulatorProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

bool SimulatorProcess::ready() const { return pid_ > 0 && std::filesystem::exists(link_); }

}  // namespace ql::testing
