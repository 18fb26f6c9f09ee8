// Thinning a chart series per pixel column, and the record columns a chart draws.

#include "data/decimate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "data/record_series.h"

namespace ql {
namespace {

struct Series {
  std::vector<double> x;
  std::vector<float> y;
  void add(double xi, float yi) {
    x.push_back(xi);
    y.push_back(yi);
  }
  std::vector<ChartPoint> decimate(double first, double last, int buckets) const {
    return decimateMinMax(x.data(), y.data(), x.size(), first, last, buckets);
  }
};

TEST(Decimate, KeepsTheLowestAndHighestPointOfEachBucketInTheirOrder) {
  Series s;
  // Bucket 0 (x 0..9): high before low. Bucket 1 (x 10..19): low before high.
  const float values[] = {5, 9, 1, 4, 7, 3, 0, 8, 6, 2};
  for (int i = 0; i < 10; ++i) s.add(i, values[i]);
  for (int i = 0; i < 10; ++i) s.add(10 + i, values[9 - i]);
  const auto points = s.decimate(0, 20, 2);
  const std::vector<ChartPoint> expected{{1, 9}, {6, 0}, {13, 0}, {18, 9}};
  EXPECT_EQ(points, expected);
}

TEST(Decimate, AtMostTwoPointsPerBucketForAMillionPoints) {
  Series s;
  const std::size_t n = 1000000;
  for (std::size_t i = 0; i < n; ++i) s.add(double(i), float(std::sin(i * 0.001) * 100 + (i % 7)));
  const int buckets = 800;
  const auto points = s.decimate(0, double(n - 1), buckets);
  EXPECT_LE(points.size(), std::size_t(2 * buckets));
  EXPECT_GE(points.size(), std::size_t(buckets));
  // The extremes of the whole series survive.
  float lowest = s.y[0], highest = s.y[0];
  for (float v : s.y) lowest = std::min(lowest, v), highest = std::max(highest, v);
  float shownLow = float(points[0].y), shownHigh = float(points[0].y);
  for (const ChartPoint& p : points)
    shownLow = std::min(shownLow, float(p.y)), shownHigh = std::max(shownHigh, float(p.y));
  EXPECT_EQ(shownLow, lowest);
  EXPECT_EQ(shownHigh, highest);
  // Sorted by x, since the input was.
  for (std::size_t i = 1; i < points.size(); ++i) EXPECT_LT(points[i - 1].x, points[i].x);
}

TEST(Decimate, AVisibleRangeKeepsOneNeighbourOnEachSide) {
  Series s;
  for (int i = 0; i < 100; ++i) s.add(i, float(i));
  const auto points = s.decimate(40.5, 59.5, 100);
  ASSERT_EQ(points.size(), 21u);  // 41..59 plus 40 and 60
  EXPECT_EQ(points.front(), (ChartPoint{40, 40}));
  EXPECT_EQ(points.back(), (ChartPoint{60, 60}));
}

TEST(Decimate, EdgeCases) {
  Series empty;
  EXPECT_TRUE(empty.decimate(0, 10, 5).empty());

  Series one;
  one.add(3, 7);
  EXPECT_EQ(one.decimate(0, 10, 0), (std::vector<ChartPoint>{{3, 7}}));  // no buckets counts as one
  // A point exactly at the end of the range lands in the last bucket, not past it.
  Series edge;
  edge.add(0, 1);
  edge.add(10, 2);
  EXPECT_EQ(edge.decimate(0, 10, 10).size(), 2u);
  // A range of zero width holds the points at that x.
  EXPECT_EQ(edge.decimate(10, 10, 4), (std::vector<ChartPoint>{{0, 1}, {10, 2}}));
}

TEST(RecordSeries, KeepsChartedRecordsOnly) {
  auto record = [](std::uint8_t year, std::uint8_t second, std::uint32_t pressureRaw,
                   std::uint32_t temperatureRaw) {
    std::vector<std::uint8_t> r{year, 0x06, 0x15, 0x12, 0x30, second};
    for (std::uint32_t v : {temperatureRaw, pressureRaw, 0u}) {
      r.push_back(std::uint8_t(v >> 16));
      r.push_back(std::uint8_t(v >> 8));
      r.push_back(std::uint8_t(v));
    }
    r.push_back(100);
    return r;
  };
  std::vector<std::uint8_t> bytes;
  for (auto part : {record(0x26, 0x00, 1100000, 0xFFCFF4),  // 110 kPa, -1.23 degrees
                    record(0x26, 0x01, 20000, 1),           // 2.0 kPa: out of the water
                    record(0x26, 0x5A, 1100000, 1),         // no second 5A
                    record(0x26, 0x02, 20001, 123456)})
    bytes.insert(bytes.end(), part.begin(), part.end());
  bytes.push_back(0xAA);  // trailing checksum bytes are no record
  bytes.push_back(0xBB);

  RecordSeries series;
  series.append(bytes.data(), bytes.size(), DepthParameters{});
  ASSERT_EQ(series.size(), 2u);
  // 2026-06-15 12:30:00 UTC
  EXPECT_DOUBLE_EQ(series.timeMs[0], 1781526600000.0);
  EXPECT_DOUBLE_EQ(series.timeMs[1] - series.timeMs[0], 2000.0);
  EXPECT_FLOAT_EQ(series.temperature[0], -1.23f);
  EXPECT_FLOAT_EQ(series.pressure[0], 110.0f);
  EXPECT_FLOAT_EQ(series.waterHeight[0], float((110.0 - 100.0) / 1.025 / 9.8));
  EXPECT_FLOAT_EQ(series.temperature[1], 12.3456f);

  // With a barometric series covering only the first second, the other record has no height:
  // it stays in the temperature and pressure columns, and drawing leaves its height out.
  HeightOptions baro;
  baro.barometric = std::make_shared<const BarometricSeries>(
      *parseBarometricCsv("2026-06-15 12:29:00,101.0\n2026-06-15 12:30:00,101.0\n").series);
  HeightCalculator height(DepthParameters{}, baro);
  RecordSeries compensated;
  compensated.append(bytes.data(), bytes.size(), height);
  ASSERT_EQ(compensated.size(), 2u);
  EXPECT_FLOAT_EQ(compensated.waterHeight[0], float((110.0 - 101.0) / 1.025 / 9.8));
  EXPECT_TRUE(std::isnan(compensated.waterHeight[1]));
  EXPECT_FLOAT_EQ(compensated.pressure[1], 2.0001f);
  const std::vector<ChartPoint> drawn =
      decimateMinMax(compensated.timeMs.data(), compensated.waterHeight.data(), compensated.size(),
                     compensated.timeMs[0], compensated.timeMs[1], 10);
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].x, compensated.timeMs[0]);
}

}  // namespace
}  // namespace ql
