#include "data/csv_export.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <vector>

#include "data/data_page.h"
#include "data/records.h"
#include "runtime/encoding.h"
#include "runtime/formats.h"

namespace ql {

namespace {

constexpr const char* kLineEnd = "\r\n";

// Collects lines in a fixed buffer and hands it to the stream in large writes.
class LineWriter {
 public:
  explicit LineWriter(std::ostream& out) : out_(out), buffer_(kCapacity) {}

  // Room for one record line at least.
  char* reserveLine() {
    if (kCapacity - used_ < kLineRoom) flush();
    return buffer_.data() + used_;
  }
  void commitLine(char* end) {
    *end++ = '\r';
    *end++ = '\n';
    used_ = static_cast<std::size_t>(end - buffer_.data());
  }
  void line(const std::string& text) {
    char* at = reserveLine();
    if (text.size() + 2 > kLineRoom) {  // a header line longer than any record line
      flush();
      out_ << text << kLineEnd;
      return;
    }
    std::memcpy(at, text.data(), text.size());
    commitLine(at + text.size());
  }
  bool flush() {
    if (used_ > 0 && out_) out_.write(buffer_.data(), static_cast<std::streamsize>(used_));
    used_ = 0;
    return static_cast<bool>(out_);
  }
  bool good() const { return static_cast<bool>(out_); }

 private:
  static constexpr std::size_t kCapacity = 1 << 16;
  static constexpr std::size_t kLineRoom = 8 * kMaxFieldText + kMaxWaterHeightText;

  std::ostream& out_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

char* putText(char* out, const char* text) {
  const std::size_t length = std::strlen(text);
  std::memcpy(out, text, length);
  return out + length;
}

// Writes the records of [data, data + length) as lines; false as soon as the stream fails.
template <typename WriteRecord>
bool writeRecordLines(LineWriter& writer, const std::uint8_t* data, std::size_t length, WriteRecord writeRecord) {
  const std::size_t count = length / Record::kSize;
  for (std::size_t i = 0; i < count; ++i) {
    const Record r = decodeRecord(data + i * Record::kSize);
    char* at = writer.reserveLine();
    if (!writer.good()) return false;
    writer.commitLine(writeRecord(at, r));
  }
  return writer.good();
}

struct DataPageLine {
  const ExportOptions& options;
  int temperatureDecimals;
  int pressureDecimals;

  char* operator()(char* at, const Record& r) const {
    at = writeStampDigits(at, r.stamp.data());
    *at++ = ',';
    at = writeTenThousandths(at, r.signedTemperatureRaw(), temperatureDecimals);
    *at++ = ',';
    at = writeTenThousandths(at, r.pressureRaw, pressureDecimals);
    *at++ = ',';
    at = writeWaterHeight(at, r.pressureRaw, options.depth);
    *at++ = ',';
    at = writeTenThousandths(at, r.conductivityRaw, 2);
    *at++ = ',';
    return r.battery == 0 ? putText(at, "0.00") : writeBatteryVolts(at, r.battery);
  }
};

DataPageLine dataPageLine(const ExportOptions& options) {
  return {options, valueDecimals(options.temperatureDecimals), valueDecimals(options.pressureDecimals)};
}

void writeDataPageHeader(LineWriter& writer, const DataFileHeader& header, const ExportOptions& options) {
  const FileEntry entry = header.entry();
  writer.line("time:," + options.now);
  writer.line("task name:," + decodeLegacyText(entry.name()));
  writer.line("SN:," + decodeLegacyText(header.serialNumber()));
  writer.line("");
  writer.line("Start sample time:," + FileEntry::stampText(entry.startStamp()));
  writer.line("End sample time:," + FileEntry::stampText(entry.endStamp()));
  writer.line("Record interval:," + std::to_string(entry.intervalMs()) + "ms");
  writer.line("water density:," + formatShortest(options.depth.density) + ",Gravitational acceleration:," +
              formatShortest(options.depth.gravity) + ",Offset:," + formatShortest(options.depth.offset));
  writer.line("");
  writer.line("Time,Temperature,Pressure,Height of water,Conductivity,Battery");
  writer.line(",(oC),(KPa),(m),(mS/cm),(V)");
}

}  // namespace

bool WriteDownloadExport(const FileEntry& entry, const std::string& serialNumber, const std::uint8_t* stream,
                         std::size_t length, const ExportOptions& options, std::ostream& out) {
  LineWriter writer(out);
  writer.line(options.now);
  writer.line("SN: " + decodeLegacyText(serialNumber));
  writer.line(decodeLegacyText(entry.name()));
  writer.line("");
  writer.line("Start sample time: " + FileEntry::stampText(entry.startStamp()));
  writer.line("End sample time: " + FileEntry::stampText(entry.endStamp()));
  writer.line("sampling interval: " + std::to_string(entry.intervalMs()) + "ms");
  writer.line("");
  writer.line("Time,Temperature,Pressure,Height of water,Conductivity,Power");
  writer.line(",(oC),(KPa),(m),(mS/cm),(V)");

  const int temperatureDecimals = valueDecimals(options.temperatureDecimals);
  const int pressureDecimals = valueDecimals(options.pressureDecimals);
  const bool written = writeRecordLines(writer, stream, length, [&](char* at, const Record& r) {
    at = writeStampValues(at, r.stamp.data());
    *at++ = ',';
    at = writeTenThousandths(at, r.temperatureRaw, temperatureDecimals);
    *at++ = ',';
    at = writeTenThousandths(at, r.pressureRaw, pressureDecimals);
    *at++ = ',';
    at = writeWaterHeight(at, r.pressureRaw, options.depth);
    *at++ = ',';
    at = writeTenThousandths(at, r.conductivityRaw, 2);
    *at++ = ',';
    return writeBatteryVolts(at, r.battery);
  });
  return writer.flush() && written;
}

bool writeDataPageExport(const DataFileHeader& header, const std::uint8_t* records, std::size_t length,
                         const ExportOptions& options, std::ostream& out) {
  LineWriter writer(out);
  writeDataPageHeader(writer, header, options);
  const bool written = writeRecordLines(writer, records, length, dataPageLine(options));
  return writer.flush() && written;
}

bool ExportOpenFile(const DataPage& page, const ExportOptions& options, std::ostream& out) {
  if (!page.isOpen()) return false;
  LineWriter writer(out);
  writeDataPageHeader(writer, page.header(), options);
  constexpr std::int64_t kChunkRecords = 1 << 16;  // 1 MiB of records per read
  const DataPageLine line = dataPageLine(options);
  for (std::int64_t first = page.firstRecordOfPage(); first < page.recordCount(); first += kChunkRecords) {
    const std::int64_t wanted = std::min(kChunkRecords, page.recordCount() - first);
    const std::vector<std::uint8_t> chunk = page.readRecords(first, wanted);
    if (!writeRecordLines(writer, chunk.data(), chunk.size(), line)) return false;
    // A file that shrank or turned unreadable since it was opened ends the export as a failure.
    if (static_cast<std::int64_t>(chunk.size() / Record::kSize) < wanted) {
      writer.flush();
      return false;
    }
  }
  return writer.flush();
}

std::string dataPageExportName(const DataFileHeader& header, const std::string& compactNow) {
  return compactNow + "_" + decodeLegacyText(header.entry().name()) + "_" + decodeLegacyText(header.serialNumber());
}

}  // namespace ql
