#include "shell/update_handover.h"

#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "shell/update_info.h"
#include "shell/velmo_home.h"

extern char** environ;

namespace ql::update {

std::string runningExecutablePath() {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

bool runsAsUpdater(const std::string& executablePath) {
  return std::filesystem::path(executablePath).filename() == kUpdaterName;
}

bool isReplaceable(const std::string& executablePath) {
  if (executablePath.empty()) return false;
  const std::filesystem::path path(executablePath);
  const std::string dir = path.has_parent_path() ? path.parent_path().string() : ".";
  if (::access(dir.c_str(), W_OK) != 0) return false;
  // An installed program (../share/velmo beside it) belongs to the package manager, even for
  // root, who may write /usr/bin: replacing it would leave the package's files changed behind its back.
  std::error_code error;
  if (std::filesystem::is_directory(installedShareDir(dir), error)) return false;
  return ::access(executablePath.c_str(), F_OK) != 0 || ::access(executablePath.c_str(), W_OK) == 0;
}

int startProcess(const std::string& path, const std::vector<std::string>& extraEnvironment) {
  std::vector<std::string> entries = extraEnvironment;
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('=') + 1);
    bool overridden = false;
    for (const std::string& extra : extraEnvironment) overridden |= extra.rfind(name, 0) == 0;
    if (!overridden) entries.push_back(text);
  }
  std::vector<char*> envp;
  for (std::string& entry : entries) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string program = path;
  char* argv[] = {program.data(), nullptr};
  pid_t pid = 0;
  if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
  return static_cast<int>(pid);
}

int startUpdater(const std::string& homeDir, const std::string& executablePath) {
  return startProcess(homeDir + "/" + kUpdaterName, {std::string(kTargetVariable) + "=" + executablePath,
                                                     std::string(kHomeVariable) + "=" + homeDir});
}

int startupHandOver(const std::string& executablePath, const std::string& homeDir,
                    const std::string& target) {
  if (!runsAsUpdater(executablePath)) {
    removeLeftoverUpdater(homeDir);
    return 0;
  }
  const std::string velmo = target.empty() ? homeDir + "/velmo" : target;
  if (!replaceFile(executablePath, velmo)) return -1;
  return startProcess(velmo, {std::string(kHomeVariable) + "=" + homeDir});
}

bool replaceFile(const std::string& source, const std::string& target) {
  const std::string temporary = target + "." + kTemporarySuffix;
  {
    std::ifstream in(source, std::ios::binary);
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!in || !out) return false;
    out << in.rdbuf();
    out.flush();
    if (!out || in.bad()) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (::chmod(temporary.c_str(), 0755) != 0 || std::rename(temporary.c_str(), target.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

void removeLeftoverUpdater(const std::string& homeDir) {
  std::error_code ignored;
  std::filesystem::remove(std::filesystem::path(homeDir) / kUpdaterName, ignored);
}

}  // namespace ql::update
