#include "calibration/cell_text.h"

#include <charconv>
#include <cmath>

namespace ql::calibration {

namespace {

std::string_view trimmed(const std::string& text) {
  std::string_view view(text);
  while (!view.empty() && (view.front() == ' ' || view.front() == '\t')) view.remove_prefix(1);
  while (!view.empty() && (view.back() == ' ' || view.back() == '\t')) view.remove_suffix(1);
  return view;
}

// from_chars takes no leading '+'; a second sign after it is not a number.
std::string_view withoutPlus(std::string_view view) {
  if (!view.empty() && view.front() == '+') {
    view.remove_prefix(1);
    if (!view.empty() && (view.front() == '+' || view.front() == '-')) return {};
  }
  return view;
}

}  // namespace

std::optional<double> parseCellNumber(const std::string& text) {
  const std::string_view view = withoutPlus(trimmed(text));
  if (view.empty()) return std::nullopt;
  double value = 0;
  const char* end = view.data() + view.size();
  const auto [stop, error] = std::from_chars(view.data(), end, value, std::chars_format::general);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::int64_t> parseCellInteger(const std::string& text) {
  const std::string_view view = withoutPlus(trimmed(text));
  if (view.empty()) return std::nullopt;
  std::int64_t value = 0;
  const char* end = view.data() + view.size();
  const auto [stop, error] = std::from_chars(view.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

double cellNumberOrZero(const std::string& text) { return parseCellNumber(text).value_or(0.0); }

std::size_t characterCount(const std::string& utf8) {
  std::size_t count = 0;
  for (unsigned char byte : utf8)
    if ((byte & 0xC0) != 0x80) ++count;
  return count;
}

}  // namespace ql::calibration
