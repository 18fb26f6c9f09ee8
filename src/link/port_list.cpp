#include "link/port_list.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace ql {

namespace fs = std::filesystem;

namespace {

std::string readFirstLine(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

// Where a symbolic link points, as a path in the same tree (relative targets are resolved
// against the link's directory without touching the real root).
fs::path linkTarget(const fs::path& link) {
  std::error_code ec;
  const fs::path target = fs::read_symlink(link, ec);
  if (ec) return link;
  return target.is_absolute() ? target.lexically_normal() : (link.parent_path() / target).lexically_normal();
}

// USB adapters: the USB device above the tty (the tty's device is the interface or a port of
// it) names its maker and product; other ttys name their driver.
std::string describeTty(const std::string& ttyName, const PortTreeRoots& roots) {
  std::error_code ec;
  const fs::path device = roots.sysfs / "class" / "tty" / ttyName / "device";
  const fs::path resolved = fs::canonical(device, ec);
  if (ec) return {};
  const fs::path top = fs::canonical(roots.sysfs, ec);
  fs::path dir = resolved;
  for (int level = 0; level < 4 && !dir.empty() && dir != top && dir != dir.root_path(); ++level) {
    if (fs::exists(dir / "idVendor", ec)) {
      std::string names = readFirstLine(dir / "manufacturer");
      const std::string product = readFirstLine(dir / "product");
      if (!product.empty()) names += (names.empty() ? "" : " ") + product;
      const std::string ids = readFirstLine(dir / "idVendor") + ":" + readFirstLine(dir / "idProduct");
      return names.empty() ? "USB " + ids : names + " (" + ids + ")";
    }
    dir = dir.parent_path();
  }
  if (fs::is_symlink(device / "driver", ec))
    return fs::read_symlink(device / "driver", ec).filename().string();
  return {};
}

// tty name -> its first /dev/serial/by-id name (sorted, so the choice is stable).
std::map<std::string, std::string> stableNames(const PortTreeRoots& roots) {
  std::map<std::string, std::string> names;
  std::error_code ec;
  std::vector<fs::path> links;
  for (const auto& entry : fs::directory_iterator(roots.dev / "serial" / "by-id", ec)) {
    if (entry.is_symlink(ec)) links.push_back(entry.path());
  }
  std::sort(links.begin(), links.end());
  for (const auto& link : links) names.emplace(linkTarget(link).filename().string(), link.string());
  return names;
}

std::string lookup(const std::map<std::string, std::string>& names, const std::string& key) {
  const auto it = names.find(key);
  return it == names.end() ? std::string() : it->second;
}

}  // namespace

std::vector<SerialPortInfo> scanSerialPorts(const PortTreeRoots& roots) {
  std::vector<SerialPortInfo> ports;
  std::error_code ec;
  const auto stable = stableNames(roots);
  for (const auto& entry : fs::directory_iterator(roots.sysfs / "class" / "tty", ec)) {
    // Only ttys with hardware behind them (USB adapters, UARTs); consoles and ptys have no device.
    if (!fs::exists(entry.path() / "device", ec)) continue;
    // Legacy 8250 ports exist whether or not a UART answers; type 0 means none is there.
    if (fs::exists(entry.path() / "type", ec) && readFirstLine(entry.path() / "type") == "0") continue;
    const std::string name = entry.path().filename().string();
    const fs::path node = roots.dev / name;
    // A tty without a node (a container's sysfs shows the host's) cannot be opened.
    if (!fs::exists(node, ec) || fs::is_directory(node, ec)) continue;
    ports.push_back({node.string(), describeTty(name, roots), lookup(stable, name)});
  }
  std::sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
  return ports;
}

SerialPortInfo describeSerialPort(const std::string& path, const PortTreeRoots& roots) {
  SerialPortInfo info{path, {}, {}};
  std::error_code ec;
  const fs::path node = fs::is_symlink(path, ec) ? linkTarget(path) : fs::path(path).lexically_normal();
  // Only nodes directly under the device root are ttys sysfs knows by name (not /dev/pts/3).
  if (node.parent_path() != roots.dev.lexically_normal()) return info;
  const std::string name = node.filename().string();
  info.description = describeTty(name, roots);
  info.stableName = lookup(stableNames(roots), name);
  return info;
}

std::string portLabel(const SerialPortInfo& port) {
  return port.description.empty() ? port.path : port.path + " — " + port.description;
}

std::string portDetails(const SerialPortInfo& port) {
  std::string text = port.description;
  if (!port.stableName.empty()) text += (text.empty() ? "" : "\n") + port.stableName;
  return text;
}

std::vector<std::string> serialPortPathsIn(const PortTreeRoots& roots) {
  std::vector<std::string> ports;
  for (auto& port : scanSerialPorts(roots)) ports.push_back(std::move(port.path));

  std::error_code ec;
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

std::vector<std::string> serialPortPaths() { return serialPortPathsIn(PortTreeRoots{}); }

}  // namespace ql
