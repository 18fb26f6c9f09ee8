#pragma once
// The firmware check of the pressure-on-temperature registers (0x3016/0x3017): firmware texts are
// compared byte by byte as plain texts, not as version numbers, so "1.3.2.9" counts as above
// "1.3.2.16" (the logger's firmware texts have always been compared this way).

#include <algorithm>
#include <string_view>

namespace ql::calibration {

// The first firmware that knows the pressure-on-temperature registers.
inline constexpr std::string_view kTemperatureInfluenceFirmware = "1.3.2.16";

// True when firmware orders before reference as a plain text (bytes compared as unsigned).
inline bool FirmwareBelow(std::string_view firmware, std::string_view reference) {
  return std::lexicographical_compare(
      firmware.begin(), firmware.end(), reference.begin(), reference.end(),
      [](char a, char b) { return static_cast<unsigned char>(a) < static_cast<unsigned char>(b); });
}

}  // namespace ql::calibration
