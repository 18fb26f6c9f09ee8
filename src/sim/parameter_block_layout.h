#pragma once
// Where the registers lie in the logger's 512-byte parameter block, for each model family. A read
// of the block shows the registers' current values at these places; a page write of the block
// puts the restorable places back into the registers. Every other byte is kept as written.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ql::sim {

struct BlockField {
  std::size_t offset = 0;  // in the block
  std::size_t size = 0;
  std::uint16_t reg = 0;
  std::size_t regOffset = 0;  // byte offset within the register's value
  bool calibration = true;    // a set of the calibration store; else the plain register bank
  bool restorable = true;     // false: identity, shown but never written back
};

const std::vector<BlockField>& blockFields(bool secondFamily);

// Offsets of the first family's production date (four bytes) and the second family's crystal
// temperature coefficients (six singles): block-only values.
inline constexpr std::size_t kProductionDateOffset = 68;
inline constexpr std::size_t kCrystalCoefficientsOffset = 299;

}  // namespace ql::sim
