#pragma once
// velmo's log of the tasks it wrote into loggers (tasklog.txt in its home), one line per task:
//
//   serial <TAB> start <TAB> end <TAB> synchronised <TAB> name
//
// times as "yyyy-mm-ddThh:mm:ss", synchronised "-" when the task was written without clock
// synchronisation (then nothing is known of the logger's clock at the start). The name comes last
// and has tabs and line breaks made blanks. Lines that do not read are skipped.

#include <optional>
#include <string>
#include <vector>

#include "runtime/formats.h"

namespace ql {

inline constexpr const char* kTaskLogFile = "tasklog.txt";

struct TaskLogEntry {
  std::string serial;
  std::string name;  // UTF-8
  DateTime start;
  DateTime end;
  std::optional<DateTime> synchronised;  // the PC time written into the logger's clock
};

// Appends one line (the file is rewritten atomically); false when it cannot be written.
bool appendTaskLog(const std::string& path, const TaskLogEntry& entry);
// All readable entries, oldest first; empty when there is no log.
std::vector<TaskLogEntry> readTaskLog(const std::string& path);

// "yyyy-mm-ddThh:mm:ss" and back.
std::string isoDateTime(const DateTime& dt);
std::optional<DateTime> parseIsoDateTime(const std::string& text);

}  // namespace ql
