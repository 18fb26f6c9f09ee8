#include "calibration/parameter_block.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "runtime/atomic_file.h"

namespace ql::calibration {

Bytes ParameterBlock::slice(std::size_t offset, std::size_t size) const {
  if (offset >= kBufferSize) return {};
  const std::size_t end = std::min(kBufferSize, offset + size);
  return Bytes(buffer_.begin() + static_cast<std::ptrdiff_t>(offset),
               buffer_.begin() + static_cast<std::ptrdiff_t>(end));
}

void ParameterBlock::storeRead(const Bytes& block) {
  buffer_.fill(0);
  std::copy_n(block.begin(), std::min(block.size(), kBlockSize), buffer_.begin());
}

std::uint16_t ParameterBlock::modelNumber() const {
  return static_cast<std::uint16_t>(buffer_[1] << 8 | buffer_[2]);
}

bool ParameterBlock::modelOfSecondFamily() const {
  return std::to_string(modelNumber()).find("25") != std::string::npos;
}

bool ParameterBlock::loadFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::array<char, kBufferSize> read{};
  in.read(read.data(), static_cast<std::streamsize>(read.size()));
  if (in.bad()) return false;
  const auto count = static_cast<std::size_t>(in.gcount());
  std::transform(read.begin(), read.begin() + static_cast<std::ptrdiff_t>(count), buffer_.begin(),
                 [](char c) { return static_cast<std::uint8_t>(c); });
  return true;
}

bool ParameterBlock::saveFile(const std::string& path) const {
  return writeFileAtomically(path, std::string(buffer_.begin(), buffer_.end()));
}

}  // namespace ql::calibration
