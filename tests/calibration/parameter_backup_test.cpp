// The parameter block: its listing for both families, the .CRO backup file, and the restore that
// writes a held block back into the simulated logger.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "calibration/coefficient_steps.h"
#include "calibration/parameter_listing.h"
#include "coefficient_bench.h"
#include "runtime/scripted_operator.h"
#include "support/read_file.h"
#include "support/temp_dir.h"

namespace ql::calibration::test {
namespace {

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Reads the block through the block read of the backup tab.
void readBlock(CoefficientBench& bench) {
  bench.sequences.readAll();
  ASSERT_TRUE(bench.finish());
  ASSERT_TRUE(bench.backup.block().valid());
}

std::string bufferText(const ParameterBlock& block) {
  return std::string(block.buffer().begin(), block.buffer().end());
}

TEST(ParameterListing, FirstFamilyListsIdentityAndRegisters) {
  CoefficientBench bench;
  bench.logger.calibration().write(reg::kPressureCoefficientsLow, singles({1.5f, -2.0f, 0, 0, 0, 0}));
  Bytes constants = singles({1.0f, -0.125f, 0.25f, 0.0f});
  putBeU32(constants, 16300000);
  bench.logger.calibration().write(reg::kTemperatureConstants, constants);
  bench.logger.registers().setBytes(reg::kPressureDrift, FloatToBeBytes(0.25f));
  bench.logger.calibration().write(reg::kTemperatureInfluence, singles({0, 0, 0, 3.0f}));
  readBlock(bench);

  const std::vector<std::string>& lines = bench.backup.listing();
  ASSERT_EQ(lines.size(), 58u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5),
            (std::vector<std::string>{"仪器型号: 100", "SN： 210012345", "硬件版本号：1.0.2.0",
                                      "软件版本号：1.3.1.5", "生产日期：20-18-09-01"}));
  EXPECT_EQ(lines[5], "压力系数(-4.5)0: 1.5");
  EXPECT_EQ(lines[6], "压力系数(-4.5)1: -2");
  EXPECT_EQ(lines[47], "压力对温度修正系数: 1");
  EXPECT_EQ(lines[51], "压力对温度曲线多项式系数3：3");
  EXPECT_EQ(lines[52], "电池电压斜率: 0.25");
  EXPECT_EQ(lines[54], "压力AD减去常数：16300000");
  EXPECT_EQ(lines[55], "压力探头上温度传感器的AD减去常数：4600000");
  EXPECT_EQ(lines[56], "压力常温常压下漂移量：0.25");
  EXPECT_EQ(lines[57], "温度常温下的偏移常量: -0.125");
}

TEST(ParameterListing, SecondFamilyListsTheBytesAndItsOwnOffsets) {
  CoefficientBench bench(loggerOfModel("QL325"));
  bench.logger.calibration().write(reg::kPressureCoefficientsMid, singles({1.5f, 0, 0, 0, 0, 0}));
  bench.logger.calibration().write(reg::kTemperatureInfluenceWarm, singles({0, 0, 0, -2.0f}));
  bench.logger.calibration().write(reg::kTemperatureConstants, singles({1.0f, -0.125f}));
  bench.logger.registers().setBytes(reg::kPressureDrift, FloatToBeBytes(0.25f));
  readBlock(bench);

  const std::vector<std::string>& lines = bench.backup.listing();
  ASSERT_EQ(lines.size(), 43u);
  EXPECT_EQ(lines[0], hexText(bench.logger.parameterBlock()));
  EXPECT_EQ(lines[0].substr(0, 9), "01 01 45 ");  // valid, model 325
  EXPECT_EQ(lines[1], "");
  EXPECT_TRUE(hasLine(lines, "压力系数(15)0:  1.5"));
  EXPECT_TRUE(hasLine(lines, "晶体温度系数1:  1"));
  EXPECT_TRUE(hasLine(lines, "压力探头的温度系数(30)3: -2"));
  EXPECT_EQ(lines[40], "压力对温度修正系数: 1");
  EXPECT_EQ(lines[41], "温度常温常压下漂移量(℃)：-0.125");
  EXPECT_EQ(lines[42], "压力常温下的偏移常量(KPa): 0.25");
}

TEST(ParameterBackupFile, LoadsAtMostTheBufferAndKeepsTheRestOfIt) {
  ql::test::TempDir dir;
  std::string large(800, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i % 251 + 1);
  dir.write("large.CRO", large);
  dir.write("short.CRO", std::string(100, '\xEE'));

  ParameterBackup backup([](const std::string&) {});
  ScriptedOperator op;
  op.answerOpenFile(dir.file("large.CRO"));
  op.answerOpenFile(dir.file("short.CRO"));
  op.answerOpenFile(dir.file("missing.CRO"));
  ASSERT_TRUE(backup.loadFromFile(op, dir.path()));
  EXPECT_EQ(bufferText(backup.block()), large.substr(0, 601));
  ASSERT_TRUE(backup.loadFromFile(op, dir.path()));
  EXPECT_EQ(bufferText(backup.block()), std::string(100, '\xEE') + large.substr(100, 501));
  EXPECT_FALSE(backup.loadFromFile(op, dir.path()));
  EXPECT_EQ(bufferText(backup.block()), std::string(100, '\xEE') + large.substr(100, 501));
}

TEST(ParameterBackupFile, InvalidFirstFamilyBlockIsNeitherListedNorSaved) {
  ql::test::TempDir dir;
  std::string block(601, '\0');
  block[2] = 100;  // model 100, byte 0 still 0
  block[200] = 0x3F;
  dir.write("blank.CRO", block);

  std::string status;
  ParameterBackup backup([&](const std::string& text) { status = text; });
  ScriptedOperator op;
  op.answerOpenFile(dir.file("blank.CRO"));
  ASSERT_TRUE(backup.loadFromFile(op, dir.path()));
  EXPECT_TRUE(backup.listing().empty());
  EXPECT_FALSE(listParameterBlock(backup.block(), false).has_value());
  EXPECT_FALSE(backup.saveToFile(op, "210012345", dir.path()));
  EXPECT_EQ(op.log().size(), 1u);  // the open dialog only: no save dialog
  EXPECT_EQ(status, "");
}

TEST(ParameterBackupFile, SavesTheWholeBufferAndAsksBeforeOverwriting) {
  ql::test::TempDir dir;
  CoefficientBench bench;
  readBlock(bench);
  ScriptedOperator op;

  op.answerSaveFile(dir.file("345"));
  ASSERT_TRUE(bench.backup.saveToFile(op, "210012345", dir.path()));
  EXPECT_EQ(op.log().back().text, dir.file("345"));  // the last three characters of the serial
  EXPECT_EQ(ql::test::readFile(dir.file("345.cro")), bufferText(bench.backup.block()));
  EXPECT_EQ(bench.status, backup_texts::kSaved);

  dir.write("old.CRO", "old");
  op.answerSaveFile(dir.file("old.CRO"));
  op.answerYesNo(false);
  EXPECT_FALSE(bench.backup.saveToFile(op, "210012345", dir.path()));
  EXPECT_EQ(bench.status, backup_texts::kCancelled);
  EXPECT_EQ(ql::test::readFile(dir.file("old.CRO")), "old");
  EXPECT_EQ(op.log().back().text, backup_texts::kOverwrite);

  op.answerSaveFile(dir.file("old.CRO"));
  op.answerYesNo(true);
  ASSERT_TRUE(bench.backup.saveToFile(op, "210012345", dir.path()));
  EXPECT_EQ(ql::test::readFile(dir.file("old.CRO")).size(), 601u);
  EXPECT_TRUE(op.unexpected().empty());
}

TEST(ParameterRestore, FirstFamilyWritesEveryRegisterSetBack) {
  CoefficientBench bench;
  bench.logger.calibration().write(reg::kSpareCoefficients, singles({7.0f, 0, 0, 0, 0, 8.0f}));
  readBlock(bench);
  const Bytes saved = bench.logger.parameterBlock();
  // The logger is recalibrated afterwards ...
  for (std::uint16_t address : {0x3001, 0x3002, 0x3003, 0x3004, 0x3011, 0x3012, 0x3013, 0x3014})
    bench.logger.calibration().write(address, singles({9, 9, 9, 9, 9, 9}));
  bench.logger.calibration().write(reg::kTemperatureConstants, singles({9, 9, 9, 9, 9}));
  bench.logger.calibration().write(reg::kTemperatureInfluence, singles({9, 9, 9, 9}));
  bench.logger.registers().setU32(reg::kPressureDrift, 9);
  bench.logger.registers().setU32(reg::kProbeAdOffset, 9);
  ASSERT_NE(bench.logger.parameterBlock(), saved);
  // ... and the backup goes back.
  bench.port.clearWriteLog();
  bench.sequences.restore();
  ASSERT_TRUE(bench.finish());
  EXPECT_EQ(bench.status, kWriteDone);
  EXPECT_EQ(bench.sentAddresses(),
            (std::vector<std::uint16_t>{0x3001, 0x3002, 0x3003, 0x3004, 0x3006, 0x2084, 0x3011, 0x3012,
                                        0x3013, 0x3014, 0x2086, 0x3016}));
  EXPECT_EQ(bench.logger.parameterBlock(), saved);
  EXPECT_EQ(bench.loggerHolds(reg::kSpareCoefficients, 12), singles({7.0f, 0, 0, 0, 0, 8.0f}));
}

TEST(ParameterRestore, SecondFamilyWritesTheEditedBackupPageByPage) {
  ql::test::TempDir dir;
  CoefficientBench bench(loggerOfModel("QL325"));
  readBlock(bench);
  std::string backup = bufferText(bench.backup.block());
  const Bytes pressure = singles({1.5f, 2.5f, 0, 0, 0, -1.0f});
  std::copy(pressure.begin(), pressure.end(), backup.begin() + 203);
  backup[299] = 0x3C;
  backup[500] = '\xA5';
  dir.write("edited.CRO", backup);
  ScriptedOperator op;
  op.answerOpenFile(dir.file("edited.CRO"));
  ASSERT_TRUE(bench.backup.loadFromFile(op, dir.path()));

  bench.port.clearWriteLog();
  bench.sequences.restore();
  ASSERT_TRUE(bench.finish());
  EXPECT_EQ(bench.sentAddresses(),
            (std::vector<std::uint16_t>{0x2100, 0x2101, 0x2102, 0x2103, 0x2104, 0x2105, 0x2106, 0x2107}));
  EXPECT_EQ(bench.logger.parameterBlock(), Bytes(backup.begin(), backup.begin() + 512));
  EXPECT_EQ(bench.loggerHolds(reg::kPressureCoefficientsMid, 12), pressure);
}

TEST(ParameterRestore, NothingIsWrittenWithoutAValidBlock) {
  CoefficientBench bench;
  bench.sequences.restore();
  bench.loop.advance(2000);
  EXPECT_TRUE(bench.port.writeLog().empty());
  EXPECT_EQ(bench.status, kNoBlockToRestore);
}

}  // namespace
}  // namespace ql::calibration::test
