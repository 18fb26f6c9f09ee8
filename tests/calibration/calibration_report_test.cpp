#include "calibration/calibration_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "calibration/record_file.h"
#include "calibration/record_fixture.h"
#include "runtime/scripted_operator.h"
#include "support/read_file.h"
#include "support/temp_dir.h"

namespace ql::calibration {
namespace {

using fixture::kSavedAt;
using fixture::RecordFixture;

std::vector<std::string> filesIn(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(CalibrationReport, NothingMeasuredGivesThePointsWithEmptyReadings) {
  const RecordFixture fixture({"0", "100000", "200000"});
  const std::vector<std::string> expected{
      "QL310 检测报告",
      "仪器型号：,QL310,仪器序列号：2301001",
      "检测日期：,2026-12-11 14:30:05",
      "环境温度：,21.50,℃",
      "压力量程：,0Pa,,温度量程：,-5,35",
      "",
      "标准压力值, 仪器测量值(升压), 仪器测量值(降压), 最大误差(%)",
      "0,,,",
      "100000,,,",
      "200000,,,",
      "注：以上压力值单位为 Pa.",
      "最大误差：",
      "",
      "标准温度值(℃), 仪器测量值(℃), 误差(℃)",
      ",,",
      "",
      ",,检测员：",
  };
  EXPECT_EQ(calibrationReportLines(fixture.record(), kSavedAt), expected);
}

TEST(CalibrationReport, VerificationColumnsOfBothTables) {
  RecordFixture fixture({"0", "100000"});
  fixture.pressure.setCell(pressure_column::kVerifyRising, 2, "100.250");
  fixture.pressure.setCell(pressure_column::kVerifyFalling, 2, "100.100");
  fixture.pressure.setCell(pressure_column::kError, 2, "0.125");
  fixture.pressure.setCell(pressure_column::kAverage, 2, "4400000");  // not in the report
  fixture::fillColumn(fixture.temperature, temperature_column::kPoint, {"-5", "35"});
  fixture::fillColumn(fixture.temperature, temperature_column::kVerify1, {"-4.990", "35.020"});
  fixture::fillColumn(fixture.temperature, temperature_column::kVerify2, {"-4.000", "34.000"});
  fixture::fillColumn(fixture.temperature, temperature_column::kError, {"0.010", "0.020"});
  CalibrationRecord record = fixture.record();
  record.fullScale = 100000;
  record.largestErrorCaption = "最大误差：0.125%";
  const auto lines = calibrationReportLines(record, kSavedAt);
  EXPECT_EQ(lines[4], "压力量程：,100000Pa,,温度量程：,-5,35");
  EXPECT_EQ(lines[8], "100000,100.250,100.100,0.125");
  EXPECT_EQ(lines[10], "最大误差：0.125%");
  EXPECT_EQ(lines[13], "-5,-4.990,0.010");
  EXPECT_EQ(lines[14], "35,35.020,0.020");
  EXPECT_EQ(lines[15], "");
}

TEST(CalibrationReport, SaveWritesTheRecordThenTheReportUnderTheChosenName) {
  test::TempDir dir;
  const RecordFixture fixture({"0", "100000"});
  ScriptedOperator op;
  op.answerSaveFile(dir.file("report"));
  const CalibrationSave save = saveRecordAndReport(op, dir.path(), fixture.record(), kSavedAt);
  ASSERT_EQ(save.error, "");
  EXPECT_EQ(save.recordPath, dir.file("20261211143005_2301001_QL310-A.csv"));
  EXPECT_EQ(save.reportPath, dir.file("report.csv"));
  ASSERT_EQ(op.log().size(), 1u);
  EXPECT_EQ(op.log()[0].text, dir.file("20261211143005_2301001"));
  EXPECT_EQ(test::readFile(save.reportPath), joinCrLf(calibrationReportLines(fixture.record(), kSavedAt)));
  EXPECT_EQ(test::readFile(save.recordPath), joinCrLf(recordFileLines(fixture.record(), kSavedAt)));
  EXPECT_EQ(filesIn(dir.path()),
            (std::vector<std::string>{"20261211143005_2301001_QL310-A.csv", "report.csv"}));
}

TEST(CalibrationReport, AnExistingFileIsReplacedOnlyAfterYes) {
  test::TempDir dir;
  const RecordFixture fixture({"0"});
  dir.write("old.csv", "keep me");

  // No brings the save dialog back; cancelling it leaves only the record file.
  ScriptedOperator refusing;
  refusing.answerSaveFile(dir.file("old.csv"));
  refusing.answerYesNo(false);
  refusing.answerSaveFile("");
  const CalibrationSave cancelled = saveRecordAndReport(refusing, dir.path(), fixture.record(), kSavedAt);
  EXPECT_EQ(cancelled.error, "");
  EXPECT_EQ(cancelled.reportPath, "");
  EXPECT_TRUE(refusing.unexpected().empty());
  EXPECT_EQ(refusing.unusedAnswers(), 0u);
  ASSERT_EQ(refusing.prompts(PromptKind::YesNo).size(), 1u);
  EXPECT_EQ(refusing.prompts(PromptKind::YesNo)[0].text, "文件已存在，确定要覆盖原文件吗？");
  EXPECT_EQ(refusing.prompts(PromptKind::SaveFile).size(), 2u);
  EXPECT_EQ(test::readFile(dir.file("old.csv")), "keep me");
  EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"20261211143005_2301001_QL310-A.csv", "old.csv"}));

  ScriptedOperator accepting;
  accepting.answerSaveFile(dir.file("old.csv"));
  accepting.answerYesNo(true);
  const CalibrationSave replaced = saveRecordAndReport(accepting, dir.path(), fixture.record(), kSavedAt);
  EXPECT_EQ(replaced.error, "");
  EXPECT_EQ(replaced.reportPath, dir.file("old.csv"));
  EXPECT_EQ(test::readFile(dir.file("old.csv")).substr(0, 20), "QL310 检测报告\r\n");
}

TEST(CalibrationReport, FailuresStopTheSaveWithTheirMessage) {
  test::TempDir dir;
  const RecordFixture fixture({"0"});

  // The record cannot be written: no dialog.
  ScriptedOperator untouched;
  const CalibrationSave noRecord =
      saveRecordAndReport(untouched, dir.file("missing"), fixture.record(), kSavedAt);
  EXPECT_NE(noRecord.error.find(noRecord.recordPath), std::string::npos) << noRecord.error;
  EXPECT_TRUE(untouched.log().empty());

  // The report cannot be written: the record stays.
  ScriptedOperator op;
  op.answerSaveFile(dir.file("missing/report.csv"));
  const CalibrationSave noReport = saveRecordAndReport(op, dir.path(), fixture.record(), kSavedAt);
  EXPECT_NE(noReport.error.find("missing/report.csv"), std::string::npos) << noReport.error;
  EXPECT_TRUE(std::filesystem::exists(noReport.recordPath));
}

}  // namespace
}  // namespace ql::calibration
