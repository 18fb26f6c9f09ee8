#include "assistant/read_out.h"

#include <gtest/gtest.h>

#include "assistant/hex_reader.h"

namespace ql {
namespace {

struct ReadOutCase {
  const char* what;
  ReadOutParameters parameters;
  const char* block;
  ReadOutValues expected;
};

// Only label `index` gets `text`; the others stay as they were.
ReadOutValues only(std::size_t index, const char* text) {
  ReadOutValues v;
  v[index] = text;
  return v;
}

ReadOutParameters position(int index, ValueType type, int start, int count) {
  ReadOutParameters p;
  p.byPosition[index] = {"P", type, start, count};
  return p;
}

ReadOutParameters pattern(int index, ValueType type, const char* hex, int count) {
  ReadOutParameters p;
  p.byPattern[index] = {"P", type, hex, count};
  return p;
}

ReadOutParameters bcd(const char* hex, int count) {
  ReadOutParameters p;
  p.bcd = {"P", hex, count};
  return p;
}

TEST(ReadOut, DecodesEachParameterForm) {
  const ReadOutCase cases[] = {
      {"start byte 3, single", position(0, ValueType::Float, 3, 4), "00 00 3F 80 00 00", only(0, "1")},
      {"start byte 1, signed 32-bit", position(1, ValueType::Integer, 1, 4), "FF FF FF FE", only(1, "-2")},
      {"8 bytes, signed 64-bit", position(0, ValueType::Integer, 2, 8), "AA 00 00 00 01 00 00 00 00",
       only(0, "4294967296")},
      {"8 bytes, double", position(0, ValueType::Float, 1, 8), "3F F8 00 00 00 00 00 00", only(0, "1.5")},
      {"fewer than count bytes at the end", position(0, ValueType::Integer, 3, 4), "00 00 00 01 02", ReadOutValues{}},
      {"start beyond the block", position(0, ValueType::Integer, 9, 4), "00 00 00 01", ReadOutValues{}},
      {"pattern AA 55, integer", pattern(0, ValueType::Integer, "AA55", 4), "01 AA 55 00 00 01 00", only(2, "256")},
      {"pattern not in the block", pattern(0, ValueType::Integer, "AA55", 4), "01 AA 00 55 00 00 01 00", ReadOutValues{}},
      {"first occurrence counts", pattern(1, ValueType::Float, "aa", 4), "AA 3F 80 00 00 AA 40 00 00 00",
       only(3, "1")},
      {"pattern, 8-byte double", pattern(1, ValueType::Float, "7E", 8), "7E 40 00 00 00 00 00 00 00",
       only(3, "2")},
      {"BCD digits after the pattern", bcd("68", 3), "68 20 26 12 99", only(4, "202612")},
      {"BCD with fewer bytes than the count", bcd("68", 5), "00 68 12 34", only(4, "1234")},
      {"BCD needs at least one byte", bcd("68", 2), "00 68", ReadOutValues{}},
  };
  for (const auto& c : cases) {
    const Bytes block = readHex(c.block);
    EXPECT_EQ(ReadOut(c.parameters, block.data(), block.size()), c.expected) << c.what;
  }
}

TEST(ReadOut, BlankNameOrPatternSwitchesAParameterOff) {
  ReadOutParameters p = position(0, ValueType::Integer, 1, 4);
  p.byPosition[0].name = "   ";
  p.byPattern[0] = {"P3", ValueType::Integer, "  ", 4};
  p.bcd = {"", "00", 1};
  const Bytes block = readHex("00 00 00 01 00");
  EXPECT_EQ(ReadOut(p, block.data(), block.size()), ReadOutValues{});
}

}  // namespace
}  // namespace ql
