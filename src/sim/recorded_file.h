#pragma once
// One recording in the logger: its 50-byte file table entry and its data stream. The stream is
// the file's 16-byte sample records, cut to the file's size less 2, followed by the 2 checksum
// bytes that end the logger's file-data reply (CRC-16/MODBUS, low byte first, over the response
// head and the records). Nothing is held in memory: every byte is produced when read.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "link/bytes.h"
#include "sim/record_generators.h"

namespace ql::sim {

// The logger's calendar clock, to the second and without a time zone.
using LoggerTime = std::chrono::sys_seconds;

// year, month, day, hour, minute, second as the logger counts them.
LoggerTime loggerTime(int year, int month, int day, int hour, int minute, int second);
// Year-2000, month, day, hour, minute, second, each one plain binary byte (the file table).
std::array<std::uint8_t, 6> binaryStamp(LoggerTime time);
// The same six fields as packed BCD (the sample records).
std::array<std::uint8_t, 6> bcdStamp(LoggerTime time);

// A 16-byte sample record: BCD stamp, temperature, pressure and conductivity as 24-bit values in
// units of 1/10000 (a negative temperature in two's complement), then the battery byte. Values
// beyond 24 bits are held at the limits.
std::array<std::uint8_t, 16> encodeRecord(LoggerTime time, const Sample& sample);

// What a test or the simulator asks for; fields left at 0 or empty take the kind's usual values.
struct FilePlan {
  RecordKind kind = RecordKind::Tide;
  // Bytes of the data stream, the trailing checksum included: 16 x records + 2 for whole records.
  std::uint32_t size = 16 * 100 + 2;
  std::string name;  // up to 16 characters; empty: named after the kind
  std::optional<LoggerTime> start;
  std::uint32_t intervalMs = 0;
};

class RecordedFile {
 public:
  static constexpr std::size_t kEntrySize = 50;
  static constexpr std::size_t kRecordSize = 16;
  static constexpr std::size_t kChecksumSize = 2;
  // The response head before the stream: 01 03, one byte, the entry.
  static constexpr std::size_t kHeadSize = 3 + kEntrySize;
  // The byte between 01 03 and the entry (the program does not read it): the entry's length.
  static constexpr std::uint8_t kHeadMark = static_cast<std::uint8_t>(kEntrySize);

  // number: 1..16, the slot + 1 the program addresses the file by.
  RecordedFile(int number, FilePlan plan);

  int number() const { return number_; }
  const FilePlan& plan() const { return plan_; }
  std::uint32_t size() const { return plan_.size; }
  // Records the stream holds; a last record cut short by the size counts.
  std::uint64_t recordCount() const;
  LoggerTime start() const { return start_; }
  LoggerTime end() const;
  LoggerTime recordTime(std::uint64_t index) const;
  std::uint32_t intervalMs() const { return intervalMs_; }

  std::array<std::uint8_t, kEntrySize> entry() const;
  std::array<std::uint8_t, kRecordSize> record(std::uint64_t index) const;
  // Stream bytes [offset, offset + length), cut at the end of the stream.
  Bytes read(std::uint64_t offset, std::size_t length) const;
  // 01 03 kHeadMark and the entry: what precedes the stream in the reply.
  Bytes responseHead() const;
  // The two trailing bytes; the first call walks the whole file.
  std::array<std::uint8_t, kChecksumSize> checksum() const;

 private:
  std::uint64_t recordBytes() const;
  void readRecords(std::uint64_t offset, std::size_t length, Bytes& out) const;

  int number_;
  FilePlan plan_;
  LoggerTime start_;
  std::uint32_t intervalMs_;
  mutable std::optional<std::array<std::uint8_t, kChecksumSize>> checksum_;
};

}  // namespace ql::sim
