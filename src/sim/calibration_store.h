#pragma once
// The logger's calibration registers 0x3001..0x3017. Each address names its own set of values
// (six singles at 0x3001, 0x3002, ...), so a read or write at an address reaches only that set,
// although the address ranges of neighbouring sets overlap. Every set holds what was last written.

#include <array>
#include <cstdint>
#include <map>

#include "link/bytes.h"

namespace ql::sim {

class CalibrationStore {
 public:
  // Writes bytes over the front of the set at reg (the rest of a longer set stays).
  void write(std::uint16_t reg, const Bytes& bytes);
  // count registers of the set at reg; bytes never written read as 0.
  Bytes read(std::uint16_t reg, int count) const;
  // The first six singles of the set.
  std::array<float, 6> coefficients(std::uint16_t reg) const;

 private:
  std::map<std::uint16_t, Bytes> sets_;
};

}  // namespace ql::sim
