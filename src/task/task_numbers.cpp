#include "task/task_numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "runtime/encoding.h"

namespace ql::task {

namespace {

// Length of the UTF-8 sequence that starts with this byte (1 for stray bytes).
std::size_t sequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Each character's end offset, in order.
template <typename Visit>
void forEachCharacterEnd(const std::string& utf8, Visit visit) {
  std::size_t at = 0;
  while (at < utf8.size()) {
    at = std::min(utf8.size(), at + sequenceLength(static_cast<unsigned char>(utf8[at])));
    if (!visit(at)) return;
  }
}

}  // namespace

std::optional<std::int64_t> parseInteger(const std::string& text) {
  std::size_t begin = 0;
  if (!text.empty() && text[0] == '+') begin = 1;
  if (begin < text.size() && text[begin] == '+') return std::nullopt;
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data() + begin, end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<double> parseReal(const std::string& text) {
  std::size_t begin = 0;
  if (!text.empty() && text[0] == '+') begin = 1;
  if (begin < text.size() && (text[begin] == '+' || text[begin] == '-') && begin == 1) return std::nullopt;
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data() + begin, end, value, std::chars_format::general);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string firstCharacters(const std::string& utf8, std::size_t count) {
  std::size_t cut = 0;
  std::size_t taken = 0;
  forEachCharacterEnd(utf8, [&](std::size_t end) {
    if (taken == count) return false;
    ++taken;
    cut = end;
    return true;
  });
  return utf8.substr(0, cut);
}

std::string prefixFittingGbk(const std::string& utf8, std::size_t bytes) {
  std::size_t cut = 0;
  forEachCharacterEnd(utf8, [&](std::size_t end) {
    if (utf8ToGbk(utf8.substr(0, end)).size() > bytes) return false;
    cut = end;
    return true;
  });
  return utf8.substr(0, cut);
}

}  // namespace ql::task
