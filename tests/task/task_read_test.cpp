// Reading the logger's task into the page: each register's reply, and the work mode derived
// from what was read.

#include "task/task_read.h"

#include "link/codecs.h"
#include "link/register_map.h"
#include "runtime/encoding.h"
#include "task/task_validation.h"
#include "task/task_write_frames.h"
#include "task_fixture.h"

namespace ql::task {
namespace {

Bytes u32(std::uint32_t v) {
  Bytes b;
  putBeU32(b, v);
  return b;
}

Bytes depthSettings(float initial, float pressure) {
  return concat({FloatToBeBytes(initial), FloatToBeBytes(pressure)});
}

TEST(ConfigurationReads, TheEightRequests) {
  const auto& reads = configurationReads();
  ASSERT_EQ(reads.size(), 8u);
  const std::pair<const char*, std::size_t> expected[] = {
      {"01 03 E0 05 00 08 ", 28}, {"01 03 10 03 00 03 ", 18}, {"01 03 10 06 00 03 ", 18},
      {"01 03 10 01 00 02 ", 16}, {"01 03 10 10 00 01 ", 14}, {"01 03 10 0E 00 02 ", 16},
      {"01 03 10 0C 00 01 ", 14}, {"01 03 20 88 00 04 ", 20},
  };
  for (int i = 0; i < 8; ++i) {
    const auto read = configurationRead(100 + i);
    ASSERT_TRUE(read);
    EXPECT_EQ(hexText(reg::readRequest(read->address, read->count)), expected[i].first);
    EXPECT_EQ(read->acceptedAbove, expected[i].second);
  }
  EXPECT_FALSE(configurationRead(108));
}

TEST_F(TaskPageTest, NameWrittenWithPaddingReadsBackAsTyped) {
  struct Case {
    std::string typed, readBack;
  } cases[] = {
      {"abc", "abc"},
      {"a=b=c", "abc"},  // "=" is the padding: a name loses its own
      {"水位站", "水位站"},
      {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
  };
  for (const Case& c : cases) {
    page.editName(c.typed);
    TaskWriteValues v;
    v.nameGbk = utf8ToGbk(f.name);
    const Bytes frame = *taskWriteFrame(kWriteName, v, now);
    const Bytes stored(frame.begin() + 7, frame.end());
    ASSERT_EQ(stored.size(), 16u);
    page.editName("other");
    ASSERT_TRUE(applyConfigurationReply(page, 100, stored));
    EXPECT_EQ(f.name, c.readBack);
  }
  // A name in UTF-8, and an erased name.
  ASSERT_TRUE(applyNameReply(page, concat({Bytes{0xE6, 0xB0, 0xB4}, Bytes(13, '=')})));
  EXPECT_EQ(f.name, "水");
  ASSERT_TRUE(applyNameReply(page, Bytes(16, 0xFF)));
  EXPECT_EQ(f.name, "");
}

TEST_F(TaskPageTest, StartAndEndDates) {
  ASSERT_TRUE(applyConfigurationReply(page, 101, {24, 6, 1, 8, 0, 5}));
  ASSERT_TRUE(applyConfigurationReply(page, 102, {24, 6, 2, 9, 30, 0}));
  EXPECT_EQ(f.start, (DateTime{2024, 6, 1, 8, 0, 5}));
  EXPECT_EQ(f.end, (DateTime{2024, 6, 2, 9, 30, 0}));
  // Impossible dates leave the pickers.
  applyConfigurationReply(page, 101, {24, 13, 1, 8, 0, 0});
  applyConfigurationReply(page, 102, {24, 2, 30, 8, 0, 0});
  applyConfigurationReply(page, 102, {24, 2, 3, 24, 0, 0});
  EXPECT_EQ(f.start, (DateTime{2024, 6, 1, 8, 0, 5}));
  EXPECT_EQ(f.end, (DateTime{2024, 6, 2, 9, 30, 0}));
  EXPECT_FALSE(applyConfigurationReply(page, 101, {24, 6, 1}));
}

TEST_F(TaskPageTest, RecordIntervalSetsBothFieldsAndTheRate) {
  struct Case {
    std::uint32_t ms;
    const char* field;
    int rate;  // expected sample rate index
  } cases[] = {
      {100, "0", 3}, {101, "0", 2}, {200, "0", 2},  {250, "0", 1},
      {500, "0", 1}, {501, "0", 0}, {1000, "1", 0}, {60000, "60", 0},  // above 1000 the rate stays
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(applyConfigurationReply(page, 103, u32(c.ms)));
    EXPECT_EQ(f.recordInterval, c.field) << c.ms;
    EXPECT_EQ(f.averageRecordInterval, c.field) << c.ms;
    EXPECT_EQ(f.sampleRateIndex, c.rate) << c.ms;
  }
  applyConfigurationReply(page, 103, u32(250));
  EXPECT_EQ(sampleRateText(f.sampleRateIndex), "2 Hz");
}

TEST_F(TaskPageTest, AverageFieldsAndSendRecords) {
  ASSERT_TRUE(applyConfigurationReply(page, 104, {0x01, 0x2C}));
  EXPECT_EQ(f.averageCount, "300");
  ASSERT_TRUE(applyConfigurationReply(page, 105, u32(1234567)));
  EXPECT_EQ(f.averageInterval, "12345");
  EXPECT_EQ(f.averageIntervalDuration, "0 day 0 hour 20 minute 34.5 second");
  ASSERT_TRUE(applyConfigurationReply(page, 106, {0x00, 0x01}));
  EXPECT_TRUE(f.sendRecords);
  applyConfigurationReply(page, 106, {0x01, 0x01});
  EXPECT_FALSE(f.sendRecords);
}

TEST_F(TaskPageTest, DepthSettings) {
  ASSERT_TRUE(applyConfigurationReply(page, 107, depthSettings(101.325f, 20.09f)));
  EXPECT_EQ(f.initialValue, "101.325");
  EXPECT_EQ(f.depthInterval, "2.000");
  EXPECT_EQ(f.equivalentPressure, "20.090");
  EXPECT_EQ(f.mode, WorkMode::FixedDepthProfile);
  EXPECT_FLOAT_EQ(page.writeMemory().initialValue, 101.325f);
  EXPECT_FLOAT_EQ(page.writeMemory().depthPressure, 20.09f);

  // Outside (0.04, 20000] there is no depth interval.
  for (float p : {0.04f, 20000.5f, -3.0f}) {
    page.chooseWorkMode(WorkMode::None);
    applyConfigurationReply(page, 107, depthSettings(100.0f, p));
    EXPECT_EQ(f.depthInterval, "0.000") << p;
    EXPECT_EQ(page.writeMemory().depthPressure, 0.0f) << p;
    EXPECT_NE(f.mode, WorkMode::FixedDepthProfile) << p;
  }
  EXPECT_FALSE(applyConfigurationReply(page, 107, Bytes(7, 0)));
}

// The mode is derived from the average mode's interval and the count: after the average
// interval on firmware 1.3.1, after the depth settings on later firmware.
TEST_F(TaskPageTest, WorkModeDerivation) {
  struct Case {
    const char* firmware;
    std::uint32_t intervalMs;
    std::uint16_t count;
    float depthPressure;
    WorkMode afterAverageInterval, afterDepth;
  } cases[] = {
      {"1.3.1.2", 60000, 1, 0, WorkMode::FixedInterval, WorkMode::FixedInterval},
      {"1.3.1.2", 60000, 5, 0, WorkMode::AverageAcquisition, WorkMode::AverageAcquisition},
      {"1.3.1.2", 500, 1, 0, WorkMode::FastAcquisition, WorkMode::FastAcquisition},
      {"1.3.1.2", 1000, 1, 0, WorkMode::FastAcquisition, WorkMode::FastAcquisition},  // 1 s: not > 1
      // A depth interval on 1.3.1 falls back to average acquisition.
      {"1.3.1.2", 60000, 1, 10.0f, WorkMode::FixedInterval, WorkMode::AverageAcquisition},
      {"1.4.0.0", 60000, 1, 0, WorkMode::None, WorkMode::FixedInterval},
      {"1.4.0.0", 2000, 3, 0, WorkMode::None, WorkMode::AverageAcquisition},
      {"1.4.0.0", 60000, 1, 10.0f, WorkMode::None, WorkMode::FixedDepthProfile},
      {"1.3.0.9", 60000, 1, 0, WorkMode::None, WorkMode::None},  // older: never derived
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.firmware) + " " + std::to_string(c.intervalMs));
    page.chooseWorkMode(WorkMode::None);
    firmware = c.firmware;
    applyConfigurationReply(page, 103, u32(c.intervalMs));
    applyConfigurationReply(page, 104,
                            {static_cast<std::uint8_t>(c.count >> 8), static_cast<std::uint8_t>(c.count)});
    applyConfigurationReply(page, 105, u32(500));
    EXPECT_EQ(f.mode, c.afterAverageInterval);
    applyConfigurationReply(page, 106, {0, 0});
    applyConfigurationReply(page, 107, depthSettings(100.0f, c.depthPressure));
    EXPECT_EQ(f.mode, c.afterDepth);
  }
}

TEST_F(TaskPageTest, ReadStartsFromClearedFields) {
  page.editName("x");
  page.editAverageCount("3");
  page.showStatus("old");
  page.clearForRead();
  EXPECT_EQ(f.name, "");
  EXPECT_EQ(f.recordInterval, "");
  EXPECT_EQ(f.averageRecordInterval, "");
  EXPECT_EQ(f.averageCount, "");
  EXPECT_EQ(f.averageInterval, "");
  EXPECT_EQ(f.initialValue, "");
  EXPECT_EQ(f.depthInterval, "");
  EXPECT_EQ(f.statusText, "");
  // With the fields cleared no mode is derived.
  firmware = "1.4.0.0";
  applyConfigurationReply(page, 107, depthSettings(100.0f, 0));
  EXPECT_EQ(f.mode, WorkMode::None);
}

}  // namespace
}  // namespace ql::task
