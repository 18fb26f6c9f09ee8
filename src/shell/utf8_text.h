#pragma once
// Counting and cutting UTF-8 text by characters, never inside a character.

#include <cstddef>
#include <string>

namespace ql {

// Number of characters (code points; a stray byte counts as one).
std::size_t utf8Length(const std::string& text);
// The first maxChars characters.
std::string utf8Prefix(const std::string& text, std::size_t maxChars);
// The longest prefix of at most maxBytes bytes that ends on a character boundary.
std::string utf8PrefixBytes(const std::string& text, std::size_t maxBytes);

}  // namespace ql
