#pragma once
// Whether a program may open its window. Qt aborts (after a page of plugin messages) when it finds
// no display; the programs ask first and say in one line what to do instead.

#include <functional>
#include <string>
#include <vector>

namespace ql {

// Looks an environment variable up: its value, or nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// True when there is an X11 or Wayland display (DISPLAY or WAYLAND_DISPLAY not empty), or the Qt
// platform was chosen explicitly (QT_QPA_PLATFORM, or "-platform" among the arguments, e.g. the
// offscreen one), in which case the choice is Qt's to honour.
bool canOpenWindow(const std::vector<std::string>& args, const EnvironmentLookup& lookup);

// The same with the process's environment.
bool canOpenWindow(const std::vector<std::string>& args);

}  // namespace ql
