#include "sim/recorded_file.h"

#include <algorithm>
#include <cmath>

#include "link/codecs.h"

namespace ql::sim {

namespace {

// The usual settings of each kind of recording: the work mode shows in the file details.
struct KindSettings {
  const char* name;
  std::uint32_t intervalMs;
  std::uint32_t averageIntervalMs;
  std::uint16_t averageCount;
  std::uint8_t modeMarker;  // 4 = fast fixed-depth profile
};

KindSettings settingsOf(RecordKind kind) {
  switch (kind) {
    case RecordKind::Tide:
      return {"TIDE", 30000, 0, 1, 2};  // fixed interval
    case RecordKind::Dive:
      return {"DIVE", 500, 0, 1, 4};  // fast fixed-depth profile
    case RecordKind::TemperatureDrift:
      return {"DRIFT", 60000, 2000, 10, 3};  // averaging
  }
  return {"FILE", 1000, 0, 1, 1};
}

std::uint8_t bcd(int value) { return static_cast<std::uint8_t>((value / 10) << 4 | value % 10); }

struct Fields {
  int year, month, day, hour, minute, second;
};

Fields fieldsOf(LoggerTime time) {
  auto days = std::chrono::floor<std::chrono::days>(time);
  std::chrono::year_month_day date{days};
  std::chrono::hh_mm_ss clock{time - days};
  return {static_cast<int>(date.year()),
          static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day())),
          static_cast<int>(clock.hours().count()),
          static_cast<int>(clock.minutes().count()),
          static_cast<int>(clock.seconds().count())};
}

void putU24(std::uint8_t* out, long long raw) {
  auto bits = static_cast<std::uint32_t>(raw) & 0xFFFFFFu;
  out[0] = static_cast<std::uint8_t>(bits >> 16);
  out[1] = static_cast<std::uint8_t>(bits >> 8);
  out[2] = static_cast<std::uint8_t>(bits);
}

// Readers take a raw value above 0x400000 as negative (raw - 0x1000000): the temperature's
// range is -1258.2911 .. 419.4304; readings beyond are held at the limits.
void putTemperature(std::uint8_t* out, double celsius) {
  putU24(out, std::clamp(std::llround(celsius * 10000.0), -0xBFFFFFll, 0x400000ll));
}

void putUnsigned(std::uint8_t* out, double value) {
  putU24(out, std::clamp(std::llround(value * 10000.0), 0ll, 0xFFFFFFll));
}

// CRC-16/MODBUS carried on over pieces (link/crc.h computes it over one buffer only).
std::uint16_t crcUpdate(std::uint16_t crc, const std::uint8_t* data, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 1) ? static_cast<std::uint16_t>(crc >> 1 ^ 0xA001) : crc >> 1;
  }
  return crc;
}

// Default start of the recordings: early 2026.
const LoggerTime kDefaultStart = loggerTime(2026, 1, 5, 6, 0, 0);

}  // namespace

LoggerTime loggerTime(int year, int month, int day, int hour, int minute, int second) {
  std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                   std::chrono::day{static_cast<unsigned>(day)}};
  return std::chrono::sys_days{date} + std::chrono::hours{hour} + std::chrono::minutes{minute} +
         std::chrono::seconds{second};
}

std::array<std::uint8_t, 6> binaryStamp(LoggerTime time) {
  Fields f = fieldsOf(time);
  return {static_cast<std::uint8_t>(f.year - 2000), static_cast<std::uint8_t>(f.month),
          static_cast<std::uint8_t>(f.day),         static_cast<std::uint8_t>(f.hour),
          static_cast<std::uint8_t>(f.minute),      static_cast<std::uint8_t>(f.second)};
}

std::array<std::uint8_t, 6> bcdStamp(LoggerTime time) {
  Fields f = fieldsOf(time);
  return {bcd(f.year % 100), bcd(f.month), bcd(f.day), bcd(f.hour), bcd(f.minute), bcd(f.second)};
}

std::array<std::uint8_t, 16> encodeRecord(LoggerTime time, const Sample& sample) {
  std::array<std::uint8_t, 16> r{};
  auto stamp = bcdStamp(time);
  std::copy(stamp.begin(), stamp.end(), r.begin());
  putTemperature(&r[6], sample.temperatureC);
  putUnsigned(&r[9], sample.pressureKpa);
  putUnsigned(&r[12], sample.conductivityMsCm);
  r[15] = static_cast<std::uint8_t>(std::clamp(sample.batteryByte, 0, 255));
  return r;
}

RecordedFile::RecordedFile(int number, FilePlan plan)
    : number_(number),
      plan_(std::move(plan)),
      start_(plan_.start.value_or(kDefaultStart)),
      intervalMs_(plan_.intervalMs > 0 ? plan_.intervalMs : settingsOf(plan_.kind).intervalMs) {
  if (plan_.name.empty()) {
    plan_.name = settingsOf(plan_.kind).name;
    plan_.name += static_cast<char>('0' + number_ / 10);
    plan_.name += static_cast<char>('0' + number_ % 10);
  }
}

