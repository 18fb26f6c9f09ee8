#pragma once
// The instrument information panel and the tables the information poll fills.

#include <array>
#include <cstdint>
#include <string>

#include "runtime/observable.h"

namespace ql {

enum class BatteryLevel { Low, Middle, Full };

class InstrumentInfo : public Observable {
 public:
  // The nine read-only fields, as shown.
  std::string serialNumber;
  std::string model;
  std::string hardwareVersion;
  std::string firmwareVersion;
  std::string flashSize;
  std::string flashUsed;
  std::string flashFree;
  std::string batteryVoltage;
  std::string clock;

  std::string batteryPercent = "100";
  BatteryLevel batteryLevel = BatteryLevel::Full;
  std::string statusText;  // the end-of-poll status caption
  int fileCount = 0;       // the file count caption

  bool taskRunning = false;
  std::int32_t batteryConsumption = 0;  // last value of the battery usage counter

  std::array<std::int64_t, 14> InstrumentConstants{};
  std::array<double, 6> PressureRatios{};
  std::array<double, 6> TemperatureRatios{};

  // Clears the nine fields (the connect action does this).
  void clearFields();
  void changed() const { notify(); }
};

}  // namespace ql
