#pragma once
// The checks a task passes before it is written, and the values each work mode writes.
//
// The write button runs checkDepthProfileDuration first; the write sequence then runs
// checkTaskWrite and, when the operator confirms, sends the returned values (task_write_frames.h)
// and records them with TaskPage::rememberWrite.

#include <cstdint>
#include <string>

#include "runtime/formats.h"
#include "task/task_page.h"

namespace ql::task {

// Everything the write sequence sends.
struct TaskWriteValues {
  std::string nameGbk;       // the task name in GBK, at most 16 bytes
  bool sendRecords = false;  // already limited to record intervals of 1000 ms and more
  bool clockSync = true;
  DateTime start;
  DateTime end;
  std::uint32_t recordIntervalMs = 0;
  std::uint16_t averageCount = 0;
  std::uint32_t averageIntervalMs = 0;
  float initialValue = 0;
  float depthPressure = 0;

  // What the next write of this run repeats for the values its mode does not use.
  TaskWriteMemory memory() const {
    return {recordIntervalMs, averageCount, averageIntervalMs, initialValue, depthPressure};
  }
};

// A failed check names its language text; the page's status shows it.
struct TaskWriteCheck {
  bool passed = false;
  std::string section;  // of the failure text
  std::string key;
  TaskWriteValues values;  // when passed
};

// The write button's check: a fixed-depth profile may last at most kDepthProfileMaxSeconds
// (ql310_info_delta). False when refused.
bool checkDepthProfileDuration(TaskPage& page);

// The checks before a write, in their order: name, link, work mode, sample rate, start not in
// the past (moved to now, with info_startend_timeerror, and the checks go on), end after start,
// then the fields of the chosen mode (the average fields are written back digits only).
TaskWriteCheck checkTaskWrite(TaskPage& page);

}  // namespace ql::task
