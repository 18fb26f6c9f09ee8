#pragma once
// Wall-clock arithmetic on the task's date-times. The pickers hold local dates and times, and a
// task lasts from one wall-clock reading to another, so differences are taken on the calendar
// (every day 86400 s) rather than through the time zone.

#include <cstdint>

#include "runtime/formats.h"

namespace ql::task {

// Seconds from 1970-01-01 00:00:00 to dt on the calendar.
std::int64_t calendarSeconds(const DateTime& dt);
DateTime fromCalendarSeconds(std::int64_t seconds);
DateTime addSeconds(const DateTime& dt, std::int64_t seconds);
// later - earlier in seconds.
std::int64_t secondsBetween(const DateTime& earlier, const DateTime& later);

// The logger keeps years as year - 2000 in one byte and shows them as "20" and two digits.
inline constexpr int kFirstTaskYear = 2000;
inline constexpr int kLastTaskYear = 2099;
// A valid date in the years the logger can hold.
bool isTaskDate(const DateTime& dt);

// The preset start: the first whole minute at least one minute after now.
DateTime presetStart(const DateTime& now);
// The preset end: two minutes after the start.
DateTime presetEnd(const DateTime& start);

}  // namespace ql::task
