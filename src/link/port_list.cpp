#include "link/port_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace ql {

namespace {

std::string readFirstLine(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

bool isCharacterDevice(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

}  // namespace

std::vector<std::string> serialPortPaths() {
  namespace fs = std::filesystem;
  std::vector<std::string> ports;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/sys/class/tty", ec)) {
    // Only ttys with hardware behind them (USB adapters, UARTs); consoles and ptys have no device.
    if (!fs::exists(entry.path() / "device", ec)) continue;
    // Legacy 8250 ports exist whether or not a UART answers; type 0 means none is there.
    if (fs::exists(entry.path() / "type", ec) && readFirstLine(entry.path() / "type") == "0") continue;
    std::string dev = "/dev/" + entry.path().filename().string();
    if (isCharacterDevice(dev)) ports.push_back(dev);
  }
  std::sort(ports.begin(), ports.end());

  if (const char* extra = std::getenv("VELMO_EXTRA_PORTS")) {
    std::stringstream list(extra);
    std::string path;
    while (std::getline(list, path, ':')) {
      if (path.empty() || std::find(ports.begin(), ports.end(), path) != ports.end()) continue;
      if (fs::exists(path, ec)) ports.push_back(path);
    }
  }
  return ports;
}

}  // namespace ql
