#pragma once
// The logger's 512-byte parameter block as the workbench keeps it: a 601-byte buffer whose first
// byte is 0 until a block was read or loaded (a valid block has it non-zero). A .CRO backup is the
// buffer exactly: bytes 0..511 the block, 512..600 reserved; no header, no checksum.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "link/bytes.h"

namespace ql::calibration {

class ParameterBlock {
 public:
  static constexpr std::size_t kBufferSize = 601;
  static constexpr std::size_t kBlockSize = 512;

  // Byte 0 is non-zero in a block the logger gave.
  bool valid() const { return buffer_[0] != 0; }
  const std::array<std::uint8_t, kBufferSize>& buffer() const { return buffer_; }
  std::uint8_t at(std::size_t offset) const { return offset < kBufferSize ? buffer_[offset] : 0; }
  // size bytes from offset on; bytes beyond the buffer are left out.
  Bytes slice(std::size_t offset, std::size_t size) const;

  // A block read from the logger: its first 512 bytes become the block, the reserved bytes 0.
  void storeRead(const Bytes& block);

  // The model number (bytes 1 and 2, high byte first); its decimal text tells the family: the
  // second family when it contains "25".
  std::uint16_t modelNumber() const;
  bool modelOfSecondFamily() const;

  // Reads up to 601 bytes from the start of the file into the buffer; a shorter file leaves the
  // rest as it was. False (buffer unchanged) when the file cannot be read.
  bool loadFile(const std::string& path);
  // Writes the 601 bytes through a temporary file and a rename; false when that fails.
  bool saveFile(const std::string& path) const;

 private:
  std::array<std::uint8_t, kBufferSize> buffer_{};
};

}  // namespace ql::calibration
