#pragma once
// The arguments of `velmo config set` and `velmo monitor`, parsed apart from running them so that
// bad usage is told before any port is opened.

#include <cstdint>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"
#include "runtime/formats.h"
#include "task/task_page.h"

namespace ql::cli {

// The task as the operator would type it into page 3. The numeric fields stay text: the page's
// own filters and checks judge them, so a bad interval is refused with the page's message.
struct TaskRequest {
  std::string name;
  task::WorkMode mode = task::WorkMode::None;
  DateTime start;
  DateTime end;
  std::optional<int> sampleRateIndex;         // --rate 1|2|5|10 as the index of "1 Hz".."10 Hz"
  std::optional<std::string> recordInterval;  // seconds
  std::optional<std::string> averageCount;
  std::optional<std::string> averageInterval;  // tenths of a second
  std::optional<std::string> initialValue;     // kPa
  std::optional<std::string> depthInterval;    // metres
  bool sendRecords = false;
  bool clockSync = true;
};

struct ConfigSetArguments {
  TaskRequest task;
  Options link;
};

// nullopt with a reason for a missing --name, --mode, --start or --end, an unknown mode or rate,
// a time that is not "yyyy-mm-dd hh:mm:ss", or a bad link option.
std::optional<ConfigSetArguments> parseConfigSetArguments(const Arguments& args, std::string& problem);

// --mode's words, in the order of the work modes.
std::optional<task::WorkMode> workModeNamed(const std::string& word);

struct MonitorArguments {
  std::optional<std::int64_t> count;  // samples to print; none: until Ctrl+C
  bool csv = false;
  Options link;
};

std::optional<MonitorArguments> parseMonitorArguments(const Arguments& args, std::string& problem);

}  // namespace ql::cli
