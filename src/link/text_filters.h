#pragma once
// Filters that clean user input and device names before they are used.

#include <string>

namespace ql {

// Only the characters 0..9, in order.
std::string KeepDigits(const std::string& text);
// Digits and + - . E e; only the first '.' and the first '+' survive; a leading '.' gets a "0".
std::string KeepNumberChars(const std::string& text);
// Bytes 0x20..0x7F, and a byte above 0x80 together with the byte after it (a double-byte
// character); control bytes, 0x80 and a lone last lead byte are dropped.
std::string KeepPrintable(const std::string& bytes);

}  // namespace ql
