#pragma once
// Reading the point tables' cell texts. A cell that does not read as a number gives nullopt and
// never throws: the caller decides whether that ends a scan or counts as 0.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace ql::calibration {

// A decimal number ("12", "-2.5", "1E3", "+0.5"), blanks around it allowed; nothing else.
std::optional<double> parseCellNumber(const std::string& text);
// An optional sign and decimal digits, blanks around them allowed.
std::optional<std::int64_t> parseCellInteger(const std::string& text);
// The number, or 0 when the text does not read as one.
double cellNumberOrZero(const std::string& text);
// The number of characters (not bytes) of a UTF-8 text: "longer than 2 characters" rules.
std::size_t characterCount(const std::string& utf8);

}  // namespace ql::calibration
