#include "data/csv_export.h"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "data/data_page.h"
#include "record_fixtures.h"

namespace ql {
namespace {

const char* kNow = "2026-03-16 10:11:12";

// Two records and the checksum: a negative temperature with a battery byte of 0, then a record
// at pressure 0 with a battery byte of 1.
Bytes twoRecords() {
  Bytes stream;
  test::appendRecord(stream, {{0x26, 0x03, 0x14, 0x12, 0x30, 0x05}, 0xFFCFF4, 1102500, 423456, 0});
  test::appendRecord(stream, {{0x26, 0x03, 0x14, 0x12, 0x30, 0x06}, 215678, 0, 0, 1});
  stream.insert(stream.end(), {0x12, 0x34});
  return stream;
}

ExportOptions options() {
  ExportOptions o;
  o.now = kNow;
  return o;
}

// The lines of an export; fails the test when a line does not end in CR LF.
std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "unterminated last line: " << text.substr(start);
      break;
    }
    const std::string line = text.substr(start, end - start);
    EXPECT_EQ(line.find('\n'), std::string::npos) << "bare line feed in " << line;
    out.push_back(line);
    start = end + 2;
  }
  return out;
}

const std::vector<std::string> kDataPageHeader = {
    "time:,2026-03-16 10:11:12",
    "task name:,TIDEA",
    "SN:,QL310-0042",
    "",
    "Start sample time:,2026-03-14 12:30:00",
    "End sample time:,2026-03-15 08:05:09",
    "Record interval:,1000ms",
    "water density:,1.025,Gravitational acceleration:,9.8,Offset:,-100",
    "",
    "Time,Temperature,Pressure,Height of water,Conductivity,Battery",
    ",(oC),(KPa),(m),(mS/cm),(V)",
};

TEST(CsvExport, DownloadLayout) {
  const Bytes stream = twoRecords();
  std::ostringstream out;
  ASSERT_TRUE(WriteDownloadExport(test::sampleHeader().entry(), "QL310-0042", stream.data(), stream.size(), options(),
                                  out));
  const std::vector<std::string> expected = {
      "2026-03-16 10:11:12",
      "SN: QL310-0042",
      "TIDEA",
      "",
      "Start sample time: 2026-03-14 12:30:00",
      "End sample time: 2026-03-15 08:05:09",
      "sampling interval: 1000ms",
      "",
      "Time,Temperature,Pressure,Height of water,Conductivity,Power",
      ",(oC),(KPa),(m),(mS/cm),(V)",
      // Temperatures read unsigned, a battery byte of 0 as 3.00.
      "2026-03-14 12:30:05,1676.49,110.25,1.02,42.35,3.00",
      "2026-03-14 12:30:06,21.57,0.00,0.00,0.00,3.01",
  };
  EXPECT_EQ(lines(out.str()), expected);
}

TEST(CsvExport, DownloadShorterThanARecordGivesTheHeaderOnly) {
  for (std::size_t length : {0u, 2u, 15u}) {
    const Bytes stream(length, 0x26);
    std::ostringstream out;
    ASSERT_TRUE(WriteDownloadExport(test::sampleHeader().entry(), "SN", stream.data(), stream.size(), options(), out));
    const auto written = lines(out.str());
    ASSERT_EQ(written.size(), 10u) << length;
    EXPECT_EQ(written.back(), ",(oC),(KPa),(m),(mS/cm),(V)");
  }
}

TEST(CsvExport, DataPageLayout) {
  const Bytes stream = twoRecords();
  std::vector<std::string> expected = kDataPageHeader;
  // Temperatures above 0x400000 are negative; a battery byte of 0 gives 0.00.
  expected.push_back("2026-03-14 12:30:05,-1.23,110.25,1.02,42.35,0.00");
  expected.push_back("2026-03-14 12:30:06,21.57,0.00,0.00,0.00,3.01");

  std::ostringstream fromMemory;
  ASSERT_TRUE(writeDataPageExport(test::sampleHeader(), stream.data(), stream.size(), options(), fromMemory));
  EXPECT_EQ(lines(fromMemory.str()), expected);

  // The same export from the file open on the data page.
  test::DataDir dir;
  DataPage page;
  ASSERT_TRUE(page.openDataFile(dir.dataFile("f.wlr", stream)).opened());
  std::ostringstream fromFile;
  ASSERT_TRUE(ExportOpenFile(page, options(), fromFile));
  EXPECT_EQ(fromFile.str(), fromMemory.str());
}

