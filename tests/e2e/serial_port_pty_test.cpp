// The serial port component with its real threads, against pseudo-terminals.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "link/crc.h"
#include "link/line_control.h"
#include "link/register_map.h"
#include "link/serial_port.h"
#include "pty_pair.h"
#include "runtime/real_scheduler.h"
#include "sim/logger_model.h"
#include "sim/pty_server.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

using testing::PtyPair;

struct Received {
  std::vector<Bytes> blocks;
  std::size_t total() const {
    std::size_t n = 0;
    for (const auto& b : blocks) n += b.size();
    return n;
  }
};

class SerialPortPty : public ::testing::Test {
 protected:
  void SetUp() override {
    port.setOnReceiveData([this](const std::uint8_t* data, std::size_t length) {
      received.blocks.emplace_back(data, data + length);
    });
  }
  bool waitForBytes(std::size_t count, int timeoutMs = 3000) {
    return loop.runUntil([&] { return received.total() >= count; }, timeoutMs);
  }

  RealScheduler loop;
  SerialPort port{loop};
  Received received;
};

TEST_F(SerialPortPty, ProbeIsAnsweredOnlyAtTheLoggersRate) {
  sim::LoggerModel logger(sim::LoggerConfig{});
  sim::PtyServer server(logger);
  server.open();
  server.start();
  port.setCommName(server.slavePath());

  const Bytes probe = AppendCrc(reg::probeRequest());
  for (std::uint32_t rate : {19200u, 9600u}) {
    port.setBaudRate(rate);
    if (!port.isOpen()) port.open();
    received.blocks.clear();
    ASSERT_TRUE(port.writeBuffer(probe));
    bool answered = waitForBytes(17, rate == logger.baudRate() ? 3000 : 400);
    if (rate == 9600u) {
      ASSERT_TRUE(answered);
      ASSERT_EQ(received.blocks.size(), 1u);
      const Bytes& reply = received.blocks[0];
      EXPECT_EQ(reply.size(), 17u);
      EXPECT_TRUE(startsWith(reply, concat({probe, Bytes{0x01, 0x03, 0x04}})));
      EXPECT_TRUE(crcIsValid(Bytes(reply.begin() + 8, reply.end())));
    } else {
      EXPECT_FALSE(answered) << "answered at " << rate;
    }
  }
  port.close();
  server.stop();
}

