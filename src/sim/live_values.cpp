#include "sim/live_values.h"

#include <cmath>
#include <numbers>

#include "link/codecs.h"

namespace ql::sim {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// A well-mixed 64-bit hash (splitmix64) of the second and a channel's salt.
std::uint64_t mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Noise in [-amplitude, amplitude], the same for the same second and channel.
double noise(std::time_t t, std::uint64_t channel, double amplitude) {
  std::uint64_t h = mix(static_cast<std::uint64_t>(t) ^ (channel << 56));
  double unit = static_cast<double>(h >> 11) / static_cast<double>(1ull << 53);  // [0, 1)
  return (2.0 * unit - 1.0) * amplitude;
}

double wave(double seconds, double periodHours, double phase = 0.0) {
  return std::sin(kTwoPi * seconds / (periodHours * 3600.0) + phase);
}

std::int32_t raw(double value) { return static_cast<std::int32_t>(std::llround(value * kLiveValueScale)); }

}  // namespace

LiveValues liveValuesAt(std::time_t t) {
  const double s = static_cast<double>(t);
  const double water = 15.0 + 0.6 * wave(s, 7.3) + 0.4 * wave(s, 23.93, 1.0) + noise(t, 2, 0.002);
  LiveValues values;
  values.pressure = raw(110.0 + 2.5 * std::sin(kTwoPi * s / kTidePeriodSeconds) + noise(t, 1, 0.02));
  values.temperature = raw(water);
  values.conductivity = raw(50.0 + 0.4 * wave(s, 12.42, 0.7) + 0.1 * wave(s, 5.1) + noise(t, 3, 0.005));
  // The electronics warm the housing a little; it follows the water with a lag.
  values.internalTemperature =
      raw(15.8 + 0.6 * wave(s - 1800.0, 7.3) + 0.4 * wave(s - 1800.0, 23.93, 1.0) + noise(t, 4, 0.002));
  return values;
}

Bytes liveValueBytes(const LiveValues& values) {
  Bytes out;
  out.reserve(16);
  for (std::int32_t v :
       {values.pressure, values.temperature, values.conductivity, values.internalTemperature}) {
    putBeU32(out, static_cast<std::uint32_t>(v));
  }
  return out;
}

}  // namespace ql::sim
