// velmo calibration fit and show, run in-process on files: the fit of each table of a record
// file, its JSON, the exit codes, and the listing of a backup of either family.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "calibration/calibration_record.h"
#include "calibration/point_table.h"
#include "calibration/record_file.h"
#include "cli/cli.h"
#include "sim/logger_model.h"
#include "sim/model_family.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace pc = calibration::pressure_column;
namespace tc = calibration::temperature_column;

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

Outcome velmo(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = cli::run(args, out, err);
  return {code, out.str(), err.str()};
}

std::string exact(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// The number after key in a flat JSON object.
double jsonNumber(const std::string& json, const std::string& key) {
  const std::size_t at = json.find("\"" + key + "\": ");
  EXPECT_NE(at, std::string::npos) << key << " in " << json;
  return at == std::string::npos ? NAN : std::strtod(json.c_str() + at + key.size() + 4, nullptr);
}

// The elements of the array after key, as their texts.
std::vector<std::string> jsonArray(const std::string& json, const std::string& key) {
  std::vector<std::string> items;
  const std::size_t open = json.find("\"" + key + "\": [");
  if (open == std::string::npos) return items;
  const std::size_t close = json.find(']', open);
  std::stringstream list(json.substr(open + key.size() + 5, close - open - key.size() - 5));
  for (std::string item; std::getline(list, item, ',');) {
    item.erase(0, item.find_first_not_of(' '));
    items.push_back(item);
  }
  return items;
}

// Exact polynomials (in the AD code) of the three tables a record file can be fitted from. The
// pressure points are whole pascals, as the record loader reads them: with u = (code − kZero) /
// kStep, point = 20000 u + 100 u², so a..c are the expansion of that in the code.
constexpr long double kZero = 8388608, kStep = 240000;
constexpr double kPressureC = static_cast<double>(100 / (kStep * kStep));
constexpr double kPressureB = static_cast<double>(20000 / kStep - 200 * kZero / (kStep * kStep));
constexpr double kPressureA =
    static_cast<double>(-20000 * kZero / kStep + 100 * kZero * kZero / (kStep * kStep));
constexpr double kSensor1A = -41.94304, kSensor1B = 1e-5;
constexpr double kSensor2A = -46.0, kSensor2B = 1.1e-5;

// A record file as "保存" writes it: eleven pressure rows whose reference points follow the
// averaged codes by a quadratic, five temperature rows whose points follow sensor 1 and the
// probe's sensor by straight lines.
std::string writeRecord(const test::TempDir& dir) {
  calibration::PointTable pressure = calibration::makePressureTable();
  calibration::PointTable temperature = calibration::makeTemperatureTable();
  pressure.setRowCount(12);
  for (int row = 1; row <= 11; ++row) {
    const int u = row - 1;
    const double code = static_cast<double>(kZero + kStep * u);
    pressure.setCell(pc::kPoint, row, std::to_string(20000 * u + 100 * u * u));
    for (int column = pc::kCycle1Rising; column <= pc::kAverage; ++column)
      pressure.setCell(column, row, exact(code));
  }
  temperature.setRowCount(6);
  for (int row = 1; row <= 5; ++row) {
    const double point = -5.0 + 8.0 * (row - 1);
    temperature.setCell(tc::kPoint, row, exact(point));
    temperature.setCell(tc::kSensor1, row, exact((point - kSensor1A) / kSensor1B));
    temperature.setCell(tc::kSensor2, row, exact((point - kSensor2A) / kSensor2B));
  }
  const calibration::CalibrationRecord record{.serialNumber = "2301001",
                                              .model = "QL310",
                                              .ambientTemperature = "21.50",
                                              .fullScale = 0,
                                              .pressure = pressure,
                                              .temperature = temperature,
                                              .order = 5,
                                              .pressureErrors = {},
                                              .temperatureErrors = {},
                                              .largestErrorCaption = "",
                                              .pressureRatios = {},
                                              .temperatureRatios = {}};
  const std::string path = dir.file("record.csv");
  EXPECT_EQ(calibration::writeRecordFile(path, record, DateTime{2026, 12, 11, 15, 0, 0}), "");
  return path;
}

TEST(CalibrationFitCommand, EachTableIsFittedFromItsOwnColumnsOfTheRecordFile) {
  test::TempDir dir;
  const std::string record = writeRecord(dir);
  const struct {
    const char* table;
    const char* order;
    std::vector<double> expected;  // a..f
    int points;
  } cases[] = {
      {"pressure", "2", {kPressureA, kPressureB, kPressureC, 0, 0, 0}, 11},
      {"temperature", "1", {kSensor1A, kSensor1B, 0, 0, 0, 0}, 5},
      {"probe", "1", {kSensor2A, kSensor2B, 0, 0, 0, 0}, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table);
    const Outcome run =
        velmo({"calibration", "fit", record, "--table", c.table, "--order", c.order, "--json"});
    ASSERT_EQ(run.code, cli::kExitOk) << run.err;
    const std::string& json = run.out;
    const std::vector<std::string> numbers = jsonArray(json, "coefficients");
    const std::vector<std::string> texts = jsonArray(json, "coefficients_text");
    ASSERT_EQ(numbers.size(), 6u) << json;
    ASSERT_EQ(texts.size(), 6u) << json;
    for (std::size_t k = 0; k < 6; ++k) {
      const double value = std::strtod(numbers[k].c_str(), nullptr);
      if (c.expected[k] == 0) {
        EXPECT_EQ(value, 0.0) << k;  // above the order: exactly 0
      } else {
        EXPECT_NEAR(value, c.expected[k], std::abs(c.expected[k]) * 1e-7) << k;
      }
      // The text is the number as the coefficient fields show it.
      char shown[32];
      std::snprintf(shown, sizeof shown, "\"%.7E\"", value);
      EXPECT_EQ(texts[k], shown) << k;
    }
    // The points lie on the polynomial: the errors are rounding noise.
    EXPECT_EQ(jsonNumber(json, "points"), c.points);
    EXPECT_LT(jsonNumber(json, "max_abs"), 1e-6);
    EXPECT_LT(jsonNumber(json, "sum_squares"), 1e-10);
    EXPECT_LE(jsonNumber(json, "sum_abs"), c.points * jsonNumber(json, "max_abs"));
    EXPECT_GE(jsonNumber(json, "max_index"), 0);
    EXPECT_LT(jsonNumber(json, "max_index"), c.points);
  }
}

TEST(CalibrationFitCommand, PlainTextShowsTheCoefficientFieldsAndErrorFigures) {
  test::TempDir dir;
  const std::string record = writeRecord(dir);
  // Default: the pressure table at order 5.
  const Outcome run = velmo({"calibration", "fit", record});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  std::istringstream lines(run.out);
  std::vector<std::string> got;
  for (std::string line; std::getline(lines, line);) got.push_back(line);
  ASSERT_EQ(got.size(), 10u) << run.out;
  const char* keys[] = {
      "a: ", "b: ", "c: ", "d: ", "e: ", "f: ", "sum_squares: ", "sum_abs: ", "max_abs: ", "points: "};
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].rfind(keys[i], 0), 0u) << got[i];
  EXPECT_NE(got[0].find("E+05"), std::string::npos) << got[0];  // a = -1e5
  EXPECT_NE(got[8].find(" @ "), std::string::npos) << got[8];
  EXPECT_EQ(got[9], "points: 11");
}

