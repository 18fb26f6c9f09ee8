#include "task/task_time.h"

#include "runtime/calendar.h"

namespace ql::task {

namespace {

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
