#pragma once
// A barometric series: the air pressure over time, to compensate the absolute pressure a
// water-level logger records. It comes from another data file (a logger left in air: its
// records' pressures with their stamps) or from a CSV file of readings.
//
// Accepted CSV (UTF-8 or ASCII, LF or CR LF line ends):
//   time,kPa                    optional header: a first line whose first character is no digit
//   2026-03-01 00:00:00,101.32  one reading a line: "yyyy-mm-dd hh:mm:ss,kPa"
//   2026-03-01T00:15:00,101.30  ISO 8601 with 'T' between date and time is accepted as well
// Blank lines are skipped. Times must rise strictly from line to line; a line out of order, a
// time that repeats the one before, a time or pressure that does not parse (or a pressure not
// above 0) refuses the whole file with the line's number. In a data file the same holds for its
// records (numbered from 1); records without a pressure reading (0) are left out.
//
// Times are wall-clock times as the loggers' clocks keep them, counted here as seconds since
// 1970-01-01 00:00:00 read as UTC, so that no time zone or daylight rule enters the comparison.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

struct BarometricSeries {
  std::string source;                 // the file the series was read from
  std::vector<std::int64_t> seconds;  // strictly rising
  std::vector<double> kpa;            // the air pressure at each time

  std::size_t size() const { return seconds.size(); }
};

struct BarometricLoad {
  std::optional<BarometricSeries> series;
  std::string problem;  // why the file was refused; empty when loaded
};

BarometricLoad parseBarometricCsv(std::string_view text);
// Whole 16-byte records at records (a shorter tail is ignored).
BarometricLoad barometricFromRecords(const std::uint8_t* records, std::size_t length);
// A data file when the name ends in ".wlr" (any case), else a CSV file. The series' source is path.
BarometricLoad loadBarometricFile(const std::string& path);

// The barometric pressure at a time, linearly interpolated between the two readings around it.
// None outside the series' span or between two readings further apart than maxGapSeconds: the
// series is never extrapolated. Calls with rising times walk the series once; an earlier time
// is found by a binary search.
class BarometricCursor {
 public:
  static constexpr std::int64_t kDefaultMaxGapSeconds = 2 * 3600;

  explicit BarometricCursor(const BarometricSeries& series,
                            std::int64_t maxGapSeconds = kDefaultMaxGapSeconds)
      : series_(series), maxGap_(maxGapSeconds) {}

  std::optional<double> at(std::int64_t seconds);

 private:
  const BarometricSeries& series_;
  std::int64_t maxGap_;
  std::size_t index_ = 0;  // series_.seconds[index_] <= the last time asked for
};

}  // namespace ql
