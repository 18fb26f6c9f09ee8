#include "task/task_texts.h"

#include "runtime/formats.h"

namespace ql::task {

namespace {

std::string joined(std::int64_t days, std::int64_t hours, std::int64_t minutes, const std::string& seconds,
                   const TextLookup& texts) {
  return std::to_string(days) + " " + texts("BIT", "day") + " " + std::to_string(hours) + " " +
         texts("BIT", "hour") + " " + std::to_string(minutes) + " " + texts("BIT", "minute") + " " + seconds +
         " " + texts("BIT", "second");
}

}  // namespace

std::string secondsDurationText(std::int64_t s, const TextLookup& texts) {
  return joined(s / 86400, s % 86400 / 3600, s % 3600 / 60, std::to_string(s % 60), texts);
}

std::string tenthsDurationText(std::int64_t a, const TextLookup& texts) {
  const std::int64_t s = a / 10;
  return joined(a / 864000, s % 86400 / 3600, s % 3600 / 60,
                std::to_string(s % 60) + "." + std::to_string(a % 10), texts);
}

std::string equivalentPressureText(double depthMetres, double density, double gravity) {
  return formatFixed(depthMetres * density * gravity, 3);
}

}  // namespace ql::task
