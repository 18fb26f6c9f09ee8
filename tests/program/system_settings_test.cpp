// The system settings dialog's core against the simulated logger on the virtual clock: the
// offsets read while it is open, the zero drift writes and their acknowledgements, the baud
// rate write, the battery change and the display precisions.

#include <gtest/gtest.h>

#include "link/codecs.h"
#include "logger_fixture.h"
#include "runtime/formats.h"
#include "runtime/ini_file.h"
#include "task/task_numbers.h"

namespace ql::test {
namespace {

Bytes singles(std::initializer_list<float> values) {
  Bytes out;
  for (float value : values) {
    Bytes single = FloatToBeBytes(value);
    out.insert(out.end(), single.begin(), single.end());
  }
  return out;
}

class SystemSettingsTest : public LoggerFixture {
 protected:
  explicit SystemSettingsTest(sim::LoggerConfig config = withoutFiles()) : LoggerFixture(config) {}

  SystemSettings& settings() { return program->systemSettings(); }

  // Linked, the dialog open and both offsets read.
  SystemSettings& openWithOffsets() {
    start();
    program->showSystemSettings();
    EXPECT_TRUE(loop.advanceUntil(
        [&] { return !settings().temperatureDump().empty() && !settings().pressureDump().empty(); }, 5000));
    return settings();
  }
  // What the logger holds: its calibration sets (0x3001..0x3017) apart from its other registers.
  Bytes loggerRegisters(std::uint16_t first, int count) const {
    if (first >= reg::kCalibrationBase && first <= 0x3017) return logger.calibration().read(first, count);
    return logger.registers().read(first, count);
  }
};

TEST_F(SystemSettingsTest, ReadsBothOffsetsOnceWhileOpen) {
  SystemSettings& dialog = openWithOffsets();
  EXPECT_EQ(dialog.temperatureDump().size(), 66u);
  EXPECT_EQ(dialog.pressureDump().size(), 34u);
  EXPECT_EQ(dialog.temperatureOffset(), "-0.2");
  EXPECT_EQ(dialog.pressureOffset(), "0.35");
  // The dump is the whole reply: the request echo, then 01 03 14 and the block.
  std::string head =
      hexText(concat({AppendCrc(reg::readRequest(reg::kTemperatureConstants, 10)), {1, 3, 0x14}}));
  std::erase(head, ' ');
  EXPECT_EQ(dialog.temperatureDump().substr(0, 22), head);

  std::size_t reads = framesSent(reg::readRequest(reg::kTemperatureConstants, 10)).size() +
                      framesSent(reg::readRequest(reg::kPressureDrift, 2)).size();
  loop.advance(5000);
  EXPECT_EQ(framesSent(reg::readRequest(reg::kTemperatureConstants, 10)).size() +
                framesSent(reg::readRequest(reg::kPressureDrift, 2)).size(),
            reads);
}

TEST_F(SystemSettingsTest, TemperatureCorrectionRewritesTheBlockWithOnlyTheOffsetChanged) {
  SystemSettings& dialog = openWithOffsets();
  dialog.setTemperatureCorrection("0.15");
  op.answerYesNo(true);
  dialog.changeTemperatureOffset();

  Bytes expected{0x01, 0x10, 0x30, 0x06, 0x00, 0x0A, 0x14};
  // The logger's other constants stay as they were: the four singles, then the AD offset.
  Bytes block = singles({1.0f, -0.05f, 0.00143f, 0.0f});
  putBeU32(block, 16300000);
  expected.insert(expected.end(), block.begin(), block.end());
  ASSERT_EQ(framesSent({0x01, 0x10, 0x30, 0x06}).size(), 1u);
  EXPECT_EQ(framesSent({0x01, 0x10, 0x30, 0x06})[0], AppendCrc(expected));

  ASSERT_TRUE(loop.advanceUntil([&] { return dialog.fields().temperatureWritten; }, 2000));
  EXPECT_FALSE(dialog.fields().pressureWritten);
  EXPECT_EQ(loggerRegisters(reg::kTemperatureConstants, 10), block);
}

TEST_F(SystemSettingsTest, PressureCorrectionWritesTheNewOffset) {
  SystemSettings& dialog = openWithOffsets();
  dialog.setPressureCorrection("-0.1");
  op.answerYesNo(true);
  dialog.changePressureOffset();

  ASSERT_TRUE(loop.advanceUntil([&] { return dialog.fields().pressureWritten; }, 2000));
  EXPECT_FALSE(dialog.fields().temperatureWritten);
  EXPECT_EQ(loggerRegisters(reg::kPressureDrift, 2), FloatToBeBytes(0.25f));
}

// A write sent just before the one-second live poll: the poll waits for the acknowledgement
// instead of taking over the request it answers.
TEST_F(SystemSettingsTest, LivePollDoesNotTakeTheAcknowledgementAway) {
  SystemSettings& dialog = openWithOffsets();
  const Bytes liveRequest = liveValueRequest();
  const auto livePolls = [&] { return framesSent(liveRequest).size(); };
  const std::size_t polls = livePolls();
  ASSERT_TRUE(loop.advanceUntil([&] { return livePolls() > polls; }, 2000));
  loop.advance(990);
  dialog.setTemperatureCorrection("0.15");
  op.answerYesNo(true);
  dialog.changeTemperatureOffset();
  loop.advance(500);
  EXPECT_TRUE(dialog.fields().temperatureWritten);
  // The poll resumes afterwards.
  const std::size_t later = livePolls();
  loop.advance(2000);
  EXPECT_GT(livePolls(), later);
}

TEST_F(SystemSettingsTest, RefusedOrInvalidCorrectionWritesNothing) {
  SystemSettings& dialog = openWithOffsets();
  dialog.setTemperatureCorrection("abc");
  dialog.changeTemperatureOffset();
  op.answerYesNo(false);
  dialog.setPressureCorrection("1");
  dialog.changePressureOffset();
  loop.advance(500);

  ASSERT_EQ(op.prompts(PromptKind::Message).size(), 1u);
  EXPECT_EQ(op.prompts(PromptKind::Message)[0].text, text("SUB", "sub_error_offset"));
  EXPECT_TRUE(framesSent({0x01, 0x10, 0x30, 0x06}).empty());
  EXPECT_TRUE(framesSent({0x01, 0x10, 0x20, 0x84}).empty());
}

TEST_F(SystemSettingsTest, DisplayedValueIsTheLiveValuePlusTheCorrection) {
  SystemSettings& dialog = openWithOffsets();
  dialog.setTemperatureCorrection("1");
  loop.advance(1000);
  auto live = task::parseReal(program->liveValues().temperatureText());
  ASSERT_TRUE(live);
  EXPECT_EQ(dialog.fields().temperatureCurrent, program->liveValues().temperatureText());
  EXPECT_EQ(dialog.fields().temperatureDisplayed, formatShortest(*live + 1));

  // A lone minus sign keeps the last pressure text.
  dialog.setPressureCorrection("-");
  EXPECT_EQ(dialog.fields().pressureDisplayed, "");
}

TEST_F(SystemSettingsTest, BaudRateWriteMovesTheLoggerAndAsksForARelink) {
  start();
  ASSERT_TRUE(program->connectionPanel().autoSearch);
  program->showSystemSettings();
  settings().selectRate(7);  // "115200 bps"
  settings().changeBaudRate();

  ASSERT_EQ(framesSent({0x01, 0x10, 0x11, 0x02}).size(), 1u);
  EXPECT_EQ(framesSent({0x01, 0x10, 0x11, 0x02})[0],
            AppendCrc({0x01, 0x10, 0x11, 0x02, 0x00, 0x01, 0x02, 0x00, 10}));
  ASSERT_TRUE(loop.advanceUntil([&] { return !settings().fields().baudResult.empty(); }, 2000));
  EXPECT_EQ(settings().fields().baudResult, text("QL310", "ql310_com_relink"));
  EXPECT_FALSE(program->connectionPanel().autoSearch);

  // From now on the logger answers only at the new rate.
  EXPECT_EQ(logger.baudRate(), 115200u);
  EXPECT_TRUE(logger.receive(AppendCrc(reg::probeRequest()), 9600).empty());
  EXPECT_FALSE(logger.receive(AppendCrc(reg::probeRequest()), 115200).empty());
}

TEST_F(SystemSettingsTest, BatteryChangeResetsTheCounterAndShowsAFullBattery) {
  start();
  ASSERT_EQ(program->instrumentInfo().batteryPercent, "75");
  program->showSystemSettings();
  op.answerYesNo(false);
  settings().changeBattery();
  EXPECT_TRUE(framesSent({0x01, 0x10, 0x20, 0x80}).empty());

  op.answerYesNo(true);
  settings().changeBattery();
  ASSERT_EQ(framesSent({0x01, 0x10, 0x20, 0x80}).size(), 1u);
  EXPECT_EQ(framesSent({0x01, 0x10, 0x20, 0x80})[0],
            AppendCrc({0x01, 0x10, 0x20, 0x80, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(program->instrumentInfo().batteryPercent, "100");
  EXPECT_EQ(program->instrumentInfo().batteryLevel, BatteryLevel::Full);
  loop.advance(500);
  EXPECT_EQ(loggerRegisters(reg::kBatteryUsed, 2), Bytes(4, 0));
  // Its acknowledgement is as long as the pressure write's, yet it is not that write's.
  EXPECT_TRUE(settings().acknowledged(SettingsWrite::Battery));
  EXPECT_FALSE(settings().fields().pressureWritten);
}

class SystemSettingsPrecisionTest : public SystemSettingsTest, public ::testing::WithParamInterface<int> {};

// DISPLAYLENGTH 1 keeps the precisions chosen over a restart; any other value resets them to 2.
TEST_P(SystemSettingsPrecisionTest, OkAppliesThePrecisionsFromTheNextSample) {
  const int displayLength = GetParam();
  start();
  program->showSystemSettings();
  settings().setPrecisions(3, 1);
  settings().accept();
  EXPECT_FALSE(settings().open());
  const std::uint64_t samples = program->liveValues().sampleCount();
  ASSERT_TRUE(loop.advanceUntil([&] { return program->liveValues().sampleCount() > samples; }, 3000));
  const auto decimals = [](const std::string& text) { return text.size() - text.find('.') - 1; };
  EXPECT_EQ(decimals(program->liveValues().temperatureText()), 3u);
  EXPECT_EQ(decimals(program->liveValues().pressureText()), 1u);
  // Saved at once: an ended program that never closed its window still has them.
  program.reset();

  IniFile ini;
  ASSERT_TRUE(ini.load((home / "Sysuse.ini").string()));
  ini.writeInt("SAVE", "DISPLAYLENGTH", displayLength);
  ASSERT_TRUE(ini.save((home / "Sysuse.ini").string()));
  launch();
  const int kept = displayLength == 1;
  EXPECT_EQ(program->savedState().temperatureDecimals, kept ? 3 : 2);
  EXPECT_EQ(program->savedState().pressureDecimals, kept ? 1 : 2);
}

INSTANTIATE_TEST_SUITE_P(DisplayLength, SystemSettingsPrecisionTest, ::testing::Values(1, 2));

sim::LoggerConfig withBareAcknowledgements() {
  sim::LoggerConfig config = withoutFiles();
  config.echoWriteAcks = false;
  return config;
}

class BareAcknowledgementTest : public SystemSettingsTest {
 protected:
  BareAcknowledgementTest() : SystemSettingsTest(withBareAcknowledgements()) {}
};

// An 8-byte acknowledgement is neither of the two lengths: the write goes in, no caption shows.
TEST_F(BareAcknowledgementTest, ShowsNoCaption) {
  SystemSettings& dialog = openWithOffsets();
  dialog.setPressureCorrection("0.05");
  op.answerYesNo(true);
  dialog.changePressureOffset();
  loop.advance(1000);
  EXPECT_EQ(loggerRegisters(reg::kPressureDrift, 2), FloatToBeBytes(0.4f));
  EXPECT_FALSE(dialog.fields().pressureWritten);
  EXPECT_TRUE(dialog.acknowledged(SettingsWrite::PressureOffset));
}

// A logger that stops answering while the dialog is open: once it is closed, the read is not
// sent again and again.
TEST_F(SystemSettingsTest, ClosingEndsAnUnansweredRead) {
  start();
  logger.setFaults({.stallAfter = 1});
  program->showSystemSettings();
  loop.advance(3000);
  const auto reads = [&] { return framesSent(reg::readRequest(reg::kTemperatureConstants, 10)).size(); };
  ASSERT_GT(reads(), 1u);  // sent again while it waits
  settings().close();
  const std::size_t sent = reads();
  loop.advance(5000);
  EXPECT_EQ(reads(), sent);
  EXPECT_FALSE(program->pollSequencer().running());
}

TEST_F(SystemSettingsTest, WithoutALoggerBothDriftButtonsSayNotLinked) {
  logger.setFaults({.vanish = true});
  launch();
  program->showSystemSettings();
  loop.advance(3000);
  settings().setTemperatureCorrection("0.1");
  settings().setPressureCorrection("0.1");
  settings().changeTemperatureOffset();
  settings().changePressureOffset();

  ASSERT_EQ(op.prompts(PromptKind::Message).size(), 2u);
  for (const auto& prompt : op.prompts(PromptKind::Message))
    EXPECT_EQ(prompt.text, text("SUB", "sub_error_not_link"));
  EXPECT_TRUE(op.prompts(PromptKind::YesNo).empty());
  EXPECT_TRUE(framesSent({0x01, 0x10}).empty());
}

}  // namespace
}  // namespace ql::test
