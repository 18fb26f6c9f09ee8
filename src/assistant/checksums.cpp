#include "assistant/checksums.h"

#include <array>

#include "assistant/hex_reader.h"
#include "link/crc.h"

namespace ql {
namespace {

constexpr std::array<std::uint16_t, 256> makeArcTable() {
  std::array<std::uint16_t, 256> table{};
  for (int i = 0; i < 256; ++i) {
    std::uint16_t crc = static_cast<std::uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
    }
    table[i] = crc;
  }
  return table;
}
constexpr std::array<std::uint16_t, 256> kArcTable = makeArcTable();
static_assert(kArcTable[1] == 0xC0C1 && kArcTable[2] == 0xC181 && kArcTable[3] == 0x0140);

Bytes highFirst(std::uint16_t v) {
  return {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v & 0xFF)};
}

}  // namespace

std::uint8_t xorCheck(const Bytes& data) {
  std::uint8_t v = 0;
  for (std::uint8_t b : data) v ^= b;
  return v;
}

std::uint8_t sum8(const Bytes& data) { return static_cast<std::uint8_t>(sum16(data) & 0xFF); }

std::uint16_t sum16(const Bytes& data) {
  std::uint16_t v = 0;
  for (std::uint8_t b : data) v = static_cast<std::uint16_t>(v + b);
  return v;
}

std::uint16_t crc16Arc(const Bytes& data) {
  std::uint16_t crc = 0;
  for (std::uint8_t b : data) crc = static_cast<std::uint16_t>((crc >> 8) ^ kArcTable[(crc ^ b) & 0xFF]);
  return crc;
}

std::uint16_t internetChecksum(const Bytes& data) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < data.size(); i += 2) {
    const std::uint32_t high = data[i];
    const std::uint32_t low = i + 1 < data.size() ? data[i + 1] : 0;
    sum += high << 8 | low;
    // Folding as we go keeps the sum in 32 bits for inputs of any length.
    if (sum & 0xFFFF0000u) sum = (sum >> 16) + (sum & 0xFFFF);
  }
  sum = (sum >> 16) + (sum & 0xFFFF);
  sum = (sum >> 16) + (sum & 0xFFFF);
  return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

Bytes checkValue(CheckButton button, const Bytes& data) {
  switch (button) {
    case CheckButton::Xor:
      return {xorCheck(data)};
    case CheckButton::Sum8:
      return {sum8(data)};
    case CheckButton::Sum16:
      return highFirst(sum16(data));
    case CheckButton::CrcLowFirst: {
      const std::uint16_t crc = crc16Modbus(data.data(), data.size());
      return {static_cast<std::uint8_t>(crc & 0xFF), static_cast<std::uint8_t>(crc >> 8)};
    }
    case CheckButton::CrcHighFirst:
      return highFirst(crc16Modbus(data.data(), data.size()));
    case CheckButton::Crc16Arc:
      return highFirst(crc16Arc(data));
    case CheckButton::InternetChecksum:
      return highFirst(internetChecksum(data));
  }
  return {};
}

std::optional<std::string> applyCheckButton(CheckButton button, std::string_view sendText) {
  Bytes data = readHex(sendText);
  if (data.empty()) return std::nullopt;
  const Bytes check = checkValue(button, data);
  data.insert(data.end(), check.begin(), check.end());
  return hexDump(data);
}

}  // namespace ql
