#pragma once
// CRC-16/MODBUS, appended to every request low byte first.

#include <cstddef>
#include <cstdint>

#include "link/bytes.h"

namespace ql {

std::uint16_t crc16Modbus(const std::uint8_t* data, std::size_t length);
// The same CRC carried on over one more piece: start with kCrcStart and feed the pieces in order.
constexpr std::uint16_t kCrcStart = 0xFFFF;
std::uint16_t crc16ModbusContinue(std::uint16_t crc, const std::uint8_t* data, std::size_t length);
// The input followed by its CRC, low byte then high byte. An empty input yields FF FF.
Bytes AppendCrc(const Bytes& frame);
// A response that ends in its own CRC: AppendCrc of it ends in 00 00 exactly when the CRC is right.
bool crcIsValid(const Bytes& frameWithCrc);

}  // namespace ql
