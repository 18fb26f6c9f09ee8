#include "calibration/record_file.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "calibration/cell_text.h"
#include "runtime/atomic_file.h"
#include "runtime/encoding.h"

namespace ql::calibration {

namespace {

constexpr int kFieldCount = 10;
constexpr std::size_t kFieldCharacters = 20;
// Without section lines: pressure rows among the first 30 lines, temperature rows after index 26.
constexpr int kLastPressureLineIndex = 29;
constexpr int kLastLineBeforeTemperature = 26;
constexpr double kLowestPoint = -5;
constexpr double kHighestPoint = 1000000;

const char* const kCoefficientNames = "abcdef";

std::string firstCharacters(const std::string& utf8, std::size_t count) {
  std::size_t taken = 0;
  for (std::size_t at = 0; at < utf8.size(); ++at) {
    if ((static_cast<unsigned char>(utf8[at]) & 0xC0) != 0x80) {
      if (taken == count) return utf8.substr(0, at);
      ++taken;
    }
  }
  return utf8;
}

std::vector<std::string> cutFields(const std::string& line) {
  std::vector<std::string> fields(kFieldCount);
  std::size_t start = 0;
  for (int i = 0; i < kFieldCount && start <= line.size(); ++i) {
    const std::size_t comma = line.find(',', start);
    const std::size_t end = comma == std::string::npos ? line.size() : comma;
    fields[static_cast<std::size_t>(i)] = firstCharacters(line.substr(start, end - start), kFieldCharacters);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return fields;
}

bool isDataLine(const std::vector<std::string>& fields) {
  const std::string& first = fields[0];
  if (first.empty() || !(first[0] == '-' || (first[0] >= '0' && first[0] <= '9'))) return false;
  const auto value = parseCellNumber(first);
  return value && *value >= kLowestPoint && *value <= kHighestPoint;
}

std::optional<int> findLine(const std::vector<std::string>& lines, const char* text) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == text) return static_cast<int>(i);
  return std::nullopt;
}

void appendCoefficients(std::vector<std::string>& lines, const PolynomialCoefficients& ratios) {
  for (std::size_t i = 0; i < ratios.size(); ++i)
    lines.push_back(std::string("多项式系数") + kCoefficientNames[i] + "," + formatShortest(ratios[i]));
}

void appendErrors(std::vector<std::string>& lines, int order, const FitErrorTexts& errors) {
  lines.push_back("拟合阶数," + std::to_string(order));
  lines.push_back("多项式拟合最大误差," + errors.largest);
  lines.push_back("多项式拟合误差平方和," + errors.sumOfSquares);
  lines.push_back("多项式拟合误差绝对值和," + errors.sumOfAbsolute);
}

}  // namespace

std::string fileNamePart(const std::string& text) {
  std::string part = text;
  for (char& c : part)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '_';
  return part;
}

std::string recordFilePath(const std::string& directory, const DateTime& now, const std::string& serialNumber,
                           const std::string& model) {
  std::string path = directory;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + formatCompactStamp(now) + "_" + fileNamePart(serialNumber) + "_" + fileNamePart(model) +
         ".csv";
}

std::vector<std::string> recordFileLines(const CalibrationRecord& record, const DateTime& now) {
  std::vector<std::string> lines{
      "QL310 检测报告",
      "仪器型号：      QL310,仪器序列号：    " + record.serialNumber,
      "检测日期：      " + formatDateTime(now),
      "环境温度：      " + record.ambientTemperature,
      "压力量程：  " + formatShortest(record.fullScale) + "Pa," + ",温度量程：,-5, 35",
      "",
      kPressureSectionLine,
  };
  for (int row = 0; row < record.pressure.rowCount(); ++row)
    lines.push_back(
        joinRow(record.pressure, row, pressure_column::kPoint, pressure_column::kPressureInfluence));
  lines.push_back("注：以上压力值单位为 Pa.");
  lines.push_back("");
  appendErrors(lines, record.order, record.pressureErrors);
  appendCoefficients(lines, record.pressureRatios);
  lines.push_back(record.largestErrorCaption);
  lines.push_back("");
  lines.push_back("");
  lines.push_back(kTemperatureSectionLine);
  for (int row = 0; row < record.temperature.rowCount(); ++row)
    lines.push_back(joinRow(record.temperature, row, temperature_column::kPoint, temperature_column::kTime));
  lines.push_back("");
  appendErrors(lines, record.order, record.temperatureErrors);
  appendCoefficients(lines, record.temperatureRatios);
  lines.push_back("");
  lines.push_back("");
  lines.push_back(",,检测员：");
  return lines;
}

std::string writeRecordFile(const std::string& path, const CalibrationRecord& record, const DateTime& now) {
  errno = 0;
  if (writeFileAtomically(path, joinCrLf(recordFileLines(record, now)))) return {};
  return "Cannot write " + path + ": " + (errno != 0 ? std::strerror(errno) : "input/output error");
}

int loadRecordLines(const std::vector<std::string>& lines, TableKind kind, PointTable& pressure,
                    PointTable& temperature) {
  const auto pressureSection = findLine(lines, kPressureSectionLine);
  const auto temperatureSection = findLine(lines, kTemperatureSectionLine);
  const bool sectioned = pressureSection && temperatureSection && *pressureSection < *temperatureSection;

  const bool loadingPressure = kind == TableKind::Pressure;
  PointTable& table = loadingPressure ? pressure : temperature;
  const int lastColumn = loadingPressure ? pressure_column::kPressureInfluence : temperature_column::kTime;
  int first = 0;
  int last = static_cast<int>(lines.size()) - 1;
  if (sectioned) {
    first = loadingPressure ? *pressureSection + 1 : *temperatureSection + 1;
    if (loadingPressure) last = *temperatureSection - 1;
  } else if (loadingPressure) {
    last = std::min(last, kLastPressureLineIndex);
  } else {
    first = kLastLineBeforeTemperature + 1;
  }

  int row = 0;
  for (int index = first; index <= last; ++index) {
    const auto fields = cutFields(lines[static_cast<std::size_t>(index)]);
    if (!isDataLine(fields)) continue;
    ++row;
    table.setRowCount(row + 1);
    for (int column = 1; column <= lastColumn; ++column)
      table.setCell(column, row, fields[static_cast<std::size_t>(column - 1)]);
  }
  pressure.renumber();
  temperature.renumber();
  pressure.changed();
  temperature.changed();
  return row;
}

bool loadRecordFile(const std::string& path, TableKind kind, PointTable& pressure, PointTable& temperature) {
  std::string bytes;
  if (!readWholeFile(path, bytes)) return false;
  loadRecordLines(splitLines(decodeLegacyText(bytes)), kind, pressure, temperature);
  return true;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace ql::calibration
