#include "runtime/encoding.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

// "中文" in GBK and in UTF-8.
const std::string kGbkChinese = "\xD6\xD0\xCE\xC4";
const std::string kUtf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87";

TEST(Encoding, ConvertsBetweenGbkAndUtf8) {
  EXPECT_EQ(gbkToUtf8(kGbkChinese), kUtf8Chinese);
  EXPECT_EQ(utf8ToGbk(kUtf8Chinese), kGbkChinese);
  EXPECT_EQ(gbkToUtf8("A=" + kGbkChinese + "\r\n"), "A=" + kUtf8Chinese + "\r\n");
  EXPECT_EQ(gbkToUtf8(utf8ToGbk("仪器信息：压力")), "仪器信息：压力");
  const std::string large(100'000, 'x');  // longer than one conversion buffer
  EXPECT_EQ(gbkToUtf8(large + kGbkChinese), large + kUtf8Chinese);
}

TEST(Encoding, BadInputIsReplacedNotDropped) {
  // A lead byte without a valid trail byte (' ' is none) loses only itself; so does one cut off
  // at the end, and a byte GBK never uses.
  EXPECT_EQ(gbkToUtf8("a\xD6 b"), "a\xEF\xBF\xBD b");
  EXPECT_EQ(gbkToUtf8("a\xFF"
                      "b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(gbkToUtf8("ab\xD6"), "ab\xEF\xBF\xBD");
  // GBK has no emoji: one '?' for the whole character.
  EXPECT_EQ(utf8ToGbk("x\xF0\x9F\x98\x80y"), "x?y");
  EXPECT_EQ(utf8ToGbk("x\xFFy"), "x?y");
}

TEST(Encoding, Utf8Validation) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain ascii", true},
      {kUtf8Chinese, true},
      {"\xF0\x9F\x98\x80", true},
      {kGbkChinese, false},
      {"\xC0\xAF", false},          // overlong '/'
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xE4\xB8", false},          // cut short
  };
  for (const Case& c : cases) EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
}

TEST(Encoding, LegacyTextIsUtf8OrGbkAndLosesItsBom) {
  EXPECT_EQ(decodeLegacyText(kUtf8Chinese), kUtf8Chinese);
  EXPECT_EQ(decodeLegacyText("\xEF\xBB\xBF" + kUtf8Chinese), kUtf8Chinese);
  EXPECT_EQ(decodeLegacyText("[" + kGbkChinese + "]"), "[" + kUtf8Chinese + "]");
}

}  // namespace
}  // namespace ql
