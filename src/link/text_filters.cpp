#include "link/text_filters.h"

namespace ql {

std::string KeepDigits(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c >= '0' && c <= '9') out += c;
  return out;
}

namespace {
// Removes every `c` after the first one.
std::string keepFirstOnly(const std::string& text, char c) {
  std::string out;
  bool seen = false;
  for (char ch : text) {
    if (ch == c) {
      if (seen) continue;
      seen = true;
    }
    out += ch;
  }
  return out;
}
}  // namespace

std::string KeepNumberChars(const std::string& text) {
  std::string out;
  for (char c : text)
    if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e') out += c;
  out = keepFirstOnly(out, '.');
  if (!out.empty() && out[0] == '.') out.insert(out.begin(), '0');
  return keepFirstOnly(out, '+');
}

std::string KeepPrintable(const std::string& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (b >= 0x20 && b <= 0x7F) {
      out += bytes[i];
    } else if (b > 0x80 && i + 1 < bytes.size()) {
      out += bytes[i];
      out += bytes[i + 1];
      ++i;
    }
  }
  return out;
}

}  // namespace ql
