#pragma once
// The check values of the extension panel. Each button appends one check value to the bytes in
// the send area; several captions name a different check than the one computed, and the
// computation is what each button has always done.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/bytes.h"

namespace ql {

enum class CheckButton {
  Xor,               // "异或校验": XOR of all bytes, 1 byte
  Sum8,              // "校验和8位": sum modulo 256, 1 byte
  Sum16,             // "校验和16位": sum modulo 65536, high byte first
  CrcLowFirst,       // "CRC": CRC-16/MODBUS, low byte first
  CrcHighFirst,      // "MD5校验": CRC-16/MODBUS, high byte first
  Crc16Arc,          // "CRC16校验": CRC-16/ARC, high byte first
  InternetChecksum,  // "CRC32校验": RFC 1071 ones'-complement sum, high byte first
};

std::uint8_t xorCheck(const Bytes& data);
std::uint8_t sum8(const Bytes& data);
std::uint16_t sum16(const Bytes& data);
// Initial 0, reflected polynomial 0xA001, no final XOR.
std::uint16_t crc16Arc(const Bytes& data);
// 16-bit big-endian words (an odd last byte is the high half), folded, complemented.
std::uint16_t internetChecksum(const Bytes& data);

// The bytes a button appends to data.
Bytes checkValue(CheckButton button, const Bytes& data);

// What a button turns the send area into: the hexadecimal dump of its bytes followed by the
// check value; nullopt (no change) when the send area holds no hexadecimal digit.
std::optional<std::string> applyCheckButton(CheckButton button, std::string_view sendText);

}  // namespace ql
