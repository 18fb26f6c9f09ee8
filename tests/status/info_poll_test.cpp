// The information poll: its step sequence and timing on the virtual clock, and the decoding of
// every answer into the panel's texts.

#include "status/info_poll.h"

#include <gtest/gtest.h>

#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"
#include "runtime/scripted_operator.h"
#include "runtime/virtual_scheduler.h"
#include "status/poll_sequencer.h"

namespace ql {
namespace {

Bytes readReply(std::uint16_t address, std::uint16_t count, const Bytes& data) {
  Bytes response{0x01, 0x03, static_cast<std::uint8_t>(data.size())};
  response.insert(response.end(), data.begin(), data.end());
  return concat({AppendCrc(reg::readRequest(address, count)), AppendCrc(response)});
}

Bytes u32(std::uint32_t v) {
  Bytes b;
  putBeU32(b, v);
  return b;
}

class InfoPollTest : public ::testing::Test {
 protected:
  InfoPollTest() {
    poll.fileCount = [this] { return files; };
    sequencer.onFinished = [this] { poll.endOfPollActions(); };
  }
  // An answer to the request sent last, as far as the sequencer is concerned.
  void answerLast() { sequencer.answer(AppendCrc(sent.back())); }

  VirtualScheduler loop;
  LinkState state;
  InstrumentInfo info;
  ScriptedOperator op;
  std::vector<Bytes> sent;
  int files = 0;
  PollSequencer sequencer{loop, state, [this](const Bytes& f) { sent.push_back(f); }};
  InfoPoll poll{sequencer, state, info,
                [](const std::string& s, const std::string& k) { return s + "/" + k; }, op};
};

TEST_F(InfoPollTest, SerialNumberRules) {
  struct Case {
    std::uint32_t value;
    bool corruptCrc;
    const char* shown;  // nullptr: not taken, read again
  } cases[] = {
      {210012345, false, "0210012345"},
      {180000000, false, "0180000000"},
      {179999999, false, nullptr},
      {0x0200026E, false, nullptr},
      {210012345, true, nullptr},
      {0xF37A5C47, false, "0210084793"},  // negative as signed: shown negated
      {0x80000000, false, "02147483648"},
  };
  for (const auto& c : cases) {
    info.serialNumber = "unchanged";
    Bytes block = readReply(0x2002, 2, u32(c.value));
    if (c.corruptCrc) block.back() ^= 0xFF;
    bool taken = poll.decodeSerialNumber(block);
    EXPECT_EQ(taken, c.shown != nullptr) << c.value;
    EXPECT_EQ(info.serialNumber, c.shown ? c.shown : "unchanged") << c.value;
  }
}

TEST_F(InfoPollTest, IdentityAndMemoryTexts) {
  poll.decodeModel(readReply(0x2001, 1, bytesFromHex("00 64")));
  EXPECT_EQ(info.model, "QL310");
  poll.decodeModel(readReply(0x2001, 1, bytesFromHex("00 65")));
  EXPECT_EQ(info.model, "101");
  poll.decodeHardwareVersion(readReply(0x2004, 2, bytesFromHex("01 00 02 00")));
  EXPECT_EQ(info.hardwareVersion, "1.0.2.0");
  poll.decodeFirmwareVersion(readReply(0x2006, 2, bytesFromHex("01 03 01 05")));
  EXPECT_EQ(info.firmwareVersion, "1.3.1.5");
  EXPECT_TRUE(poll.firmwareIs13());

  poll.decodeFlashUsed(readReply(0xE003, 2, u32(1048576)));  // size not read yet: free stays empty
  EXPECT_EQ(info.flashFree, "");
  poll.decodeFlashSize(readReply(0xE001, 2, u32(8388608)));
  poll.decodeFlashUsed(readReply(0xE003, 2, u32(1048576)));
  EXPECT_EQ(info.flashSize, "8388608");
  EXPECT_EQ(info.flashUsed, "1048576");
  EXPECT_EQ(info.flashFree, "7340032 (87.5%)");

  poll.decodeBatteryVoltage(readReply(0x0101, 1, bytesFromHex("0E 10")));
  EXPECT_EQ(info.batteryVoltage, "3.600");
  poll.decodeClock(readReply(0x1009, 3, bytesFromHex("1A 0C 0A 03 04 05")));
  EXPECT_EQ(info.clock, "2026-12-10 03:04:05");
}

TEST_F(InfoPollTest, BatteryPercentAndPicture) {
  struct Case {
    std::uint32_t used;
    const char* percent;
    BatteryLevel level;
  } cases[] = {
      {0, "100", BatteryLevel::Full},        {1980000, "67", BatteryLevel::Full},
      {2000000, "66", BatteryLevel::Middle}, {4020000, "33", BatteryLevel::Middle},
      {4080000, "32", BatteryLevel::Low},    {6000000, "0", BatteryLevel::Low},
      {7200000, "-20", BatteryLevel::Low},
  };
  for (const auto& c : cases) {
    poll.decodeBatteryUsed(readReply(0x2080, 2, u32(c.used)));
    EXPECT_EQ(info.batteryPercent, c.percent) << c.used;
    EXPECT_EQ(info.batteryLevel, c.level) << c.used;
    EXPECT_EQ(info.batteryConsumption, static_cast<std::int32_t>(c.used));
  }
}

TEST_F(InfoPollTest, ConstantsAndRatiosLandInTheirSlots) {
  poll.decodeConstant32(readReply(0xF203, 2, u32(0xFFFFFFFE)));  // slot 9 is signed
  poll.decodeConstant32(readReply(0xF10F, 2, u32(0xFFFFFFFE)));  // slot 7 is not
  poll.decodeConstant32(readReply(0xF003, 2, u32(1234)));
  poll.decodeConstant16(readReply(0xF302, 1, bytesFromHex("FF FE")));
  Bytes ten = bytesFromHex("40 24 00 00 00 00 00 00");
  poll.decodeRatio64(readReply(0xF115, 4, ten));
  poll.decodeRatio64(readReply(0xF201, 4, bytesFromHex("BF F8 00 00 00 00 00 00")));
  EXPECT_EQ(info.InstrumentConstants[9], -2);
  EXPECT_EQ(info.InstrumentConstants[7], 4294967294);
  EXPECT_EQ(info.InstrumentConstants[13], 1234);
  EXPECT_EQ(info.InstrumentConstants[11], 65534);
  EXPECT_EQ(info.PressureRatios[5], 10.0);
  EXPECT_EQ(info.TemperatureRatios[0], -1.5);
}

TEST_F(InfoPollTest, AStepWithoutAnswerIsSentAgainAfterItsWait) {
  poll.start(0);
  loop.advance(10);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], reg::readRequest(reg::kSerialNumber, 2));
  loop.advance(100);  // ten ticks of waiting
  EXPECT_EQ(sent.size(), 1u);
  loop.advance(10);
  EXPECT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1], sent[0]);
}

