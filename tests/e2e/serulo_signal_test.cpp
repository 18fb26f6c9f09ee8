// serulo stopped by SIGTERM or SIGINT, as a session manager or Ctrl+C in its terminal stops it:
// the window closes as if the user closed it, so the remembered settings are saved.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "assistant/assistant_settings.h"
#include "runtime/ini_file.h"
#include "support/temp_dir.h"

extern char** environ;

namespace ql {
namespace {

namespace fs = std::filesystem;

// True once the process has a handler for the signal (the SigCgt mask in /proc), so a signal
// sent then is not the default action that ends it on the spot.
bool catches(pid_t pid, int signal) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
  return false;
}

// The exit status of pid once it ended, or -1 when it still runs after the deadline (it is then killed).
int waitForExit(pid_t pid, std::chrono::seconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  int status = 0;
  while (std::chrono::steady_clock::now() < end) {
    if (::waitpid(pid, &status, WNOHANG) == pid)
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return -1;
}

class SeruloStopSignal : public ::testing::TestWithParam<int> {
 protected:
  SeruloStopSignal() {
    fs::create_directories(dir);
  }

  // serulo in dir, where it finds (and keeps) serulo.ini, on the offscreen platform.
  pid_t start() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(SERULO), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, SERULO, &actions, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  ql::test::TempDir scratch{"serulo-signal"};
  fs::path dir = scratch.path();
};

TEST_P(SeruloStopSignal, ClosesTheWindowAndSavesTheRememberedSettings) {
  AssistantSettings stored = defaultAssistantSettings();
  stored.rememberInterface = true;
  stored.portName = "/nonexistent/ttyQL0";
  stored.baudText = "57600";
  stored.sendText = "A1 B2 C3";
  const std::string settings = (dir / "serulo.ini").string();
  IniFile ini;
  writeInterfaceSettings(ini, stored);
  // Only the exit steps put it back.
  ini.removeKey("System_Set", "Auto_Send");
  ASSERT_TRUE(ini.save(settings));

  const pid_t pid = start();
  ASSERT_GT(pid, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!catches(pid, GetParam()) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(catches(pid, GetParam()));
  // At once: a signal that comes before the start-up step waits for it.
  ::kill(pid, GetParam());
  EXPECT_EQ(waitForExit(pid, std::chrono::seconds(30)), 0);

  IniFile saved;
  ASSERT_TRUE(saved.load(settings));
  EXPECT_EQ(saved.readInt("System_Set", "Auto_Send", -1), 1000);
  const AssistantSettings after = readAssistantSettings(saved);
  // What was restored is what was saved, not the controls' defaults.
  EXPECT_TRUE(after.rememberInterface);
  EXPECT_EQ(after.portName, stored.portName);
  EXPECT_EQ(after.baudText, "57600");
  EXPECT_EQ(after.sendText, "A1 B2 C3");
}

INSTANTIATE_TEST_SUITE_P(TermAndInt, SeruloStopSignal, ::testing::Values(SIGTERM, SIGINT));

}  // namespace
}  // namespace ql
