#include "sim/pty_server.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "link/crc.h"
#include "support/temp_dir.h"

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
  ql::test::TempDir scratch("ql310-sim-test");
  std::filesystem::path link = scratch.file("link");
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

Bytes fileRequest(int number) {
  return AppendCrc({0x01, 0x03, 0xE0, 0x0E, 0x00, static_cast<std::uint8_t>(number)});
}

// A file stream over the real terminal: all of it, byte for byte; paced, it takes its line time.
TEST(PtyServer, StreamsAFileAsFastAsReadOrAtLineRate) {
  for (bool paced : {false, true}) {
    SCOPED_TRACE(paced);
    LoggerConfig config;
    config.fileCount = 0;
    config.baudRate = 115200;
    LoggerModel model(config);
    std::uint32_t size = paced ? 16 * 256 + 2 : 16 * 20000 + 2;
    model.files().add({RecordKind::Dive, size, "", {}, 0});
    Bytes expected = model.files().file(1)->read(0, size);
    PtyServer server(model, {"", paced});
    server.open();
    server.start();
    int fd = ::open(server.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    setSpeed(fd, B115200);
    const Bytes request = fileRequest(1);
    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    Bytes reply = readFor(fd, 61 + size, 20000);
    auto took = std::chrono::steady_clock::now() - started;
    close(fd);
    ASSERT_EQ(reply.size(), 61u + size);
    EXPECT_EQ(Bytes(reply.begin() + 61, reply.end()), expected);
    // 4163 bytes at 115200 baud take 361 ms on the wire; pacing may be late, never early.
    if (paced) {
      EXPECT_GE(took, std::chrono::milliseconds(330));
    }
  }
}

TEST(PtyServer, LoggerVanishingMidStreamClosesTheLine) {
  LoggerModel model;
  LoggerFaults faults;
  faults.vanishAfterStreamBytes = 100;
  model.setFaults(faults);
  PtyServer server(model);
  server.open();
  server.start();
  int fd = ::open(server.slavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  setSpeed(fd, B9600);
  const Bytes request = fileRequest(1);
  ASSERT_EQ(write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
  Bytes reply = readFor(fd, 161, 5000);
  ASSERT_EQ(reply.size(), 161u);
  // Then the line goes dead: the slave reports a hang-up.
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 5000), 1);
  EXPECT_TRUE(p.revents & POLLHUP);
  EXPECT_TRUE(server.vanished());
  close(fd);
}

}  // namespace
}  // namespace ql::sim
