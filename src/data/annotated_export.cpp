#include "data/annotated_export.h"

#include <ostream>

#include "data/data_page.h"
#include "data/height_method.h"
#include "data/line_writer.h"
#include "runtime/encoding.h"
#include "runtime/formats.h"

namespace ql {

namespace {

constexpr std::size_t kStampLength = 19;  // "2026-03-01 00:00:01"
constexpr std::size_t kDateTimeSeparator = 10;

const char* modeName(int mode) {
  switch (mode) {
    case 1:
      return "fast";
    case 2:
      return "interval";
    case 3:
      return "average";
    default:
      return "profile";
  }
}

std::string baseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct AnnotatedLine {
  int temperatureDecimals;
  int pressureDecimals;
  bool flagColumn;
  HeightCalculator height;

  char* operator()(char* at, const Record& r) {
    char* stamp = at;
    at = writeStampDigits(at, r.stamp.data());
    if (at - stamp == static_cast<std::ptrdiff_t>(kStampLength)) stamp[kDateTimeSeparator] = 'T';
    *at++ = ',';
    at = writeTenThousandths(at, r.signedTemperatureRaw(), temperatureDecimals);
    *at++ = ',';
    at = writeTenThousandths(at, r.pressureRaw, pressureDecimals);
    *at++ = ',';
    bool marked = false;
    at = height.write(at, r, marked);
    *at++ = ',';
    at = writeTenThousandths(at, r.conductivityRaw, 2);
    *at++ = ',';
    if (r.battery != 0) at = writeBatteryVolts(at, r.battery);
    if (flagColumn) {
      *at++ = ',';
      *at++ = marked ? '1' : '0';
    }
    return at;
  }
};

void writeHeader(LineWriter& writer, const DataPage& page, const ExportOptions& options,
                 const AnnotatedSource& source) {
  const DataFileHeader& header = page.header();
  const FileEntry entry = header.entry();
  const HeightOptions& height = options.height;
  auto key = [&](const std::string& name, const std::string& value) {
    writer.line("# " + name + ": " + value);
  };

  key("format", "velmo annotated CSV 1");
  key("serial", decodeLegacyText(header.serialNumber()));
  key("model", source.model);
  key("firmware", header.firmwareVersion());
  key("task name", decodeLegacyText(entry.name()));
  key("mode", modeName(entry.workMode()));
  key("record interval", std::to_string(entry.intervalMs()) + " ms");
  key("start", isoDateTime(FileEntry::stampText(entry.startStamp())));
  key("end", isoDateTime(FileEntry::stampText(entry.endStamp())));
  key("first record", std::to_string(page.firstRecordOfPage() + 1));
  key("records", std::to_string(page.recordCount() - page.firstRecordOfPage()));

  const std::string above = height.barometric ? "kPa - barometric kPa" : "kPa + offset";
  if (height.latitude) {
    key("water", "sea water, UNESCO 1983 depth with gravity by latitude");
    key("depth formula", "UNESCO 1983 depth of (" + above + ") / 10 dbar");
    key("latitude", formatShortest(*height.latitude) + " degrees");
  } else {
    key("water", "fixed density and gravity");
    key("depth formula", "(" + above + ") / density / gravity");
    key("density", formatShortest(options.depth.density) + " g/cm3");
    key("gravity", formatShortest(options.depth.gravity) + " m/s2");
  }
  if (height.barometric) {
    key("barometric file", baseName(height.barometric->source));
    key("barometric readings", std::to_string(height.barometric->size()));
    key("barometric gap limit", std::to_string(height.maxGapSeconds) + " s");
  } else {
    key("offset", formatShortest(options.depth.offset) + " kPa");
  }
  key("drift correction", source.driftCorrection);

  key("unit time", "ISO 8601 local time of the logger's clock");
  key("unit temperature", "degC");
  key("unit pressure", "kPa, absolute as recorded");
  key("unit water_height",
      height.barometric ? "m; empty where the barometric series gives no pressure" : "m");
  key("unit conductivity", "mS/cm");
  key("unit battery", "V; empty without a reading");
  if (height.barometric) key("unit uncompensated", "1 where the barometric series gives no pressure, else 0");

  key("program", "velmo " + source.programVersion);
  key("source", baseName(page.path()));
  key("source sha256", source.sha256.empty() ? "unknown" : source.sha256);
  key("exported", isoDateTime(options.now));
  writer.line(std::string("time,temperature,pressure,water_height,conductivity,battery") +
              (height.barometric ? ",uncompensated" : ""));
}

}  // namespace

std::string isoDateTime(std::string text) {
  if (text.size() == kStampLength && text[kDateTimeSeparator] == ' ') text[kDateTimeSeparator] = 'T';
  return text;
}

bool writeAnnotatedExport(const DataPage& page, const ExportOptions& options, const AnnotatedSource& source,
                          std::ostream& out) {
  if (!page.isOpen()) return false;
  LineWriter writer(out);
  writeHeader(writer, page, options, source);
  AnnotatedLine line{valueDecimals(options.temperatureDecimals), valueDecimals(options.pressureDecimals),
                     static_cast<bool>(options.height.barometric),
                     HeightCalculator(options.depth, options.height)};
  return writePageRecords(page, writer, line);
}

}  // namespace ql
