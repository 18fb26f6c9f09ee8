#pragma once
// Building blocks for tests of recorded data: records from their fields, data files written into
// a fresh directory that is removed afterwards.

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/data_file.h"
#include "link/bytes.h"
#include "support/temp_dir.h"

namespace ql::test {

struct RecordFields {
  std::uint8_t stamp[6];
  std::uint32_t temperature;
  std::uint32_t pressure;
  std::uint32_t conductivity;
  std::uint8_t battery;
};

inline void appendRecord(Bytes& out, const RecordFields& f) {
  out.insert(out.end(), f.stamp, f.stamp + 6);
  for (std::uint32_t v : {f.temperature, f.pressure, f.conductivity}) {
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
  }
  out.push_back(f.battery);
}

inline std::uint8_t bcd(int value) { return static_cast<std::uint8_t>(value / 10 * 16 + value % 10); }

// A stream of count records numbered so that a test can tell which record a row shows: record i
// (from 1) has pressure raw 1,000,000 + i and the stamp 2026-03-01 00:00:00 plus i seconds.
inline Bytes numberedRecords(int count, bool trailingChecksum = true) {
  Bytes out;
  out.reserve(static_cast<std::size_t>(count) * 16 + 2);
  for (int i = 1; i <= count; ++i) {
    const std::uint8_t stamp[6] = {0x26, 0x03, bcd(1 + i / 86400), bcd(i / 3600 % 24), bcd(i / 60 % 60), bcd(i % 60)};
    RecordFields f{{}, 200000, static_cast<std::uint32_t>(1000000 + i), 5000, 100};
    std::copy(stamp, stamp + 6, f.stamp);
    appendRecord(out, f);
  }
  if (trailingChecksum) out.insert(out.end(), {0xAB, 0xCD});
  return out;
}

// A file entry: task name, start and end stamps (binary bytes), interval in ms, size.
inline Bytes slotImage(const std::string& name, const std::uint8_t (&start)[6], const std::uint8_t (&end)[6],
                       std::uint32_t intervalMs, std::uint32_t size) {
  Bytes slot(51, 0);
  slot[0] = 50;
  std::uint8_t* entry = slot.data() + 1;
  for (std::size_t i = 0; i < 16; ++i) entry[1 + i] = i < name.size() ? name[i] : 0xFF;
  for (int i = 0; i < 6; ++i) entry[17 + i] = start[i], entry[23 + i] = end[i];
  for (int i = 0; i < 4; ++i) {
    entry[29 + i] = static_cast<std::uint8_t>(intervalMs >> (24 - 8 * i));
    entry[33 + i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
  }
  return slot;
}

inline DataFileHeader sampleHeader() {
  DataFileHeader header;
  header.setFirmwareVersion("2.1.0");
  header.setSerialNumber("QL310-0042");
  header.setSlot(slotImage("TIDE=A", {26, 3, 14, 12, 30, 0}, {26, 3, 15, 8, 5, 9}, 1000, 0));
  return header;
}

// A scratch directory that writes data files.
class DataDir : public TempDir {
 public:
  DataDir() : TempDir("ql_data") {}

  // A data file of sampleHeader() and the stream; its path.
  std::string dataFile(const std::string& name, const Bytes& stream) const {
    const std::string p = file(name);
    std::filesystem::create_directories(std::filesystem::path(p).parent_path());
    writeDataFile(p, sampleHeader(), stream.data(), stream.size());
    return p;
  }
  std::string rawFile(const std::string& name, const std::string& bytes) const {
    const std::string p = file(name);
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
};

}  // namespace ql::test
