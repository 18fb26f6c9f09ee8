#include "sim/register_bank.h"

#include "link/codecs.h"

namespace ql::sim {

std::uint32_t RegisterBank::getU32(std::uint16_t reg) const {
  return std::uint32_t{get(reg)} << 16 | get(static_cast<std::uint16_t>(reg + 1));
}

void RegisterBank::setU32(std::uint16_t reg, std::uint32_t value) {
  set(reg, static_cast<std::uint16_t>(value >> 16));
  set(static_cast<std::uint16_t>(reg + 1), static_cast<std::uint16_t>(value));
}

void RegisterBank::setBytes(std::uint16_t reg, const Bytes& bytes) {
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    std::uint8_t low = i + 1 < bytes.size() ? bytes[i + 1] : 0;
    set(static_cast<std::uint16_t>(reg + i / 2), BeU16(bytes[i], low));
  }
}

Bytes RegisterBank::read(std::uint16_t first, int count) const {
  Bytes out;
  out.reserve(static_cast<std::size_t>(count) * 2);
  for (int i = 0; i < count; ++i) putBeU16(out, get(static_cast<std::uint16_t>(first + i)));
  return out;
}

}  // namespace ql::sim
