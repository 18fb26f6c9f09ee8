#include "assistant/read_out.h"

#include <algorithm>
#include <cstring>

#include "assistant/hex_reader.h"
#include "runtime/formats.h"

namespace ql {
namespace {

bool blankOrEmpty(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

std::uint64_t bigEndian(const std::uint8_t* bytes, std::size_t count) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < count; ++i) v = v << 8 | bytes[i];
  return v;
}

// The bytes right after the first occurrence of the parameter's pattern, at most count of them;
// nullopt when the pattern is not in the block.
std::optional<std::pair<const std::uint8_t*, std::size_t>> afterPattern(const std::string& pattern, int count,
                                                                       const std::uint8_t* block,
                                                                       std::size_t length) {
  const Bytes needle = readHex(pattern);
  if (needle.empty()) return std::nullopt;
  const std::uint8_t* end = block + length;
  const std::uint8_t* found = std::search(block, end, needle.begin(), needle.end());
  if (found == end) return std::nullopt;
  const std::uint8_t* start = found + needle.size();
  const std::size_t available = static_cast<std::size_t>(end - start);
  return std::make_pair(start, std::min<std::size_t>(available, static_cast<std::size_t>(std::max(count, 0))));
}

}  // namespace

std::optional<std::string> decodeValue(ValueType type, const std::uint8_t* bytes, std::size_t count) {
  if (count == 4) {
    const auto bits = static_cast<std::uint32_t>(bigEndian(bytes, 4));
    if (type == ValueType::Float) {
      float value;
      std::memcpy(&value, &bits, sizeof value);
      return formatShortest(value);
    }
    return std::to_string(static_cast<std::int32_t>(bits));
  }
  if (count == 8) {
    const std::uint64_t bits = bigEndian(bytes, 8);
    if (type == ValueType::Float) {
      double value;
      std::memcpy(&value, &bits, sizeof value);
      return formatShortest(value);
    }
    return std::to_string(static_cast<std::int64_t>(bits));
  }
  return std::nullopt;
}

std::string bcdDigits(const std::uint8_t* bytes, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    out.push_back("0123456789ABCDEF"[bytes[i] >> 4]);
    out.push_back("0123456789ABCDEF"[bytes[i] & 0x0F]);
  }
  return out;
}

ReadOutValues ReadOut(const ReadOutParameters& parameters, const std::uint8_t* block, std::size_t length) {
  ReadOutValues values;
  for (std::size_t i = 0; i < parameters.byPosition.size(); ++i) {
    const PositionParameter& p = parameters.byPosition[i];
    if (blankOrEmpty(p.name) || p.startByte < 1) continue;
    const auto start = static_cast<std::size_t>(p.startByte - 1);
    if (start >= length) continue;
    const std::size_t count = std::min<std::size_t>(length - start, static_cast<std::size_t>(std::max(p.count, 0)));
    values[i] = decodeValue(p.type, block + start, count);
  }
  for (std::size_t i = 0; i < parameters.byPattern.size(); ++i) {
    const PatternParameter& p = parameters.byPattern[i];
    if (blankOrEmpty(p.name) || blankOrEmpty(p.pattern)) continue;
    if (const auto field = afterPattern(p.pattern, p.count, block, length)) {
      values[2 + i] = decodeValue(p.type, field->first, field->second);
    }
  }
  const BcdParameter& bcd = parameters.bcd;
  if (!blankOrEmpty(bcd.name) && !blankOrEmpty(bcd.pattern)) {
    if (const auto field = afterPattern(bcd.pattern, bcd.count, block, length); field && field->second > 0) {
      values[4] = bcdDigits(field->first, field->second);
    }
  }
  return values;
}

}  // namespace ql
