#pragma once
// The companion file that keeps the receive area's text across restarts: a 4-byte little-endian
// signed length L, then L bytes of text (UTF-8; files of older installations in GBK). Its path is
// the settings file's with the last character replaced by "m" (serulo.ini -> serulo.inm).

#include <cstddef>
#include <optional>
#include <string>

namespace ql {

inline constexpr std::size_t kReceiveAreaFileLimit = 65530;

std::string receiveAreaFilePath(const std::string& settingsPath);
// Writes the first kReceiveAreaFileLimit bytes of the text (cut on a character boundary), only
// when the text is longer than 3 characters; false when nothing was written.
bool writeReceiveAreaFile(const std::string& path, const std::string& utf8Text);
// The stored text; nullopt when the file is missing, not longer than 8 bytes, or its length
// field is negative, above kReceiveAreaFileLimit or beyond the end of the file.
std::optional<std::string> readReceiveAreaFile(const std::string& path);

}  // namespace ql
