#pragma once
// The hand-over of an update: the new program, stored as "updtrun" in velmo's home, is started
// as a process of its own; at its fifth tick it sees its own name, copies itself over the velmo
// executable and starts that. A velmo that does not run as "updtrun" removes a leftover one.

#include <string>
#include <vector>

namespace ql::update {

// Environment variables through which velmo tells "updtrun" what to replace and which home to use.
inline constexpr const char* kTargetVariable = "VELMO_UPDATE_TARGET";
inline constexpr const char* kHomeVariable = "VELMO_HOME";

// The running program's path (/proc/self/exe); empty when unknown.
std::string runningExecutablePath();
// True when the executable's file name is "updtrun".
bool runsAsUpdater(const std::string& executablePath);
// True when the file (if it exists) and its directory may be written and it is not part of an
// installed prefix (../share/velmo beside it): the update can replace it.
bool isReplaceable(const std::string& executablePath);
// Starts path as a new process with the given extra "NAME=value" environment entries; its process
// id, or -1 when it cannot be started.
int startProcess(const std::string& path, const std::vector<std::string>& extraEnvironment);
// The end of a downloaded update: starts "updtrun" of the home, telling it the executable to
// replace and the home. Process id or -1.
int startUpdater(const std::string& homeDir, const std::string& executablePath);
// The fifth tick after start. Running as "updtrun": copies itself over the target (the path in
// VELMO_UPDATE_TARGET, else "velmo" in the home) and starts it; returns its process id (the
// program then closes), or -1 when the copy or the start failed. Otherwise removes a leftover
// "updtrun" from the home and returns 0.
int startupHandOver(const std::string& executablePath, const std::string& homeDir, const std::string& target);
// Copies source over target through a temporary file beside target and a rename, executable
// bits set; target is never left half-written. False on any failure (target unchanged).
bool replaceFile(const std::string& source, const std::string& target);
// Removes "updtrun" from the directory; errors are ignored.
void removeLeftoverUpdater(const std::string& homeDir);

}  // namespace ql::update
