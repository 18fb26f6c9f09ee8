#include "assistant/receive_text_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ql {
namespace {

std::u16string decodeInPieces(const std::vector<std::string>& pieces) {
  ReceiveTextDecoder decoder;
  std::u16string out;
  for (const auto& p : pieces) decoder.decode(reinterpret_cast<const std::uint8_t*>(p.data()), p.size(), out);
  return out;
}

struct DecodeCase {
  const char* what;
  std::vector<std::string> pieces;
  std::u16string expected;
};

TEST(ReceiveTextDecoder, ShowsTextAndReplacesWhatWouldBreakTheLine) {
  const DecodeCase cases[] = {
      {"plain", {"AB"}, u"AB"},
      {"UTF-8", {"温度 25"}, u"温度 25"},
      {"UTF-8 split in every place", {"\xE6", "\xB8", "\xA9", "x"}, u"温x"},
      {"GBK pair", {"\xCE\xC2\xB6\xC8"}, u"温度"},
      {"GBK pair split across blocks", {"A\xCE", "\xC2" "B"}, u"A温B"},
      {"CR LF, lone CR and lone LF", {"a\r\nb\rc\nd"}, u"a\nb\nc\nd"},
      {"CR LF split across blocks", {"a\r", "\nb"}, u"a\nb"},
      {"controls and DEL", {std::string("\x00\x01\x1B\x7F\t", 5)}, u"\u00B7\u00B7\u00B7\u00B7 "},
      {"C1 control in UTF-8", {"\xC2\x85"}, u"\u00B7"},
      {"stray continuation and invalid bytes", {"\x80x\xFFy"}, u"\uFFFDx\uFFFDy"},
      {"truncated UTF-8 that is no GBK pair either", {"\xE6", "\x01"}, u"\uFFFD\u00B7"},
      {"invalid UTF-8 that is a GBK pair", {"\xE6\xB8", "Z"}, u"\u5A13Z"},
      {"four-byte UTF-8", {"\xF0\x9F\x98\x80"}, u"\U0001F600"},
  };
  for (const auto& c : cases) EXPECT_EQ(decodeInPieces(c.pieces), c.expected) << c.what;
}

TEST(ReceiveTextDecoder, EveryByteValueYieldsTextWithoutLineBreaks) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    if (b != '\r' && b != '\n') all.push_back(static_cast<char>(b));
  }
  const std::u16string text = decodeInPieces({all});
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find(u'\n'), std::u16string::npos);
  for (char16_t c : text) EXPECT_TRUE(c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0)) << int(c);
}

}  // namespace
}  // namespace ql
