#include "shell/velmo_home.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace ql {

namespace fs = std::filesystem;

namespace {

std::string withoutTrailingSlash(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

bool isDirectory(const std::string& dir) {
  std::error_code error;
  return fs::is_directory(dir, error);
}

}  // namespace

std::string userDataDirectory() {
  const std::string xdg = environment("XDG_DATA_HOME");
  if (!xdg.empty() && xdg.front() == '/') return xdg + "/velmo";
  std::string home = environment("HOME");
  // Without HOME (a bare environment), the account's own directory: a shared one such as /tmp
  // would let another user prepare velmo's files.
  if (home.empty()) {
    const passwd* account = ::getpwuid(::getuid());
    if (account && account->pw_dir) home = account->pw_dir;
  }
  if (!home.empty()) return home + "/.local/share/velmo";
  return fs::temp_directory_path().string() + "/velmo";
}

std::string chooseHomeDir(const HomeInputs& inputs) {
  if (!inputs.commandLineHome.empty()) return withoutTrailingSlash(inputs.commandLineHome);
  if (!inputs.environmentHome.empty()) return withoutTrailingSlash(inputs.environmentHome);
  if (!inputs.executableDir.empty() && inputs.executableDirWritable && !inputs.executableDirInstalled) {
    return withoutTrailingSlash(inputs.executableDir);
  }
  return withoutTrailingSlash(inputs.userDataDir);
}

std::string executableDirectory() {
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return exe.parent_path().string();
}

std::string installedShareDir(const std::string& executableDir) {
  return fs::path(executableDir + "/../share/velmo").lexically_normal().string();
}

std::vector<std::string> deliveredResourceDirs(const std::string& executableDir,
                                               const std::string& buildProgramDir,
                                               const std::string& sourceResourceDir) {
  if (executableDir.empty()) return {};
  std::vector<std::string> dirs;
  const std::string shared = withoutTrailingSlash(installedShareDir(executableDir));
  if (isDirectory(shared)) dirs.push_back(shared);
  std::error_code error;
  if (!buildProgramDir.empty() && fs::equivalent(executableDir, buildProgramDir, error)) {
    dirs.push_back(sourceResourceDir);
  }
  return dirs;
}

VelmoHome::VelmoHome(std::string dir, std::vector<std::string> sharedResourceDirs)
    : dir_(withoutTrailingSlash(std::move(dir))), sharedResourceDirs_(std::move(sharedResourceDirs)) {}

VelmoHome VelmoHome::resolve(const std::string& commandLineHome) {
  HomeInputs inputs;
  inputs.commandLineHome = commandLineHome;
  inputs.environmentHome = environment("VELMO_HOME");
  inputs.executableDir = executableDirectory();
  inputs.executableDirWritable =
      !inputs.executableDir.empty() && ::access(inputs.executableDir.c_str(), W_OK) == 0;
  inputs.executableDirInstalled =
      !inputs.executableDir.empty() && isDirectory(installedShareDir(inputs.executableDir));
  inputs.userDataDir = userDataDirectory();

  const std::string dir = chooseHomeDir(inputs);
  std::error_code error;
  fs::create_directories(dir, error);  // a failure shows later as files that cannot be written

  return VelmoHome(dir,
                   deliveredResourceDirs(inputs.executableDir, QL_BUILD_PROGRAM_DIR, QL_SOURCE_RESOURCE_DIR));
}

std::string VelmoHome::path(const std::string& name) const { return dir_ + "/" + name; }

bool VelmoHome::createDataDirectories() const {
  bool ok = true;
  for (const char* name : {kDataFilesDir, kRecordsDir}) {
    std::error_code error;
    fs::create_directories(path(name), error);
    ok = isDirectory(path(name)) && ok;
  }
  return ok;
}

std::vector<std::string> VelmoHome::resourceDirs() const {
  std::vector<std::string> dirs{dir_};
  for (const std::string& candidate : sharedResourceDirs_) {
    const std::string dir = withoutTrailingSlash(candidate);
    if (!isDirectory(dir)) continue;
    bool seen = false;
    for (const std::string& known : dirs) {
      std::error_code error;
      if (known == dir || fs::equivalent(known, dir, error)) seen = true;
    }
    if (!seen) dirs.push_back(dir);
  }
  return dirs;
}

std::string VelmoHome::findResource(const std::string& name) const {
  for (const std::string& dir : resourceDirs()) {
    const std::string candidate = dir + "/" + name;
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return candidate;
  }
  return {};
}

}  // namespace ql
