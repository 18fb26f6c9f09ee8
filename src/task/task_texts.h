#pragma once
// The derived texts of the task page: durations spelled out with the unit words of the language
// file, and the equivalent pressure of a depth interval.

#include <cstdint>
#include <string>

#include "runtime/texts.h"

namespace ql::task {

// "d day h hour m minute s second" for a whole number of seconds (the record intervals):
// 3725 -> "0 day 1 hour 2 minute 5 second" with the words of section BIT.
std::string secondsDurationText(std::int64_t seconds, const TextLookup& texts);
// The same for tenths of a second (the average interval), the seconds with one decimal:
// 12345 -> "0 day 0 hour 20 minute 34.5 second".
std::string tenthsDurationText(std::int64_t tenths, const TextLookup& texts);

// depth (m) x density (g/cm3) x gravity (m/s2) in kPa, as "0.000".
std::string equivalentPressureText(double depthMetres, double density, double gravity);

}  // namespace ql::task
