#include "runtime/desktop_session.h"

#include <algorithm>
#include <cstdlib>

namespace ql {

bool canOpenWindow(const std::vector<std::string>& args, const EnvironmentLookup& lookup) {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = lookup(name);
    if (value && *value) return true;
  }
  return std::find(args.begin(), args.end(), "-platform") != args.end();
}

bool canOpenWindow(const std::vector<std::string>& args) {
  return canOpenWindow(args, [](const char* name) { return std::getenv(name); });
}

}  // namespace ql
