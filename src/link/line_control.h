#pragma once
// Terminal line configuration through termios2, so that any rate (691200, 1000000, ...) can be set.
// Kept apart because <asm/termbits.h> and <termios.h> cannot share a translation unit.

#include <cstdint>
#include <optional>

namespace ql {

struct LineSettings;

// Raw 8N1-style configuration from the settings; false when the device rejects it.
bool applyLineSettings(int fd, const LineSettings& settings);
// DTR and RTS as the settings ask; devices without modem lines (pseudo-terminals) ignore this.
void applyModemLines(int fd, const LineSettings& settings);
// The output speed currently set on the terminal (on a pseudo-terminal master: the speed its
// slave side chose); nullopt when fd is not a terminal.
std::optional<std::uint32_t> readLineSpeed(int fd);

}  // namespace ql
