#pragma once
// What the simulated logger measured: plausible readings for the kinds of recording it holds.
// Every reading is a pure function of its position in the file, so any record of a 32 MiB file
// can be produced on its own, in any order, without generating the ones before it.

#include <cstdint>

namespace ql::sim {

enum class RecordKind {
  Tide,              // moored in a harbour: water level following a 12.42 h tide
  Dive,              // on a diver: repeated dives (descent, bottom time, ascent, surface)
  TemperatureDrift,  // in cold water: shallow, temperature drifting below 0 °C
};

struct Sample {
  double temperatureC = 0;
  double pressureKpa = 0;
  double conductivityMsCm = 0;
  int batteryByte = 0;  // volts x 100 - 300
};

// The reading of record index out of count, taken elapsedSeconds after the recording started.
// seed varies the small noise between files.
Sample sampleAt(RecordKind kind, std::uint64_t index, std::uint64_t count, double elapsedSeconds,
                std::uint32_t seed);

// Pressure of a water column of depthMetres under an atmosphere of 100 kPa (sea water, 9.8 m/s²).
double pressureAtDepth(double depthMetres);

}  // namespace ql::sim