TEST(CalibrationFitCommand, ExitCodesForFilesUsageAndPointsThatCannotBeFitted) {
  test::TempDir dir;
  const std::string record = writeRecord(dir);
  EXPECT_EQ(velmo({"calibration", "fit", dir.file("missing.csv")}).code, cli::kExitFileError);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"calibration", "fit", record, "--table", "humidity"},
           {"calibration", "fit", record, "--order", "6"},
           {"calibration", "fit", record, "--order", "0"},
           {"calibration", "fit", record, "--table", "influence", "--order", "2"},
           {"calibration", "fit", record, "--port", "/dev/ttyS0"},
           {"calibration", "fit"},
           {"calibration", "fit", record, record},
           {"calibration", "calibrate", record},
           {"calibration"},
       }) {
    std::string line;
    for (const std::string& a : args) line += a + " ";
    const Outcome run = velmo(args);
    EXPECT_EQ(run.code, cli::kExitUsage) << line;
    EXPECT_TRUE(run.out.empty()) << line;
    EXPECT_NE(run.err.find("usage: velmo calibration fit"), std::string::npos) << line << run.err;
  }

  // Five temperature points cannot determine a quintic: said, no coefficients printed.
  const Outcome tooFew = velmo({"calibration", "fit", record, "--table", "temperature"});
  EXPECT_EQ(tooFew.code, cli::kExitUsage);
  EXPECT_TRUE(tooFew.out.empty());
  EXPECT_NE(tooFew.err.find("Too few points for the order: 5 points, at least 6"), std::string::npos)
      << tooFew.err;
  // The record holds no temperature shifts: nothing to fit.
  EXPECT_EQ(velmo({"calibration", "fit", record, "--table", "influence"}).code, cli::kExitUsage);
}

