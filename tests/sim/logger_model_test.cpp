#include "sim/logger_model.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

#include "link/codecs.h"
#include "link/crc.h"
#include "sim/registers.h"

namespace ql::sim {
namespace {

constexpr std::uint32_t kRate = 9600;

Bytes frame(const char* hex) { return AppendCrc(bytesFromHex(hex)); }

Bytes joined(const Reply& reply) {
  Bytes all;
  for (const ReplyChunk& chunk : reply) all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
  return all;
}

Bytes u32(std::uint32_t v) {
  Bytes out;
  putBeU32(out, v);
  return out;
}

Bytes f64(double v) {
  std::uint64_t raw = std::bit_cast<std::uint64_t>(v);
  return concat({u32(static_cast<std::uint32_t>(raw >> 32)), u32(static_cast<std::uint32_t>(raw))});
}

const Bytes kProbe = frame("01 03 20 02 00 02");

TEST(LoggerModel, CutsRequestsFromPiecesAndResynchronisesAfterBadBytes) {
  LoggerModel model;
  // A request in three pieces is answered once, when its last byte is in.
  EXPECT_TRUE(model.receive(Bytes(kProbe.begin(), kProbe.begin() + 2), kRate).empty());
  EXPECT_TRUE(model.receive(Bytes(kProbe.begin() + 2, kProbe.begin() + 5), kRate).empty());
  Reply reply = model.receive(Bytes(kProbe.begin() + 5, kProbe.end()), kRate);
  ASSERT_EQ(reply.size(), 1u);
  EXPECT_TRUE(startsWith(reply[0].bytes, kProbe));

  // Stray bytes, a frame with a broken CRC and a write head whose byte count does not fit its
  // register count are skipped; the two valid frames behind them are answered in order.
  Bytes badCrc = kProbe;
  badCrc.back() ^= 0xFF;
  Bytes model_read = frame("01 03 20 01 00 01");
  Bytes noise =
      concat({bytesFromHex("FF 00 01 07"), badCrc, bytesFromHex("01 10 FE FE 00 01 05"), kProbe, model_read});
  Bytes answers = joined(model.receive(noise, kRate));
  ASSERT_EQ(answers.size(), 17u + 15u);
  EXPECT_TRUE(startsWith(answers, kProbe));
  EXPECT_EQ(Bytes(answers.begin() + 17, answers.begin() + 25), model_read);

  // A write frame's length comes from its byte count.
  Bytes write = frame("01 10 FE FE 00 01 02 00 5C");
  EXPECT_TRUE(model.receive(Bytes(write.begin(), write.begin() + 7), kRate).empty());
  EXPECT_EQ(model.receive(Bytes(write.begin() + 7, write.end()), kRate).size(), 1u);
}

// Identity and state reads: the echo, then 01 03 <2N> data and a valid CRC, in one piece.
TEST(LoggerModel, ReadsAnswerWithEchoAndTheConfiguredValues) {
  LoggerConfig config;
  struct Case {
    const char* request;
    Bytes data;
  };
  const std::vector<Case> cases = {
      {"01 03 20 02 00 02", u32(config.serialNumber)},
      {"01 03 20 01 00 01", bytesFromHex("00 64")},
      {"01 03 20 04 00 02", bytesFromHex("01 00 02 00")},
      {"01 03 20 06 00 02", bytesFromHex("01 03 01 05")},
      {"01 03 E0 01 00 02", u32(8388608)},
      {"01 03 E0 03 00 02", u32(1048576)},
      {"01 03 01 01 00 01", bytesFromHex("0E 10")},
      {"01 03 10 0D 00 01", bytesFromHex("00 00")},
      {"01 03 20 80 00 02", u32(config.batteryConsumption)},
      {"01 03 F0 01 00 02", u32(config.constants32.at(0xF001))},
      {"01 03 F1 09 00 02", u32(config.constants32.at(0xF109))},
      {"01 03 F2 01 00 02", u32(config.constants32.at(0xF201))},
      {"01 03 F3 02 00 01", bytesFromHex("00 03")},
      {"01 03 F1 09 00 04", f64(config.pressureRatios[2])},
      {"01 03 F2 15 00 04", f64(config.temperatureRatios[5])},
      {"01 03 50 00 00 0A", Bytes(20, 0)},  // registers nobody set read as 0
  };
  LoggerModel model(config);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request);
    Bytes request = frame(c.request);
    Reply reply = model.receive(request, kRate);
    ASSERT_EQ(reply.size(), 1u);
    const Bytes& block = reply[0].bytes;
    ASSERT_EQ(block.size(), 8 + 3 + c.data.size() + 2);
    EXPECT_TRUE(startsWith(block, concat({request, {0x01, 0x03, static_cast<std::uint8_t>(c.data.size())}})));
    EXPECT_EQ(Bytes(block.begin() + 11, block.end() - 2), c.data);
    EXPECT_TRUE(crcIsValid(Bytes(block.begin() + 8, block.end())));
  }
}

