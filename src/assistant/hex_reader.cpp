#include "assistant/hex_reader.h"

#include <array>

namespace ql {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "00 " .. "FF ": three characters per byte value, so a dump is one table copy per byte.
constexpr std::array<char, 256 * 3> makeDumpTable() {
  constexpr char digits[] = "0123456789ABCDEF";
  std::array<char, 256 * 3> table{};
  for (int b = 0; b < 256; ++b) {
    table[b * 3] = digits[b >> 4];
    table[b * 3 + 1] = digits[b & 0x0F];
    table[b * 3 + 2] = ' ';
  }
  return table;
}
constexpr std::array<char, 256 * 3> kDumpTable = makeDumpTable();

}  // namespace

Bytes readHex(std::string_view text) {
  Bytes out;
  out.reserve(text.size() / 2 + 1);
  int high = -1;
  for (char c : text) {
    const int v = hexValue(c);
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<std::uint8_t>(high << 4 | v));
      high = -1;
    }
  }
  if (high >= 0) out.push_back(static_cast<std::uint8_t>(high << 4));  // odd count: pad with "0"
  return out;
}

std::string keepHexDigits(std::string_view text, std::size_t maxChars) {
  std::string out;
  const std::string_view head = text.substr(0, maxChars);
  for (char c : head) {
    if (hexValue(c) >= 0) out.push_back(c);
  }
  return out;
}

void appendHexDump(std::string& out, const std::uint8_t* data, std::size_t length) {
  const std::size_t start = out.size();
  out.resize(start + length * 3);
  char* p = out.data() + start;
  for (std::size_t i = 0; i < length; ++i, p += 3) {
    const char* entry = &kDumpTable[data[i] * 3];
    p[0] = entry[0];
    p[1] = entry[1];
    p[2] = entry[2];
  }
}

void appendHexDump(std::u16string& out, const std::uint8_t* data, std::size_t length) {
  const std::size_t start = out.size();
  out.resize(start + length * 3);
  char16_t* p = out.data() + start;
  for (std::size_t i = 0; i < length; ++i, p += 3) {
    const char* entry = &kDumpTable[data[i] * 3];
    p[0] = static_cast<char16_t>(entry[0]);
    p[1] = static_cast<char16_t>(entry[1]);
    p[2] = u' ';
  }
}

std::string hexDump(const Bytes& data) {
  std::string out;
  appendHexDump(out, data.data(), data.size());
  return out;
}

}  // namespace ql