// Run under ThreadSanitizer by the test script: the loop thread changes the line rate, the read
// interval and the null-byte filter while the read thread is in the middle of a stream.
TEST_F(SerialPortPty, SettingsChangeSafelyWhileAStreamRuns) {
  PtyPair pty;
  port.setCommName(pty.slavePath());
  port.open();

  std::atomic<bool> streaming{true};
  std::thread far([&] {
    const std::string chunk(64, 'x');
    while (streaming) {
      (void)!::write(pty.master(), chunk.data(), chunk.size());
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });

  const std::uint32_t rates[] = {9600, 19200, 57600, 115200};
  for (int i = 0; i < 200; ++i) {
    Timeouts timeouts = port.timeouts();
    timeouts.readInterval = 5 + static_cast<std::uint32_t>(i % 4) * 5;
    port.setTimeouts(timeouts);
    LineSettings settings = port.lineSettings();
    settings.baudRate = rates[i % 4];
    settings.ignoreNullChar = i % 2 == 0;
    port.setLineSettings(settings);
    loop.runFor(2);
  }
  streaming = false;
  far.join();
  EXPECT_TRUE(waitForBytes(64));
  port.close();
}

TEST_F(SerialPortPty, ReplySplitByAPauseArrivesAsTwoBlocks) {
  sim::LoggerModel logger(sim::LoggerConfig{});
  sim::LoggerFaults faults;
  faults.splitAt = 5;
  faults.splitPauseMs = 40;
  logger.setFaults(faults);
  sim::PtyServer server(logger);
  server.open();
  server.start();

  port.setCommName(server.slavePath());
  port.open();
  port.writeBuffer(AppendCrc(reg::probeRequest()));
  ASSERT_TRUE(waitForBytes(17));
  ASSERT_EQ(received.blocks.size(), 2u);
  EXPECT_EQ(received.blocks[0].size(), 5u);
  EXPECT_EQ(received.blocks[1].size(), 12u);
  port.close();
  server.stop();
}

TEST_F(SerialPortPty, BytesWithoutAGapFormOneBlockAndLargeBurstsAreCutAt2048) {
  PtyPair pty;
  port.setCommName(pty.slavePath());
  port.open();
  std::string burst(5000, '\x55');
  burst[0] = '\x00';
  ASSERT_EQ(::write(pty.master(), burst.data(), burst.size()), ssize_t(burst.size()));
  ASSERT_TRUE(waitForBytes(burst.size()));
  EXPECT_EQ(received.total(), 5000u);
  for (const Bytes& block : received.blocks) EXPECT_LE(block.size(), SerialPort::kBlockSize);
  EXPECT_EQ(received.blocks.front()[0], 0x00);  // zero bytes are ordinary content
}

// serulo's setting: a growing block is handed over in pieces long before the line goes quiet;
// the block still ends at the quiet interval, with a piece that says so.
TEST_F(SerialPortPty, PieceDeliveryHandsOverAGrowingBlockAndMarksItsEnd) {
  struct Piece {
    Bytes data;
    bool blockEnds;
  };
  std::vector<Piece> pieces;
  port.setPieceDelivery(8, [&](const std::uint8_t* data, std::size_t length, bool blockEnds) {
    pieces.push_back({Bytes(data, data + length), blockEnds});
  });
  Timeouts timeouts;
  timeouts.readInterval = 300;  // the block cannot end while the test writes
  port.setTimeouts(timeouts);
  PtyPair pty;
  port.setCommName(pty.slavePath());
  port.open();

  Bytes sent;
  for (std::uint8_t first : {0x10, 0x80}) {
    const std::size_t before = pieces.size();
    Bytes chunk(100);
    for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<std::uint8_t>(first + i);
    ASSERT_EQ(::write(pty.master(), chunk.data(), chunk.size()), ssize_t(chunk.size()));
    sent.insert(sent.end(), chunk.begin(), chunk.end());
    ASSERT_TRUE(loop.runUntil([&] { return pieces.size() > before; }, 3000));
    EXPECT_FALSE(pieces.back().blockEnds);
  }
  ASSERT_TRUE(loop.runUntil([&] { return !pieces.empty() && pieces.back().blockEnds; }, 3000));
  Bytes joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    joined.insert(joined.end(), pieces[i].data.begin(), pieces[i].data.end());
    EXPECT_EQ(pieces[i].blockEnds, i + 1 == pieces.size()) << "piece " << i;
  }
  EXPECT_EQ(joined, sent);
  EXPECT_TRUE(received.blocks.empty());  // the receive handler is not used alongside
  port.close();
}

TEST_F(SerialPortPty, WritesGoOutInCallOrder) {
  PtyPair pty;
  port.setCommName(pty.slavePath());
  port.open();
  std::string expected;
  for (int i = 0; i < 50; ++i) {
    std::string piece = std::to_string(i) + ",";
    expected += piece;
    ASSERT_TRUE(port.writeBuffer(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()));
  }
  std::string got;
  for (int tries = 0; tries < 50 && got.size() < expected.size(); ++tries) got += pty.readSome(100);
  EXPECT_EQ(got, expected);
}

TEST_F(SerialPortPty, WriteBufferRefusesEmptyDataAndAClosedPort) {
  PtyPair pty;
  const std::uint8_t byte = 0x42;
  EXPECT_FALSE(port.writeBuffer(&byte, 1));  // never opened
  port.setCommName(pty.slavePath());
  port.open();
  EXPECT_FALSE(port.writeBuffer(&byte, 0));
  port.close();
  EXPECT_FALSE(port.writeBuffer(&byte, 1));
  EXPECT_EQ(pty.readSome(50), "");
}

