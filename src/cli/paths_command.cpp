// velmo paths [--home DIR]: where velmo keeps its files and where it found the delivered ones.
// Exit 3 when the language file or a picture cannot be found, as the window would not start.

#include <ostream>

#include "cli/cli.h"
#include "cli/commands.h"
#include "shell/language_choice.h"
#include "shell/last_link.h"
#include "shell/picture_files.h"
#include "shell/saved_state.h"
#include "shell/velmo_home.h"

namespace ql::cli {

int pathsCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  std::string commandLineHome;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--home" && i + 1 < args.size() && !args[i + 1].empty()) {
      commandLineHome = args[++i];
    } else {
      err << "velmo paths: bad argument " << args[i] << "\n";
      return kExitUsage;
    }
  }

  const VelmoHome home = VelmoHome::resolve(commandLineHome);
  out << "home: " << home.dir() << "\n"
      << "settings: " << home.sysuseIniPath() << "\n"
      << "state: " << home.sysuseDataPath() << "\n"
      << "last link: " << home.path(kLastLinkFile) << "\n"
      << "data files: " << home.path(VelmoHome::kDataFilesDir) << "\n"
      << "records: " << home.path(VelmoHome::kRecordsDir) << "\n";
  const char* separator = "resources: ";
  for (const std::string& dir : home.resourceDirs()) {
    out << separator << dir;
    separator = ":";
  }
  out << "\n";

  const std::vector<std::string> dirs = home.resourceDirs();
  const LanguageChoice language =
      chooseLanguageFile(loadSavedState(home.sysuseDataPath()).state.languageName, dirs);
  out << "language: " << (language.path.empty() ? "(missing)" : language.path) << "\n";
  const std::vector<std::string> missing = PictureCheck::missingFiles(dirs);
  out << "pictures: " << (missing.empty() ? "complete" : "missing");
  for (const std::string& name : missing) out << " " << name;
  out << "\n";

  if (language.path.empty() || !missing.empty()) {
    err << "velmo paths: delivered files are missing\n";
    return kExitFileError;
  }
  return kExitOk;
}

}  // namespace ql::cli
