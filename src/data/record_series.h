#pragma once
// The records of a data file as columns for a chart: time and the three charted values. Only
// records a chart shows are kept: a plausible stamp and a pressure above 2 kPa (out of the water
// or no reading otherwise).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "data/height_method.h"
#include "data/records.h"
#include "data/water_height.h"

namespace ql {

struct RecordSeries {
  // Records with a pressure of this or less are left out of every series.
  static constexpr double kMinimumPressureKpa = 2.0;

  // Milliseconds since 1970 of the stamp read as UTC (the chart shows it as it stands).
  std::vector<double> timeMs;
  std::vector<float> temperature;  // degrees Celsius, negative above 0x400000
  std::vector<float> pressure;     // kPa
  std::vector<float> waterHeight;  // metres, with the depth parameters given

  std::size_t size() const { return timeMs.size(); }
  void clear();
  void reserve(std::size_t records);
  // Appends the charted records among length / 16 whole records at bytes.
  void append(const std::uint8_t* bytes, std::size_t length, const DepthParameters& depth);
  void append(const Record& record, const DepthParameters& depth);
  // The same with a height choice beyond the fixed formula; a record the barometric series does
  // not cover has a NaN height, which a chart leaves out.
  void append(const std::uint8_t* bytes, std::size_t length, HeightCalculator& height);
  void append(const Record& record, HeightCalculator& height);
};

// The stamp of a record as milliseconds since 1970 (read as UTC); nullopt when a field is no
// plausible date or time (year 2000..2099 by its BCD digits, month 1..12, day 1..31, ...).
std::optional<double> stampMilliseconds(const std::array<std::uint8_t, 6>& stamp);
// The same stamp (six bytes at stamp) in whole seconds since 1970, read as UTC.
std::optional<std::int64_t> stampSeconds(const std::uint8_t* stamp);

}  // namespace ql
