#pragma once
// The download export (the layout offered right after a download) of a data file already in the
// local store: its header gives the file entry and the serial number, its stream the records.

#include <string>

#include "data/csv_export.h"

namespace ql {

// Writes the CSV file; false when the data file cannot be read or the CSV file not written.
bool writeStoredDownloadExport(const std::string& dataFile, const std::string& csvFile,
                               const ExportOptions& options);

}  // namespace ql
