#include "assistant/number_converter.h"

#include <charconv>
#include <cstdint>
#include <cstring>

#include "assistant/hex_reader.h"
#include "runtime/formats.h"

namespace ql {
namespace {

template <typename Float>
std::optional<Float> parseDecimal(std::string_view text) {
  if (text.empty()) return std::nullopt;
  Float value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

template <typename Unsigned>
std::string upperHex(Unsigned bits) {
  constexpr int digits = sizeof(Unsigned) * 2;
  std::string out(digits, '0');
  for (int i = digits - 1; i >= 0; --i, bits >>= 4) out[i] = "0123456789ABCDEF"[bits & 0xF];
  return out;
}

template <typename Unsigned>
std::optional<Unsigned> parseExactHex(std::string_view digits) {
  if (digits.size() != sizeof(Unsigned) * 2 || keepHexDigits(digits).size() != digits.size()) {
    return std::nullopt;
  }
  Unsigned bits{};
  std::from_chars(digits.data(), digits.data() + digits.size(), bits, 16);
  return bits;
}

}  // namespace

std::optional<std::string> decimalToSingleHex(std::string_view decimal) {
  const auto value = parseDecimal<float>(decimal);  // the nearest single, rounded once
  if (!value) return std::nullopt;
  std::uint32_t bits;
  std::memcpy(&bits, &*value, sizeof bits);
  return upperHex(bits);
}

std::optional<std::string> decimalToDoubleHex(std::string_view decimal) {
  const auto value = parseDecimal<double>(decimal);
  if (!value) return std::nullopt;
  std::uint64_t bits;
  std::memcpy(&bits, &*value, sizeof bits);
  return upperHex(bits);
}

std::optional<std::string> singleHexToDecimal(std::string_view digits) {
  const auto bits = parseExactHex<std::uint32_t>(digits);
  if (!bits) return std::nullopt;
  float value;
  std::memcpy(&value, &*bits, sizeof value);
  return formatShortest(value);
}

std::optional<std::string> doubleHexToDecimal(std::string_view digits) {
  const auto bits = parseExactHex<std::uint64_t>(digits);
  if (!bits) return std::nullopt;
  double value;
  std::memcpy(&value, &*bits, sizeof value);
  return formatShortest(value);
}

std::string filterDecimalField(std::string_view text) {
  std::string out;
  bool havePoint = false;
  for (char c : text) {
    const bool keep = (c >= '0' && c <= '9') || c == '-' || c == 'E' || c == 'e' || (c == '.' && !havePoint);
    if (!keep) continue;
    if (c == '.') havePoint = true;
    out.push_back(c);
  }
  if (!out.empty() && out.front() == '.') out.insert(out.begin(), '0');
  return out;
}

}  // namespace ql
