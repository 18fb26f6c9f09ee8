#include "data/data_file.h"

#include "runtime/atomic_file.h"

#include <cstring>
#include <fstream>

namespace ql {

namespace {

template <std::size_t N>
std::string lengthPrefixed(const std::array<std::uint8_t, N>& field) {
  std::size_t length = std::min<std::size_t>(field[0], N - 1);
  return std::string(field.begin() + 1, field.begin() + 1 + length);
}

template <std::size_t N>
void setLengthPrefixed(std::array<std::uint8_t, N>& field, const std::string& text) {
  std::size_t length = std::min(text.size(), N - 1);
  field[0] = static_cast<std::uint8_t>(length);
  std::memcpy(field.data() + 1, text.data(), length);
}

}  // namespace

std::string DataFileHeader::firmwareVersion() const { return lengthPrefixed(versionField); }
std::string DataFileHeader::serialNumber() const { return lengthPrefixed(serialField); }

FileEntry DataFileHeader::entry() const {
  FileEntry e;
  std::copy(slot.begin() + 1, slot.end(), e.bytes.begin());
  return e;
}

std::int64_t DataFileHeader::parameter(int i) const {
  std::uint64_t v = 0;
  for (int b = 7; b >= 0; --b) v = v << 8 | parameterBlock[i * 8 + b];
  return static_cast<std::int64_t>(v);
}

void DataFileHeader::setFirmwareVersion(const std::string& text) { setLengthPrefixed(versionField, text); }
void DataFileHeader::setSerialNumber(const std::string& text) { setLengthPrefixed(serialField, text); }

void DataFileHeader::setParameter(int i, std::int64_t value) {
  auto v = static_cast<std::uint64_t>(value);
  for (int b = 0; b < 8; ++b) parameterBlock[i * 8 + b] = static_cast<std::uint8_t>(v >> (8 * b));
}

void DataFileHeader::setSlot(const Bytes& slotImage) {
  slot.fill(0);
  std::copy_n(slotImage.begin(), std::min(slotImage.size(), slot.size()), slot.begin());
}

Bytes DataFileHeader::encode() const {
  Bytes out;
  out.reserve(kSize);
  out.insert(out.end(), versionField.begin(), versionField.end());
  out.insert(out.end(), parameterBlock.begin(), parameterBlock.end());
  out.insert(out.end(), serialField.begin(), serialField.end());
  out.insert(out.end(), slot.begin(), slot.end());
  return out;
}

std::optional<DataFileHeader> DataFileHeader::decode(const std::uint8_t* data, std::size_t size) {
  if (size < kSize) return std::nullopt;
  DataFileHeader h;
  const std::uint8_t* p = data;
  std::copy_n(p, kVersionSize, h.versionField.begin());
  p += kVersionSize;
  std::copy_n(p, kParameterSize, h.parameterBlock.begin());
  p += kParameterSize;
  std::copy_n(p, kSerialSize, h.serialField.begin());
  p += kSerialSize;
  std::copy_n(p, kSlotSize, h.slot.begin());
  // A file of another kind shows itself by length bytes no data file has.
  if (h.versionField[0] >= kVersionSize || h.serialField[0] >= kSerialSize ||
      (h.slot[0] != 0 && h.slot[0] != FileEntry::kSize))
    return std::nullopt;
  return h;
}

std::optional<DataFileHeader> readDataFileHeader(const std::string& path, std::string* problem) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (problem) *problem = "cannot be opened";
    return std::nullopt;
  }
  std::array<std::uint8_t, DataFileHeader::kSize> bytes{};
  in.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
  if (static_cast<std::size_t>(in.gcount()) < bytes.size()) {
    if (problem) *problem = "is shorter than a data file header";
    return std::nullopt;
  }
  auto header = DataFileHeader::decode(bytes.data(), bytes.size());
  if (!header && problem) *problem = "is not a data file";
  return header;
}

bool writeDataFile(const std::string& path, const DataFileHeader& header, const std::uint8_t* stream,
                   std::size_t length) {
  Bytes head = header.encode();
  std::string bytes(head.begin(), head.end());
  bytes.append(reinterpret_cast<const char*>(stream), length);
  return writeFileAtomically(path, bytes);
}

}  // namespace ql
