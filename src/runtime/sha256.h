#pragma once
// SHA-256 of a file or of bytes in memory (update downloads, stored data files).

#include <optional>
#include <string>

namespace ql {

// Lower-case hexadecimal SHA-256 of the file's bytes; nullopt when it cannot be read.
std::optional<std::string> fileSha256(const std::string& path);
// The same for bytes in memory.
std::string sha256Hex(const std::string& bytes);

}  // namespace ql
