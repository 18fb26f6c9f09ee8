// velmo verify FILE.wlr
// Checks a stored data file against the download record beside it (FILE.wlr.json): its size and
// SHA-256, and that the download's checksum matched. Prints "ok" (exit 0), or the reason (exit 3):
// a record that is missing, unreadable or does not parse is never trusted.

#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/commands.h"
#include "data/download_record.h"

namespace ql::cli {

int verifyCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    err << "velmo verify: give one data file\n";
    return kExitUsage;
  }
  const std::string problem = verifyDataFile(args[0]);
  if (!problem.empty()) {
    err << "velmo verify: " << args[0] << ": " << problem << "\n";
    return kExitFileError;
  }
  out << "ok\n";
  return kExitOk;
}

}  // namespace ql::cli
