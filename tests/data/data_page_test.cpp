#include "data/data_page.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "record_fixtures.h"

namespace ql {
namespace {

// Pressure raw of the record a row shows (numberedRecords puts the record number there).
int recordNumber(const DataPage& page, int row) {
  const auto r = page.record(row);
  return r ? static_cast<int>(r->pressureRaw) - 1000000 : 0;
}

TEST(DataPage, PagesOverlapByOneRecord) {
  struct Case {
    int records;
    bool trailing;
    int pages;
    int rowCount;          // numbered rows + the spare row
    int lastPageFirst;     // record number in the last page's first row
    int lastPageRecords;   // rows of the last page that show a record
  } cases[] = {
      {0, false, 1, 1, 0, 0},          // exactly the header: no rows
      {0, true, 1, 1, 0, 0},           // header and checksum bytes: none either
      {1, true, 1, 2, 1, 1},
      {10001, true, 1, 10002, 1, 10001},
      {10002, true, 2, 10002, 10001, 2},
      {10002, false, 2, 10002, 10001, 2},
      {20002, true, 3, 10002, 20001, 2},
      {20003, true, 3, 10002, 20001, 3},
  };
  test::DataDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.records) + (c.trailing ? " with checksum" : ""));
    DataPage page;
    ASSERT_TRUE(page.openDataFile(dir.dataFile("f.wlr", test::numberedRecords(c.records, c.trailing))).opened());
    EXPECT_EQ(page.recordCount(), c.records);
    EXPECT_EQ(page.pageCount(), c.pages);
    EXPECT_EQ(page.rowCount(), c.rowCount);
    EXPECT_EQ(page.page(), 1);
    EXPECT_FALSE(page.previousVisible());
    EXPECT_EQ(page.nextVisible(), c.pages > 1);

    while (page.nextVisible()) ASSERT_TRUE(page.nextPage());
    EXPECT_EQ(page.page(), c.pages);
    EXPECT_FALSE(page.nextPage());
    EXPECT_EQ(page.rowCount(), c.rowCount);  // the row count is set on opening only
    int shown = 0;
    while (shown < page.rowCount() && page.record(shown)) ++shown;
    EXPECT_EQ(shown, c.lastPageRecords);
    if (shown > 0) {
      EXPECT_EQ(recordNumber(page, 0), c.lastPageFirst);
      EXPECT_EQ(recordNumber(page, shown - 1), c.records);
      EXPECT_EQ(page.cell(0, 0), " " + std::to_string(c.lastPageFirst));
    }
    EXPECT_EQ(page.cell(shown, 1), "");  // the spare (or empty) row
  }
}

TEST(DataPage, TurningPagesBackAndForth) {
  test::DataDir dir;
  DataPage page;
  ASSERT_TRUE(page.openDataFile(dir.dataFile("f.wlr", test::numberedRecords(25000))).opened());
  ASSERT_EQ(page.pageCount(), 3);
  EXPECT_FALSE(page.previousPage());
  ASSERT_TRUE(page.nextPage());
  EXPECT_TRUE(page.previousVisible());
  EXPECT_TRUE(page.nextVisible());
  EXPECT_EQ(page.firstRecordOfPage(), 10000);
  EXPECT_EQ(recordNumber(page, 0), 10001);
  EXPECT_EQ(recordNumber(page, 10000), 20001);  // also the first row of page 3
  EXPECT_EQ(page.cell(10000, 0), " 20001");
  EXPECT_EQ(page.cell(10001, 0), " 20002");     // the spare row is numbered but empty
  EXPECT_EQ(page.cell(10001, 3), "");
  ASSERT_TRUE(page.previousPage());
  EXPECT_EQ(recordNumber(page, 0), 1);
  EXPECT_FALSE(page.previousVisible());
}

TEST(DataPage, CellsAndTheSettingsTheyWereDecodedWith) {
  Bytes stream;
  test::appendRecord(stream, {{0x26, 0x03, 0x14, 0x12, 0x30, 0x05}, 0xFFCFF4, 1102500, 423456, 0});
  test::appendRecord(stream, {{0x26, 0x03, 0x14, 0x12, 0x30, 0x06}, 215678, 0, 0, 1});
  stream.insert(stream.end(), {0x12, 0x34});
  test::DataDir dir;
  DataPage page;
  page.setTemperatureDecimals(3);
  page.setPressureDecimals(1);
  ASSERT_TRUE(page.openDataFile(dir.dataFile("f.wlr", stream)).opened());
  EXPECT_EQ(page.header().serialNumber(), "QL310-0042");
  EXPECT_EQ(page.fileSize(), 412u + 34u);

  const std::string first[] = {" 1", "2026-03-14 12:30:05", "-1.230", "110.3", "1.02", "42.35", "0.0"};
  const std::string second[] = {" 2", "2026-03-14 12:30:06", "21.568", "0.0", "0.00", "0.00", "3.01"};
  for (int column = 0; column < DataPage::kColumns; ++column) {
    EXPECT_EQ(page.cell(0, column), first[column]) << column;
    EXPECT_EQ(page.cell(1, column), second[column]) << column;
  }
  EXPECT_EQ(page.cell(0, 7), "");
  EXPECT_EQ(page.cell(-1, 1), "");

  // New settings apply to the next decoding, not to the rows shown.
  page.setDepthParameters({1.0, 10.0, 0.0});
  page.setPressureDecimals(3);
  EXPECT_EQ(page.cell(0, 4), "1.02");
  ASSERT_TRUE(page.showPage(1));
  EXPECT_EQ(page.cell(0, 3), "110.250");
  EXPECT_EQ(page.cell(0, 4), "11.03");  // 110.25 / 1 / 10
}

