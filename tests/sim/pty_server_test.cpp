#include "sim/pty_server.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "link/crc.h"

namespace ql::sim {
namespace {

// Reads until want bytes are in or waitMs pass without enough; returns what came.
Bytes readFor(int fd, std::size_t want, int waitMs) {
  Bytes got;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  while (got.size() < want) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    std::uint8_t buffer[256];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    got.insert(got.end(), buffer, buffer + n);
  }
  return got;
}

void setSpeed(int fd, speed_t speed) {
  termios settings{};
  ASSERT_EQ(tcgetattr(fd, &settings), 0);
  cfmakeraw(&settings);
  cfsetispeed(&settings, speed);
  cfsetospeed(&settings, speed);
  ASSERT_EQ(tcsetattr(fd, TCSANOW, &settings), 0);
}

// The real terminal path: a client sets its line speed on the slave, the server sees it.
TEST(PtyServer, AnswersTheProbeAtItsRateOnlyAndLinksThePath) {
  std::filesystem::path link =
      std::filesystem::temp_directory_path() / ("ql310-sim-test-" + std::to_string(getpid()));
  std::filesystem::create_symlink("/nonexistent", link);  // an old link is replaced
  LoggerModel model;
  {
    PtyServer server(model, {link.string(), false});
    server.open();
    EXPECT_EQ(std::filesystem::read_symlink(link), server.slavePath());
    server.start();

    int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    const Bytes probe = AppendCrc(bytesFromHex("01 03 20 02 00 02"));

    setSpeed(fd, B9600);
    ASSERT_EQ(write(fd, probe.data(), probe.size()), static_cast<ssize_t>(probe.size()));
    Bytes answer = readFor(fd, 17, 2000);
    ASSERT_EQ(answer.size(), 17u);
    EXPECT_TRUE(startsWith(answer, concat({probe, bytesFromHex("01 03 04")})));

    setSpeed(fd, B19200);
    ASSERT_EQ(write(fd, probe.data(), probe.size()), static_cast<ssize_t>(probe.size()));
    EXPECT_TRUE(readFor(fd, 1, 300).empty());
    close(fd);
  }
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

}  // namespace
}  // namespace ql::sim
