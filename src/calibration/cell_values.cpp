#include "calibration/cell_values.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace ql::calibration {

namespace {

std::string_view trimmed(const std::string& text) {
  std::string_view view(text);
  while (!view.empty() && (view.front() == ' ' || view.front() == '\t')) view.remove_prefix(1);
  while (!view.empty() && (view.back() == ' ' || view.back() == '\t' || view.back() == '\r'))
    view.remove_suffix(1);
  return view;
}

// from_chars takes "-" but not "+"; one leading "+" is allowed, a sign after it is not.
std::string_view withoutPlus(std::string_view view, bool& ok) {
  ok = true;
  if (!view.empty() && view.front() == '+') {
    view.remove_prefix(1);
    ok = !view.empty() && view.front() != '+' && view.front() != '-';
  }
  return view;
}

}  // namespace

std::optional<std::int64_t> cellInteger(const std::string& text) {
  bool ok = false;
  const std::string_view view = withoutPlus(trimmed(text), ok);
  if (!ok || view.empty()) return std::nullopt;
  std::int64_t value = 0;
  const auto [stop, error] = std::from_chars(view.data(), view.data() + view.size(), value);
  if (error != std::errc() || stop != view.data() + view.size()) return std::nullopt;
  return value;
}

std::optional<double> cellReal(const std::string& text) {
  bool ok = false;
  const std::string_view view = withoutPlus(trimmed(text), ok);
  if (!ok || view.empty()) return std::nullopt;
  double value = 0;
  const auto [stop, error] =
      std::from_chars(view.data(), view.data() + view.size(), value, std::chars_format::general);
  if (error != std::errc() || stop != view.data() + view.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace ql::calibration
