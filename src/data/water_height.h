#pragma once
// Water height from pressure, and the three depth parameters the operator edits on the data page.
// A pressure in kPa divided by a density in g/cm3 and an acceleration in m/s2 gives metres:
// kPa / (g/cm3 x m/s2) = 1000 Pa / (1000 kg/m3 x m/s2) = m.

#include <cstddef>
#include <cstdint>
#include <string>

namespace ql {

struct DepthParameters {
  static constexpr double kDefaultDensity = 1.025;          // g/cm3
  static constexpr double kDefaultGravity = 9.8;            // m/s2
  static constexpr double kDefaultPressureOffset = -100.0;  // kPa

  double density = kDefaultDensity;
  double gravity = kDefaultGravity;
  double offset = kDefaultPressureOffset;
};

// (pressure + offset) / density / gravity, in that order; 0 when the pressure is exactly 0.
double waterHeightMetres(double pressureKpa, const DepthParameters& parameters);
// The height as shown: "0.00"; exactly "0.00" for a pressure of 0 whatever the parameters.
std::string WaterHeight(double pressureKpa, const DepthParameters& parameters);
// The same text for a record's raw pressure (raw / 10000 kPa), appended at out; returns the end.
// Odd parameters (a density near 0) can make the height huge: out needs kMaxWaterHeightText.
inline constexpr std::size_t kMaxWaterHeightText = 340;
char* writeWaterHeight(char* out, std::uint32_t pressureRaw, const DepthParameters& parameters);
// A height in metres as shown ("0.00"), appended at out; returns the end.
char* writeHeightMetres(char* out, double height);

// One change of a parameter's edit box: the text cleaned by KeepNumberChars (written back into the
// box) and the value it parses to, or the default when it does not parse as a whole.
struct ParameterEdit {
  std::string text;
  double value = 0;
};
ParameterEdit editParameter(const std::string& typed, double defaultValue);

}  // namespace ql
