#include "calibration/edit_number.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace ql::calibration {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// from_chars takes no leading '+'; one is allowed here, but not "+-1" or "++1".
std::string withoutPlus(const std::string& text) {
  if (text.size() > 1 && text[0] == '+' && text[1] != '+' && text[1] != '-') return text.substr(1);
  return text;
}

}  // namespace

std::string withoutBlanks(const std::string& text) {
  std::string out;
  for (char c : text)
    if (!isBlank(c)) out += c;
  return out;
}

std::optional<double> parseEditNumber(const std::string& text) {
  const std::string number = withoutPlus(trimmed(text));
  // Only digits, sign, point and exponent: from_chars would also take "inf" and "nan".
  for (char c : number) {
    if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'))
      return std::nullopt;
  }
  double value = 0;
  const char* end = number.data() + number.size();
  const auto [stop, error] = std::from_chars(number.data(), end, value, std::chars_format::general);
  if (number.empty() || error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<float> parseEditSingle(const std::string& text) {
  std::optional<double> value = parseEditNumber(text);
  if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(*value);
}

std::optional<std::int32_t> parseEditInteger(const std::string& text) {
  const std::string number = withoutPlus(trimmed(text));
  std::int32_t value = 0;
  const char* end = number.data() + number.size();
  const auto [stop, error] = std::from_chars(number.data(), end, value);
  if (number.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

}  // namespace ql::calibration
