// The download record beside a data file: written and read back, and every kind of record that
// must not be trusted refused with its reason.

#include "data/download_record.h"

#include <gtest/gtest.h>

#include "record_fixtures.h"

namespace ql {
namespace {

DownloadRecord sample() {
  DownloadRecord r;
  r.serial = "QL\"310\"\\0042";  // quotes and a backslash survive
  r.slot = 3;
  r.entryHex = std::string(98, 'a') + "0f";
  r.announcedSize = 48002;
  r.storedSize = 47999;
  r.strayBytesRemoved = 3;
  r.crcMatch = true;
  r.sha256 = std::string(63, '1') + "e";
  r.pcTime = "2026-03-11T12:00:00";
  r.loggerClock = "2026-03-11T12:00:50";
  return r;
}

TEST(DownloadRecordTest, ARecordReadsBackAsItWasWritten) {
  test::DataDir dir;
  const std::string wlr = dir.file("a.wlr");
  for (bool match : {true, false}) {
    DownloadRecord r = sample();
    r.crcMatch = match;
    if (!match) r.loggerClock.clear();
    ASSERT_TRUE(writeDownloadRecord(wlr, r));
    std::string problem;
    auto back = readDownloadRecord(wlr, problem);
    ASSERT_TRUE(back.has_value()) << problem;
    EXPECT_EQ(back->toJson(), r.toJson());
    EXPECT_EQ(back->serial, r.serial);
    EXPECT_EQ(back->crcMatch, match);
    EXPECT_EQ(back->strayBytesRemoved, 3u);
  }
}

TEST(DownloadRecordTest, RecordsThatCannotBeTrustedAreRefusedWithTheirReason) {
  const std::string good = sample().toJson();
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  struct Case {
    std::string text;
    const char* reason;
  };
  const Case cases[] = {
      {"", "does not start with {"},
      {good.substr(0, good.size() / 2), "not a download record"},
      {good + "x", "text follows"},
      {replaced("\"slot\": 3", "\"slot\": 3.5"), "\"slot\""},
      {replaced("\"slot\": 3", "\"slot\": \"3\""), "no count \"slot\""},
      {replaced("\"slot\": 3", "\"slot\": 21"), "slot 21"},
      {replaced("\"stored_size\": 47999", "\"stored_size\": -1"), "stored_size"},
      {replaced("\"crc\": \"match\"", "\"crc\": \"ok\""), "neither match nor mismatch"},
      {replaced("\"sha256\": \"1", "\"sha256\": \"X"), "sha256"},
      {replaced("2026-03-11T12:00:00", "2026-02-30T12:00:00"), "pc_time"},
      {replaced("\"entry\": \"aa", "\"entry\": \"a"), "entry"},
      {replaced("\"serial\"", "\"serial\": \"x\", \"serial\""), "appears twice"},
      {replaced("  \"serial\": \"QL\\\"310\\\"\\\\0042\",\n", ""), "no text \"serial\""},
  };
  for (const Case& c : cases) {
    std::string problem;
    EXPECT_FALSE(DownloadRecord::parse(c.text, problem).has_value()) << c.text;
    EXPECT_NE(problem.find(c.reason), std::string::npos) << c.text << "\n-> " << problem;
  }
}

TEST(DownloadRecordTest, VerifyComparesTheFileWithItsRecord) {
  test::DataDir dir;
  const std::string wlr = dir.dataFile("b.wlr", test::numberedRecords(20));
  EXPECT_NE(verifyDataFile(wlr).find("no download record"), std::string::npos);
}

}  // namespace
}  // namespace ql
