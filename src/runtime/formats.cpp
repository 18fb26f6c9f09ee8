#include "runtime/formats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ql {

namespace {

// A finite, non-negative value as decimal digits: value = 0.d1d2d3... x 10^pointPosition.
struct Decimal {
  std::string digits;  // no leading zeros; empty for zero
  int pointPosition = 0;
};

// The value rounded to 15 significant digits (what a double holds reliably), trailing zeros
// dropped. Rounding at this precision first is what makes 1.005 read as 1.005, not 1.00499...
Decimal toDecimal15(double magnitude) {
  Decimal d;
  if (magnitude == 0) return d;
  char text[40];
  std::snprintf(text, sizeof text, "%.14e", magnitude);  // "d.dddddddddddddde+XX"
  std::string mantissa(text, 16);
  d.digits = mantissa.substr(0, 1) + mantissa.substr(2);
  d.pointPosition = std::atoi(text + 17) + 1;
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// Keeps `count` digits of d (count may be <= 0), rounding half away from zero on the decimal
// digits. May carry into a new leading digit, moving the point.
void roundDigits(Decimal& d, int count) {
  if (static_cast<int>(d.digits.size()) <= count) return;
  if (count < 0) {
    d.digits.clear();
    return;
  }
  const bool roundUp = d.digits[count] >= '5';
  d.digits.resize(count);
  if (roundUp) {
    int i = count - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.pointPosition;
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.pointPosition = 0;
}

char digitAt(const Decimal& d, int index) {
  return index >= 0 && index < static_cast<int>(d.digits.size()) ? d.digits[index] : '0';
}

std::string nonFinite(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

std::string twoDigits(int v) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", v);
  return text;
}

// Fixed notation of d with `decimals` places (d already rounded to fit).
std::string fixedDigits(const Decimal& d, int decimals) {
  std::string out;
  if (d.pointPosition <= 0) {
    out = "0";
  } else {
    for (int i = 0; i < d.pointPosition; ++i) out += digitAt(d, i);
  }
  if (decimals > 0) {
    out += '.';
    for (int i = 0; i < decimals; ++i) out += digitAt(d, d.pointPosition + i);
  }
  return out;
}

}  // namespace

DateTime localDateTime(std::time_t t) {
  std::tm parts{};
  localtime_r(&t, &parts);
  return DateTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                  parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

bool isValidDate(const DateTime& dt) {
  static const int daysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (dt.year < 1 || dt.year > 9999 || dt.month < 1 || dt.month > 12) return false;
  const bool leap = (dt.year % 4 == 0 && dt.year % 100 != 0) || dt.year % 400 == 0;
  const int lastDay = daysInMonth[dt.month - 1] + (dt.month == 2 && leap ? 1 : 0);
  return dt.day >= 1 && dt.day <= lastDay && dt.hour >= 0 && dt.hour <= 23 && dt.minute >= 0 &&
         dt.minute <= 59 && dt.second >= 0 && dt.second <= 59;
}

std::optional<std::time_t> toTimeT(const DateTime& dt) {
  if (!isValidDate(dt)) return std::nullopt;
  std::tm parts{};
  parts.tm_year = dt.year - 1900;
  parts.tm_mon = dt.month - 1;
  parts.tm_mday = dt.day;
  parts.tm_hour = dt.hour;
  parts.tm_min = dt.minute;
  parts.tm_sec = dt.second;
  parts.tm_isdst = -1;  // let the C library decide for this date
  const std::time_t t = std::mktime(&parts);
  if (t == static_cast<std::time_t>(-1) && !(dt == localDateTime(-1))) return std::nullopt;
  return t;
}

std::string formatDateTime(const DateTime& dt) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", dt.year, dt.month, dt.day, dt.hour,
                dt.minute, dt.second);
  return text;
}

std::string formatCompactStamp(const DateTime& dt) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", dt.year, dt.month, dt.day, dt.hour, dt.minute,
                dt.second);
  return text;
}

std::optional<DateTime> parseDateTime(const std::string& text) {
  // Accepts blanks around the text and one or two digits in every field but the 4-digit year.
  std::size_t pos = 0;
  const auto skipBlanks = [&] {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  };
  const auto number = [&](int minDigits, int maxDigits, int& out) {
    int count = 0;
    out = 0;
    while (pos < text.size() && count < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
      out = out * 10 + (text[pos++] - '0');
      ++count;
    }
    return count >= minDigits;
  };
  const auto expect = [&](char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
  };
  DateTime dt;
  skipBlanks();
  if (!number(4, 4, dt.year)) return std::nullopt;
  const char dateSeparator = pos < text.size() && text[pos] == '/' ? '/' : '-';
  if (!expect(dateSeparator) || !number(1, 2, dt.month) || !expect(dateSeparator) || !number(1, 2, dt.day)) {
    return std::nullopt;
  }
  const std::size_t beforeBlanks = pos;
  skipBlanks();
  if (pos == beforeBlanks) return std::nullopt;
  if (!number(1, 2, dt.hour) || !expect(':') || !number(1, 2, dt.minute) || !expect(':') ||
      !number(1, 2, dt.second)) {
    return std::nullopt;
  }
  skipBlanks();
  if (pos != text.size() || !isValidDate(dt)) return std::nullopt;
  return dt;
}

std::string formatFixed(double value, int decimals) {
  if (!std::isfinite(value)) return nonFinite(value);
  if (decimals < 0) decimals = 0;
  Decimal d = toDecimal15(std::fabs(value));
  roundDigits(d, d.pointPosition + decimals);
  // Negative values that round to zero print without a sign.
  const bool negative = value < 0 && !d.digits.empty();
  return (negative ? "-" : "") + fixedDigits(d, decimals);
}

std::string formatScientific(double value) {
  if (!std::isfinite(value)) return nonFinite(value);
  Decimal d = toDecimal15(std::fabs(value));
  roundDigits(d, 8);
  const bool negative = value < 0 && !d.digits.empty();
  const int exponent = d.digits.empty() ? 0 : d.pointPosition - 1;
  std::string out = negative ? "-" : "";
  out += digitAt(d, 0);
  out += '.';
  for (int i = 1; i < 8; ++i) out += digitAt(d, i);
  out += exponent < 0 ? "E-" : "E+";
  out += twoDigits(std::abs(exponent));
  return out;
}

std::string formatShortest(double value) {
  if (!std::isfinite(value)) return nonFinite(value);
  const Decimal d = toDecimal15(std::fabs(value));
  if (d.digits.empty()) return "0";
  const std::string sign = value < 0 ? "-" : "";
  const int exponent = d.pointPosition - 1;  // value = d.ddd x 10^exponent
  if (exponent >= 15 || exponent < -4) {     // 1E15 and 1E-5 switch to exponent form
    std::string out = sign + d.digits.substr(0, 1);
    if (d.digits.size() > 1) out += "." + d.digits.substr(1);
    return out + "E" + std::to_string(exponent);
  }
  const int decimals = std::max(0, static_cast<int>(d.digits.size()) - d.pointPosition);
  return sign + fixedDigits(d, decimals);
}

}  // namespace ql
