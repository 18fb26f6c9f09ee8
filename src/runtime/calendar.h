#pragma once
// Civil calendar arithmetic (proleptic Gregorian), independent of the time zone: every day has
// 86400 seconds. Used where dates are counted, not shown.

#include <cstdint>

namespace ql {

// Days from 1970-01-01 to year-month-day.
std::int64_t daysFromCivil(int year, int month, int day);
// The date of a day count from 1970-01-01.
void civilFromDays(std::int64_t days, int& year, int& month, int& day);

}  // namespace ql
