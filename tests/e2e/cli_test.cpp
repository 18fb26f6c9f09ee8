// velmo's headless commands against ql310-sim on a pseudo-terminal: the programs as a user runs them.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

extern char** environ;

namespace {

// Runs a command line through the shell; returns its exit code and standard output.
struct Result {
  int code = -1;
  std::string out;
};

Result run(const std::string& command) {
  Result r;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buffer{};
  std::size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) r.out.append(buffer.data(), n);
  int status = pclose(pipe);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// ql310-sim running in the background with a link at a known path.
class SimulatorProcess {
 public:
  explicit SimulatorProcess(const std::string& link, const std::vector<std::string>& extra = {}) : link_(link) {
    std::vector<std::string> args{QL310_SIM, "--link", link, "--baud", "9600"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn(&pid_, QL310_SIM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; i < 100 && !std::filesystem::exists(link_); ++i) usleep(20000);
  }
  ~SimulatorProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool ready() const { return pid_ > 0 && std::filesystem::exists(link_); }

 private:
  std::string link_;
  pid_t pid_ = -1;
};

std::string tempLink(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(getpid()))).string();
}

TEST(VelmoCommands, FindPrintsThePortAndRateWhereTheLoggerAnswers) {
  std::string link = tempLink("ql310-find");
  SimulatorProcess sim(link);
  ASSERT_TRUE(sim.ready());
  Result r = run("VELMO_EXTRA_PORTS=" + link + " " VELMO " find --timeout 60");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, link + " 9600\n");
}

TEST(VelmoCommands, InfoReportsTheLoggerAsJson) {
  std::string link = tempLink("ql310-info");
  SimulatorProcess sim(link, {"--serial", "230000001"});
  ASSERT_TRUE(sim.ready());
  Result r = run(VELMO " info --port " + link + " --baud 9600 --json --timeout 60");
  ASSERT_EQ(r.code, 0) << r.out;
  for (const char* expected :
       {"\"serial\": \"0230000001\"", "\"model\": \"QL310\"", "\"hardware\": \"1.0.2.0\"", "\"firmware\": \"1.3.1.5\"",
        "\"flash_size\": \"8388608\"", "\"flash_free\": \"7340032 (87.5%)\"", "\"battery_voltage\": \"3.600\"",
        "\"task_running\": false", "\"battery_percent\": \"75\""})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << " in " << r.out;
  EXPECT_NE(r.out.find("\"clock\": \"20"), std::string::npos) << r.out;
}

TEST(VelmoCommands, NoLoggerAndBadUsageHaveTheirExitCodes) {
  EXPECT_EQ(run(VELMO " info --port /dev/does-not-exist --baud 9600 --timeout 2 2>/dev/null").code, 2);
  EXPECT_EQ(run(VELMO " info --baud 12345 2>/dev/null").code, 1);
  EXPECT_EQ(run(VELMO " find --bogus 2>/dev/null").code, 1);
}

}  // namespace
