#pragma once
// velmo's headless subcommands: `velmo find`, `velmo info`, ... They run without a window on a
// plain event loop and print UTF-8. Exit codes: 0 success, 1 bad usage, 2 no logger or link
// failure, 3 file error.

#include <iosfwd>
#include <string>
#include <vector>

namespace ql::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitNoLogger = 2;
inline constexpr int kExitFileError = 3;

// True when the first argument names a subcommand (the program then runs without a window).
bool isSubcommand(const std::string& firstArgument);
// Runs the subcommand in args[0] with the rest of args; returns the exit code.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace ql::cli
