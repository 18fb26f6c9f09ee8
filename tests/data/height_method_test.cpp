#include "data/height_method.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "data/sea_water_depth.h"
#include "record_fixtures.h"

namespace ql {
namespace {

TEST(SeaWaterDepth, UnescoCheckValues) {
  EXPECT_NEAR(unescoDepthMetres(10000, 30), 9712.653, 0.0005);
  EXPECT_DOUBLE_EQ(unescoGravity(0, 0), 9.780318);
  // The poles pull harder than the equator.
  EXPECT_NEAR(unescoGravity(90, 0), 9.780318 * (1 + 5.2788e-3 + 2.36e-5), 1e-12);
  EXPECT_DOUBLE_EQ(unescoGravity(-45, 100), unescoGravity(45, 100));
}

Record recordAt(std::uint8_t minute, std::uint32_t pressureRaw) {
  Bytes bytes;
  test::appendRecord(bytes, {{0x26, 0x03, 0x01, 0x00, minute, 0x00}, 150000, pressureRaw, 0, 90});
  return decodeRecord(bytes.data());
}

std::shared_ptr<const BarometricSeries> airSeries() {
  BarometricLoad load = parseBarometricCsv("2026-03-01 00:00:00,100.0\n2026-03-01 00:10:00,101.0\n");
  return std::make_shared<const BarometricSeries>(*load.series);
}

TEST(HeightCalculator, EachChoiceOfFormula) {
  const DepthParameters fresh{1.0, 10.0, -100.0};
  struct Case {
    const char* name;
    HeightOptions options;
    std::uint8_t minute;  // BCD
    std::uint32_t pressureRaw;
    std::optional<double> metres;
  };
  HeightOptions sea;
  sea.latitude = 0;
  HeightOptions baro;
  baro.barometric = airSeries();
  HeightOptions seaAndBaro = baro;
  seaAndBaro.latitude = 0;
  const Case cases[] = {
      {"fixed offset", {}, 0x05, 1100000, 1.0},  // (110 - 100) / 1 / 10
      {"no reading", baro, 0x30, 0, 0.0},        // a pressure of 0 is 0 whatever the choice
      // 10 kPa above the air is 1 dbar: 9.72659... m / g at the equator.
      {"sea water", sea, 0x05, 1100000, 0.9945041053091951},
      // At 00:05 the air presses 100.5 kPa: the offset is not applied.
      {"barometric", baro, 0x05, 1105000, 1.0},
      {"barometric, sea water", seaAndBaro, 0x05, 1105000, 0.9945041053091951},
      {"after the series", baro, 0x11, 1105000, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeightCalculator calculator(fresh, c.options);
    const std::optional<double> metres = calculator.metres(recordAt(c.minute, c.pressureRaw));
    ASSERT_EQ(metres.has_value(), c.metres.has_value());
    if (metres) {
      EXPECT_NEAR(*metres, *c.metres, 1e-12);
    }
  }
}

TEST(HeightCalculator, AMarkedRecordWritesNoHeight) {
  HeightOptions baro;
  baro.barometric = airSeries();
  HeightCalculator calculator(DepthParameters{1.0, 10.0, -100.0}, baro);
  char text[kMaxWaterHeightText];
  bool marked = false;
  char* end = calculator.write(text, recordAt(0x05, 1105000), marked);
  EXPECT_EQ(std::string(text, end), "1.00");
  EXPECT_FALSE(marked);
  end = calculator.write(text, recordAt(0x11, 1105000), marked);
  EXPECT_EQ(end, text);
  EXPECT_TRUE(marked);
  // A stamp that is no date cannot be compensated either.
  Bytes bytes;
  test::appendRecord(bytes, {{0x26, 0x13, 0x01, 0x00, 0x05, 0x00}, 150000, 1105000, 0, 90});
  end = calculator.write(text, decodeRecord(bytes.data()), marked);
  EXPECT_EQ(end, text);
  EXPECT_TRUE(marked);
}

}  // namespace
}  // namespace ql
