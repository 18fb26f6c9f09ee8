#include "status/clock_display.h"

namespace ql {

namespace {

int daysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return days[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace

DateTime nextSecond(const DateTime& dt) {
  DateTime next = dt;
  if (++next.second < 60) return next;
  next.second = 0;
  if (++next.minute < 60) return next;
  next.minute = 0;
  if (++next.hour < 24) return next;
  next.hour = 0;
  if (++next.day <= daysInMonth(next.year, next.month)) return next;
  next.day = 1;
  if (++next.month <= 12) return next;
  next.month = 1;
  ++next.year;
  return next;
}

std::optional<std::string> advancedClockText(const std::string& text) {
  if (text.size() < kClockTextLength) return std::nullopt;
  std::optional<DateTime> shown = parseDateTime(text);
  // The last second of year 9999 has no successor that fits the pattern.
  if (!shown || (shown->year == 9999 && shown->month == 12 && shown->day == 31 && shown->hour == 23 &&
                 shown->minute == 59 && shown->second == 59))
    return std::nullopt;
  return formatDateTime(nextSecond(*shown));
}

}  // namespace ql
