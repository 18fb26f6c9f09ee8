#include "sim/acquisition.h"

#include <cmath>

#include "link/codecs.h"

namespace ql::sim {

int acquisitionNoise(std::time_t t, int channel, int span) {
  // A 32-bit mix (murmur finaliser) of the second and the channel.
  auto h = static_cast<std::uint32_t>(static_cast<std::uint64_t>(t) * 0x9E3779B1u) ^
           (static_cast<std::uint32_t>(channel) * 0x85EBCA6Bu);
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return static_cast<int>(h % static_cast<std::uint32_t>(2 * span + 1)) - span;
}

namespace {

std::int32_t code(double zero, double perUnit, double square, double value, int noise) {
  return static_cast<std::int32_t>(std::lround(zero + perUnit * value + square * value * value + noise));
}

}  // namespace

AdCodes adCodesAt(const FeltConditions& felt, std::time_t t) {
  AdCodes codes;
  codes.temperature1 = code(kTemperature1AdZero, kTemperature1AdPerDegree, kTemperature1AdSquare,
                            felt.temperature1, acquisitionNoise(t, 0, kTemperatureNoise));
  codes.pressure = code(kPressureAdZero, kPressureAdPerKpa, kPressureAdSquare, felt.pressureKpa,
                        acquisitionNoise(t, 1, kPressureNoise));
  codes.temperature2 = code(kTemperature2AdZero, kTemperature2AdPerDegree, kTemperature2AdSquare,
                            felt.temperature2, acquisitionNoise(t, 2, kTemperatureNoise));
  codes.reference = code(kReferenceAd, 0.0, 0.0, 0.0, acquisitionNoise(t, 3, kPressureNoise));
  return codes;
}

Bytes acquisitionBytes(const AdCodes& codes, const AcquisitionReadings& readings) {
  Bytes out;
  for (std::int32_t value : {codes.temperature1, codes.pressure, codes.temperature2, codes.reference, 0,
                             readings.temperature1, readings.pressure, 0, readings.temperature2}) {
    putBeU32(out, static_cast<std::uint32_t>(value));
  }
  return out;
}

double evaluateCoefficients(const std::array<float, 6>& coefficients, double x) {
  double sum = 0.0;
  for (auto it = coefficients.rbegin(); it != coefficients.rend(); ++it) sum = sum * x + *it;
  return sum;
}

}  // namespace ql::sim
