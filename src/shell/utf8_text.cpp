#include "shell/utf8_text.h"

namespace ql {

namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Index just past the character that starts at i.
std::size_t nextCharacter(const std::string& text, std::size_t i) {
  ++i;
  while (i < text.size() && isContinuationByte(text[i])) ++i;
  return i;
}

}  // namespace

std::size_t utf8Length(const std::string& text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i = nextCharacter(text, i)) ++count;
  return count;
}

std::string utf8Prefix(const std::string& text, std::size_t maxChars) {
  std::size_t end = 0;
  for (std::size_t count = 0; end < text.size() && count < maxChars; ++count) {
    end = nextCharacter(text, end);
  }
  return text.substr(0, end);
}

std::string utf8PrefixBytes(const std::string& text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t end = maxBytes;
  while (end > 0 && isContinuationByte(text[end])) --end;
  return text.substr(0, end);
}

}  // namespace ql
