#pragma once
// The annotated export: a CSV file that says what it holds. A block of "# key: value" lines (the
// logger, the task, how water height was computed, the units of every column, the program and the
// source file's SHA-256), then a line of column names, then one line per record with ISO 8601
// time stamps ("2026-03-01T00:00:01", the logger's local clock time, no zone). Like the data-page
// export it runs from the first record of the page shown to the end of the file.
//
// Columns: time, temperature (degC), pressure (kPa as recorded), water_height (m), conductivity
// (mS/cm), battery (V, empty without a reading); with a barometric series also uncompensated
// (1 for a record the series does not cover: its water_height is empty, else 0).

#include <iosfwd>
#include <string>

#include "data/csv_export.h"

namespace ql {

class DataPage;

// What the header tells beyond the data file and the options.
struct AnnotatedSource {
  std::string model;                     // the logger model the program serves
  std::string programVersion;            // "velmo " + this
  std::string sha256;                    // of the data file, lower-case hex; empty when unknown
  std::string driftCorrection = "none";  // how record times were corrected
};

// False when no file is open, it cannot be read, or the stream fails.
bool writeAnnotatedExport(const DataPage& page, const ExportOptions& options, const AnnotatedSource& source,
                          std::ostream& out);

// "yyyy-mm-dd hh:mm:ss" as "yyyy-mm-ddThh:mm:ss"; other texts unchanged.
std::string isoDateTime(std::string text);

}  // namespace ql
