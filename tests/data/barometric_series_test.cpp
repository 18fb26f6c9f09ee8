#include "data/barometric_series.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "record_fixtures.h"
#include "runtime/calendar.h"

namespace ql {
namespace {

std::int64_t at(int day, int hour, int minute, int second = 0) {
  return daysFromCivil(2026, 3, day) * 86400 + hour * 3600 + minute * 60 + second;
}

// Readings every 15 minutes, then a 3-hour gap (longer than the 2-hour limit), then one more step.
const char* kSeries =
    "time,kPa\r\n"
    "2026-03-01 00:00:00,100.0\r\n"
    "2026-03-01 00:15:00,101.5\r\n"
    "2026-03-01T00:30:00,100.9\r\n"
    "\r\n"
    "2026-03-01 03:30:00,100.0\r\n"
    "2026-03-01 04:00:00,102.0\r\n";

TEST(BarometricSeries, InterpolatesInsideAndNeverBeyondTheSpanOrAcrossAGap) {
  const BarometricLoad load = parseBarometricCsv(kSeries);
  ASSERT_TRUE(load.series) << load.problem;
  ASSERT_EQ(load.series->size(), 5u);

  struct Case {
    std::int64_t time;
    std::optional<double> kpa;
  };
  const std::vector<Case> cases = {
      {at(1, 0, 0) - 1, std::nullopt},  // before the first reading
      {at(1, 0, 0), 100.0},             // the first reading itself
      {at(1, 0, 5), 100.5},             // a third of the way to 101.5
      {at(1, 0, 15), 101.5},
      {at(1, 0, 20), 101.3},        // a third of the way down to 100.9
      {at(1, 0, 30), 100.9},        // a reading beside the gap is still exact
      {at(1, 1, 0), std::nullopt},  // in the 3-hour gap
      {at(1, 3, 29, 59), std::nullopt},
      {at(1, 3, 30), 100.0},
      {at(1, 3, 45), 101.0},
      {at(1, 4, 0), 102.0},            // the last reading
      {at(1, 4, 0, 1), std::nullopt},  // after it
  };
  BarometricCursor cursor(*load.series);
  // In time order (the single walk), then backwards (each step searched).
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t n = 0; n < cases.size(); ++n) {
      const Case& c = cases[pass == 0 ? n : cases.size() - 1 - n];
      SCOPED_TRACE(testing::Message()
                   << "pass " << pass << ", seconds into the day " << c.time - at(1, 0, 0));
      const std::optional<double> kpa = cursor.at(c.time);
      ASSERT_EQ(kpa.has_value(), c.kpa.has_value());
      if (kpa) {
        EXPECT_NEAR(*kpa, *c.kpa, 1e-9);
      }
    }
  }

  // A longer limit bridges the gap: a sixth of the way from 100.9 to 100.0.
  BarometricCursor bridging(*load.series, 3 * 3600);
  EXPECT_NEAR(bridging.at(at(1, 1, 0)).value_or(0), 100.75, 1e-9);
}

TEST(BarometricSeries, RefusesBadFilesWithTheLineNumber) {
  struct Case {
    const char* text;
    const char* problem;
  };
  const Case cases[] = {
      {"2026-03-01 00:15:00,101\n2026-03-01 00:00:00,100\n",
       "line 2: the time is earlier than the one before"},
      {"time,kPa\n2026-03-01 00:00:00,100\n\n2026-03-01 00:00:00,100\n",
       "line 4: the time repeats the one before"},
      {"time,kPa\n2026-03-01 00:00:00,100\n2026-02-30 00:15:00,100\n", "line 3: the time does not read"},
      {"2026-03-01 00:00:00,100\n2026-03-01 00:15,100\n", "line 2: the time does not read"},
      {"2026-03-01 00:00:00,100\n2026-03-01 00:15:00,1O1\n", "line 2: the pressure does not read"},
      {"2026-03-01 00:00:00,-3\n", "line 1: the pressure does not read"},
      {"2026-03-01 00:00:00 101.3\n", "line 1: not \"time,kPa\""},
      {"time,kPa\nhour,kPa\n", "line 2: the time does not read"},  // only the first line may be a header
      {"time,kPa\r\n", "no barometric readings"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const BarometricLoad load = parseBarometricCsv(c.text);
    EXPECT_FALSE(load.series);
    EXPECT_NE(load.problem.find(c.problem), std::string::npos) << load.problem;
  }
}

TEST(BarometricSeries, FromADataFileOfALoggerInAir) {
  test::DataDir dir;
  Bytes records;
  test::appendRecord(records, {{0x26, 0x03, 0x01, 0x00, 0x00, 0x00}, 150000, 1013000, 0, 90});
  test::appendRecord(records, {{0x26, 0x03, 0x01, 0x00, 0x15, 0x00}, 150000, 0, 0, 90});  // no reading
  test::appendRecord(records, {{0x26, 0x03, 0x01, 0x00, 0x30, 0x00}, 150000, 1011000, 0, 90});
  auto withChecksum = [](Bytes stream) {
    stream.insert(stream.end(), {0xAB, 0xCD});
    return stream;
  };
  const BarometricLoad load = loadBarometricFile(dir.dataFile("air.WLR", withChecksum(records)));
  ASSERT_TRUE(load.series) << load.problem;
  EXPECT_EQ(load.series->seconds, (std::vector<std::int64_t>{at(1, 0, 0), at(1, 0, 30)}));
  EXPECT_EQ(load.series->kpa, (std::vector<double>{101.3, 101.1}));
  EXPECT_EQ(load.series->source, dir.file("air.WLR"));

  // A stamp that repeats is refused with its record number, and the file named.
  test::appendRecord(records, {{0x26, 0x03, 0x01, 0x00, 0x30, 0x00}, 150000, 1011000, 0, 90});
  const BarometricLoad repeated = loadBarometricFile(dir.dataFile("twice.wlr", withChecksum(records)));
  EXPECT_FALSE(repeated.series);
  EXPECT_NE(repeated.problem.find("twice.wlr, record 4: the time repeats"), std::string::npos)
      << repeated.problem;

  // Any other name is read as CSV; a missing file says so.
  dir.write("air.csv",
            "\xEF\xBB\xBF"
            "2026-03-01 00:00:00,101.3\n");
  EXPECT_TRUE(loadBarometricFile(dir.file("air.csv")).series);
  EXPECT_NE(loadBarometricFile(dir.file("none.csv")).problem.find("cannot be read"), std::string::npos);
}

}  // namespace
}  // namespace ql
