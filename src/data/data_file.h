#pragma once
// The downloaded data file (*.wlr): a 412-byte header, then the file's data stream (16-byte
// sample records, normally followed by the 2 bytes of the logger's trailing checksum).
//
//   offset  size  content
//   0       16    firmware version: length byte + text
//   16      144   instrument parameter block: 18 little-endian 64-bit entries (or, with firmware
//                 1.3, three groups of six little-endian doubles)
//   160     201   serial number: length byte + up to 200 characters
//   361     51    file slot: length byte 50 + the 50-byte file entry
//   412     n     data stream

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "data/file_table.h"
#include "link/bytes.h"

namespace ql {

struct DataFileHeader {
  static constexpr std::size_t kSize = 412;
  static constexpr std::size_t kVersionSize = 16;
  static constexpr std::size_t kParameterSize = 144;
  static constexpr std::size_t kSerialSize = 201;
  static constexpr std::size_t kSlotSize = 51;

  std::array<std::uint8_t, kVersionSize> versionField{};
  std::array<std::uint8_t, kParameterSize> parameterBlock{};
  std::array<std::uint8_t, kSerialSize> serialField{};
  std::array<std::uint8_t, kSlotSize> slot{};

  std::string firmwareVersion() const;
  std::string serialNumber() const;
  FileEntry entry() const;
  // Parameter entry i (0..17) as the little-endian 64-bit integer it holds.
  std::int64_t parameter(int i) const;

  void setFirmwareVersion(const std::string& text);   // cut to 15 characters
  void setSerialNumber(const std::string& text);      // cut to 200 characters
  void setParameter(int i, std::int64_t value);
  void setSlot(const Bytes& slotImage);               // the 51-byte image of FileTable

  Bytes encode() const;
  // nullopt when fewer than kSize bytes are given or a length byte is out of range.
  static std::optional<DataFileHeader> decode(const std::uint8_t* data, std::size_t size);
};

// Reads the header of a data file; nullopt (with a reason) when the file cannot be read or is not
// a data file.
std::optional<DataFileHeader> readDataFileHeader(const std::string& path, std::string* problem = nullptr);
// Writes header + stream; false when the file cannot be written (nothing half-written is left).
bool writeDataFile(const std::string& path, const DataFileHeader& header, const std::uint8_t* stream,
                   std::size_t length);

}  // namespace ql
