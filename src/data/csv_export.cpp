#include "data/csv_export.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <vector>

#include "data/data_page.h"
#include "data/height_method.h"
#include "data/line_writer.h"
#include "data/records.h"
#include "runtime/encoding.h"
#include "runtime/formats.h"

namespace ql {

namespace {

std::string baseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct DataPageLine {
  int temperatureDecimals;
  int pressureDecimals;
  HeightCalculator height;

  char* operator()(char* at, const Record& r) {
    at = writeStampDigits(at, r.stamp.data());
    *at++ = ',';
    at = writeTenThousandths(at, r.signedTemperatureRaw(), temperatureDecimals);
    *at++ = ',';
    at = writeTenThousandths(at, r.pressureRaw, pressureDecimals);
    *at++ = ',';
    bool marked = false;  // a record without a barometric pressure has an empty height
    at = height.write(at, r, marked);
    *at++ = ',';
    at = writeTenThousandths(at, r.conductivityRaw, 2);
    *at++ = ',';
    return r.battery == 0 ? putText(at, "0.00") : writeBatteryVolts(at, r.battery);
  }
};

// The choices beyond the fixed formula, appended to the parameter line only when made.
std::string heightChoiceFields(const HeightOptions& height) {
  std::string fields;
  if (height.latitude) fields += ",Sea water latitude:," + formatShortest(*height.latitude);
  if (height.barometric) fields += ",Barometric file:," + baseName(height.barometric->source);
  return fields;
}

DataPageLine dataPageLine(const ExportOptions& options) {
  return {valueDecimals(options.temperatureDecimals), valueDecimals(options.pressureDecimals),
          HeightCalculator(options.depth, options.height)};
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
              formatShortest(options.depth.gravity) + ",Offset:," + formatShortest(options.depth.offset) +
              heightChoiceFields(options.height));
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
  HeightCalculator height(options.depth, options.height);
  auto recordLine = [&](char* at, const Record& r) {
    at = writeStampValues(at, r.stamp.data());
    *at++ = ',';
    at = writeTenThousandths(at, r.temperatureRaw, temperatureDecimals);
    *at++ = ',';
    at = writeTenThousandths(at, r.pressureRaw, pressureDecimals);
    *at++ = ',';
    bool marked = false;
    at = height.write(at, r, marked);
    *at++ = ',';
    at = writeTenThousandths(at, r.conductivityRaw, 2);
    *at++ = ',';
    return writeBatteryVolts(at, r.battery);
  };
  const bool written = writeRecordLines(writer, stream, length, recordLine);
  return writer.flush() && written;
}

bool writeDataPageExport(const DataFileHeader& header, const std::uint8_t* records, std::size_t length,
                         const ExportOptions& options, std::ostream& out) {
  LineWriter writer(out);
  writeDataPageHeader(writer, header, options);
  DataPageLine line = dataPageLine(options);
  const bool written = writeRecordLines(writer, records, length, line);
  return writer.flush() && written;
}

bool ExportOpenFile(const DataPage& page, const ExportOptions& options, std::ostream& out) {
  if (!page.isOpen()) return false;
  LineWriter writer(out);
  writeDataPageHeader(writer, page.header(), options);
  DataPageLine line = dataPageLine(options);
  return writePageRecords(page, writer, line);
}

std::string dataPageExportName(const DataFileHeader& header, const std::string& compactNow) {
  return compactNow + "_" + decodeLegacyText(header.entry().name()) + "_" + decodeLegacyText(header.serialNumber());
}

}  // namespace ql
