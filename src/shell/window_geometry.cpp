#include "shell/window_geometry.h"

namespace ql {

std::optional<WindowGeometry> restorableGeometry(const WindowGeometry& stored, int screenWidth,
                                                 int screenHeight) {
  // 64-bit sums: a damaged file may hold values near the 32-bit limits.
  const std::int64_t topLimit = std::int64_t{screenHeight} + 50;
  const std::int64_t leftLimit = std::int64_t{screenWidth} + 50;
  const bool topFits = stored.top >= -24 && stored.top < topLimit;
  const bool leftFits = stored.left >= -24 && stored.left < leftLimit;
  const bool sizeUsable = stored.width > 0 && stored.height > 0;
  if (topFits && leftFits && sizeUsable) return stored;
  return std::nullopt;
}

}  // namespace ql
