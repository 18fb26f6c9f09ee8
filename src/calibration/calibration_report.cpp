#include "calibration/calibration_report.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "calibration/record_file.h"
#include "runtime/atomic_file.h"

namespace ql::calibration {

namespace {

const char* const kSaveTitle = "保存校准报告";
const char* const kConfirmTitle = "确认";

bool fileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

// The save dialog's default extension: a chosen name without one gets ".csv".
std::string withDefaultExtension(const std::string& path) {
  const auto slash = path.rfind('/');
  const auto name = slash == std::string::npos ? path : path.substr(slash + 1);
  return name.find('.') == std::string::npos ? path + ".csv" : path;
}

std::string inDirectory(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  return directory.back() == '/' ? directory + name : directory + "/" + name;
}

}  // namespace

std::vector<std::string> calibrationReportLines(const CalibrationRecord& record, const DateTime& now) {
  std::vector<std::string> lines{
      "QL310 检测报告",
      "仪器型号：,QL310,仪器序列号：" + record.serialNumber,
      "检测日期：," + formatDateTime(now),
      "环境温度：," + record.ambientTemperature + ",℃",
      "压力量程：," + formatShortest(record.fullScale) + "Pa," + ",温度量程：,-5,35",
      "",
      "标准压力值, 仪器测量值(升压), 仪器测量值(降压), 最大误差(%)",
  };
  for (int row = 1; row < record.pressure.rowCount(); ++row) {
    const PointTable& p = record.pressure;
    lines.push_back(p.cell(pressure_column::kPoint, row) + "," + p.cell(pressure_column::kVerifyRising, row) +
                    "," + p.cell(pressure_column::kVerifyFalling, row) + "," +
                    p.cell(pressure_column::kError, row));
  }
  lines.push_back("注：以上压力值单位为 Pa.");
  lines.push_back(record.largestErrorCaption);
  lines.push_back("");
  lines.push_back("标准温度值(℃), 仪器测量值(℃), 误差(℃)");
  for (int row = 1; row < record.temperature.rowCount(); ++row) {
    const PointTable& t = record.temperature;
    lines.push_back(t.cell(temperature_column::kPoint, row) + "," +
                    t.cell(temperature_column::kVerify1, row) + "," +
                    t.cell(temperature_column::kError, row));
  }
  lines.push_back("");
  lines.push_back(",,检测员：");
  return lines;
}

std::string writeCalibrationReport(const std::string& path, const CalibrationRecord& record,
                                   const DateTime& now) {
  errno = 0;
  if (writeFileAtomically(path, joinCrLf(calibrationReportLines(record, now)))) return {};
  return "Cannot write " + path + ": " + (errno != 0 ? std::strerror(errno) : "input/output error");
}

ReportSave saveCalibrationReport(Operator& op, const std::string& directory, const CalibrationRecord& record,
                                 const DateTime& now) {
  const std::string suggested =
      inDirectory(directory, formatCompactStamp(now) + "_" + fileNamePart(record.serialNumber));
  const std::vector<FileFilter> filters{{"CSV", "*.CSV"}};
  for (;;) {
    const std::string chosen = op.chooseSaveFile(kSaveTitle, suggested, filters);
    if (chosen.empty()) return {};
    const std::string path = withDefaultExtension(chosen);
    if (fileExists(path) && !op.askYesNo(kConfirmTitle, kOverwriteQuestion)) continue;
    return {path, writeCalibrationReport(path, record, now)};
  }
}

CalibrationSave saveRecordAndReport(Operator& op, const std::string& programDirectory,
                                    const CalibrationRecord& record, const DateTime& now) {
  CalibrationSave save;
  save.recordPath = recordFilePath(programDirectory, now, record.serialNumber, record.model);
  save.error = writeRecordFile(save.recordPath, record, now);
  if (!save.error.empty()) return save;
  const ReportSave report = saveCalibrationReport(op, programDirectory, record, now);
  save.reportPath = report.path;
  save.error = report.error;
  return save;
}

}  // namespace ql::calibration
