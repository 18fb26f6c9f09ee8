#pragma once
// Big-endian value codecs of the wire format and the small digit helpers. None of them fails:
// input that is too short gives 0.

#include <cstdint>
#include <string>

#include "link/bytes.h"

namespace ql {

inline std::uint16_t BeU16(std::uint8_t high, std::uint8_t low) {
  return static_cast<std::uint16_t>(high << 8 | low);
}
inline std::uint32_t BeU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
// BeU32 of the first four bytes; 0 when shorter.
std::uint32_t BeStrU32(const Bytes& data);
std::uint64_t BeU48(const std::uint8_t* p);
// Exactly 4 bytes, not FF FF FF FF, and a number: the single, most significant byte first; else 0.
float BeFloat32(const Bytes& data);
// Exactly 8 bytes: the double, most significant byte first; else 0.
double BeFloat64(const Bytes& data);
Bytes FloatToBeBytes(float value);
void putBeU16(Bytes& out, std::uint16_t value);
void putBeU32(Bytes& out, std::uint32_t value);

inline int BcdToInt(std::uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }
// n div 16 and n mod 16 as decimal texts, one after the other (the two digits of a BCD byte).
std::string BcdDigits(int n);
// Decimal text of n, with a "0" in front when shorter than two characters.
std::string TwoDigits(int n);
// Decimal text of n cut to its last w characters, then padded with "0" in front to w characters.
std::string FixedDigits(long long n, int w);

}  // namespace ql
