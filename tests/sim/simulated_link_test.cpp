#include "sim/simulated_link.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "link/codecs.h"
#include "link/crc.h"
#include "link/serial_port.h"
#include "runtime/virtual_scheduler.h"
#include "sim/registers.h"

namespace ql::sim {
namespace {

const Bytes kProbe = AppendCrc(bytesFromHex("01 03 20 02 00 02"));

struct Block {
  Bytes bytes;
  std::int64_t atMs;
};

// A program-side port at 9600 talking to a simulated logger on the virtual clock.
class SimulatedLinkTest : public ::testing::Test {
 protected:
  SimulatedLinkTest() : port(loop), link(loop, port, model) {
    port.setOnReceiveData([this](const std::uint8_t* data, std::size_t length) {
      blocks.push_back({Bytes(data, data + length), loop.nowMs()});
    });
    port.setOnRequestHangup([this] { ++hangups; });
    port.setBaudRate(9600);
    port.open();
  }

  VirtualScheduler loop;
  MemoryPort port;
  LoggerModel model;
  SimulatedLink link;
  std::vector<Block> blocks;
  int hangups = 0;
};

TEST_F(SimulatedLinkTest, ReplyArrivesAsOneBlockAfterTheLineDelay) {
  ASSERT_TRUE(port.writeBuffer(kProbe));
  loop.runPending();
  EXPECT_TRUE(blocks.empty());  // never within the write
  loop.advance(100);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].bytes.size(), 17u);
  EXPECT_TRUE(startsWith(blocks[0].bytes, concat({kProbe, bytesFromHex("01 03 04")})));
  // 5 ms + 17 bytes at 9600 baud (17.7 ms).
  EXPECT_EQ(blocks[0].atMs, SimulatedLink::kLineDelayMs + 18);
  EXPECT_EQ(port.writeLog(), std::vector<Bytes>{kProbe});
}

TEST_F(SimulatedLinkTest, SplitReplyArrivesAsTwoBlocksThePauseApart) {
  LoggerFaults faults;
  faults.splitAt = 8;
  model.setFaults(faults);
  port.writeBuffer(kProbe);
  loop.advance(200);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].bytes, kProbe);
  EXPECT_EQ(blocks[1].bytes.size(), 9u);
  EXPECT_GE(blocks[1].atMs - blocks[0].atMs, 40);
}

TEST_F(SimulatedLinkTest, PortFollowsTheSpeedSwitch) {
  port.writeBuffer(AppendCrc(bytesFromHex("01 10 11 02 00 01 02 F0 F0")));
  loop.advance(100);
  ASSERT_EQ(blocks.size(), 1u);
  ASSERT_EQ(blocks[0].bytes.size(), 23u);
  port.setBaudRate(BeU32(blocks[0].bytes.data() + 17));
  port.writeBuffer(kProbe);
  loop.advance(100);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[1].bytes.size(), 17u);
}

TEST_F(SimulatedLinkTest, ClosingDiscardsBlocksStillOnTheLine) {
  port.writeBuffer(kProbe);
  port.close();
  port.open();
  loop.advance(100);
  EXPECT_TRUE(blocks.empty());
  EXPECT_FALSE(port.writeBuffer(Bytes{}));
}

TEST_F(SimulatedLinkTest, VanishingLoggerHangsUpTheLine) {
  LoggerFaults faults;
  faults.vanish = true;
  model.setFaults(faults);
  port.writeBuffer(kProbe);
  loop.advance(100);
  EXPECT_EQ(hangups, 1);
  EXPECT_TRUE(blocks.empty());
  EXPECT_FALSE(port.writeBuffer(kProbe));
  port.close();
  try {
    port.open();
    FAIL() << "a vanished port must not open";
  } catch (const SerialPortError& error) {
    EXPECT_STREQ(error.what(), port_errors::kOpenFailed);
  }
}

Bytes fileRequest(int number) {
  return AppendCrc({0x01, 0x03, 0xE0, 0x0E, 0x00, static_cast<std::uint8_t>(number)});
}

Bytes joinedBlocks(const std::vector<Block>& blocks) {
  Bytes all;
  for (const Block& b : blocks) all.insert(all.end(), b.bytes.begin(), b.bytes.end());
  return all;
}

TEST_F(SimulatedLinkTest, FileDataHeadSplitFortyAndRest) {
  LoggerFaults faults;
  faults.splitAt = 40;
  model.setFaults(faults);
  port.writeBuffer(fileRequest(1));
  loop.advance(5000);
  ASSERT_GE(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].bytes.size(), 40u);
  EXPECT_GE(blocks[1].atMs - blocks[0].atMs, 40);
  const RecordedFile& file = *model.files().file(1);
  Bytes all = joinedBlocks(blocks);
  ASSERT_EQ(all.size(), 61 + file.size());
  EXPECT_EQ(Bytes(all.begin() + 61, all.end()), file.read(0, file.size()));
}

// A small file's whole reply leaves in one block: the program gets it complete at once.
TEST_F(SimulatedLinkTest, SmallFileArrivesInOneBlock) {
  model.files().put(5, {RecordKind::Dive, 16 * 20 + 2, "", {}, 0});
  port.writeBuffer(fileRequest(5));
  loop.advance(1000);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].bytes.size(), 61u + 16 * 20 + 2);
}