std::uint64_t RecordedFile::recordBytes() const {
  return plan_.size > kChecksumSize ? plan_.size - kChecksumSize : 0;
}

std::uint64_t RecordedFile::recordCount() const { return (recordBytes() + kRecordSize - 1) / kRecordSize; }

LoggerTime RecordedFile::recordTime(std::uint64_t index) const {
  return start_ + std::chrono::seconds{static_cast<long long>(index * intervalMs_ / 1000)};
}

LoggerTime RecordedFile::end() const { return recordTime(recordCount() > 0 ? recordCount() - 1 : 0); }

std::array<std::uint8_t, RecordedFile::kEntrySize> RecordedFile::entry() const {
  KindSettings settings = settingsOf(plan_.kind);
  Bytes e;
  e.push_back(static_cast<std::uint8_t>(number_));  // a present file: below 17
  std::string name = plan_.name.substr(0, 16);
  name.resize(16, '=');
  e.insert(e.end(), name.begin(), name.end());
  auto startStamp = binaryStamp(start_);
  auto endStamp = binaryStamp(end());
  e.insert(e.end(), startStamp.begin(), startStamp.end());
  e.insert(e.end(), endStamp.begin(), endStamp.end());
  putBeU32(e, intervalMs_);
  putBeU32(e, plan_.size);
  putBeU32(e, settings.averageIntervalMs);
  putBeU16(e, settings.averageCount);
  auto created = binaryStamp(start_ - std::chrono::minutes{15});  // the task was set up before it began
  e.insert(e.end(), created.begin(), created.end());
  e.push_back(settings.modeMarker);
  std::array<std::uint8_t, kEntrySize> out{};
  std::copy(e.begin(), e.end(), out.begin());
  return out;
}

std::array<std::uint8_t, RecordedFile::kRecordSize> RecordedFile::record(std::uint64_t index) const {
  LoggerTime time = recordTime(index);
  double elapsed = static_cast<double>(index) * intervalMs_ / 1000.0;
  auto seed =
      static_cast<std::uint32_t>(start_.time_since_epoch().count()) ^ static_cast<std::uint32_t>(number_);
  return encodeRecord(time, sampleAt(plan_.kind, index, recordCount(), elapsed, seed));
}

void RecordedFile::readRecords(std::uint64_t offset, std::size_t length, Bytes& out) const {
  std::uint64_t end = offset + length;
  while (offset < end) {
    std::uint64_t index = offset / kRecordSize;
    auto r = record(index);
    std::size_t from = static_cast<std::size_t>(offset % kRecordSize);
    std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(kRecordSize - from, end - offset));
    out.insert(out.end(), r.begin() + static_cast<std::ptrdiff_t>(from),
               r.begin() + static_cast<std::ptrdiff_t>(from + count));
    offset += count;
  }
}

Bytes RecordedFile::read(std::uint64_t offset, std::size_t length) const {
  Bytes out;
  if (offset >= plan_.size) return out;
  std::uint64_t end = std::min<std::uint64_t>(plan_.size, offset + length);
  out.reserve(static_cast<std::size_t>(end - offset));
  std::uint64_t records = recordBytes();
  if (offset < records) {
    std::uint64_t stop = std::min(end, records);
    readRecords(offset, static_cast<std::size_t>(stop - offset), out);
    offset = stop;
  }
  if (offset < end) {
    auto sum = checksum();
    // A size below 2 keeps only the first checksum byte(s).
    std::uint64_t sumStart = plan_.size - std::min<std::uint64_t>(plan_.size, kChecksumSize);
    for (; offset < end; ++offset) out.push_back(sum[static_cast<std::size_t>(offset - sumStart)]);
  }
  return out;
}

Bytes RecordedFile::responseHead() const {
  Bytes head = {0x01, 0x03, kHeadMark};
  auto e = entry();
  head.insert(head.end(), e.begin(), e.end());
  return head;
}

std::array<std::uint8_t, RecordedFile::kChecksumSize> RecordedFile::checksum() const {
  if (!checksum_) {
    Bytes head = responseHead();
    std::uint16_t crc = crcUpdate(0xFFFF, head.data(), head.size());
    constexpr std::size_t kPiece = 64 * 1024;
    Bytes piece;
    for (std::uint64_t at = 0; at < recordBytes(); at += kPiece) {
      piece.clear();
      readRecords(at, static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, recordBytes() - at)), piece);
      crc = crcUpdate(crc, piece.data(), piece.size());
    }
    checksum_ = std::array<std::uint8_t, kChecksumSize>{static_cast<std::uint8_t>(crc & 0xFF),
                                                        static_cast<std::uint8_t>(crc >> 8)};
  }
  return *checksum_;
}

}  // namespace ql::sim
