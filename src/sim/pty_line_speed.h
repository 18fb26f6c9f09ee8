#pragma once
// The line speed a client set on a pseudo-terminal, read from the master side.

#include <cstdint>

namespace ql::sim {

// The slave's output speed in baud, or 0 when it cannot be read.
std::uint32_t ptyLineSpeed(int masterFd);

}  // namespace ql::sim