// Erasing everything on the loop's clock: the logger answers again only when it is done.
TEST_F(SimulatedLinkTest, EraseAllAnswersAgainOnlyAfterItsDelay) {
  const Bytes eraseAll = AppendCrc(bytesFromHex("01 10 E0 0D 00 01 02 F0 F0"));
  const Bytes flashUsed = AppendCrc(bytesFromHex("01 03 E0 03 00 02"));
  port.writeBuffer(eraseAll);
  loop.advance(200);
  ASSERT_EQ(blocks.size(), 1u);  // the acknowledgement
  std::int64_t erasedAt = loop.nowMs() - 200;
  // The program's repeats and then its poll, every second: silence until the erase is over.
  for (int i = 0; i < 2; ++i) {
    port.writeBuffer(eraseAll);
    loop.advance(200);
  }
  std::int64_t lastAskedAt = 0;
  for (int second = 0; second < 150 && blocks.size() == 1; ++second) {
    lastAskedAt = loop.nowMs();
    port.writeBuffer(flashUsed);
    loop.advance(1000);
  }
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_GE(lastAskedAt - erasedAt, LoggerConfig{}.eraseAllMs);
  EXPECT_LT(lastAskedAt - erasedAt, LoggerConfig{}.eraseAllMs + 1000);
  EXPECT_EQ(BeU32(blocks[1].bytes.data() + 11), 0u);
  EXPECT_EQ(model.files().presentCount(), 0);
}

TEST_F(SimulatedLinkTest, LoggerVanishingMidStreamHangsUpAfterItsLastBytes) {
  model.files().put(1, {RecordKind::Tide, 16 * 1000 + 2, "", {}, 0});
  LoggerFaults faults;
  faults.vanishAfterStreamBytes = 5000;
  model.setFaults(faults);
  port.writeBuffer(fileRequest(1));
  loop.advance(20000);
  EXPECT_EQ(hangups, 1);
  Bytes all = joinedBlocks(blocks);
  ASSERT_EQ(all.size(), 61u + 5000);
  EXPECT_EQ(model.files().file(1)->read(0, 5000), Bytes(all.begin() + 61, all.end()));
}

// 32 MiB after the speed switch: compared block by block, never held whole, and the port is
// only ever handed about a second of line time ahead.
TEST_F(SimulatedLinkTest, ThirtyTwoMebibyteFileStreamsInBoundedPieces) {
  constexpr std::uint32_t kSize = 32u << 20;
  model.files().put(16, {RecordKind::Tide, kSize, "BIG", {}, 0});
  auto file = model.files().file(16);

  port.writeBuffer(AppendCrc(bytesFromHex("01 10 11 02 00 01 02 F0 F0")));
  loop.advance(100);
  ASSERT_EQ(blocks.size(), 1u);
  port.setBaudRate(BeU32(blocks[0].bytes.data() + 17));
  blocks.clear();

  std::uint64_t received = 0;
  std::size_t mismatches = 0;
  std::size_t largestBlock = 0;
  bool headSeen = false;
  port.setOnReceiveData([&](const std::uint8_t* data, std::size_t length) {
    largestBlock = std::max(largestBlock, length);
    std::size_t skip = 0;
    if (!headSeen) {
      headSeen = true;
      EXPECT_EQ(BeU32(data + 44), kSize);
      skip = 61;
    }
    Bytes expected = file->read(received, length - skip);
    if (!std::equal(expected.begin(), expected.end(), data + skip) || expected.size() != length - skip)
      ++mismatches;
    received += length - skip;
  });
  port.writeBuffer(fileRequest(16));
  std::size_t mostInFlight = 0;
  bool done = loop.advanceUntil(
      [&] {
        mostInFlight = std::max(mostInFlight, loop.pendingDelayCount());
        return received >= kSize;
      },
      4'000'000);
  ASSERT_TRUE(done);
  EXPECT_EQ(received, kSize);
  EXPECT_EQ(mismatches, 0u);
  EXPECT_LE(largestBlock, SerialPort::kBlockSize);
  // 1 s at 115200 baud is about 6 blocks of 2048 bytes.
  EXPECT_LE(mostInFlight, 12u);
  // Wire time at 10 bits a byte: 33554493 bytes at 115200 baud is 2913 s.
  EXPECT_NEAR(static_cast<double>(loop.nowMs()), 2913000.0, 5000.0);
}

TEST(SimulatedLink, LoggerClockRunsOnTheLoopClock) {
  VirtualScheduler loop(123456);
  MemoryPort port(loop);
  std::tm local{};
  local.tm_year = 2027 - 1900;
  local.tm_mon = 0;
  local.tm_mday = 31;
  local.tm_hour = 23;
  local.tm_min = 59;
  local.tm_sec = 58;
  local.tm_isdst = -1;
  LoggerModel model({}, loopClock(loop, std::mktime(&local)));
  SimulatedLink link(loop, port, model);
  Bytes reply;
  port.setOnReceiveData(
      [&reply](const std::uint8_t* data, std::size_t length) { reply.assign(data, data + length); });
  port.open();
  loop.advance(2500);
  port.writeBuffer(AppendCrc(bytesFromHex("01 03 10 09 00 03")));
  loop.advance(100);
  ASSERT_EQ(reply.size(), 19u);
  EXPECT_EQ(Bytes(reply.begin() + 11, reply.begin() + 17), bytesFromHex("1B 02 01 00 00 00"));
}

TEST(MemoryPort, OpenFailsOnRequestAndTwiceOpenIsRefused) {
  VirtualScheduler loop;
  MemoryPort port(loop);
  port.setOpenFails(true);
  EXPECT_THROW(port.open(), SerialPortError);
  EXPECT_FALSE(port.isOpen());
  port.setOpenFails(false);
  port.open();
  try {
    port.open();
    FAIL() << "opening an open port must throw";
  } catch (const SerialPortError& error) {
    EXPECT_STREQ(error.what(), port_errors::kAlreadyOpen);
  }
  EXPECT_TRUE(port.isOpen());
}

}  // namespace
}  // namespace ql::sim
