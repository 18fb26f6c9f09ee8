#pragma once
// What the task page reads from the rest of the program. The caller fills in the callbacks it
// has; a missing one reads as empty, zero or off (density and gravity as their defaults).

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/formats.h"

namespace ql::task {

struct TaskContext {
  // Page 1's free-space field, "7340032 (87.5%)"; empty while nothing was read.
  std::function<std::string()> freeMemoryText;
  // The battery usage counter last read from the logger.
  std::function<std::int32_t()> batteryConsumption;
  // The firmware version shown on page 1, "1.3.1.0".
  std::function<std::string()> firmwareVersion;
  // The water conversion constants (g/cm3, m/s2).
  std::function<double()> density;
  std::function<double()> gravity;
  // The live pressure text of page 1 (the "current pressure" zero point copies it).
  std::function<std::string()> livePressureText;
  // A logger is linked (ConnectedPort not empty).
  std::function<bool()> connected;
  // The engineering trace is on, and where its lines go (the data information memo).
  std::function<bool()> traceOn;
  std::function<void(const std::string&)> trace;
  // The local wall clock.
  std::function<DateTime()> now;
};

}  // namespace ql::task
