// Whether the programs may open their windows or must say that they need a desktop session.
#include "runtime/desktop_session.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace ql {
namespace {

TEST(DesktopSession, DisplayWaylandOrAChosenPlatformAllowTheWindow) {
  struct Case {
    std::map<std::string, std::string> environment;
    std::vector<std::string> args;
    bool window;
  };
  const Case cases[] = {
      {{}, {}, false},
      {{{"DISPLAY", ":0"}}, {}, true},
      {{{"WAYLAND_DISPLAY", "wayland-0"}}, {}, true},
      {{{"QT_QPA_PLATFORM", "offscreen"}}, {}, true},
      {{}, {"-platform", "offscreen"}, true},
      {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}}, {}, false},  // set but empty
      {{{"HOME", "/root"}, {"TERM", "xterm"}}, {"--demo", "--home", "/tmp/h"}, false},
  };
  for (const Case& c : cases) {
    const auto lookup = [&c](const char* name) -> const char* {
      auto it = c.environment.find(name);
      return it == c.environment.end() ? nullptr : it->second.c_str();
    };
    std::string label;
    for (const auto& [name, value] : c.environment) label += name + "=" + value + " ";
    for (const std::string& arg : c.args) label += arg + " ";
    EXPECT_EQ(canOpenWindow(c.args, lookup), c.window) << label;
  }
}

}  // namespace
}  // namespace ql
