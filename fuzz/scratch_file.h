#pragma once
// The loaders under test read files by path: each fuzz input is written to one scratch file of
// this process first.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace ql::fuzz {

// Writes data to <tmp>/ql310-fuzz-<pid>/<name> and returns the path.
inline std::string writeScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path dir = [] {
    auto path = std::filesystem::temp_directory_path() / ("ql310-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  const std::string path = (dir / name).string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

}  // namespace ql::fuzz
