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
  // Made on first use and removed when the process ends.
  struct ScratchDir {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("ql310-fuzz-" + std::to_string(::getpid()));
    ScratchDir() { std::filesystem::create_directories(path); }
    ~ScratchDir() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  };
  static const ScratchDir dir;
  const std::string path = (dir.path / name).string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

}  // namespace ql::fuzz