TEST_F(InfoPollTest, APassRunsItsStepsInOrderAndEndsWithTheFileNotice) {
  files = 14;
  std::vector<std::int32_t> stepsSent;
  poll.start(0);
  // Answer every read at once; the file list (step 25) advances by itself.
  for (int guard = 0; guard < 2000 && poll.running(); ++guard) {
    std::size_t before = sent.size();
    std::int32_t step = poll.step();
    loop.advance(10);
    if (sent.size() == before) continue;
    stepsSent.push_back(step);
    const Bytes& frame = sent.back();
    bool liveValues = frame == reg::readRequest(reg::kLiveValues, 8);
    if (frame[1] == 0x03 && !liveValues) answerLast();
  }
  EXPECT_FALSE(poll.running());
  EXPECT_TRUE(poll.finished());
  EXPECT_EQ(poll.step(), InfoPoll::kEnd);
  // 0..8 reads, 9 enters calibration mode, 10 the battery counter, 24 leaves, 25 file list,
  // 26 live values.
  std::vector<std::int32_t> expected{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 24, 25, 26};
  EXPECT_EQ(stepsSent, expected);
  EXPECT_EQ(sent[9], reg::writeRequest(reg::kCalibrationMode, 0x005C));
  EXPECT_EQ(sent[11], reg::writeRequest(reg::kCalibrationMode, 0x0000));
  EXPECT_EQ(state.LastRequest, AppendCrc(reg::readRequest(reg::kLiveValues, 8)));
  EXPECT_EQ(info.statusText, "SYSTEMINFORMATION/info_get_list_end");
  ASSERT_EQ(op.prompts(PromptKind::Message).size(), 1u);
  EXPECT_EQ(op.prompts(PromptKind::Message)[0].text, "QL310/ql310_file_more");
}

TEST_F(InfoPollTest, ThirteenFilesGiveNoNotice) {
  files = 13;
  poll.start(27);
  loop.advance(20);
  EXPECT_FALSE(poll.running());
  EXPECT_TRUE(op.log().empty());
}

TEST_F(InfoPollTest, TheBatteryCounterIsReadElevenTimesAtMost) {
  poll.start(9);
  loop.advance(5000);
  int reads = 0;
  for (const Bytes& f : sent) reads += f == reg::readRequest(reg::kBatteryUsed, 2);
  EXPECT_EQ(reads, 11);
  EXPECT_GT(poll.step(), InfoPoll::kBatteryUsed);  // moved on without an answer
}

