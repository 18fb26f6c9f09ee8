#include "data/record_series.h"

#include <cmath>

#include "runtime/calendar.h"

namespace ql {

namespace {

// Two BCD digits; -1 when a nibble is no digit.
int bcdValue(std::uint8_t byte) {
  const int high = byte >> 4;
  const int low = byte & 0x0F;
  if (high > 9 || low > 9) return -1;
  return high * 10 + low;
}

}  // namespace

std::optional<std::int64_t> stampSeconds(const std::uint8_t* stamp) {
  const int year = bcdValue(stamp[0]);
  const int month = bcdValue(stamp[1]);
  const int day = bcdValue(stamp[2]);
  const int hour = bcdValue(stamp[3]);
  const int minute = bcdValue(stamp[4]);
  const int second = bcdValue(stamp[5]);
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 59)
    return std::nullopt;
  const std::int64_t days = daysFromCivil(2000 + year, month, day);
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::optional<double> stampMilliseconds(const std::array<std::uint8_t, 6>& stamp) {
  const std::optional<std::int64_t> seconds = stampSeconds(stamp.data());
  if (!seconds) return std::nullopt;
  return double(*seconds * 1000);
}

void RecordSeries::clear() {
  timeMs.clear();
  temperature.clear();
  pressure.clear();
  waterHeight.clear();
}

void RecordSeries::reserve(std::size_t records) {
  timeMs.reserve(records);
  temperature.reserve(records);
  pressure.reserve(records);
  waterHeight.reserve(records);
}

void RecordSeries::append(const Record& record, const DepthParameters& depth) {
  const double kpa = record.pressure();
  if (!(kpa > kMinimumPressureKpa)) return;
  const std::optional<double> time = stampMilliseconds(record.stamp);
  if (!time) return;
  timeMs.push_back(*time);
  temperature.push_back(float(record.temperature()));
  pressure.push_back(float(kpa));
  waterHeight.push_back(float(waterHeightMetres(kpa, depth)));
}

void RecordSeries::append(const Record& record, HeightCalculator& height) {
  const double kpa = record.pressure();
  if (!(kpa > kMinimumPressureKpa)) return;
  const std::optional<double> time = stampMilliseconds(record.stamp);
  if (!time) return;
  timeMs.push_back(*time);
  temperature.push_back(float(record.temperature()));
  pressure.push_back(float(kpa));
  waterHeight.push_back(float(height.metres(record).value_or(std::nan(""))));
}

void RecordSeries::append(const std::uint8_t* bytes, std::size_t length, HeightCalculator& height) {
  for (std::size_t offset = 0; offset + Record::kSize <= length; offset += Record::kSize)
    append(decodeRecord(bytes + offset), height);
}

void RecordSeries::append(const std::uint8_t* bytes, std::size_t length, const DepthParameters& depth) {
  for (std::size_t offset = 0; offset + Record::kSize <= length; offset += Record::kSize)
    append(decodeRecord(bytes + offset), depth);
}

}  // namespace ql
