#include "cli/task_options.h"

#include <charconv>
#include <string_view>

namespace ql::cli {

namespace {

bool isLinkOption(const std::string& arg) { return arg == "--port" || arg == "--baud" || arg == "--timeout"; }

// The value after args[i], or nullptr with a reason.
const std::string* valueOf(const Arguments& args, std::size_t& i, std::string& problem) {
  if (i + 1 >= args.size()) {
    problem = args[i] + " needs a value";
    return nullptr;
  }
  return &args[++i];
}

std::optional<int> rateIndexOf(const std::string& hertz) {
  const std::string_view rates[] = {"1", "2", "5", "10"};
  for (int i = 0; i < 4; ++i)
    if (hertz == rates[i]) return i;
  return std::nullopt;
}

}  // namespace

std::optional<task::WorkMode> workModeNamed(const std::string& word) {
  if (word == "fast") return task::WorkMode::FastAcquisition;
  if (word == "interval") return task::WorkMode::FixedInterval;
  if (word == "average") return task::WorkMode::AverageAcquisition;
  if (word == "profile") return task::WorkMode::FixedDepthProfile;
  return std::nullopt;
}

std::optional<ConfigSetArguments> parseConfigSetArguments(const Arguments& args, std::string& problem) {
  ConfigSetArguments parsed;
  Arguments linkArgs;
  bool named = false, started = false, ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--send-records") {
      parsed.task.sendRecords = true;
      continue;
    }
    if (arg == "--no-clock-sync") {
      parsed.task.clockSync = false;
      continue;
    }
    if (isLinkOption(arg)) {
      linkArgs.push_back(arg);
      if (i + 1 < args.size()) linkArgs.push_back(args[++i]);
      continue;
    }
    TaskRequest& t = parsed.task;
    std::optional<std::string>* text = arg == "--interval"           ? &t.recordInterval
                                       : arg == "--average-count"    ? &t.averageCount
                                       : arg == "--average-interval" ? &t.averageInterval
                                       : arg == "--initial-value"    ? &t.initialValue
                                       : arg == "--depth-interval"   ? &t.depthInterval
                                                                     : nullptr;
    const bool known =
        text || arg == "--name" || arg == "--mode" || arg == "--start" || arg == "--end" || arg == "--rate";
    if (!known) {
      problem = "unknown option " + arg;
      return std::nullopt;
    }
    const std::string* value = valueOf(args, i, problem);
    if (!value) return std::nullopt;
    if (text) {
      *text = *value;
    } else if (arg == "--name") {
      t.name = *value;
      named = true;
    } else if (arg == "--mode") {
      std::optional<task::WorkMode> mode = workModeNamed(*value);
      if (!mode) {
        problem = "--mode is one of fast, interval, average, profile";
        return std::nullopt;
      }
      t.mode = *mode;
    } else if (arg == "--rate") {
      t.sampleRateIndex = rateIndexOf(*value);
      if (!t.sampleRateIndex) {
        problem = "--rate is one of 1, 2, 5, 10 (Hz)";
        return std::nullopt;
      }
    } else {
      std::optional<DateTime> moment = parseDateTime(*value);
      if (!moment) {
        problem = arg + " wants \"yyyy-mm-dd hh:mm:ss\"";
        return std::nullopt;
      }
      (arg == "--start" ? t.start : t.end) = *moment;
      (arg == "--start" ? started : ended) = true;
    }
  }
  if (!named || parsed.task.mode == task::WorkMode::None || !started || !ended) {
    problem = "--name, --mode, --start and --end are needed";
    return std::nullopt;
  }
  std::optional<Options> link = parseOptions("config set", linkArgs, problem);
  if (!link) return std::nullopt;
  parsed.link = *link;
  return parsed;
}

std::optional<MonitorArguments> parseMonitorArguments(const Arguments& args, std::string& problem) {
  MonitorArguments parsed;
  Arguments linkArgs;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--csv") {
      parsed.csv = true;
    } else if (arg == "--count") {
      const std::string* value = valueOf(args, i, problem);
      if (!value) return std::nullopt;
      std::int64_t n = 0;
      auto [end, ec] = std::from_chars(value->data(), value->data() + value->size(), n);
      if (ec != std::errc() || end != value->data() + value->size() || n < 1) {
        problem = "--count is a number of samples from 1";
        return std::nullopt;
      }
      parsed.count = n;
    } else if (isLinkOption(arg)) {
      linkArgs.push_back(arg);
      if (i + 1 < args.size()) linkArgs.push_back(args[++i]);
    } else {
      problem = "unknown option " + arg;
      return std::nullopt;
    }
  }
  std::optional<Options> link = parseOptions("monitor", linkArgs, problem);
  if (!link) return std::nullopt;
  parsed.link = *link;
  return parsed;
}

}  // namespace ql::cli