TEST(DataPage, DamagedFilesOpenWithAMessage) {
  test::DataDir dir;
  DataPage page;
  const std::string good = dir.dataFile("good.wlr", test::numberedRecords(3));
  ASSERT_TRUE(page.openDataFile(good).opened());

  // A missing file changes nothing.
  OpenResult missing = page.openDataFile(dir.file("nothing.wlr"));
  EXPECT_EQ(missing.status, OpenResult::Status::Missing);
  EXPECT_TRUE(page.isOpen());
  EXPECT_EQ(page.path(), good);

  // A sound header but for the slot's length byte, which is not 50.
  const Bytes header = test::sampleHeader().encode();
  std::string damagedSlot(header.begin(), header.end());
  damagedSlot[361] = 49;
  damagedSlot += std::string(64, '\x26');

  struct Case {
    const char* name;
    std::string bytes;
    OpenResult::Status status;
    const char* says;
  } cases[] = {
      {"empty.wlr", "", OpenResult::Status::ShorterThanHeader, "shorter than its 412-byte header"},
      {"short.wlr", std::string(300, '\x05'), OpenResult::Status::ShorterThanHeader, "300 bytes"},
      {"text.wlr", std::string(2000, 'x'), OpenResult::Status::DamagedHeader, "header is damaged"},
      {"slot.wlr", damagedSlot, OpenResult::Status::DamagedHeader, "not a data file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(page.openDataFile(good).opened());
    const OpenResult result = page.openDataFile(dir.rawFile(c.name, c.bytes));
    EXPECT_EQ(result.status, c.status);
    EXPECT_NE(result.message.find(c.says), std::string::npos) << result.message;
    EXPECT_NE(result.message.find(c.name), std::string::npos) << result.message;
    // The page is empty afterwards, and every call on it is safe.
    EXPECT_FALSE(page.isOpen());
    EXPECT_EQ(page.rowCount(), 0);
    EXPECT_EQ(page.cell(0, 0), "");
    EXPECT_FALSE(page.nextPage());
    EXPECT_FALSE(page.showPage(1));
    EXPECT_TRUE(page.readRecords(0, 10).empty());
  }
}

TEST(DataPage, AFileWithAPartialLastRecordShowsOnlyWholeRecords) {
  test::DataDir dir;
  Bytes stream = test::numberedRecords(2, false);
  stream.insert(stream.end(), 14, 0x11);  // 14 bytes of a third record
  DataPage page;
  ASSERT_TRUE(page.openDataFile(dir.dataFile("f.wlr", stream)).opened());
  EXPECT_EQ(page.recordCount(), 2);
  EXPECT_TRUE(page.record(1).has_value());
  EXPECT_FALSE(page.record(2).has_value());
  EXPECT_EQ(page.readRecords(0, 100).size(), 32u);
  EXPECT_EQ(page.readRecords(1, 1).size(), 16u);
}

TEST(LocalFiles, ListsDataFilesBySerialAndMarksTheLastStored) {
  test::DataDir home;
  namespace fs = std::filesystem;
  home.dataFile("bakwlr/QL310-0042/20260314123000_TIDE=A 2026-03-14 12.wlr", {});
  home.dataFile("bakwlr/QL310-0042/20260101080000_OLD.wlr", {});
  home.dataFile("bakwlr/QL310-0007/20260315090000_B.wlr", {});
  home.rawFile("bakwlr/QL310-0007/notes.txt", "x");
  home.rawFile("bakwlr/stray.wlr", "x");                        // not in a serial directory
  fs::create_directories(home.file("bakwlr/QL310-0007/sub.wlr"));  // a directory, not a file

  const auto items = ListLocalFiles(home.path(), "20260314123000");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].text, "QL310-0007/20260315090000_B.wlr");
  EXPECT_EQ(items[1].text, "QL310-0042/20260101080000_OLD.wlr");
  EXPECT_EQ(items[2].text, "QL310-0042/20260314123000_TIDE=A 2026-03-14 12.wlr");
  EXPECT_FALSE(items[0].red);
  EXPECT_FALSE(items[1].red);
  EXPECT_TRUE(items[2].red);

  // Nothing stored yet in this run: nothing is red. No store at all: an empty list.
  for (const auto& item : ListLocalFiles(home.path(), "")) EXPECT_FALSE(item.red);
  EXPECT_TRUE(ListLocalFiles(home.file("elsewhere"), "").empty());

  // An item opens by its text under the home.
  DataPage page;
  EXPECT_TRUE(page.openItem(home.path(), items[0].text).opened());
  EXPECT_EQ(page.recordCount(), 0);
}

}  // namespace
}  // namespace ql
