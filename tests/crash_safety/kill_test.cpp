// Writers killed at random moments: the file under its final name always holds one whole
// generation, never a truncated or mixed one.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "file_writers.h"
#include "runtime/atomic_file.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

// A running rewriting_writer whose standard output is a pipe that reports each completed write.
class Writer {
 public:
  Writer(const std::string& kind, const std::string& path) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(fds[1], STDOUT_FILENO);
      ::close(fds[0]);
      ::close(fds[1]);
      ::execl(QL_REWRITING_WRITER, QL_REWRITING_WRITER, kind.c_str(), path.c_str(), nullptr);
      ::_exit(127);
    }
    ::close(fds[1]);
    reports_ = fds[0];
  }
  ~Writer() {
    if (reports_ >= 0) ::close(reports_);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  bool started() const { return pid_ > 0 && reports_ >= 0; }
  // Blocks until the writer completed a write; false when it ended instead.
  bool awaitWrite() {
    char byte = 0;
    return ::read(reports_, &byte, 1) == 1;
  }
  // SIGKILL; true when that is how the writer ended.
  bool kill() {
    ::kill(pid_, SIGKILL);
    int status = 0;
    return ::waitpid(pid_, &status, 0) == pid_ && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }

 private:
  pid_t pid_ = -1;
  int reports_ = -1;
};

std::string contentOf(const std::string& path) {
  std::string bytes;
  return readWholeFile(path, bytes) ? bytes : std::string("<unreadable>");
}

struct KillCase {
  std::string kind;
  int kills;
};

class KillTest : public ::testing::TestWithParam<KillCase> {};

TEST_P(KillTest, TheFileHoldsTheOldOrTheNewContentAfterEveryKill) {
  const std::string& kind = GetParam().kind;
  test::TempDir dir("ql_kill");
  const auto began = std::chrono::steady_clock::now();
  ASSERT_TRUE(test::writeGeneration(kind, dir.file("reference0"), 0));
  const auto oneWrite = std::chrono::steady_clock::now() - began;
  ASSERT_TRUE(test::writeGeneration(kind, dir.file("reference1"), 1));
  const std::string expected[2] = {contentOf(dir.file("reference0")), contentOf(dir.file("reference1"))};
  ASSERT_NE(expected[0], expected[1]);

  // Kills fall anywhere within the next two writes after the writer's first one.
  const auto spanUs = std::chrono::duration_cast<std::chrono::microseconds>(oneWrite).count() * 2 + 1;
  std::mt19937 random(std::hash<std::string>{}(kind));
  std::uniform_int_distribution<std::int64_t> delayUs(0, spanUs);
  const std::string path = dir.file("target");
  ASSERT_TRUE(test::writeGeneration(kind, path, 0));
  int seen[2] = {0, 0};
  for (int kill = 0; kill < GetParam().kills; ++kill) {
    Writer writer(kind, path);
    ASSERT_TRUE(writer.started());
    ASSERT_TRUE(writer.awaitWrite()) << "the writer failed";
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    ASSERT_TRUE(writer.kill());

    const std::string now = contentOf(path);
    if (now == expected[0]) {
      ++seen[0];
    } else if (now == expected[1]) {
      ++seen[1];
    } else {
      FAIL() << kind << ": after kill " << kill << " the file holds " << now.size() << " bytes, neither "
             << expected[0].size() << " nor " << expected[1].size() << " of a whole generation";
    }
  }
  // Each writer starts with generation 1 and alternates: kills found both generations in place.
  EXPECT_GT(seen[0], 0) << kind;
  EXPECT_GT(seen[1], 0) << kind;
}

// 220 kills; fewer of the 5 MB Sysuse.d, whose every write is long.
INSTANTIATE_TEST_SUITE_P(Writers, KillTest,
                         ::testing::Values(KillCase{"sysuse", 20}, KillCase{"data", 50},
                                           KillCase{"export", 50}, KillCase{"ini", 50},
                                           KillCase{"companion", 50}),
                         [](const auto& info) { return info.param.kind; });

}  // namespace
}  // namespace ql
