#include "sim/record_generators.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ql::sim {

namespace {

constexpr double kAtmosphereKpa = 100.0;
constexpr double kSeaWaterDensity = 1.025;  // g/cm³
constexpr double kGravity = 9.8;

constexpr double kTidePeriodS = 12.42 * 3600;
constexpr double kDayS = 24 * 3600;

// Noise in [-1, 1], the same for the same index and seed.
double noise(std::uint64_t index, std::uint32_t seed, std::uint32_t channel) {
  std::uint64_t x = index * 0x9E3779B97F4A7C15ull ^ (std::uint64_t{seed} << 32 | channel);
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  x ^= x >> 31;
  return static_cast<double>(x >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

double wave(double seconds, double period) { return std::sin(2 * std::numbers::pi * seconds / period); }

// A fresh battery at 3.65 V sinks to 3.40 V over the recording.
int batteryByte(std::uint64_t index, std::uint64_t count) {
  double used = count > 1 ? static_cast<double>(index) / static_cast<double>(count - 1) : 0.0;
  return std::max(1, static_cast<int>(std::lround(65 - 25 * used)));
}

// One dive an hour: 4 min down to 32 m, 20 min at the bottom, 12 min up, the rest at the surface.
double diveDepth(double seconds) {
  constexpr double kDescentS = 240, kBottomS = 1200, kAscentS = 720, kCycleS = 3600, kBottomM = 32;
  double t = std::fmod(seconds, kCycleS);
  if (t < kDescentS) return kBottomM * t / kDescentS;
  t -= kDescentS;
  if (t < kBottomS) return kBottomM + 1.5 * wave(t, 400);
  t -= kBottomS;
  if (t < kAscentS) return kBottomM * (1 - t / kAscentS);
  return 0.2;
}

}  // namespace

double pressureAtDepth(double depthMetres) {
  return kAtmosphereKpa + depthMetres * kGravity * kSeaWaterDensity;
}

Sample sampleAt(RecordKind kind, std::uint64_t index, std::uint64_t count, double elapsedSeconds,
                std::uint32_t seed) {
  Sample sample;
  sample.batteryByte = batteryByte(index, count);
  double t = elapsedSeconds;
  switch (kind) {
    case RecordKind::Tide: {
      double level = 6.0 + 1.8 * wave(t, kTidePeriodS) + 0.02 * noise(index, seed, 1);
      sample.pressureKpa = pressureAtDepth(level);
      sample.temperatureC = 14.0 + 1.5 * wave(t, kDayS) + 0.01 * noise(index, seed, 2);
      // Salt water comes in with the flood.
      sample.conductivityMsCm = 44.0 + 2.5 * wave(t, kTidePeriodS) + 0.05 * noise(index, seed, 3);
      break;
    }
    case RecordKind::Dive: {
      double depth = diveDepth(t) + 0.05 * noise(index, seed, 1);
      sample.pressureKpa = pressureAtDepth(std::max(0.0, depth));
      // Warm surface layer over a thermocline around 15 m.
      sample.temperatureC =
          8.0 + 14.0 / (1.0 + std::exp((depth - 15.0) / 3.0)) + 0.01 * noise(index, seed, 2);
      sample.conductivityMsCm = 50.0 + 0.02 * depth + 0.05 * noise(index, seed, 3);
      break;
    }
    case RecordKind::TemperatureDrift: {
      double progress = count > 1 ? static_cast<double>(index) / static_cast<double>(count - 1) : 0.0;
      sample.pressureKpa = pressureAtDepth(2.0 + 0.05 * noise(index, seed, 1));
      // From +3 °C down to -2 °C, with the day's swing on top: negative readings on purpose.
      sample.temperatureC = 3.0 - 5.0 * progress + 0.4 * wave(t, kDayS) + 0.01 * noise(index, seed, 2);
      sample.conductivityMsCm = 28.0 + 0.5 * progress + 0.05 * noise(index, seed, 3);
      break;
    }
  }
  return sample;
}

}  // namespace ql::sim
