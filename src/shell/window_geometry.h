#pragma once
// The main window's position and size as kept in sysuse.d, and the rule that decides whether a
// stored position is put back at start.

#include <cstdint>
#include <optional>

namespace ql {

struct WindowGeometry {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t height = 0;
  std::int32_t width = 0;
  friend bool operator==(const WindowGeometry&, const WindowGeometry&) = default;
};

// The stored geometry when it may be restored on a screen of that size, otherwise nullopt (the
// window keeps its designed position and size). Restored when Top is at least -24 and below the
// screen height + 50, and Left at least -24 and below the screen width + 50. A stored width or
// height of zero or less (a damaged file) is never restored.
std::optional<WindowGeometry> restorableGeometry(const WindowGeometry& stored, int screenWidth,
                                                 int screenHeight);

}  // namespace ql
