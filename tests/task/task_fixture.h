#pragma once
// A task page on a fixed clock with the inputs of page 1 under the test's control. Texts read as
// their keys, so captions and messages show which text was chosen.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "task/task_page.h"

namespace ql::task {

inline std::string keyText(const std::string&, const std::string& key) { return key; }

class TaskPageTest : public ::testing::Test {
 public:
  TaskContext context() {
    TaskContext c;
    c.freeMemoryText = [this] { return freeMemory; };
    c.batteryConsumption = [this] { return battery; };
    c.firmwareVersion = [this] { return firmware; };
    c.density = [this] { return density; };
    c.gravity = [this] { return gravity; };
    c.livePressureText = [this] { return livePressure; };
    c.connected = [this] { return linked; };
    c.traceOn = [this] { return traceOn; };
    c.trace = [this](const std::string& line) { traceLines.push_back(line); };
    c.now = [this] { return now; };
    return c;
  }

  std::string freeMemory = "1048576 (12.5%)";
  std::int32_t battery = 0;
  std::string firmware = "1.4.0.0";
  double density = 1.025;
  double gravity = 9.8;
  std::string livePressure = "101.325";
  bool linked = true;
  bool traceOn = false;
  std::vector<std::string> traceLines;
  DateTime now{2024, 5, 6, 10, 20, 30};

  TaskPage page{keyText, context()};
  const TaskFields& f = page.fields();
};

}  // namespace ql::task