TEST_F(InfoPollTest, ARunningTaskStopsThePoll) {
  int taskRunningCalls = 0;
  poll.onTaskRunning = [&] { ++taskRunningCalls; };
  poll.start(8);
  loop.advance(10);
  EXPECT_TRUE(poll.takeReply(ReplyKind::TaskRunState, readReply(0x100D, 1, bytesFromHex("00 01"))));
  EXPECT_TRUE(info.taskRunning);
  EXPECT_FALSE(poll.running());
  EXPECT_TRUE(poll.haltedByRunningTask());
  EXPECT_EQ(poll.step(), InfoPoll::kEnterCalibration);  // the answer counted
  EXPECT_EQ(taskRunningCalls, 1);
  std::size_t before = sent.size();
  loop.advance(1000);
  EXPECT_EQ(sent.size(), before);
}

TEST_F(InfoPollTest, CountedAnswersToTheAwaitedStepMoveThePollOn) {
  poll.start(InfoPoll::kFlashSize);
  loop.advance(10);
  ASSERT_EQ(sent.back(), reg::readRequest(reg::kFlashSize, 2));
  EXPECT_EQ(sequencer.replyWait(), PollSequencer::kWaitTicks);

  // A late second answer to an earlier step is shown, but the poll stays.
  EXPECT_TRUE(poll.takeReply(ReplyKind::BatteryVoltage, readReply(0x0101, 1, bytesFromHex("0E 10"))));
  EXPECT_EQ(info.batteryVoltage, "3.600");
  EXPECT_EQ(poll.step(), InfoPoll::kFlashSize);
  // A serial number with a bad CRC does not count.
  Bytes damaged = readReply(0x2002, 2, u32(210012345));
  damaged.back() ^= 0xFF;
  EXPECT_TRUE(poll.takeReply(ReplyKind::SerialNumber, damaged));
  EXPECT_EQ(poll.step(), InfoPoll::kFlashSize);

  EXPECT_TRUE(poll.takeReply(ReplyKind::FlashSize, readReply(0xE001, 2, u32(8388608))));
  EXPECT_EQ(poll.step(), InfoPoll::kFlashUsed);
  EXPECT_EQ(sequencer.replyWait(), -1);  // the next step goes out at the next tick
  loop.advance(10);
  EXPECT_EQ(sent.back(), reg::readRequest(reg::kFlashUsed, 2));

  // Kinds that are not the poll's are left to others.
  EXPECT_FALSE(poll.takeReply(ReplyKind::FileList, readReply(0xE00D, 1, bytesFromHex("00 00"))));
  EXPECT_FALSE(poll.takeReply(ReplyKind::LiveValues, Bytes(29, 0)));
}

TEST_F(InfoPollTest, ResumingGoesOnWhereThePassStoppedOrRepeatsItsEnd) {
  poll.start(InfoPoll::kClock);
  loop.advance(10);
  poll.takeReply(ReplyKind::Clock, readReply(0x1009, 3, bytesFromHex("1A 0C 0A 03 04 05")));
  sequencer.stop();
  poll.resume();
  loop.advance(10);
  EXPECT_EQ(sent.back(), reg::readRequest(reg::kTaskRunState, 1));

  poll.start(InfoPoll::kEnd);
  loop.advance(200);  // after the wait of the step sent last
  ASSERT_TRUE(poll.finished());
  info.statusText.clear();
  poll.resume();
  loop.advance(10);
  EXPECT_TRUE(poll.finished());
  EXPECT_EQ(info.statusText, "SYSTEMINFORMATION/info_get_list_end");
}

TEST_F(InfoPollTest, TheRejectedSerialNumberIsExplained) {
  poll.decodeSerialNumber(readReply(0x2002, 2, u32(0x0200026E)));
  EXPECT_NE(poll.serialNumberRejection().find("33555054"), std::string::npos) << poll.serialNumberRejection();
  poll.decodeSerialNumber(readReply(0x2002, 2, u32(179999999)));
  EXPECT_NE(poll.serialNumberRejection().find("179999999"), std::string::npos)
      << poll.serialNumberRejection();
  poll.decodeSerialNumber(readReply(0x2002, 2, u32(210012345)));
  EXPECT_TRUE(poll.serialNumberRejection().empty());
}

TEST_F(InfoPollTest, OlderFirmwareReadsTwoRegisterConstants) {
  info.firmwareVersion = "1.2.0.0";
  poll.start(12);
  loop.advance(10);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], reg::readRequest(0xF105, 2));
  info.firmwareVersion = "1.3.1.5";
  poll.start(20);
  loop.advance(200);
  EXPECT_EQ(sent.back(), reg::readRequest(0xF211, 4));
}

}  // namespace
}  // namespace ql
