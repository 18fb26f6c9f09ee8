#include "assistant/hex_reader.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

struct HexCase {
  const char* text;
  Bytes expected;
};

TEST(HexReader, KeepsOnlyDigitsAndPadsAnOddCount) {
  const HexCase cases[] = {
      {"01 0g 2", {0x01, 0x02}},           // g and blanks dropped
      {"1 2 3", {0x12, 0x30}},             // odd count padded with a trailing 0
      {"aBcD", {0xAB, 0xCD}},              // either case
      {"0x1F,\r\n中文ff", {0x01, 0xFF, 0xF0}},  // "x", punctuation and Chinese are foreign
      {"", {}},
      {"ghijk 测试", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(readHex(c.text), c.expected) << c.text;
}

TEST(HexReader, ReadsInputFarLongerThanOneKibibyte) {
  std::string text;
  Bytes expected;
  for (int i = 0; i < 5000; ++i) {
    text += hexDump({static_cast<std::uint8_t>(i)});
    expected.push_back(static_cast<std::uint8_t>(i));
  }
  EXPECT_EQ(readHex(text), expected);
}

TEST(HexReader, DumpShowsEveryByteValueAsTwoDigitsAndABlank) {
  Bytes all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
  const std::string dump = hexDump(all);
  ASSERT_EQ(dump.size(), 256u * 3);
  EXPECT_EQ(dump.substr(0, 3), "00 ");
  EXPECT_EQ(dump.substr(0x7F * 3, 3), "7F ");
  EXPECT_EQ(dump.substr(0x80 * 3, 3), "80 ");
  EXPECT_EQ(dump.substr(0xAB * 3, 3), "AB ");
  EXPECT_EQ(dump.substr(0xFF * 3, 3), "FF ");
  EXPECT_EQ(readHex(dump), all);

  std::u16string wide;
  appendHexDump(wide, all.data(), all.size());
  EXPECT_EQ(std::string(wide.begin(), wide.end()), dump);
}

TEST(HexReader, KeepHexDigitsLooksOnlyAtTheFirstCharacters) {
  EXPECT_EQ(keepHexDigits("3F80 00zz00123", 8), "3F8000");
  EXPECT_EQ(keepHexDigits("xyz"), "");
  EXPECT_EQ(keepHexDigits("a-b-c"), "abc");
}

}  // namespace
}  // namespace ql
