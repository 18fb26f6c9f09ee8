#pragma once
// Byte strings: frames, replies and binary fields. Zero bytes are ordinary content.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

using Bytes = std::vector<std::uint8_t>;

// "01 03 20 02" (blanks optional, either case) to bytes; a trailing odd digit is ignored.
Bytes bytesFromHex(std::string_view hex);
// Each byte as two upper-case digits followed by one blank: "01 03 20 ".
std::string hexText(const std::uint8_t* data, std::size_t length);
inline std::string hexText(const Bytes& b) { return hexText(b.data(), b.size()); }

bool startsWith(const Bytes& data, const Bytes& prefix);
Bytes concat(std::initializer_list<Bytes> parts);

}  // namespace ql
