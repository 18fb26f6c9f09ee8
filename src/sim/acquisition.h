#pragma once
// What the logger answers to the calibration read of 18 registers from 0x3005: raw AD codes of
// what its sensors feel, and its own readings of them.
//
// Transfer functions (p in kPa, T in degrees C, n a deterministic noise term):
//   pressure AD          = round(8388608 + 12000 * p + 0.002 * p^2 + n),  n in -3..3
//   temperature 1 AD     = round(4194304 + 100000 * T + 20 * T^2 + n),    n in -2..2
//   temperature 2 AD     = round(4600000 + 90000 * T + 25 * T^2 + n),     n in -2..2
// The noise comes from a hash of the second and the channel, so the same second and conditions
// always give the same codes. The readings are the logger's own conversion of those codes with
// the coefficient sets it holds (see LoggerModel), in units of 0.0001: a pressure set gives Pa (as
// the workbench fits it from its points in Pa), reported in kPa.

#include <array>
#include <cstdint>
#include <ctime>

#include "link/bytes.h"

namespace ql::sim {

// What the sensors feel at a moment.
struct FeltConditions {
  double pressureKpa = 0.0;
  double temperature1 = 0.0;  // the main temperature sensor
  double temperature2 = 0.0;  // the pressure probe's temperature sensor
};

inline constexpr double kPressureAdZero = 8388608.0;
inline constexpr double kPressureAdPerKpa = 12000.0;
inline constexpr double kPressureAdSquare = 0.002;
inline constexpr int kPressureNoise = 3;
inline constexpr double kTemperature1AdZero = 4194304.0;
inline constexpr double kTemperature1AdPerDegree = 100000.0;
inline constexpr double kTemperature1AdSquare = 20.0;
inline constexpr double kTemperature2AdZero = 4600000.0;
inline constexpr double kTemperature2AdPerDegree = 90000.0;
inline constexpr double kTemperature2AdSquare = 25.0;
inline constexpr int kTemperatureNoise = 2;
// The reference channel (value 3 of the reply): a fixed code with the pressure's noise.
inline constexpr double kReferenceAd = 8388608.0;

struct AdCodes {
  std::int32_t temperature1 = 0;
  std::int32_t pressure = 0;
  std::int32_t temperature2 = 0;
  std::int32_t reference = 0;
};

// The codes for what the sensors feel at second t.
AdCodes adCodesAt(const FeltConditions& felt, std::time_t t);

// A deterministic value in -span..span from the second and the channel.
int acquisitionNoise(std::time_t t, int channel, int span);

// The logger's own readings, in units of 0.0001 (kPa, degrees C).
struct AcquisitionReadings {
  std::int32_t temperature1 = 0;
  std::int32_t pressure = 0;
  std::int32_t temperature2 = 0;
};

// The 36 data bytes of the reply: nine signed 32-bit big-endian values, in this order:
// 0 temperature 1 AD, 1 pressure AD, 2 temperature 2 AD, 3 reference AD, 4 zero,
// 5 temperature 1 reading, 6 pressure reading, 7 zero, 8 temperature 2 reading.
Bytes acquisitionBytes(const AdCodes& codes, const AcquisitionReadings& readings);

// a + b x + c x^2 + ... + f x^5, the form of every coefficient set the logger holds.
double evaluateCoefficients(const std::array<float, 6>& coefficients, double x);

}  // namespace ql::sim
