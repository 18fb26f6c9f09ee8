#include "link/crc.h"

namespace ql {

std::uint16_t crc16Modbus(const std::uint8_t* data, std::size_t length) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) {
      bool carry = crc & 1;
      crc >>= 1;
      if (carry) crc ^= 0xA001;
    }
  }
  return crc;
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
