// Averaging of the AD sample rings: empty slots, truncation, the wrapping index and the window.

#include "calibration/sample_rings.h"

#include <gtest/gtest.h>

namespace ql::calibration {
namespace {

void storePressureAndTemperature(SampleRings& rings, std::int32_t pressure, std::int32_t temperature) {
  rings.store({temperature, pressure, 0, 0});
}

TEST(SampleRings, ZeroSamplesAreNotCountedAndTheMeanTruncatesTowardZero) {
  SampleRings rings;
  ASSERT_EQ(rings.window(), 20);
  const std::int32_t pressure[] = {1000, 0, 1001, 1003, 1001};
  const std::int32_t temperature[] = {-10, -11, 0, 0, 0};
  for (int i = 0; i < 5; ++i) storePressureAndTemperature(rings, pressure[i], temperature[i]);

  EXPECT_EQ(rings.RingAverage(SampleRings::kPressure), 1001);  // 4005 / 4
  EXPECT_EQ(rings.SampleCount(), 4);
  EXPECT_EQ(rings.RingAverage(SampleRings::kTemperature1), -10);  // -21 / 2, not -11
  EXPECT_EQ(rings.SampleCount(), 2);
  EXPECT_EQ(rings.RingAverage(SampleRings::kTemperature2), 0);  // nothing stored: no division
  EXPECT_EQ(rings.SampleCount(), 0);
}

TEST(SampleRings, LargeCodesAreSummedWithoutOverflow) {
  SampleRings rings;
  for (int i = 0; i < 20; ++i) rings.store({0, 2'000'000'000, 0, 0});
  EXPECT_EQ(rings.RingAverage(SampleRings::kPressure), 2'000'000'000);
  EXPECT_EQ(rings.SampleCount(), 20);
}

TEST(SampleRings, TheIndexWrapsAtTheWindowSoTheOldestSamplesAreReplaced) {
  SampleRings rings;
  rings.setWindow(10);
  for (int value = 1; value <= 12; ++value) rings.store({0, value, 0, 0});
  EXPECT_EQ(rings.SampleIndex(), 2);
  // Slots hold 11, 12, 3..10.
  EXPECT_EQ(rings.RingAverage(SampleRings::kPressure), 75 / 10);
  EXPECT_EQ(rings.SampleCount(), 10);
}

TEST(SampleRings, ChangingTheWindowEmptiesTheRingsAndKeepsItInRange) {
  SampleRings rings;
  for (int i = 0; i < 7; ++i) rings.store({1, 2, 3, 4});
  rings.setWindow(35);
  EXPECT_EQ(rings.window(), 35);
  EXPECT_EQ(rings.SampleIndex(), 0);
  EXPECT_EQ(rings.RingAverage(SampleRings::kReference), 0);
  EXPECT_EQ(rings.SampleCount(), 0);

  rings.setWindow(5);
  EXPECT_EQ(rings.window(), 10);
  rings.setWindow(600);
  EXPECT_EQ(rings.window(), 60);
  // The largest window averages 60 slots.
  for (int i = 0; i < 60; ++i) rings.store({0, 0, 0, i + 1});
  EXPECT_EQ(rings.RingAverage(SampleRings::kTemperature2), 1830 / 60);
  EXPECT_EQ(rings.SampleCount(), 60);
}

}  // namespace
}  // namespace ql::calibration