TEST_F(SerialPortPty, LineSettingsChangeAtOnceOnAnOpenPort) {
  PtyPair pty;
  port.setCommName(pty.slavePath());
  port.setBaudRate(9600);
  port.open();
  EXPECT_EQ(readLineSpeed(pty.master()), 9600u);
  for (std::uint32_t rate : {115200u, 691200u, 1000000u, 4800u}) {
    port.setBaudRate(rate);
    EXPECT_EQ(readLineSpeed(pty.master()), rate);
  }
  LineSettings settings = port.lineSettings();
  settings.parity = Parity::Even;
  settings.byteSize = ByteSize::Seven;
  settings.stopBits = StopBits::Two;
  port.setLineSettings(settings);  // a pseudo-terminal has no modem lines: still fine
  EXPECT_TRUE(port.isOpen());
  EXPECT_EQ(readLineSpeed(pty.master()), 4800u);
}

TEST_F(SerialPortPty, CloseWithAPendingLargeWriteReturnsPromptly) {
  PtyPair pty;  // nobody reads the master: the write blocks once the driver queue is full
  port.setCommName(pty.slavePath());
  port.open();
  Bytes big(4 * 1024 * 1024, 0xAA);
  ASSERT_TRUE(port.writeBuffer(big));
  ASSERT_TRUE(port.writeBuffer(big));
  loop.runFor(50);
  EXPECT_FALSE(port.sendDataEmpty());
  auto before = std::chrono::steady_clock::now();
  port.close();
  auto took = std::chrono::steady_clock::now() - before;
  // A hang would take forever; anything near-instant passes.
  EXPECT_LT(took, std::chrono::seconds(2));
  EXPECT_TRUE(port.sendDataEmpty());
  // The port opens again and works.
  port.open();
  EXPECT_TRUE(port.isOpen());
}

TEST_F(SerialPortPty, OpenFailuresGiveTheirTextAndLeaveThePortUsable) {
  PtyPair pty;
  auto openError = [&](const std::string& path) -> std::string {
    port.setCommName(path);
    try {
      port.open();
    } catch (const SerialPortError& e) {
      return e.what();
    }
    return "opened";
  };

  EXPECT_EQ(openError("/dev/does-not-exist-ql310"), "Error opening serial port");
  EXPECT_FALSE(port.isOpen());

  const ql::test::TempDir scratch("ql310-not-a-tty");
  const std::string file = scratch.file("plain.txt");
  std::ofstream(file) << "plain file";
  EXPECT_EQ(openError(file), "File handle is not a comm handle ");
  EXPECT_FALSE(port.isOpen());

  EXPECT_EQ(openError(pty.slavePath()), "opened");
  EXPECT_EQ(openError(pty.slavePath()), "This serial port already opened");
  EXPECT_TRUE(port.isOpen());  // still open and working
  port.writeBuffer(Bytes{0x31});
  EXPECT_EQ(pty.readSome(1000), "1");

  // A second program (here a second component) finds the port busy.
  SerialPort other(loop);
  other.setCommName(pty.slavePath());
  try {
    other.open();
    ADD_FAILURE() << "a port in use opened twice";
  } catch (const SerialPortError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Error opening serial port", 0), 0u) << e.what();
    EXPECT_EQ(e.failure(), PortFailure::Busy);
  }
  EXPECT_FALSE(other.isOpen());
}

TEST_F(SerialPortPty, PeerHangUpIsReportedOnce) {
  int hangups = 0;
  port.setOnRequestHangup([&] { ++hangups; });
  std::string path;
  {
    sim::LoggerModel logger(sim::LoggerConfig{});
    sim::PtyServer server(logger);
    server.open();
    path = server.slavePath();
    port.setCommName(path);
    port.open();
    server.start();
    server.stop();
  }  // the server closes its master: the line is gone
  EXPECT_TRUE(loop.runUntil([&] { return hangups > 0; }, 3000));
  loop.runFor(50);
  EXPECT_EQ(hangups, 1);
  port.close();
}

}  // namespace
}  // namespace ql
