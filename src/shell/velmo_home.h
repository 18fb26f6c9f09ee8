#pragma once
// velmo's home: the directory that holds its settings files (Sysuse.ini, sysuse.d), the
// downloaded data files ("bakwlr") and the calibration records ("V_recoder"). Chosen from
// `--home DIR`, else the environment variable VELMO_HOME, else the executable's directory when it
// is writable and not part of an installed prefix (a portable install), else the user's data
// directory. Paths use '/'.
//
// Delivered resources (pictures, language files) are looked up in the home first, then in the
// share directory of the prefix the executable is installed in (../share/velmo beside it, so a
// moved prefix still works); a program run from the build tree uses the source tree's.

#include <string>
#include <vector>

namespace ql {

// Everything the choice of the home depends on, gathered by VelmoHome::resolve.
struct HomeInputs {
  std::string commandLineHome;  // --home DIR; empty when not given
  std::string environmentHome;  // VELMO_HOME; empty when unset
  std::string executableDir;
  bool executableDirWritable = false;
  std::string userDataDir;  // $XDG_DATA_HOME/velmo or ~/.local/share/velmo
  // The executable lies in an installed prefix (../share/velmo exists): its directory is the
  // system's or the package's, never the place of the user's files, even for root who may write it.
  bool executableDirInstalled = false;
};

// The directory chosen by the order above (without a trailing '/').
std::string chooseHomeDir(const HomeInputs& inputs);

class VelmoHome {
 public:
  static constexpr const char* kDataFilesDir = "bakwlr";
  static constexpr const char* kRecordsDir = "V_recoder";

  explicit VelmoHome(std::string dir, std::vector<std::string> sharedResourceDirs = {});

  // The home for this process: gathers HomeInputs from the command line value, the environment
  // and the running executable, and creates the directory when it is missing. The shared
  // resource directories are those of deliveredResourceDirs for the running executable.
  static VelmoHome resolve(const std::string& commandLineHome);

  const std::string& dir() const { return dir_; }
  // dir + "/" + name.
  std::string path(const std::string& name) const;
  std::string sysuseIniPath() const { return path("Sysuse.ini"); }
  std::string sysuseDataPath() const { return path("sysuse.d"); }

  // Creates "bakwlr" and "V_recoder" when missing; failures are ignored (false when either
  // directory is still missing afterwards).
  bool createDataDirectories() const;

  // Where delivered resources are looked for, in order: the home, then the shared directories
  // that exist (no duplicates).
  std::vector<std::string> resourceDirs() const;
  // Full path of the first existing resource file of that name; empty when none exists.
  std::string findResource(const std::string& name) const;

 private:
  std::string dir_;
  std::vector<std::string> sharedResourceDirs_;
};

// $XDG_DATA_HOME/velmo when XDG_DATA_HOME is an absolute path, else $HOME/.local/share/velmo
// (without HOME, the account's home directory from the user database).
std::string userDataDirectory();

// Directory of the running executable (from /proc/self/exe); empty when unknown.
std::string executableDirectory();

// The share directory of an installed prefix: executableDir/../share/velmo, normalised.
std::string installedShareDir(const std::string& executableDir);

// Where the delivered resources of a velmo in executableDir lie, besides its home: the installed
// share directory when it exists; the source tree's resources when executableDir is the build
// tree's program directory (buildProgramDir). Nothing else: an installed program never reads the
// tree it was built from.
std::vector<std::string> deliveredResourceDirs(const std::string& executableDir,
                                               const std::string& buildProgramDir,
                                               const std::string& sourceResourceDir);

}  // namespace ql
