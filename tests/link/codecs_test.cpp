#include <gtest/gtest.h>

#include <cmath>

#include "link/bytes.h"
#include "link/codecs.h"
#include "link/crc.h"
#include "link/text_filters.h"

namespace ql {
namespace {

TEST(Crc, AppendsModbusCrcLowByteFirst) {
  struct Case {
    const char* frame;
    const char* withCrc;
  } cases[] = {
      {"01 03 20 02 00 02", "01 03 20 02 00 02 6E 0B"},
      {"01 03 00 00 00 01", "01 03 00 00 00 01 84 0A"},
      {"01 04 01 01 03 03", "01 04 01 01 03 03 E0 C7"},
      {"", "FF FF"},
  };
  for (const auto& c : cases) EXPECT_EQ(AppendCrc(bytesFromHex(c.frame)), bytesFromHex(c.withCrc)) << c.frame;
}

TEST(Crc, FrameWithItsOwnCrcChecksToZero) {
  Bytes framed = AppendCrc(bytesFromHex("01 03 20 02 00 02"));
  Bytes twice = AppendCrc(framed);
  EXPECT_EQ(twice[8], 0x00);
  EXPECT_EQ(twice[9], 0x00);
  EXPECT_TRUE(crcIsValid(framed));
  framed[3] ^= 0x01;
  EXPECT_FALSE(crcIsValid(framed));
  EXPECT_FALSE(crcIsValid(Bytes{0x01}));
}

TEST(Codecs, BigEndianIntegers) {
  Bytes b = bytesFromHex("80 01 02 03 04 05");
  EXPECT_EQ(BeU16(0x12, 0x34), 0x1234);
  EXPECT_EQ(BeU32(b.data()), 0x80010203u);
  EXPECT_EQ(static_cast<std::int32_t>(BeU32(b.data())), -2147417597);
  EXPECT_EQ(BeU48(b.data()), 0x800102030405ull);
  EXPECT_EQ(BeStrU32(bytesFromHex("00 00 01 00")), 256u);
  EXPECT_EQ(BeStrU32(bytesFromHex("01 02 03")), 0u);
  EXPECT_EQ(BeStrU32(bytesFromHex("00 00 00 07 FF")), 7u);
}

TEST(Codecs, FloatsDecodeOrGiveZero) {
  struct Case {
    const char* hex;
    float expected;
  } cases[] = {
      {"41 20 00 00", 10.0f}, {"C1 20 00 00", -10.0f}, {"FF FF FF FF", 0.0f},
      {"7F C0 00 00", 0.0f},  // not a number
      {"41 20 00", 0.0f},     {"41 20 00 00 00", 0.0f}, {"", 0.0f},
  };
  for (const auto& c : cases) EXPECT_EQ(BeFloat32(bytesFromHex(c.hex)), c.expected) << c.hex;

  EXPECT_DOUBLE_EQ(BeFloat64(bytesFromHex("40 24 00 00 00 00 00 00")), 10.0);
  EXPECT_DOUBLE_EQ(BeFloat64(bytesFromHex("BF F8 00 00 00 00 00 00")), -1.5);
  EXPECT_EQ(BeFloat64(bytesFromHex("40 24 00 00 00 00 00")), 0.0);
  EXPECT_EQ(FloatToBeBytes(10.0f), bytesFromHex("41 20 00 00"));
  EXPECT_EQ(BeFloat32(FloatToBeBytes(-273.15f)), -273.15f);
}

TEST(Codecs, DigitHelpers) {
  EXPECT_EQ(BcdToInt(0x59), 59);
  EXPECT_EQ(BcdToInt(0x10), 10);
  EXPECT_EQ(BcdDigits(0x59), "59");
  EXPECT_EQ(BcdDigits(0x07), "07");
  EXPECT_EQ(TwoDigits(7), "07");
  EXPECT_EQ(TwoDigits(12), "12");
  EXPECT_EQ(TwoDigits(123), "123");
  EXPECT_EQ(FixedDigits(123, 2), "23");
  EXPECT_EQ(FixedDigits(7, 3), "007");
  EXPECT_EQ(FixedDigits(2026, 4), "2026");
}

TEST(TextFilters, CleanInput) {
  struct Case {
    std::string (*filter)(const std::string&);
    std::string input;
    std::string expected;
  } cases[] = {
      {KeepDigits, "a1b2 3-", "123"},
      {KeepDigits, "", ""},
      {KeepNumberChars, "1.2.3", "1.23"},
      {KeepNumberChars, ".5", "0.5"},
      {KeepNumberChars, "a-1b", "-1"},
      {KeepNumberChars, "+1+2e+3", "+12e3"},
      {KeepNumberChars, "-1.5E-3 kPa", "-1.5E-3"},
      {KeepPrintable, std::string("COM3\0", 5), "COM3"},
      {KeepPrintable, "\xD6\xD0" "A\x01" "B", "\xD6\xD0" "AB"},
      {KeepPrintable, "A\x80" "B", "AB"},
      {KeepPrintable, "AB\xD6", "AB"},  // a lead byte with nothing after it
      {KeepPrintable, "\x7F\t", "\x7F"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.filter(c.input), c.expected) << c.input;
}

TEST(Bytes, HexRoundTrip) {
  EXPECT_EQ(bytesFromHex("0a FF 7f00"), (Bytes{0x0A, 0xFF, 0x7F, 0x00}));
  EXPECT_EQ(hexText(Bytes{0x00, 0x7F, 0x80, 0xFF}), "00 7F 80 FF ");
  EXPECT_TRUE(startsWith(bytesFromHex("01 03 04 05"), bytesFromHex("01 03")));
  EXPECT_FALSE(startsWith(bytesFromHex("01"), bytesFromHex("01 03")));
  EXPECT_EQ(concat({Bytes{1}, Bytes{}, Bytes{2, 3}}), (Bytes{1, 2, 3}));
}

}  // namespace
}  // namespace ql