TEST(LoggerModel, ClockFollowsItsTimeSourceAndCanBeSet) {
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 10;
  local.tm_hour = 3;
  local.tm_min = 4;
  local.tm_sec = 5;
  local.tm_isdst = -1;
  std::time_t source = std::mktime(&local);
  LoggerModel model({}, [&source] { return source; });

  const Bytes read = frame("01 03 10 09 00 03");
  Bytes block = model.receive(read, kRate)[0].bytes;
  EXPECT_EQ(Bytes(block.begin() + 11, block.begin() + 17), bytesFromHex("1A 0C 0A 03 04 05"));

  // Set to 2024-01-02 23:58:50; ten seconds later the logger's clock reads 23:59:00.
  const Bytes set = frame("01 10 10 09 00 03 06 18 01 02 17 3A 32");
  Bytes ack = model.receive(set, kRate)[0].bytes;
  EXPECT_EQ(ack, concat({set, frame("01 10 10 09 00 03")}));
  source += 10;
  block = model.receive(read, kRate)[0].bytes;
  EXPECT_EQ(Bytes(block.begin() + 11, block.begin() + 17), bytesFromHex("18 01 02 17 3B 00"));

  // An impossible date is not acknowledged.
  EXPECT_TRUE(model.receive(frame("01 10 10 09 00 03 06 18 0D 02 17 3A 32"), kRate).empty());
}

TEST(LoggerModel, WriteIsEchoedAndAcknowledgedAndStored) {
  LoggerModel model;
  const Bytes write = frame("01 10 FE FE 00 01 02 00 5C");
  Reply reply = model.receive(write, kRate);
  ASSERT_EQ(reply.size(), 1u);
  EXPECT_EQ(reply[0].bytes, concat({write, frame("01 10 FE FE 00 01")}));
  EXPECT_EQ(model.registers().get(reg::kCalibrationMode), 0x005C);

  // Control frames (the link frame) are taken without a reply.
  EXPECT_TRUE(model.receive(frame("01 04 01 01 03 03"), kRate).empty());
  EXPECT_EQ(model.lastControlCode(), kControlLink);
}

TEST(LoggerModel, BaudCodeIsAcknowledgedAtTheOldRateThenOnlyTheNewRateIsAnswered) {
  LoggerModel model;
  const Bytes change = frame("01 10 11 02 00 01 02 00 06");  // code 6: 19200
  Reply ack = model.receive(change, 9600);
  ASSERT_EQ(ack.size(), 1u);
  EXPECT_EQ(ack[0].bytes, concat({change, frame("01 10 11 02 00 01")}));
  EXPECT_EQ(model.baudRate(), 19200u);
  EXPECT_TRUE(model.receive(kProbe, 9600).empty());
  EXPECT_EQ(joined(model.receive(kProbe, 19200)).size(), 17u);

  // Codes outside 3..10 and other values are not acknowledged and change nothing.
  for (const char* bad :
       {"01 10 11 02 00 01 02 00 02", "01 10 11 02 00 01 02 00 0B", "01 10 11 02 00 01 02 01 04"}) {
    EXPECT_TRUE(model.receive(frame(bad), 19200).empty()) << bad;
  }
  EXPECT_EQ(model.baudRate(), 19200u);
}

// The program reads the new rate from bytes 17..20: directly behind the acknowledgement head.
TEST(LoggerModel, SpeedSwitchReportsTheNewRateAndMovesToIt) {
  for (const char* value : {"F0 F0", "F1 F1"}) {
    SCOPED_TRACE(value);
    LoggerModel model;
    const Bytes request = frame((std::string("01 10 11 02 00 01 02 ") + value).c_str());
    Bytes reply = joined(model.receive(request, 9600));
    ASSERT_EQ(reply.size(), 23u);
    EXPECT_TRUE(startsWith(reply, concat({request, bytesFromHex("01 10 11 02 00 01")})));
    EXPECT_EQ(BeU32(reply.data() + 17), kSpeedSwitchRate);
    EXPECT_TRUE(crcIsValid(Bytes(reply.begin() + 11, reply.end())));
    EXPECT_TRUE(model.receive(kProbe, 9600).empty());
    EXPECT_EQ(joined(model.receive(kProbe, kSpeedSwitchRate)).size(), 17u);
  }
}

