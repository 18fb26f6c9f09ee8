#pragma once
// Numbers typed into the workbench's edits. A text that does not convert gives nullopt, never an
// exception; blanks around the number are allowed, the period is the decimal separator.

#include <cstdint>
#include <optional>
#include <string>

namespace ql::calibration {

// The text with every blank (space, tab) removed: what the emptiness rules look at.
std::string withoutBlanks(const std::string& text);

// "1", "-2.5", "1.5E-3", ".5", "+4": a finite decimal number, nothing else around it.
std::optional<double> parseEditNumber(const std::string& text);
// A number that fits a single-precision value (what goes on the wire).
std::optional<float> parseEditSingle(const std::string& text);
// Optional sign and decimal digits within the signed 32-bit range.
std::optional<std::int32_t> parseEditInteger(const std::string& text);

}  // namespace ql::calibration
