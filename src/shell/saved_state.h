#pragma once
// sysuse.d: the program's binary state, little-endian, no header, exactly 5300287 bytes.
//
//   offset   size     field
//   0        4 x 4    window Left, Top, Height, Width (signed 32-bit)
//   16       1        reserved flag byte (kept unchanged)
//   17       51       water density text      (length byte + up to 50 bytes)
//   68       51       gravity text
//   119      51       pressure offset text
//   170      4        temperature decimals (1, 2 or 3)
//   174      4        pressure decimals
//   178      4        last record interval, seconds
//   182      4        monitor history write index, 0..99999
//   186      4 x 800000  monitor history: temperature, pressure, third channel, internal
//                        temperature, 100000 doubles each
//   3200186  2100000  monitor history time texts, 100000 x (length byte + 20 bytes)
//   5300186  101      language name (length byte + up to 100 bytes)
//
// Reading never fails: every field that is missing (short file) or implausible (damaged file)
// keeps its default, field by field. Writing goes through a temporary file and a rename.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/language_choice.h"
#include "shell/window_geometry.h"
#include "status/monitor_history.h"

namespace ql {

struct SavedState {
  static constexpr std::size_t kFileSize = 5300287;
  static constexpr double kDefaultDensity = 1.025;          // g/cm3
  static constexpr double kDefaultGravity = 9.8;            // m/s2
  static constexpr double kDefaultPressureOffset = -100.0;  // kPa

  std::optional<WindowGeometry> window;  // nullopt until a file was read or the window closed
  std::uint8_t reservedFlag = 0;
  double density = kDefaultDensity;
  double gravity = kDefaultGravity;
  double pressureOffset = kDefaultPressureOffset;
  int temperatureDecimals = 2;              // 1..3
  int pressureDecimals = 2;                 // 1..3
  std::int32_t recordIntervalSeconds = 60;  // the record-interval fields' own default
  MonitorHistory history;
  std::string languageName = kDefaultLanguageName;
};

struct SavedStateLoad {
  SavedState state;
  bool fileFound = false;
  // Fields that kept their default because the file was short or held a value out of range,
  // by name ("density", "history.stamps", ...); empty for a whole, sound file.
  std::vector<std::string> defaultedFields;
};

// Parses file bytes; never fails.
SavedStateLoad decodeSavedState(const std::string& bytes);
// The whole file image, exactly kFileSize bytes.
std::string encodeSavedState(const SavedState& state);

// Reads the file; a missing file gives the defaults with fileFound false.
SavedStateLoad loadSavedState(const std::string& path);
// Writes the whole file through a temporary file and a rename; false (old file untouched) on
// failure.
bool saveSavedState(const std::string& path, const SavedState& state);

// The decimals code of sysuse.d: 1 and 3 stand for themselves, anything else is 2.
int decimalsFromCode(std::int64_t code);

}  // namespace ql
