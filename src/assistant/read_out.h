#pragma once
// The parameter read-out: up to five values decoded from every received block, either from a
// fixed byte position (parameters 1 and 2) or from the bytes that follow a byte pattern
// (parameters 3 and 4, and parameter 5 shown as BCD digits).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace ql {

enum class ValueType { Integer = 0, Float = 1 };

struct PositionParameter {
  std::string name;  // an empty name (blanks aside) switches the parameter off
  ValueType type = ValueType::Integer;
  int startByte = 1;  // 1-based
  int count = 4;      // 4 or 8
  friend bool operator==(const PositionParameter&, const PositionParameter&) = default;
};

struct PatternParameter {
  std::string name;
  ValueType type = ValueType::Integer;
  std::string pattern;  // hexadecimal digits
  int count = 4;        // 4 or 8
  friend bool operator==(const PatternParameter&, const PatternParameter&) = default;
};

struct BcdParameter {
  std::string name;
  std::string pattern;
  int count = 1;  // 1..15
  friend bool operator==(const BcdParameter&, const BcdParameter&) = default;
};

struct ReadOutParameters {
  std::array<PositionParameter, 2> byPosition;
  std::array<PatternParameter, 2> byPattern;
  BcdParameter bcd;
  friend bool operator==(const ReadOutParameters&, const ReadOutParameters&) = default;
};

inline constexpr std::size_t kReadOutCount = 5;

// The new text of each of the five value labels for one received block; nullopt leaves a label
// as it was (parameter off, pattern not found, or not enough bytes).
using ReadOutValues = std::array<std::optional<std::string>, kReadOutCount>;
ReadOutValues ReadOut(const ReadOutParameters& parameters, const std::uint8_t* block, std::size_t length);

// 4 bytes: big-endian signed 32-bit or single; 8 bytes: signed 64-bit or double; else nullopt.
std::optional<std::string> decodeValue(ValueType type, const std::uint8_t* bytes, std::size_t count);
// Each byte as its two BCD digits ("12 34" -> "1234"); a nibble above 9 shows as its hex digit.
std::string bcdDigits(const std::uint8_t* bytes, std::size_t count);

}  // namespace ql
