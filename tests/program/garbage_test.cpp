// A flaky line: blocks of every shape, most of them starting like real replies, must never
// crash the program or wedge it; afterwards a poll against the logger still finishes.

#include <gtest/gtest.h>

#include <random>

#include "link/crc.h"
#include "link/register_map.h"
#include "logger_fixture.h"

namespace ql {
namespace {

class GarbageTest : public test::LoggerFixture {};

TEST_F(GarbageTest, RandomBlocksShapedLikeRepliesAreSurvived) {
  VelmoProgram& velmo = start();
  const std::uint16_t addresses[] = {0x0101, 0x2002, 0x2001, 0x2004, 0x2006, 0xE001, 0xE003, 0x1009, 0xE00D,
                                     0xE005, 0x1003, 0x1006, 0x1001, 0x1010, 0x100E, 0x100C, 0x100D, 0x2080,
                                     0xF001, 0xF10F, 0xF301, 0xF115, 0x2088, 0x0001, 0xE00E, 0x1102};
  std::mt19937 random(310);
  auto byte = [&] { return static_cast<std::uint8_t>(random() & 0xFF); };
  for (int i = 0; i < 20000; ++i) {
    Bytes block;
    if (random() % 4 != 0) {
      std::uint16_t address = addresses[random() % std::size(addresses)];
      std::uint16_t count = static_cast<std::uint16_t>(random() % 9);
      block = AppendCrc(reg::readRequest(address, count));
      if (random() % 3 == 0) block = AppendCrc(reg::writeRequest(address, static_cast<std::uint16_t>(random())));
      block.insert(block.end(), {0x01, static_cast<std::uint8_t>(random() % 2 ? 0x03 : 0x10)});
    }
    std::size_t extra = random() % 3 == 0 ? random() % 900 : random() % 40;
    for (std::size_t k = 0; k < extra; ++k) block.push_back(byte());
    velmo.dispatcher().onReceiveData(block.data(), block.size());
    if (i % 500 == 0) loop.advance(20);
  }
  // Whatever the storm left half-claimed times out; the program talks to the logger again.
  loop.advance(60000);
  velmo.setAutoSearch(true);
  ASSERT_TRUE(loop.advanceUntil([&] { return pollFinished(); }, 60000)) << "step " << velmo.infoPoll().step();
  EXPECT_EQ(velmo.instrumentInfo().serialNumber, "0210012345");
  // Noise starts nothing that would ask the operator anything.
  EXPECT_TRUE(op.log().empty()) << op.log().front().text;
}

}  // namespace
}  // namespace ql
