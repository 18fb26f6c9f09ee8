#pragma once
// The converters of the extension panel: a decimal number and the byte images of its IEEE-754
// single and double, most significant byte first, as upper-case hexadecimal digits. A conversion
// that cannot be made returns nullopt and the target field keeps its text.

#include <optional>
#include <string>
#include <string_view>

namespace ql {

// "1" -> "3F800000". Nullopt for an empty or unparsable text.
std::optional<std::string> decimalToSingleHex(std::string_view decimal);
// "1" -> "3FF0000000000000".
std::optional<std::string> decimalToDoubleHex(std::string_view decimal);
// Exactly 8 digits -> the value in the shortest general form ("3F800000" -> "1").
std::optional<std::string> singleHexToDecimal(std::string_view digits);
// Exactly 16 digits -> the value in the shortest general form.
std::optional<std::string> doubleHexToDecimal(std::string_view digits);

// What the decimal field keeps of a typed text: digits and - . E e, only the first ".", and a
// "0" before a leading ".".
std::string filterDecimalField(std::string_view text);

}  // namespace ql