TEST(CsvExport, DataPageParametersAndPrecisions) {
  const Bytes stream = twoRecords();
  ExportOptions o = options();
  o.depth = {1.0, 10.0, -100.5};
  o.temperatureDecimals = 3;
  o.pressureDecimals = 1;
  std::ostringstream out;
  ASSERT_TRUE(writeDataPageExport(test::sampleHeader(), stream.data(), stream.size(), o, out));
  const auto written = lines(out.str());
  ASSERT_EQ(written.size(), 13u);
  EXPECT_EQ(written[7], "water density:,1,Gravitational acceleration:,10,Offset:,-100.5");
  EXPECT_EQ(written[11], "2026-03-14 12:30:05,-1.230,110.3,0.98,42.35,0.00");  // 9.75 / 1 / 10
  EXPECT_EQ(written[12], "2026-03-14 12:30:06,21.568,0.0,0.00,0.00,3.01");
}

TEST(CsvExport, DataPageExportRunsFromTheShownPageToTheEnd) {
  test::DataDir dir;
  DataPage page;
  ASSERT_TRUE(page.openDataFile(dir.dataFile("f.wlr", test::numberedRecords(20002))).opened());
  ASSERT_TRUE(page.nextPage());
  std::ostringstream out;
  ASSERT_TRUE(ExportOpenFile(page, options(), out));
  const auto written = lines(out.str());
  ASSERT_EQ(written.size(), kDataPageHeader.size() + 10002);
  EXPECT_EQ(written[kDataPageHeader.size()].substr(0, 19), "2026-03-01 02:46:41");  // record 10,001
  EXPECT_EQ(written.back().substr(0, 19), "2026-03-01 05:33:22");                    // record 20,002
}

// A stream that takes limit bytes and then fails.
class FullDisk : public std::streambuf {
 public:
  explicit FullDisk(std::size_t limit) : limit_(limit) {}
  std::string taken;

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const auto room = static_cast<std::streamsize>(limit_ - taken.size());
    taken.append(s, static_cast<std::size_t>(std::min(n, room)));
    return std::min(n, room);
  }
  int_type overflow(int_type c) override {
    if (taken.size() >= limit_ || traits_type::eq_int_type(c, traits_type::eof())) return traits_type::eof();
    taken += traits_type::to_char_type(c);
    return c;
  }

 private:
  std::size_t limit_;
};

TEST(CsvExport, AFailingStreamEndsTheExportAsAFailure) {
  const Bytes stream = test::numberedRecords(50000);
  FullDisk disk(100000);
  std::ostream out(&disk);
  EXPECT_FALSE(WriteDownloadExport(test::sampleHeader().entry(), "SN", stream.data(), stream.size(), options(), out));
  EXPECT_EQ(disk.taken.substr(0, 19), "2026-03-16 10:11:12");  // what was written stays

  test::DataDir dir;
  DataPage page;
  ASSERT_TRUE(page.openDataFile(dir.dataFile("f.wlr", stream)).opened());
  FullDisk pageDisk(100000);
  std::ostream pageOut(&pageDisk);
  EXPECT_FALSE(ExportOpenFile(page, options(), pageOut));
}

TEST(CsvExport, NothingOpenNothingWritten) {
  DataPage page;
  std::ostringstream out;
  EXPECT_FALSE(ExportOpenFile(page, options(), out));
  EXPECT_EQ(out.str(), "");
}

TEST(CsvExport, TaskNamesFromTheLoggerInGbkAreWrittenInUtf8) {
  EXPECT_EQ(dataPageExportName(test::sampleHeader(), "20260316101112"), "20260316101112_TIDEA_QL310-0042");
  DataFileHeader header = test::sampleHeader();
  header.setSlot(test::slotImage("\xB3\xB1\xCF\xAB", {26, 1, 1, 0, 0, 0}, {26, 1, 2, 0, 0, 0}, 500, 0));
  EXPECT_EQ(dataPageExportName(header, "20260316101112"), "20260316101112_\u6F6E\u6C50_QL310-0042");
  std::ostringstream out;
  ASSERT_TRUE(writeDataPageExport(header, nullptr, 0, options(), out));
  EXPECT_EQ(lines(out.str())[1], "task name:,\u6F6E\u6C50");
}

}  // namespace
}  // namespace ql
