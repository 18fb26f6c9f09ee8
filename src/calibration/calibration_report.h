#pragma once
// The calibration report: a short certificate of the pressure and temperature verification, saved
// under a name the operator chooses, and the "保存" operation that writes the record file first.

#include <string>
#include <vector>

#include "calibration/calibration_record.h"
#include "runtime/formats.h"
#include "runtime/operator.h"

namespace ql::calibration {

inline constexpr const char* kOverwriteQuestion = "文件已存在，确定要覆盖原文件吗？";

std::vector<std::string> calibrationReportLines(const CalibrationRecord& record, const DateTime& now);
// Writes the report (UTF-8, CR LF) through a temporary file and a rename. Returns an error text,
// empty on success.
std::string writeCalibrationReport(const std::string& path, const CalibrationRecord& record,
                                   const DateTime& now);

struct ReportSave {
  std::string path;   // empty when the operator cancelled
  std::string error;  // empty on success
};

// Asks for the report's name (suggested: directory + "yyyymmddhhmmss_" + serial; ".csv" is added
// to a name without extension); an existing file is replaced only after a Yes, a No asks for the
// name again; cancel ends without writing.
ReportSave saveCalibrationReport(Operator& op, const std::string& directory, const CalibrationRecord& record,
                                 const DateTime& now);

struct CalibrationSave {
  std::string recordPath;  // written, or attempted when error is set
  std::string reportPath;  // empty when the report was cancelled or not reached
  std::string error;       // the first failure; nothing after it is written
};

// "保存": the record file into the program directory without asking, then the report dialog.
CalibrationSave saveRecordAndReport(Operator& op, const std::string& programDirectory,
                                    const CalibrationRecord& record, const DateTime& now);

}  // namespace ql::calibration