TEST(LoggerModel, WrongRateGivesSilenceOrGarbage) {
  LoggerModel model;
  EXPECT_TRUE(model.receive(kProbe, 19200).empty());
  // Half a frame at the right rate is lost when the rate changes under it.
  model.receive(Bytes(kProbe.begin(), kProbe.begin() + 4), kRate);
  model.receive(Bytes(kProbe.begin() + 4, kProbe.end()), 19200);
  EXPECT_TRUE(model.receive(Bytes(kProbe.begin() + 4, kProbe.end()), kRate).empty());

  LoggerFaults faults;
  faults.garbageAtWrongRate = true;
  model.setFaults(faults);
  Bytes garbage = joined(model.receive(kProbe, 19200));
  ASSERT_FALSE(garbage.empty());
  EXPECT_NE(garbage[0], kSlaveAddress);
  EXPECT_EQ(joined(model.receive(kProbe, kRate)).size(), 17u);
}

TEST(LoggerModel, SplitFaultCutsEveryReplyWithAPause) {
  LoggerModel model;
  const Bytes whole = joined(model.receive(kProbe, kRate));
  LoggerFaults faults;
  faults.splitAt = 5;
  model.setFaults(faults);
  for (int i = 0; i < 2; ++i) {
    Reply reply = model.receive(kProbe, kRate);
    ASSERT_EQ(reply.size(), 2u);
    EXPECT_EQ(reply[0].bytes.size(), 5u);
    EXPECT_EQ(reply[1].pauseBeforeMs, 40);
    EXPECT_EQ(joined(reply), whole);
  }
}

TEST(LoggerModel, DropEveryNthReplyLosesOnlyTheReply) {
  LoggerModel model;
  LoggerFaults faults;
  faults.dropEvery = 2;
  model.setFaults(faults);
  EXPECT_FALSE(model.receive(kProbe, kRate).empty());
  // The dropped reply's request still takes effect.
  EXPECT_TRUE(model.receive(frame("01 10 11 02 00 01 02 00 06"), kRate).empty());
  EXPECT_EQ(model.baudRate(), 19200u);
  EXPECT_FALSE(model.receive(kProbe, 19200).empty());
  EXPECT_TRUE(model.receive(kProbe, 19200).empty());
}

TEST(LoggerModel, StallsAfterNRepliesUntilCleared) {
  LoggerModel model;
  LoggerFaults faults;
  faults.stallAfter = 2;
  model.setFaults(faults);
  EXPECT_FALSE(model.receive(kProbe, kRate).empty());
  EXPECT_FALSE(model.receive(kProbe, kRate).empty());
  // A stalled logger ignores requests altogether.
  EXPECT_TRUE(model.receive(frame("01 10 11 02 00 01 02 00 06"), kRate).empty());
  EXPECT_EQ(model.baudRate(), kRate);
  model.setFaults({});
  EXPECT_FALSE(model.receive(kProbe, kRate).empty());
}

TEST(LoggerModel, VanishesOnTheNextRequest) {
  LoggerModel model;
  LoggerFaults faults;
  faults.vanish = true;
  model.setFaults(faults);
  EXPECT_FALSE(model.vanished());
  EXPECT_TRUE(model.receive(kProbe, kRate).empty());
  EXPECT_TRUE(model.vanished());
  model.setFaults({});
  EXPECT_TRUE(model.receive(kProbe, kRate).empty());
}

// A handler added later serves its range ahead of the bank; its chunks keep their pauses, and
// the split fault cuts across them.
TEST(LoggerModel, AddedHandlerServesItsRangeInChunks) {
  LoggerModel model;
  model.addReadHandler({reg::kFileData, reg::kFileData}, [](const Request& request) {
    Answer answer = LoggerModel::readAnswer(bytesFromHex("AA BB"));
    answer.chunks.push_back({Bytes(3, request.count), 100});
    return answer;
  });
  const Bytes request = frame("01 03 E0 0E 00 07");
  Reply reply = model.receive(request, kRate);
  ASSERT_EQ(reply.size(), 2u);
  EXPECT_EQ(reply[0].bytes, concat({request, AppendCrc(bytesFromHex("01 03 02 AA BB"))}));
  EXPECT_EQ(reply[1], (ReplyChunk{bytesFromHex("07 07 07"), 100}));

  LoggerFaults faults;
  faults.splitAt = 4;
  model.setFaults(faults);
  reply = model.receive(request, kRate);
  ASSERT_EQ(reply.size(), 3u);
  EXPECT_EQ(reply[0].bytes.size(), 4u);
  EXPECT_EQ(reply[1].pauseBeforeMs, 40);
  EXPECT_EQ(reply[2].pauseBeforeMs, 100);
  // Registers next to the handled one still come from the bank.
  EXPECT_EQ(joined(model.receive(frame("01 03 E0 0F 00 01"), kRate)).size(), 15u);
}

}  // namespace
}  // namespace ql::sim
