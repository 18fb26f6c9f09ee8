#include "task/task_time.h"

namespace ql::task {

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int yearOfEra = static_cast<int>(year - era * 400);
  const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// The civil date of a day count from 1970-01-01.
void civilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int dayOfEra = static_cast<int>(days - era * 146097);
  const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int monthIndex = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

}  // namespace

std::int64_t calendarSeconds(const DateTime& dt) {
  return daysFromCivil(dt.year, dt.month, dt.day) * 86400 + dt.hour * 3600 + dt.minute * 60 + dt.second;
}

DateTime fromCalendarSeconds(std::int64_t seconds) {
  const std::int64_t days = floorDiv(seconds, 86400);
  const int inDay = static_cast<int>(seconds - days * 86400);
  DateTime dt;
  civilFromDays(days, dt.year, dt.month, dt.day);
  dt.hour = inDay / 3600;
  dt.minute = inDay % 3600 / 60;
  dt.second = inDay % 60;
  return dt;
}

DateTime addSeconds(const DateTime& dt, std::int64_t seconds) {
  return fromCalendarSeconds(calendarSeconds(dt) + seconds);
}

std::int64_t secondsBetween(const DateTime& earlier, const DateTime& later) {
  return calendarSeconds(later) - calendarSeconds(earlier);
}

bool isTaskDate(const DateTime& dt) {
  return isValidDate(dt) && dt.year >= kFirstTaskYear && dt.year <= kLastTaskYear;
}

DateTime presetStart(const DateTime& now) {
  const std::int64_t earliest = calendarSeconds(now) + 60;
  const std::int64_t pastMinute = earliest - floorDiv(earliest, 60) * 60;
  return fromCalendarSeconds(earliest + (60 - pastMinute) % 60);
}

DateTime presetEnd(const DateTime& start) { return addSeconds(start, 120); }

}  // namespace ql::task
