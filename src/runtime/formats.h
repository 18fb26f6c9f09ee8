#pragma once
// Date and number texts in the fixed patterns the program shows and stores.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace ql {

struct DateTime {
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Local time of a Unix time stamp, and back (nullopt for an impossible date).
DateTime localDateTime(std::time_t t);
std::optional<std::time_t> toTimeT(const DateTime& dt);
bool isValidDate(const DateTime& dt);

// "yyyy-mm-dd hh:mm:ss"
std::string formatDateTime(const DateTime& dt);
// "yyyymmddhhmmss"
std::string formatCompactStamp(const DateTime& dt);
// Parses "yyyy-mm-dd hh:mm:ss" (also with '/' between date parts); nullopt when invalid.
std::optional<DateTime> parseDateTime(const std::string& text);

// All number formats first take the value at 15 significant digits (so 1.005 is 1.005, not
// 1.00499...), then round half away from zero. A negative value that rounds to zero prints
// without "-". NaN and infinities print as "NAN", "INF", "-INF".

// Fixed decimals: formatFixed(1.23456, 3) == "1.235" ("0.000"), formatFixed(-0.0004, 3) == "0.000",
// formatFixed(2.5, 0) == "3".
std::string formatFixed(double value, int decimals);
// "0.0000000E+00": one digit, seven decimals, exponent with sign and at least two digits:
// 1234.5 -> "1.2345000E+03", 0 -> "0.0000000E+00", -0.00012 -> "-1.2000000E-04".
std::string formatScientific(double value);
// Shortest decimal text that reads back as the value at 15 significant digits (general format):
// 10 -> "10", 0.1 -> "0.1", 0.0001 -> "0.0001", -2.5 -> "-2.5". Exponent form when the decimal
// exponent is >= 15 or < -4, with no "+" and no leading zeros: 1e15 -> "1E15", 1e20 -> "1E20",
// 1.5e-7 -> "1.5E-7", 0.00001 -> "1E-5".
std::string formatShortest(double value);

}  // namespace ql
