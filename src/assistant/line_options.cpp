#include "assistant/line_options.h"

#include <charconv>

namespace ql {

const std::vector<std::string>& baudRateItems() {
  static const std::vector<std::string> items = {
      "300",    "600",    "1200",    "2400",    "4800",    "9600",     "19200", "38400",
      "57600",  "115200", "230400",  "460800",  "691200",  "921600",   "1382400", "1843200",
      "3686400", "7372800", "14745600", "1M",   "2M",      "3M",       "4M",    "5M"};
  return items;
}

std::optional<std::uint32_t> parseBaudRate(std::string_view text) {
  std::uint32_t multiplier = 1;
  if (!text.empty() && (text.back() == 'M' || text.back() == 'm')) {
    multiplier = 1'000'000;
    text.remove_suffix(1);
  }
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value == 0) return std::nullopt;
  if (value > UINT32_MAX / multiplier) return std::nullopt;
  return value * multiplier;
}

const std::vector<std::string>& parityItems() {
  static const std::vector<std::string> items = {"无校验", "奇校验", "偶校验"};
  return items;
}

Parity parityForIndex(int index) {
  switch (index) {
    case 1:
      return Parity::Odd;
    case 2:
      return Parity::Even;
    default:
      return Parity::None;
  }
}

const std::vector<std::string>& dataBitsItems() {
  static const std::vector<std::string> items = {"8", "7", "6", "5"};
  return items;
}

ByteSize byteSizeForIndex(int index) {
  switch (index) {
    case 1:
      return ByteSize::Seven;
    case 2:
      return ByteSize::Six;
    case 3:
      return ByteSize::Five;
    default:
      return ByteSize::Eight;
  }
}

const std::vector<std::string>& stopBitsItems() {
  static const std::vector<std::string> items = {"1", "1.5", "2"};
  return items;
}

StopBits stopBitsForIndex(int index) {
  switch (index) {
    case 1:
      return StopBits::OneAndHalf;
    case 2:
      return StopBits::Two;
    default:
      return StopBits::One;
  }
}

LineSettings assistantLineDefaults() {
  LineSettings s;
  s.baudRate = 9600;
  s.outxXonXoffFlow = false;
  s.inxXonXoffFlow = false;
  s.rtsControl = RtsControl::Disable;
  s.dtrControl = DtrControl::Enable;
  return s;
}

}  // namespace ql
