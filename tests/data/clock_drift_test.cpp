// Clock drift from the download record and velmo's task log, and record times corrected for it:
// a ten-day task whose logger was 50 s fast at the download.

#include "data/clock_drift.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>

#include "data/download_record.h"
#include "data/records.h"
#include "record_fixtures.h"

namespace ql {
namespace {

using test::bcd;

Bytes readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Synchronised and started 2026-03-01 12:00:00; a record every 12 hours of the logger's clock for
// ten days; downloaded ten days later by the PC, the logger's clock then 50 s ahead.
class ClockDriftTest : public ::testing::Test {
 protected:
  static constexpr int kRecords = 21;

  ClockDriftTest() {
    Bytes stream;
    for (int i = 0; i < kRecords; ++i) {
      const int hours = 12 + 12 * i;
      test::RecordFields f{
          {0x26, 0x03, bcd(1 + hours / 24), bcd(hours % 24), 0x00, 0x00}, 200000, 1000000, 0, 100};
      test::appendRecord(stream, f);
    }
    stream.insert(stream.end(), {0xAB, 0xCD});
    DataFileHeader header = test::sampleHeader();
    header.setSlot(test::slotImage("TIDE", {26, 3, 1, 12, 0, 0}, {26, 3, 11, 12, 0, 0}, 43200000, 0));
    path = dir.file("bakwlr/QL310-0042/20260311120000_TIDE.wlr");
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    writeDataFile(path, header, stream.data(), stream.size());

    record.serial = "QL310-0042";
    record.slot = 0;
    record.entryHex = std::string(100, '0');
    record.crcMatch = true;
    record.sha256 = std::string(64, '0');
    record.pcTime = "2026-03-11T12:00:00";
    record.loggerClock = "2026-03-11T12:00:50";
    log.push_back(TaskLogEntry{"QL310-0042",
                               "TIDE",
                               {2026, 3, 1, 12, 0, 0},
                               {2026, 3, 11, 12, 0, 0},
                               DateTime{2026, 3, 1, 12, 0, 0}});
  }

  test::DataDir dir;
  std::string path;
  DownloadRecord record;
  std::vector<TaskLogEntry> log;
};

TEST_F(ClockDriftTest, FiftySecondsFastAfterTenDaysIsFiveSecondsADayAndTheTimesComeBackLinearly) {
  ASSERT_TRUE(writeDownloadRecord(path, record));
  const ClockDrift drift = measureDrift(path, log);
  ASSERT_TRUE(drift.known()) << drift.reason;
  EXPECT_DOUBLE_EQ(*drift.secondsPerDay, 5.0);

  // Logger time -> true time: (t - S) x 864000 / 864050 after S.
  struct Case {
    DateTime logger;
    DateTime corrected;
  };
  const Case cases[] = {
      {{2026, 3, 1, 12, 0, 0}, {2026, 3, 1, 12, 0, 0}},     // the synchronisation itself
      {{2026, 3, 6, 12, 0, 0}, {2026, 3, 6, 11, 59, 35}},   // half way: 25 s
      {{2026, 3, 11, 12, 0, 50}, {2026, 3, 11, 12, 0, 0}},  // the download
      {{2026, 3, 11, 12, 0, 0}, {2026, 3, 11, 11, 59, 10}},
  };
  for (const Case& c : cases) EXPECT_EQ(drift.correct(c.logger), c.corrected) << formatDateTime(c.logger);

  // The corrected copy: stamps moved, every other byte the same.
  const std::string copy = dir.file("corrected.wlr");
  ASSERT_TRUE(writeDriftCorrectedCopy(path, copy, drift));
  const Bytes before = readBytes(path), after = readBytes(copy);
  ASSERT_EQ(before.size(), after.size());
  std::size_t changed = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    const std::size_t inStream = i - DataFileHeader::kSize;
    const bool stampByte = i >= DataFileHeader::kSize && inStream % 16 < 6 && inStream < kRecords * 16;
    if (before[i] != after[i]) {
      ++changed;
      EXPECT_TRUE(stampByte) << "byte " << i;
    }
  }
  EXPECT_GT(changed, 0u);
  // The last record, logger 2026-03-11 12:00:00: 49.997 s early, so 11:59:10.
  const std::uint8_t* last = after.data() + DataFileHeader::kSize + (kRecords - 1) * 16;
  EXPECT_EQ(Bytes(last, last + 6), Bytes({0x26, 0x03, 0x11, 0x11, 0x59, 0x10}));
  // The second, at 2026-03-02 00:00:00 logger time: 43200 x 50 / 864050 = 2.4999 s early.
  const std::uint8_t* second = after.data() + DataFileHeader::kSize + 16;
  EXPECT_EQ(Bytes(second, second + 6), Bytes({0x26, 0x03, 0x01, 0x23, 0x59, 0x58}));
}

TEST_F(ClockDriftTest, WithoutWhatItNeedsTheDriftSaysWhy) {
  struct Case {
    const char* name;
    std::function<void(DownloadRecord&, std::vector<TaskLogEntry>&)> change;
    const char* reason;
  };
  const Case cases[] = {
      {"no record", [](DownloadRecord&, std::vector<TaskLogEntry>&) {}, "download record"},
      {"clock not read", [](DownloadRecord& r, std::vector<TaskLogEntry>&) { r.loggerClock.clear(); },
       "not read"},
      {"no task", [](DownloadRecord&, std::vector<TaskLogEntry>& l) { l.clear(); },
       "no task of logger QL310-0042"},
      {"another logger", [](DownloadRecord&, std::vector<TaskLogEntry>& l) { l[0].serial = "QL310-0043"; },
       "no task of logger"},
      {"no sync", [](DownloadRecord&, std::vector<TaskLogEntry>& l) { l[0].synchronised.reset(); },
       "without clock synchronisation"},
  };
  for (const Case& c : cases) {
    DownloadRecord kept = record;
    std::vector<TaskLogEntry> keptLog = log;
    c.change(record, log);
    std::filesystem::remove(downloadRecordPath(path));
    if (std::string(c.name) != "no record") {
      ASSERT_TRUE(writeDownloadRecord(path, record));
    }
    const ClockDrift drift = measureDrift(path, log);
    EXPECT_FALSE(drift.known()) << c.name;
    EXPECT_NE(drift.reason.find(c.reason), std::string::npos) << c.name << ": " << drift.reason;
    record = kept;
    log = keptLog;
  }
}

TEST_F(ClockDriftTest, TheTaskLogKeepsWhatWasWrittenAndSkipsWhatDoesNotRead) {
  const std::string logPath = dir.file("tasklog.txt");
  TaskLogEntry odd{"QL310-0042", "A\tB\nC", {2026, 4, 1, 0, 0, 0}, {2026, 4, 2, 0, 0, 0}, std::nullopt};
  ASSERT_TRUE(appendTaskLog(logPath, log[0]));
  { std::ofstream(logPath, std::ios::app) << "garbage line\n"; }
  ASSERT_TRUE(appendTaskLog(logPath, odd));
  const std::vector<TaskLogEntry> read = readTaskLog(logPath);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].serial, "QL310-0042");
  EXPECT_EQ(read[0].start, log[0].start);
  EXPECT_EQ(read[0].synchronised, log[0].synchronised);
  EXPECT_EQ(read[1].name, "A B C");
  EXPECT_FALSE(read[1].synchronised.has_value());
}

}  // namespace
}  // namespace ql
