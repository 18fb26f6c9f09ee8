#pragma once
// The logger's plain registers: 65536 sixteen-bit values, all 0 until set. Multi-register values
// are stored big-endian, the first register holding the most significant part.

#include <cstdint>
#include <vector>

#include "link/bytes.h"

namespace ql::sim {

class RegisterBank {
 public:
  RegisterBank() : values_(0x10000, 0) {}

  std::uint16_t get(std::uint16_t reg) const { return values_[reg]; }
  void set(std::uint16_t reg, std::uint16_t value) { values_[reg] = value; }
  std::uint32_t getU32(std::uint16_t reg) const;
  void setU32(std::uint16_t reg, std::uint32_t value);
  // Stores the bytes two per register from reg on; an odd last byte fills the high half.
  void setBytes(std::uint16_t reg, const Bytes& bytes);

  // count registers from first on as 2 x count bytes; addresses wrap at 0xFFFF.
  Bytes read(std::uint16_t first, int count) const;

 private:
  std::vector<std::uint16_t> values_;
};

}  // namespace ql::sim
