#pragma once
// The record kept beside every stored data file: NAME.wlr.json says where the file came from and
// what the download saw, so that the file can be checked later and its clock drift measured.
//
//   {"serial": "210012345", "slot": 2, "entry": "<50 bytes in hex>", "announced_size": 1602,
//    "stored_size": 1602, "stray_bytes_removed": 0, "crc": "match", "sha256": "<hex>",
//    "pc_time": "2026-01-05T06:00:00", "logger_clock": "2026-01-05T06:00:50"}
//
// Times are ISO 8601 local time without a zone, as the logger keeps its clock; logger_clock is
// empty when the clock was never read. A data file without this record opens as before.

#include <cstdint>
#include <optional>
#include <string>

namespace ql {

struct DownloadRecord {
  std::string serial;
  int slot = -1;
  std::string entryHex;                 // the 50-byte file entry, lower-case hex
  std::uint64_t announcedSize = 0;      // stream bytes the reply announced
  std::uint64_t storedSize = 0;         // stream bytes stored after realignment
  std::uint64_t strayBytesRemoved = 0;  // bytes realignment dropped
  bool crcMatch = false;                // the reply's checksum over what arrived
  std::string sha256;                   // of the whole stored .wlr
  std::string pcTime;                   // "yyyy-mm-ddThh:mm:ss"
  std::string loggerClock;              // the same, or empty

  std::string toJson() const;
  // nullopt with a reason when the text is not such a record (a missing or mistyped field too).
  static std::optional<DownloadRecord> parse(const std::string& json, std::string& problem);
};

// "NAME.wlr" -> "NAME.wlr.json"
std::string downloadRecordPath(const std::string& dataFilePath);
// Written atomically; false when it cannot be.
bool writeDownloadRecord(const std::string& dataFilePath, const DownloadRecord& record);
// The record beside a data file; nullopt with the reason when it is missing, unreadable or does
// not parse.
std::optional<DownloadRecord> readDownloadRecord(const std::string& dataFilePath, std::string& problem);

// "yyyy-mm-dd hh:mm:ss" (the shown clock) -> "yyyy-mm-ddThh:mm:ss"; empty when it does not parse.
std::string isoFromShownTime(const std::string& shown);

// The stored file against its record: size, SHA-256 and the download's checksum result. Empty
// when all agree, otherwise the reason it fails.
std::string verifyDataFile(const std::string& dataFilePath);

}  // namespace ql
