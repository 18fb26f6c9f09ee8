#pragma once
// Reading the page's texts as numbers, and the input cuts of its fields. A text that is not a
// number gives nullopt: the caller keeps what it showed before.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace ql::task {

// An optional sign and decimal digits, nothing else.
std::optional<std::int64_t> parseInteger(const std::string& text);
// A decimal number ("1", "-2.5", "1e3", "+0.5"); nothing else around it.
std::optional<double> parseReal(const std::string& text);

// The first `count` characters of a UTF-8 text.
std::string firstCharacters(const std::string& utf8, std::size_t count);
// The longest prefix of a UTF-8 text whose GBK form takes at most `bytes` bytes.
std::string prefixFittingGbk(const std::string& utf8, std::size_t bytes);

}  // namespace ql::task
