#include "data/records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "data/water_height.h"
#include "record_fixtures.h"
#include "runtime/formats.h"

namespace ql {
namespace {

std::string text(char* begin, char* end) { return std::string(begin, end); }

TEST(Records, DecodesBigEndianFields) {
  Bytes bytes;
  test::appendRecord(bytes, {{0x26, 0x12, 0x31, 0x23, 0x59, 0x58}, 0x012345, 0xABCDEF, 0x000102, 0xFE});
  const Record r = decodeRecord(bytes.data());
  EXPECT_EQ(r.stamp, (std::array<std::uint8_t, 6>{0x26, 0x12, 0x31, 0x23, 0x59, 0x58}));
  EXPECT_EQ(r.temperatureRaw, 0x012345u);
  EXPECT_EQ(r.pressureRaw, 0xABCDEFu);
  EXPECT_EQ(r.conductivityRaw, 0x000102u);
  EXPECT_EQ(r.battery, 0xFE);
  EXPECT_DOUBLE_EQ(r.batteryVolts(), 5.54);
}

TEST(Records, TemperatureSignRule) {
  struct Case {
    std::uint32_t raw;
    int decimals;
    const char* signedText;    // data page and its export
    const char* unsignedText;  // download export
  } cases[] = {
      {0x000000, 2, "0.00", "0.00"},
      {0x03E8, 4, "0.1000", "0.1000"},
      {0x400000, 4, "419.4304", "419.4304"},      // the last positive value
      {0x400001, 4, "-1258.2911", "419.4305"},    // raw - 0x1000000 = -12,582,911
      {0xFFCFF4, 2, "-1.23", "1676.49"},          // -12,300 / 10000
      {0xFFFFFF, 2, "0.00", "1677.72"},           // -0.0001 rounds to zero without a sign
      {0xFFFF9C, 1, "0.0", "1677.7"},             // -0.01 as well
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.raw);
    Record r;
    r.temperatureRaw = c.raw;
    char buffer[kMaxFieldText];
    EXPECT_EQ(text(buffer, writeTenThousandths(buffer, r.signedTemperatureRaw(), c.decimals)), c.signedText);
    EXPECT_EQ(text(buffer, writeTenThousandths(buffer, r.temperatureRaw, c.decimals)), c.unsignedText);
  }
}

TEST(Records, TenThousandthsMatchTheFixedFormatEverywhere) {
  // The export's integer formatter must give the program's number texts: sweep the whole 24-bit
  // range (signed and unsigned) in a stride that hits every last digit, and every precision.
  char buffer[kMaxFieldText];
  for (std::int64_t raw = -0x1000000; raw <= 0xFFFFFF; raw += 997) {
    for (int decimals = 0; decimals <= 4; ++decimals) {
      const std::string expected = formatFixed(raw / 10000.0, decimals);
      ASSERT_EQ(text(buffer, writeTenThousandths(buffer, raw, decimals)), expected) << raw << " " << decimals;
    }
  }
  for (std::int64_t raw : {5LL, 15LL, 45LL, 50LL, -50LL, 149995LL, -149995LL, 999950LL}) {
    for (int decimals = 0; decimals <= 4; ++decimals)
      EXPECT_EQ(text(buffer, writeTenThousandths(buffer, raw, decimals)), formatFixed(raw / 10000.0, decimals));
  }
}

TEST(Records, StampTexts) {
  char buffer[kMaxFieldText];
  const std::uint8_t plain[6] = {0x26, 0x01, 0x05, 0x09, 0x07, 0x00};
  EXPECT_EQ(text(buffer, writeStampDigits(buffer, plain)), "2026-01-05 09:07:00");
  EXPECT_EQ(text(buffer, writeStampValues(buffer, plain)), "2026-01-05 09:07:00");
  // Digits are written as stored, no calendar check: a nibble above 9 shows as two digits on the
  // data page, while the download export reads the byte as 10 x high + low.
  const std::uint8_t odd[6] = {0x1A, 0x13, 0x00, 0xFF, 0x60, 0x09};
  EXPECT_EQ(text(buffer, writeStampDigits(buffer, odd)), "20110-13-00 1515:60:09");
  EXPECT_EQ(text(buffer, writeStampValues(buffer, odd)), "2020-13-00 165:60:09");
  EXPECT_EQ(stampDigitsText(odd), "20110-13-00 1515:60:09");
}

TEST(Records, BatteryAndPrecisionSettings) {
  char buffer[kMaxFieldText];
  EXPECT_EQ(text(buffer, writeBatteryVolts(buffer, 1)), "3.01");
  EXPECT_EQ(text(buffer, writeBatteryVolts(buffer, 0)), "3.00");
  EXPECT_EQ(text(buffer, writeBatteryVolts(buffer, 255)), "5.55");
  EXPECT_EQ(valueDecimals(1), 1);
  EXPECT_EQ(valueDecimals(3), 3);
  for (int other : {0, 2, 4, -1, 99}) EXPECT_EQ(valueDecimals(other), 2);
}

TEST(WaterHeight, FormulaOrderAndZeroPressure) {
  const DepthParameters defaults;
  EXPECT_EQ(WaterHeight(110.0, defaults), "1.00");   // 10 / 1.025 / 9.8 = 0.9955
  EXPECT_EQ(WaterHeight(110.25, defaults), "1.02");
  EXPECT_EQ(WaterHeight(50.0, defaults), "-4.98");  // out of water: below the offset
  DepthParameters odd{2.0, 5.0, 300.0};
  EXPECT_EQ(WaterHeight(0.0, odd), "0.00");          // exactly 0 is no reading, whatever the offset
  EXPECT_EQ(WaterHeight(0.0001, odd), "30.00");      // (0.0001 + 300) / 2 / 5
  EXPECT_DOUBLE_EQ(waterHeightMetres(20.0, {4.0, 2.0, 0.0}), 2.5);
}

TEST(WaterHeight, RecordWriterGivesTheSameTextsAsWaterHeight) {
  const DepthParameters sets[] = {{}, {1.0, 10.0, 0.0}, {1.0, 1.0, -100.0}, {0.999, 9.80665, -101.325},
                                  {1.025, 9.8, -0.005}};
  char buffer[kMaxWaterHeightText];
  for (const DepthParameters& p : sets) {
    for (std::uint32_t raw = 0; raw <= 0xFFFFFF; raw += 331) {
      ASSERT_EQ(text(buffer, writeWaterHeight(buffer, raw, p)), WaterHeight(raw / 10000.0, p))
          << raw << " " << p.density << " " << p.gravity << " " << p.offset;
    }
  }
  // Half-way points: (P - 0) / 1 / 1 with P = x.xx5 rounds away from zero, like the fixed format.
  EXPECT_EQ(text(buffer, writeWaterHeight(buffer, 10050, {1.0, 1.0, 0.0})), "1.01");
  EXPECT_EQ(text(buffer, writeWaterHeight(buffer, 10050, {1.0, -1.0, 0.0})), "-1.01");
}

TEST(WaterHeight, OddParametersNeverOverrunTheBuffer) {
  char buffer[kMaxWaterHeightText];
  EXPECT_EQ(text(buffer, writeWaterHeight(buffer, 10000, {0.0, 9.8, -100.0})), "-INF");
  const std::string huge = text(buffer, writeWaterHeight(buffer, 0xFFFFFF, {1e-300, 1e-8, 0.0}));
  EXPECT_EQ(huge, formatFixed((0xFFFFFF / 10000.0) / 1e-300 / 1e-8, 2));
  EXPECT_LT(huge.size(), kMaxWaterHeightText);
}

TEST(WaterHeight, ParameterEdits) {
  struct Case {
    const char* typed;
    double defaultValue;
    const char* text;
    double value;
  } cases[] = {
      {"1.0.2", 1.025, "1.02", 1.02},   // only the first point survives
      {"", 1.025, "", 1.025},           // cleared: the default
      {"abc", 9.8, "", 9.8},
      {"-100.5", -100.0, "-100.5", -100.5},
      {".5", 9.8, "0.5", 0.5},
      {"1e", 1.025, "1e", 1.025},       // does not parse as a whole
      {"9,81", 9.8, "981", 981},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const ParameterEdit edit = editParameter(c.typed, c.defaultValue);
    EXPECT_EQ(edit.text, c.text);
    EXPECT_DOUBLE_EQ(edit.value, c.value);
  }
}

}  // namespace
}  // namespace ql
