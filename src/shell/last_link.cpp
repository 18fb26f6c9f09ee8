#include "shell/last_link.h"

#include "runtime/ini_file.h"

namespace ql {

std::optional<Connection::Endpoint> loadLastLink(const std::string& path) {
  IniFile ini;
  if (!ini.load(path)) return std::nullopt;
  Connection::Endpoint endpoint{ini.readString("LINK", "PORT"),
                                static_cast<std::uint32_t>(ini.readInt("LINK", "BAUD", 0))};
  if (endpoint.port.empty() || endpoint.baudRate == 0) return std::nullopt;
  return endpoint;
}

bool saveLastLink(const std::string& path, const Connection::Endpoint& endpoint) {
  IniFile ini;
  ini.load(path);
  ini.writeString("LINK", "PORT", endpoint.port);
  ini.writeInt("LINK", "BAUD", endpoint.baudRate);
  return ini.save(path);
}

}  // namespace ql
