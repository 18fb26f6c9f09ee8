#include "link/bytes.h"

#include <algorithm>

namespace ql {

namespace {
int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

Bytes bytesFromHex(std::string_view hex) {
  Bytes out;
  int high = -1;
  for (char c : hex) {
    int v = hexValue(c);
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<std::uint8_t>(high * 16 + v));
      high = -1;
    }
  }
  return out;
}

std::string hexText(const std::uint8_t* data, std::size_t length) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(length * 3);
  for (std::size_t i = 0; i < length; ++i) {
    s += digits[data[i] >> 4];
    s += digits[data[i] & 0x0F];
    s += ' ';
  }
  return s;
}

bool startsWith(const Bytes& data, const Bytes& prefix) {
  return data.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), data.begin());
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace ql
