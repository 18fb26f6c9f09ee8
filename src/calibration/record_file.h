#pragma once
// The record file: a full copy of both point tables, the fit errors and the logger's coefficients,
// written into the program directory on every "保存" and loaded again by "读取上次保存".
// The pressure rows start on the ninth line; the temperature rows follow the line "_ 温度部分 _".

#include <string>
#include <vector>

#include "calibration/calibration_record.h"
#include "calibration/table_kind.h"
#include "runtime/formats.h"

namespace ql::calibration {

inline constexpr const char* kPressureSectionLine = "_ 压力部分 _";
inline constexpr const char* kTemperatureSectionLine = "_ 温度部分 _";

// A text the logger reported, made safe inside a file name: path separators and control
// characters become "_", so the name cannot leave the directory.
std::string fileNamePart(const std::string& text);
// directory + "yyyymmddhhmmss_" + serial + "_" + model + ".csv"
std::string recordFilePath(const std::string& directory, const DateTime& now, const std::string& serialNumber,
                           const std::string& model);
std::vector<std::string> recordFileLines(const CalibrationRecord& record, const DateTime& now);
// Writes the lines (UTF-8, CR LF) through a temporary file and a rename, replacing an existing
// file. Returns an error text for the operator, empty on success.
std::string writeRecordFile(const std::string& path, const CalibrationRecord& record, const DateTime& now);

// Fills one table from the lines of a record file. A data line is one whose first field (the
// fields are the first 10 cut at ",", each at most 20 characters) begins with a digit or "-" and
// reads as a number in -5..1000000. Pressure rows take ten fields into columns 1..10, temperature
// rows seven into columns 1..7. When the file holds both section lines, the pressure rows are the
// data lines between them and the temperature rows those after "_ 温度部分 _"; otherwise the
// pressure rows are the data lines among the first 30 lines and the temperature rows those after
// line index 26. The table ends with exactly the loaded rows (unchanged when there are none);
// column 0 of both tables is renumbered. Returns the number of rows loaded.
int loadRecordLines(const std::vector<std::string>& lines, TableKind kind, PointTable& pressure,
                    PointTable& temperature);
// Reads the file (UTF-8 or GBK) and loads it as above; false, with nothing changed, when the file
// cannot be read.
bool loadRecordFile(const std::string& path, TableKind kind, PointTable& pressure, PointTable& temperature);

// The text as lines, CR LF or LF.
std::vector<std::string> splitLines(const std::string& text);

}  // namespace ql::calibration
