#include "sim/simulated_link.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "link/codecs.h"
#include "link/crc.h"
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
