#include "sim/parameter_block_layout.h"

#include "link/register_map.h"

namespace ql::sim {

namespace {

BlockField identity(std::size_t offset, std::size_t size, std::uint16_t reg) {
  return {offset, size, reg, 0, false, false};
}
BlockField set(std::size_t offset, std::size_t size, std::uint16_t reg, std::size_t regOffset = 0) {
  return {offset, size, reg, regOffset, true, true};
}
BlockField plain(std::size_t offset, std::size_t size, std::uint16_t reg) {
  return {offset, size, reg, 0, false, true};
}

}  // namespace

const std::vector<BlockField>& blockFields(bool secondFamily) {
  using namespace reg;
  static const std::vector<BlockField> first = {
      identity(1, 2, kModel),
      identity(3, 4, kSerialNumber),
      identity(7, 4, kHardwareVersion),
      identity(11, 4, kFirmwareVersion),
      set(96, 24, kPressureCoefficients25),
      set(120, 24, kTemperature1Coefficients),
      set(144, 24, kTemperature2Coefficients),
      set(168, 24, kSpareCoefficients),
      set(192, 20, kTemperatureConstants),
      plain(212, 4, kPressureDrift),
      plain(216, 4, kProbeAdOffset),
      set(336, 24, kPressureCoefficientsLow),
      set(360, 24, kPressureCoefficientsMid),
      set(384, 24, kPressureCoefficientsWarm),
      set(408, 24, kPressureCoefficientsHigh),
      set(464, 16, kTemperatureInfluence),
  };
  // The second family keeps the identity at the same places; its coefficients lie at odd offsets.
  static const std::vector<BlockField> second = {
      identity(1, 2, kModel),
      identity(3, 4, kSerialNumber),
      identity(7, 4, kHardwareVersion),
      identity(11, 4, kFirmwareVersion),
      set(155, 24, kTemperature1Coefficients),
      set(179, 24, kPressureCoefficientsLow),
      set(203, 24, kPressureCoefficientsMid),
      set(227, 24, kPressureCoefficientsWarm),
      set(323, 16, kTemperatureInfluence),
      set(339, 16, kTemperatureInfluenceWarm),
      set(355, 4, kTemperatureConstants, 0),
      set(359, 4, kTemperatureConstants, 4),
      plain(375, 4, kPressureDrift),
  };
  return secondFamily ? second : first;
}

}  // namespace ql::sim
