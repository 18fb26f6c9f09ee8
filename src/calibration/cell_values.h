#pragma once
// Guarded reading of table cells and field texts as numbers: a text that is not a number gives
// nullopt and never throws, so the caller leaves its dependent result as it was.

#include <cstdint>
#include <optional>
#include <string>

namespace ql::calibration {

// An optional sign and decimal digits; blanks around the number are allowed.
std::optional<std::int64_t> cellInteger(const std::string& text);
// A finite decimal number ("12", "-2.5", "1E3"); blanks around it are allowed.
std::optional<double> cellReal(const std::string& text);

}  // namespace ql::calibration
