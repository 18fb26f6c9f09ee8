#pragma once
// The line settings a program set on a pseudo-terminal, read from the master side.

#include <cstdint>
#include <optional>

namespace ql::testing {

struct PtyLine {
  std::uint32_t speed = 0;
  bool twoStopBits = false;  // data bits and parity: a pseudo-terminal always shows 8, none
};

std::optional<PtyLine> readPtyLine(int masterFd);

}  // namespace ql::testing
