#include "cli/options.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "link/register_map.h"

namespace ql::cli {

namespace {

template <typename T>
bool parseNumber(const std::string& text, T& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

std::optional<Options> parseOptions(const std::string& command, const std::vector<std::string>& args,
                                    std::string& problem) {
  Options options;
  const bool takesLink = command == "info" || command == "files" || command == "download" ||
                         command == "clock" || command == "config get" || command == "config set" ||
                         command == "monitor" || command == "calibration backup" ||
                         command == "calibration restore";
  const bool fitsTable = command == "calibration fit";
  const bool takesJson = (takesLink && command != "config set" && command != "monitor" &&
                          command != "calibration backup" && command != "calibration restore") ||
                         fitsTable;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string* {
      if (i + 1 >= args.size()) {
        problem = arg + " needs a value";
        return nullptr;
      }
      return &args[++i];
    };
    if (arg == "--timeout") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      double seconds = 0;
      // The whole text must be a finite number in range: "nan", "inf" and "1e23" would not fit
      // in the milliseconds the loop counts.
      if (!parseNumber(*v, seconds) || !std::isfinite(seconds) || seconds < kMinTimeoutSeconds ||
          seconds > kMaxTimeoutSeconds) {
        problem = "--timeout wants a number of seconds from 0.001 to 86400";
        return std::nullopt;
      }
      options.timeoutMs = static_cast<std::int64_t>(std::ceil(seconds * 1000));
    } else if (arg == "--sync" && command == "clock") {
      options.sync = true;
    } else if (arg == "--port" && takesLink) {
      const std::string* v = value();
      if (!v) return std::nullopt;
      options.port = *v;
    } else if (arg == "--baud" && takesLink) {
      const std::string* v = value();
      std::uint32_t rate = 0;
      if (!v) return std::nullopt;
      if (!parseNumber(*v, rate) || std::find(std::begin(reg::kBaudRates), std::end(reg::kBaudRates), rate) ==
                                        std::end(reg::kBaudRates)) {
        problem = "--baud must be one of 4800 9600 14400 19200 28800 38400 57600 115200";
        return std::nullopt;
      }
      options.baud = rate;
    } else if (arg == "--table" && fitsTable) {
      const std::string* v = value();
      if (!v) return std::nullopt;
      if (*v != "pressure" && *v != "temperature" && *v != "probe" && *v != "influence") {
        problem = "--table must be one of pressure temperature probe influence";
        return std::nullopt;
      }
      options.table = *v;
    } else if (arg == "--order" && fitsTable) {
      const std::string* v = value();
      int order = 0;
      if (!v) return std::nullopt;
      if (!parseNumber(*v, order) || order < 1 || order > 5) {
        problem = "--order must be a number from 1 to 5";
        return std::nullopt;
      }
      options.order = order;
    } else if (arg == "--json" && takesJson) {
      options.json = true;
    } else {
      problem = "unknown option " + arg;
      return std::nullopt;
    }
  }
  if (options.order && options.table == "influence") {
    problem = "the influence fit is always cubic; --order does not apply";
    return std::nullopt;
  }
  if (options.baud && !options.port) {
    problem = "--baud needs --port";
    return std::nullopt;
  }
  return options;
}

}  // namespace ql::cli
