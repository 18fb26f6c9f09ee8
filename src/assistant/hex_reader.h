#pragma once
// Hexadecimal text typed by the user, and the hexadecimal dump the assistant shows.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "link/bytes.h"

namespace ql {

// Keeps only the digits 0-9, A-F, a-f in order; an odd count is padded with a trailing "0";
// each pair is one byte. "01 0g 2" -> 01 02, "1 2 3" -> 12 30. Reads all of the input, however
// long: a long frame is never cut or dropped.
Bytes readHex(std::string_view text);

// The hexadecimal digits among the first maxChars characters of text, in order (edit filters).
std::string keepHexDigits(std::string_view text, std::size_t maxChars = std::string_view::npos);

// Each byte as two upper-case digits and one blank, appended to out ("41 42 ").
void appendHexDump(std::string& out, const std::uint8_t* data, std::size_t length);
std::string hexDump(const Bytes& data);
// The same dump in UTF-16, as the receive area holds it.
void appendHexDump(std::u16string& out, const std::uint8_t* data, std::size_t length);

}  // namespace ql
