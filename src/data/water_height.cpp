#include "data/water_height.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "data/records.h"
#include "link/text_filters.h"
#include "runtime/formats.h"

namespace ql {

double waterHeightMetres(double pressureKpa, const DepthParameters& parameters) {
  if (pressureKpa == 0) return 0;
  return (pressureKpa + parameters.offset) / parameters.density / parameters.gravity;
}

std::string WaterHeight(double pressureKpa, const DepthParameters& parameters) {
  return formatFixed(waterHeightMetres(pressureKpa, parameters), 2);
}

char* writeWaterHeight(char* out, std::uint32_t pressureRaw, const DepthParameters& parameters) {
  return writeHeightMetres(out, waterHeightMetres(pressureRaw / 10000.0, parameters));
}

char* writeHeightMetres(char* out, double height) {
  // formatFixed first takes the value at 15 significant digits, then rounds half away from zero.
  // Away from a half-way point the plain nearest hundredth is the same text, and far cheaper;
  // near one (or for huge or non-finite values) the exact path decides.
  const double hundredths = std::fabs(height) * 100;
  if (std::isfinite(height) && hundredths < 1e9) {
    const double whole = std::floor(hundredths);
    const double fraction = hundredths - whole;
    if (std::fabs(fraction - 0.5) > 1e-4) {
      const auto rounded = static_cast<std::int64_t>(fraction > 0.5 ? whole + 1 : whole);
      // Hundredths are ten-thousandths with two decimals; 100x keeps the writer's exact rounding.
      return writeTenThousandths(out, (height < 0 ? -rounded : rounded) * 100, 2);
    }
  }
  const std::string text = formatFixed(height, 2);
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

ParameterEdit editParameter(const std::string& typed, double defaultValue) {
  ParameterEdit edit;
  edit.text = KeepNumberChars(typed);
  edit.value = defaultValue;
  if (!edit.text.empty()) {
    const char* begin = edit.text.c_str();
    char* end = nullptr;
    const double parsed = std::strtod(begin, &end);
    if (end == begin + edit.text.size() && std::isfinite(parsed)) edit.value = parsed;
  }
  return edit;
}

}  // namespace ql
