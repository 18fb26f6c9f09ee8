#pragma once
// Options of the headless subcommands.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ql::cli {

// --timeout takes seconds in this range.
inline constexpr double kMinTimeoutSeconds = 0.001;
inline constexpr double kMaxTimeoutSeconds = 86400;

struct Options {
  std::optional<std::string> port;
  std::optional<std::uint32_t> baud;
  bool json = false;
  bool sync = false;  // velmo clock --sync
  // velmo calibration fit: which table, and the order of the polynomial (unset: the table's own).
  std::string table = "pressure";
  std::optional<int> order;
  std::int64_t timeoutMs = 60000;
};

// nullopt with a reason for an unknown option, a missing value or a bad number.
std::optional<Options> parseOptions(const std::string& command, const std::vector<std::string>& args,
                                    std::string& problem);

}  // namespace ql::cli
