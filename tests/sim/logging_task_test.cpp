// The logging task registers, the run state and its recording, the clock's offset and the forms
// of write acknowledgement, as the configuration write and read see them.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"
#include "sim/logger_model.h"

namespace ql::sim {
namespace {

constexpr std::uint32_t kRate = 9600;

Bytes frame(const std::string& hex) { return AppendCrc(bytesFromHex(hex)); }

Bytes joined(const Reply& reply) {
  Bytes all;
  for (const ReplyChunk& chunk : reply) all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
  return all;
}

// The data of a read of count registers from reg (echo, head and CRC removed).
Bytes readData(LoggerModel& model, std::uint16_t reg, std::uint16_t count) {
  Bytes reply = joined(model.receive(AppendCrc(reg::readRequest(reg, count)), kRate));
  if (reply.size() != 8u + 3u + 2u * count + 2u) return {};
  return Bytes(reply.begin() + 11, reply.end() - 2);
}

// 01 10 reg count bytes data, without CRC.
Bytes writeFrame(std::uint16_t reg, std::uint16_t count, const Bytes& data) {
  Bytes head{0x01, 0x10};
  putBeU16(head, reg);
  putBeU16(head, count);
  head.push_back(static_cast<std::uint8_t>(data.size()));
  return AppendCrc(concat({head, data}));
}

Bytes ackOf(const Bytes& write) { return AppendCrc(Bytes(write.begin(), write.begin() + 6)); }

std::uint32_t flashUsed(LoggerModel& model) { return BeStrU32(readData(model, reg::kFlashUsed, 2)); }

TEST(LoggingTask, AFreshLoggerHoldsAFinishedOneSecondTask) {
  LoggerModel model;
  struct Case {
    std::uint16_t reg;
    std::uint16_t count;
    Bytes data;
  };
  const std::vector<Case> cases = {
      {reg::kTaskName, 8,
       Bytes{'H', 'A', 'R', 'B', 'O', 'U', 'R', '-', '0', '7', '=', '=', '=', '=', '=', '='}},
      {reg::kTaskStart, 3, bytesFromHex("19 03 01 08 00 00")},
      {reg::kTaskEnd, 3, bytesFromHex("19 03 0F 08 00 00")},
      {reg::kRecordInterval, 2, bytesFromHex("00 00 03 E8")},
      {reg::kAverageInterval, 2, bytesFromHex("00 00 03 E8")},
      {reg::kAverageCount, 1, bytesFromHex("00 01")},
      {reg::kSendToPort, 1, bytesFromHex("00 00")},
      {reg::kTaskRunState, 1, bytesFromHex("00 00")},
      {reg::kDepthSettings, 4, Bytes(8, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reg);
    EXPECT_EQ(readData(model, c.reg, c.count), c.data);
  }
  EXPECT_FALSE(model.recording());
}

TEST(LoggingTask, WritesAreAcknowledgedAndReadBackExactly) {
  struct Case {
    std::uint16_t reg;
    std::uint16_t count;
    Bytes data;
  };
  const std::vector<Case> cases = {
      {reg::kRecordInterval, 2, bytesFromHex("00 00 01 F4")},
      {reg::kTaskStart, 3, bytesFromHex("1A 02 1C 17 3B 3B")},  // 2026-02-28 23:59:59
      {reg::kTaskEnd, 3, bytesFromHex("1C 02 1D 00 00 00")},    // 2028-02-29, a leap day
      {reg::kSendToPort, 1, bytesFromHex("00 01")},
      {reg::kAverageInterval, 2, bytesFromHex("00 01 86 A0")},
      {reg::kAverageCount, 1, bytesFromHex("00 0A")},
      {reg::kDepthSettings, 4, concat({FloatToBeBytes(101.325f), FloatToBeBytes(9.8f)})},
      {reg::kTaskName, 8,
       Bytes{'A', '=', 'C', '=', '=', '=', '=', '=', '=', '=', '=', '=', '=', '=', '=', '='}},
  };
  LoggerModel model;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reg);
    const Bytes write = writeFrame(c.reg, c.count, c.data);
    EXPECT_EQ(joined(model.receive(write, kRate)), concat({write, ackOf(write)}));
    EXPECT_EQ(readData(model, c.reg, c.count), c.data);
  }
}

// A real logger refuses these: nothing is acknowledged and nothing changes.
TEST(LoggingTask, RefusedWritesAreNeitherAcknowledgedNorStored) {
  struct Case {
    const char* what;
    std::uint16_t reg;
    std::uint16_t count;
    Bytes data;
  };
  const std::vector<Case> cases = {
      {"month 13", reg::kTaskStart, 3, bytesFromHex("1A 0D 01 00 00 00")},
      {"day 0", reg::kTaskStart, 3, bytesFromHex("1A 01 00 00 00 00")},
      {"29 February of a common year", reg::kTaskEnd, 3, bytesFromHex("1A 02 1D 00 00 00")},
      {"31 April", reg::kTaskEnd, 3, bytesFromHex("1A 04 1F 00 00 00")},
      {"hour 24", reg::kTaskStart, 3, bytesFromHex("1A 01 01 18 00 00")},
      {"minute 60", reg::kTaskEnd, 3, bytesFromHex("1A 01 01 00 3C 00")},
      {"second 60", reg::kTaskStart, 3, bytesFromHex("1A 01 01 00 00 3C")},
      {"year 2100", reg::kTaskStart, 3, bytesFromHex("64 01 01 00 00 00")},
      {"clock on 30 February", reg::kClock, 3, bytesFromHex("1A 02 1E 00 00 00")},
      {"start in two registers", reg::kTaskStart, 2, bytesFromHex("1A 01 01 00")},
      {"interval in one register", reg::kRecordInterval, 1, bytesFromHex("03 E8")},
      {"name in four registers", reg::kTaskName, 4, Bytes(8, 'X')},
      {"one float of the depth settings", reg::kDepthSettings, 2, FloatToBeBytes(1.0f)},
      {"run state 2", reg::kTaskRunState, 1, bytesFromHex("00 02")},
      {"send-records 5", reg::kSendToPort, 1, bytesFromHex("00 05")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LoggerModel model({}, [] { return std::time_t{1796904000}; });
    const Bytes before = readData(model, c.reg, 3);
    EXPECT_TRUE(model.receive(writeFrame(c.reg, c.count, c.data), kRate).empty());
    EXPECT_EQ(readData(model, c.reg, 3), before);
    EXPECT_FALSE(model.recording());
  }
  // A byte count that does not fit the register count is no frame at all.
  LoggerModel model;
  Bytes mismatched = frame("01 10 10 03 00 03 04 1A 01 01 00");
  EXPECT_TRUE(model.receive(mismatched, kRate).empty());
  EXPECT_EQ(readData(model, reg::kTaskStart, 3), bytesFromHex("19 03 01 08 00 00"));
}

class Recording : public ::testing::Test {
 protected:
  LoggerModel::Clock clock() {
    return [this] { return source; };
  }
  static LoggerConfig config(std::uint32_t flashUsed = 1000, std::uint16_t runState = 0) {
    LoggerConfig c;
    c.flashUsed = flashUsed;
    c.taskRunState = runState;
    c.eraseAllMs = 0;
    return c;
  }
  void send(LoggerModel& model, const Bytes& write) {
    ASSERT_EQ(joined(model.receive(write, kRate)), concat({write, ackOf(write)}));
  }

  std::time_t source = 1796904000;
  const Bytes start = frame("01 10 10 0D 00 01 02 00 01");
  const Bytes stop = frame("01 10 10 0D 00 01 02 00 00");
};

TEST_F(Recording, RunStateStartsAndStopsARecordingThatFillsTheFlash) {
  LoggerModel model(config(), clock());
  send(model, frame("01 10 10 01 00 02 04 00 00 01 F4"));  // 500 ms
  send(model, start);
  EXPECT_TRUE(model.recording());
  EXPECT_EQ(readData(model, reg::kTaskRunState, 1), bytesFromHex("00 01"));
  EXPECT_EQ(flashUsed(model), 1000u);

  source += 10;
  EXPECT_EQ(flashUsed(model), 1000u + 20 * 16);
  // Starting again while recording changes nothing.
  send(model, start);
  source += 3;
  EXPECT_EQ(flashUsed(model), 1000u + 26 * 16);

  send(model, stop);
  EXPECT_FALSE(model.recording());
  EXPECT_EQ(readData(model, reg::kTaskRunState, 1), bytesFromHex("00 00"));
  source += 100;
  EXPECT_EQ(flashUsed(model), 1000u + 26 * 16);
}

TEST_F(Recording, ARunningLoggerRecordsFromPowerUpAndStopsAtAFullFlash) {
  LoggerConfig c = config(LoggerConfig{}.flashSize - 40, 1);
  LoggerModel model(c, clock());
  EXPECT_TRUE(model.recording());
  EXPECT_EQ(readData(model, reg::kTaskRunState, 1), bytesFromHex("00 01"));
  source += 2;  // the seeded task's interval: 1 s
  EXPECT_EQ(flashUsed(model), c.flashSize - 8);
  source += 60;
  EXPECT_EQ(flashUsed(model), c.flashSize);
}

TEST_F(Recording, AnEraseDuringARecordingEmptiesTheFlashWhichThenFillsAgain) {
  LoggerModel model(config(5000, 1), clock());
  source += 5;
  send(model, frame("01 10 E0 0D 00 01 02 F0 F0"));
  EXPECT_EQ(flashUsed(model), 0u);
  source += 4;
  EXPECT_EQ(flashUsed(model), 4u * 16);
}

TEST(LoggerClock, StartsAtItsConfiguredOffsetUntilAClockWriteReplacesIt) {
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 10;
  local.tm_hour = 3;
  local.tm_min = 4;
  local.tm_sec = 5;
  local.tm_isdst = -1;
  const std::time_t source = std::mktime(&local);  // 2026-12-10 03:04:05
  struct Case {
    std::int64_t offset;
    Bytes shown;
  };
  const std::vector<Case> cases = {
      {0, bytesFromHex("1A 0C 0A 03 04 05")},
      {301, bytesFromHex("1A 0C 0A 03 09 06")},
      {-4 * 3600, bytesFromHex("1A 0C 09 17 04 05")},               // the day before
      {-(24 * 3600 * 365 + 1), bytesFromHex("19 0C 0A 03 04 04")},  // a year and a second behind
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    LoggerConfig config;
    config.clockOffsetSeconds = c.offset;
    LoggerModel model(config, [&source] { return source; });
    EXPECT_EQ(model.loggerTime(), source + c.offset);
    EXPECT_EQ(readData(model, reg::kClock, 3), c.shown);
    const Bytes set = frame("01 10 10 09 00 03 06 18 01 02 17 3A 32");
    EXPECT_EQ(joined(model.receive(set, kRate)), concat({set, ackOf(set)}));
    EXPECT_EQ(readData(model, reg::kClock, 3), bytesFromHex("18 01 02 17 3A 32"));
  }
}

// Some loggers acknowledge a write with the bare 01 10 register count CRC, without the echo.
TEST(WriteAcknowledgement, BareFormHasNoEchoForEveryKindOfWrite) {
  LoggerConfig config;
  config.echoWriteAcks = false;
  config.eraseAllMs = 0;
  LoggerModel model(config, [] { return std::time_t{1796904000}; });
  for (const char* write : {
           "01 10 E0 05 00 08 10 41 42 43 3D 3D 3D 3D 3D 3D 3D 3D 3D 3D 3D 3D 3D",  // task name
           "01 10 10 0D 00 01 02 00 00",                                            // stop
           "01 10 10 09 00 03 06 18 01 02 17 3A 32",                                // clock
           "01 10 FE FE 00 01 02 00 5C",                                            // plain register
           "01 10 20 88 00 04 08 00 00 00 00 3F 80 00 00",                          // depth settings
           "01 10 E0 0D 00 01 02 F0 F0",                                            // erase all
       }) {
    SCOPED_TRACE(write);
    const Bytes request = frame(write);
    Reply reply = model.receive(request, kRate);
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].bytes, ackOf(request));
    EXPECT_EQ(reply[0].bytes.size(), 8u);
  }
  // The speed switch reports its new rate behind the echo as always.
  const Bytes speedSwitch = frame("01 10 11 02 00 01 02 F0 F0");
  Bytes reply = joined(model.receive(speedSwitch, kRate));
  EXPECT_EQ(reply.size(), 23u);
  EXPECT_TRUE(startsWith(reply, speedSwitch));
}

// The configuration write goes on past a register that is never acknowledged: the logger still
// takes the start frame that follows.
TEST(IgnoredWrites, AreNeitherAppliedNorAcknowledgedWhileOtherWritesWork) {
  LoggerModel model({}, [] { return std::time_t{1796904000}; });
  LoggerFaults faults;
  faults.ignoreWritesTo = {reg::kDepthSettings};
  model.setFaults(faults);
  const Bytes depth =
      writeFrame(reg::kDepthSettings, 4, concat({FloatToBeBytes(1.0f), FloatToBeBytes(2.0f)}));
  for (int i = 0; i < 10; ++i) EXPECT_TRUE(model.receive(depth, kRate).empty());
  EXPECT_EQ(readData(model, reg::kDepthSettings, 4), Bytes(8, 0));

  const Bytes start = frame("01 10 10 0D 00 01 02 00 01");
  EXPECT_EQ(joined(model.receive(start, kRate)), concat({start, ackOf(start)}));
  EXPECT_TRUE(model.recording());
}

}  // namespace
}  // namespace ql::sim
