#include "data/barometric_series.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>

#include "data/data_file.h"
#include "data/record_series.h"
#include "data/records.h"
#include "runtime/calendar.h"
#include "runtime/formats.h"

namespace ql {

namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

std::optional<std::int64_t> civilSeconds(std::string_view text) {
  std::string written(text);
  // ISO 8601: "yyyy-mm-ddThh:mm:ss".
  if (written.size() > 10 && written[10] == 'T') written[10] = ' ';
  const std::optional<DateTime> dt = parseDateTime(written);
  if (!dt) return std::nullopt;
  return daysFromCivil(dt->year, dt->month, dt->day) * 86400 + dt->hour * 3600 + dt->minute * 60 + dt->second;
}

std::optional<double> pressure(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
      value <= 0)
    return std::nullopt;
  return value;
}

// Appends one reading; the problem when its time does not follow the last one.
std::string append(BarometricSeries& series, std::int64_t seconds, double kpa, const std::string& where) {
  if (!series.seconds.empty() && seconds <= series.seconds.back()) {
    return where + (seconds == series.seconds.back() ? ": the time repeats the one before"
                                                     : ": the time is earlier than the one before");
  }
  series.seconds.push_back(seconds);
  series.kpa.push_back(kpa);
  return {};
}

BarometricLoad refused(std::string problem) {
  BarometricLoad load;
  load.problem = std::move(problem);
  return load;
}

BarometricLoad loaded(BarometricSeries series) {
  if (series.seconds.empty()) return refused("no barometric readings");
  BarometricLoad load;
  load.series = std::move(series);
  return load;
}

}  // namespace

BarometricLoad parseBarometricCsv(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte order mark
  BarometricSeries series;
  bool firstLine = true;
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    if (line.empty()) continue;
    const bool header = firstLine && !std::isdigit(static_cast<unsigned char>(line.front()));
    firstLine = false;
    if (header) continue;

    const std::string where = "line " + std::to_string(lineNumber);
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) return refused(where + ": not \"time,kPa\"");
    const std::optional<std::int64_t> seconds = civilSeconds(trimmed(line.substr(0, comma)));
    if (!seconds) return refused(where + ": the time does not read as yyyy-mm-dd hh:mm:ss");
    const std::optional<double> kpa = pressure(trimmed(line.substr(comma + 1)));
    if (!kpa) return refused(where + ": the pressure does not read as a number of kPa above 0");
    if (std::string problem = append(series, *seconds, *kpa, where); !problem.empty())
      return refused(problem);
  }
  return loaded(std::move(series));
}

BarometricLoad barometricFromRecords(const std::uint8_t* records, std::size_t length) {
  BarometricSeries series;
  const std::size_t count = length / Record::kSize;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* bytes = records + i * Record::kSize;
    const Record record = decodeRecord(bytes);
    if (record.pressureRaw == 0) continue;  // no reading
    const std::string where = "record " + std::to_string(i + 1);
    const std::optional<std::int64_t> seconds = stampSeconds(bytes);
    if (!seconds) return refused(where + ": the time stamp is no valid date and time");
    if (std::string problem = append(series, *seconds, record.pressure(), where); !problem.empty())
      return refused(problem);
  }
  return loaded(std::move(series));
}

BarometricLoad loadBarometricFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return refused(path + " cannot be read");
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string extension = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });

  BarometricLoad load;
  if (extension == ".wlr") {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (!DataFileHeader::decode(data, bytes.size())) return refused(path + " is not a data file");
    load = barometricFromRecords(data + DataFileHeader::kSize, bytes.size() - DataFileHeader::kSize);
  } else {
    load = parseBarometricCsv(bytes);
  }
  if (load.series) {
    load.series->source = path;
  } else {
    load.problem = path + ", " + load.problem;
  }
  return load;
}

std::optional<double> BarometricCursor::at(std::int64_t t) {
  const std::vector<std::int64_t>& s = series_.seconds;
  if (s.empty() || t < s.front() || t > s.back()) return std::nullopt;
  if (index_ >= s.size() || s[index_] > t) {
    // Back in time: search from the start.
    index_ = static_cast<std::size_t>(std::upper_bound(s.begin(), s.end(), t) - s.begin()) - 1;
  } else if (index_ + 1 < s.size() && s[index_ + 1] <= t) {
    // Forward: a few steps are the usual case; a long jump is searched.
    std::size_t steps = 0;
    while (index_ + 1 < s.size() && s[index_ + 1] <= t && ++steps < 8) ++index_;
    if (index_ + 1 < s.size() && s[index_ + 1] <= t)
      index_ =
          static_cast<std::size_t>(
              std::upper_bound(s.begin() + static_cast<std::ptrdiff_t>(index_), s.end(), t) - s.begin()) -
          1;
  }
  const double before = series_.kpa[index_];
  if (s[index_] == t) return before;
  // t lies strictly between index_ and the next reading (t <= s.back() and s[index_] < t).
  const std::size_t next = index_ + 1;
  const std::int64_t span = s[next] - s[index_];
  if (span > maxGap_) return std::nullopt;
  const double fraction = double(t - s[index_]) / double(span);
  return before + (series_.kpa[next] - before) * fraction;
}

}  // namespace ql
