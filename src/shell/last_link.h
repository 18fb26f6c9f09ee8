#pragma once
// Where a logger answered last (port and rate), kept in link.ini in velmo's home so that the next
// automatic search tries it first and a logger left where it was connects in about one pass.
//
//   [LINK]
//   PORT=/dev/ttyUSB0
//   BAUD=9600

#include <optional>
#include <string>

#include "link/connection.h"

namespace ql {

inline constexpr const char* kLastLinkFile = "link.ini";

std::optional<Connection::Endpoint> loadLastLink(const std::string& path);
bool saveLastLink(const std::string& path, const Connection::Endpoint& endpoint);

}  // namespace ql
