#include "assistant/checksums.h"

#include <gtest/gtest.h>

#include "assistant/hex_reader.h"

namespace ql {
namespace {

struct ButtonCase {
  CheckButton button;
  const char* sendArea;
  const char* expected;
};

TEST(Checksums, EachButtonAppendsItsCheckValue) {
  const ButtonCase cases[] = {
      {CheckButton::CrcLowFirst, "01 03 00 00 00 01", "01 03 00 00 00 01 84 0A "},
      {CheckButton::CrcHighFirst, "01 03 00 00 00 01", "01 03 00 00 00 01 0A 84 "},
      {CheckButton::Sum16, "01 02 03", "01 02 03 00 06 "},
      {CheckButton::Xor, "01 02 03", "01 02 03 00 "},
      {CheckButton::Sum8, "01 02 03", "01 02 03 06 "},
      {CheckButton::Sum8, "FF 02", "FF 02 01 "},
      {CheckButton::Sum16, "FF FF FF", "FF FF FF 02 FD "},
      // CRC-16/ARC check value of "123456789" is BB3D.
      {CheckButton::Crc16Arc, "31 32 33 34 35 36 37 38 39", "31 32 33 34 35 36 37 38 39 BB 3D "},
      // Odd length: words 0102 and 0300, sum 0402, complement FBFD.
      {CheckButton::InternetChecksum, "01 02 03", "01 02 03 FB FD "},
      // Carry folded back in: 0xFFFF + 0x0001 = 0x10000 -> 0x0001, complement FFFE.
      {CheckButton::InternetChecksum, "FF FF 00 01", "FF FF 00 01 FF FE "},
  };
  for (const auto& c : cases) {
    const auto result = applyCheckButton(c.button, c.sendArea);
    ASSERT_TRUE(result) << c.sendArea;
    EXPECT_EQ(*result, c.expected) << static_cast<int>(c.button) << " " << c.sendArea;
  }
}

TEST(Checksums, NoHexadecimalDigitLeavesEveryButtonWithoutEffect) {
  for (CheckButton b : {CheckButton::Xor, CheckButton::Sum8, CheckButton::Sum16, CheckButton::CrcLowFirst,
                        CheckButton::CrcHighFirst, CheckButton::Crc16Arc, CheckButton::InternetChecksum}) {
    EXPECT_FALSE(applyCheckButton(b, "xyz 中文 ")) << static_cast<int>(b);
    EXPECT_FALSE(applyCheckButton(b, "")) << static_cast<int>(b);
  }
}

TEST(Checksums, InputLongerThanOneKibibyteIsCheckedWhole) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "01 ";
  const auto result = applyCheckButton(CheckButton::Sum16, text);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->size(), (2000u + 2) * 3);
  EXPECT_EQ(result->substr(result->size() - 6), "07 D0 ");  // 2000 = 0x07D0
}

}  // namespace
}  // namespace ql
