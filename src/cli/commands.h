#pragma once
// The subcommands, each in a file of its own. A command gets the arguments after its name and
// returns the exit code of cli.h.

#include <iosfwd>
#include <string>
#include <vector>

namespace ql::cli {

using Arguments = std::vector<std::string>;

int findCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int infoCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int exportCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int filesCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int downloadCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int verifyCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int clockCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int configCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int monitorCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int updateCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int baudCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int zeroCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int calibrationCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int batteryResetCommand(const Arguments& args, std::ostream& out, std::ostream& err);
int pathsCommand(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace ql::cli
