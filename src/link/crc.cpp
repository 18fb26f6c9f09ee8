#include "link/crc.h"

namespace ql {

namespace {

// One entry per byte value: the eight shift steps of the bitwise CRC at once (downloads run it
// over up to 32 MiB).
struct CrcTable {
  std::uint16_t entries[256];
  constexpr CrcTable() : entries() {
    for (int value = 0; value < 256; ++value) {
      std::uint16_t crc = static_cast<std::uint16_t>(value);
      for (int bit = 0; bit < 8; ++bit)
        crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
      entries[value] = crc;
    }
  }
};

constexpr CrcTable kTable;

}  // namespace

std::uint16_t crc16ModbusContinue(std::uint16_t crc, const std::uint8_t* data, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    crc = static_cast<std::uint16_t>((crc >> 8) ^ kTable.entries[(crc ^ data[i]) & 0xFF]);
  return crc;
}

std::uint16_t crc16Modbus(const std::uint8_t* data, std::size_t length) {
  return crc16ModbusContinue(kCrcStart, data, length);
}

Bytes AppendCrc(const Bytes& frame) {
  Bytes out = frame;
  std::uint16_t crc = crc16Modbus(frame.data(), frame.size());
  out.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  out.push_back(static_cast<std::uint8_t>(crc >> 8));
  return out;
}

bool crcIsValid(const Bytes& frameWithCrc) {
  return frameWithCrc.size() >= 2 && crc16Modbus(frameWithCrc.data(), frameWithCrc.size()) == 0;
}

}  // namespace ql