// A backup file as the backup tab saves it: the logger's block and 89 reserved bytes.
std::string writeBackup(const test::TempDir& dir, const char* modelText) {
  sim::LoggerConfig config;
  config.fileCount = 0;
  EXPECT_TRUE(sim::applyModelText(config, modelText));
  sim::LoggerModel logger(config, [] { return std::time_t{1796900000}; });
  Bytes block = logger.parameterBlock();
  block.resize(601, 0);
  const std::string name = std::string(modelText) + ".CRO";
  dir.write(name, std::string(block.begin(), block.end()));
  return dir.file(name);
}

TEST(CalibrationShowCommand, ListsABackupByTheFamilyOfItsModelNumber) {
  test::TempDir dir;
  const Outcome first = velmo({"calibration", "show", writeBackup(dir, "QL310")});
  ASSERT_EQ(first.code, cli::kExitOk) << first.err;
  EXPECT_EQ(
      first.out.substr(0, first.out.find("压力系数")),
      "仪器型号: 100\nSN： 210012345\n硬件版本号：1.0.2.0\n软件版本号：1.3.1.5\n生产日期：20-18-09-01\n");

  const Outcome second = velmo({"calibration", "show", writeBackup(dir, "QL325")});
  ASSERT_EQ(second.code, cli::kExitOk) << second.err;
  EXPECT_EQ(second.out.substr(0, 9), "01 01 45 ");  // all bytes first: valid, model 325
  EXPECT_NE(second.out.find("\n压力对温度修正系数: "), std::string::npos);
  EXPECT_NE(second.out.find("\n温度常温常压下漂移量(℃)："), std::string::npos);
  EXPECT_EQ(second.out.find("仪器型号"), std::string::npos);
}

TEST(CalibrationShowCommand, FileErrors) {
  test::TempDir dir;
  EXPECT_EQ(velmo({"calibration", "show", dir.file("missing.CRO")}).code, cli::kExitFileError);
  // A first-family buffer that never held a block (byte 0 is 0) has nothing to list.
  dir.write("empty.CRO", std::string(601, '\0'));
  const Outcome empty = velmo({"calibration", "show", dir.file("empty.CRO")});
  EXPECT_EQ(empty.code, cli::kExitFileError);
  EXPECT_TRUE(empty.out.empty());
}

TEST(CalibrationRestoreCommand, AnEmptyOrMissingBackupIsRefusedBeforeAnyLoggerIsSought) {
  test::TempDir dir;
  dir.write("empty.CRO", std::string(601, '\0'));
  // A port that does not exist: reaching for a logger would end in exit code 2.
  for (const std::string& file : {dir.file("empty.CRO"), dir.file("missing.CRO")}) {
    const Outcome run = velmo(
        {"calibration", "restore", file, "--port", dir.file("no-port"), "--baud", "9600", "--timeout", "1"});
    EXPECT_EQ(run.code, cli::kExitFileError) << file << run.err;
  }
}

}  // namespace
}  // namespace ql
