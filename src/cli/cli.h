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
// `velmo COMMAND --help` prints that command's usage to out and exits 0.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Every subcommand's usage, for velmo --help.
void printCommands(std::ostream& out);
// The one line velmo prints, instead of opening the window, when there is no desktop session:
// it names the headless commands.
std::string noDisplayMessage();

}  // namespace ql::cli
