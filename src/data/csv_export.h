#pragma once
// The two CSV exports of recorded data, written line by line to a stream (UTF-8, CR LF):
// - the download export, from a freshly downloaded (realigned) data stream in memory;
// - the data-page export, from the data file open on the data page, from its shown page's first
//   record to the end of the file, with the depth parameters in its header.
// Both return false when the stream fails; what was written before stays.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "data/data_file.h"
#include "data/height_method.h"
#include "data/water_height.h"

namespace ql {

class DataPage;

struct ExportOptions {
  DepthParameters depth;
  HeightOptions height;         // sea water by latitude, a barometric series; none by default
  int temperatureDecimals = 2;  // precision settings: 1 and 3 stand for themselves, else 2
  int pressureDecimals = 2;
  std::string now;  // the export's time, "yyyy-mm-dd hh:mm:ss"
};

// Download export of a data stream (records, normally followed by 2 checksum bytes): header from
// the file entry and the serial number, then its first length / 16 records. Temperatures are read
// unsigned and a battery byte of 0 gives 3.00, as this layout always did.
bool WriteDownloadExport(const FileEntry& entry, const std::string& serialNumber, const std::uint8_t* stream,
                         std::size_t length, const ExportOptions& options, std::ostream& out);

// A record without a barometric pressure (see HeightOptions) has an empty water height field; the
// parameter line of the data-page export names the latitude and the barometric file when chosen.

// Data-page export of the records given (whole 16-byte records; a shorter tail is ignored),
// with header fields from a data file header.
bool writeDataPageExport(const DataFileHeader& header, const std::uint8_t* records, std::size_t length,
                         const ExportOptions& options, std::ostream& out);

// ExportOpenFile: the data-page export of the open file, from the first record of the page shown
// to the end, read from the file in pieces. False when no file is open, it cannot be read, or the
// stream fails.
bool ExportOpenFile(const DataPage& page, const ExportOptions& options, std::ostream& out);

// The name the save dialog proposes for a data-page export (without ".csv"):
// compactNow ("yyyymmddhhmmss") + "_" + task name + "_" + serial number.
std::string dataPageExportName(const DataFileHeader& header, const std::string& compactNow);

}  // namespace ql
