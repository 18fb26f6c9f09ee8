// The logger's file table: reassembly, checksum, order newest first, and which slot each shown
// item stands for.

#include <gtest/gtest.h>

#include "data/file_table.h"
#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"

namespace ql {
namespace {

struct EntrySpec {
  std::uint8_t status = 1;
  std::string name = "TIDE==========";
  std::array<std::uint8_t, 6> start{26, 3, 1, 12, 0, 0};
  std::uint32_t intervalMs = 1000;
  std::uint16_t averageCount = 1;
  std::uint8_t mode = 0;
};

std::array<std::uint8_t, 50> entryBytes(const EntrySpec& e) {
  std::array<std::uint8_t, 50> b{};
  b[0] = e.status;
  for (std::size_t i = 0; i < 16; ++i) b[1 + i] = i < e.name.size() ? e.name[i] : '=';
  std::copy(e.start.begin(), e.start.end(), b.begin() + 17);
  std::copy(e.start.begin(), e.start.end(), b.begin() + 23);
  Bytes tail;
  putBeU32(tail, e.intervalMs);
  putBeU32(tail, 4096);
  putBeU32(tail, 60000);
  putBeU16(tail, e.averageCount);
  std::copy(tail.begin(), tail.end(), b.begin() + 29);
  std::copy(e.start.begin(), e.start.end(), b.begin() + 43);
  b[49] = e.mode;
  return b;
}

// The 813-byte reply: echo, 01 03 10, sixteen entries (erased past the given ones), CRC.
Bytes tableReply(const std::vector<EntrySpec>& entries) {
  Bytes response{0x01, 0x03, 0x10};
  for (std::size_t i = 0; i < 16; ++i) {
    if (i < entries.size()) {
      auto e = entryBytes(entries[i]);
      response.insert(response.end(), e.begin(), e.end());
    } else {
      response.insert(response.end(), 50, 0xFF);
    }
  }
  return concat({AppendCrc(reg::readRequest(reg::kFileTable, 1)), AppendCrc(response)});
}

EntrySpec at(std::string name, std::uint8_t day, std::uint8_t status = 1) {
  EntrySpec e;
  e.name = std::move(name);
  e.start = {26, 3, day, 12, 0, 0};
  e.status = status;
  return e;
}

class FileTableTest : public ::testing::Test {
 protected:
  FileTable::Outcome parse(const Bytes& block) { return table.parse(block, state); }
  LinkState state;
  FileTable table;
};

TEST_F(FileTableTest, ListsPresentFilesNewestFirstWithTheirSlots) {
  auto reply = tableReply({at("OLD", 1), at("NEWEST", 9), at("MIDDLE", 5)});
  EXPECT_EQ(parse(reply), FileTable::Outcome::Accepted);
  EXPECT_EQ(table.items(), (std::vector<std::string>{"NEWEST", "MIDDLE", "OLD"}));
  EXPECT_EQ(table.itemSlots(), (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(table.slotImage(1)[0], 50);
  EXPECT_EQ(table.sortedSlotsText().substr(0, 9), "1  2  0  ");
}

TEST_F(FileTableTest, ShownItemsMapToTheirOwnSlotWhenAnUnlistedEntrySortsAhead) {
  // Slot 0 is the newest but not a present file (status 17): the first shown item is slot 1.
  EXPECT_EQ(parse(tableReply({at("HIDDEN", 9, 17), at("SECOND", 5), at("THIRD", 1)})), FileTable::Outcome::Accepted);
  EXPECT_EQ(table.items(), (std::vector<std::string>{"SECOND", "THIRD"}));
  EXPECT_EQ(table.slotOfItem(0), 1);
  EXPECT_EQ(table.slotOfItem(1), 2);
  EXPECT_EQ(table.slotOfItem(2), std::nullopt);
}

TEST_F(FileTableTest, EqualStampsKeepTableOrderAndBlankNamesShowTheirPosition) {
  EXPECT_EQ(parse(tableReply({at("A", 3), at("================", 3), at("C", 3)})), FileTable::Outcome::Accepted);
  EXPECT_EQ(table.items(), (std::vector<std::string>{"A", "2", "C"}));
  EXPECT_EQ(table.count(), 3);
}

TEST_F(FileTableTest, AReplySplitInTwoIsJoinedAndInThreeIsDropped) {
  auto reply = tableReply({at("ONE", 1), at("TWO", 2)});
  EXPECT_EQ(parse(Bytes(reply.begin(), reply.begin() + 300)), FileTable::Outcome::Incomplete);
  EXPECT_TRUE(state.FileListContinues);
  EXPECT_EQ(parse(Bytes(reply.begin() + 300, reply.end())), FileTable::Outcome::Accepted);
  EXPECT_FALSE(state.FileListContinues);
  EXPECT_EQ(table.count(), 2);

  FileTable fresh;
  LinkState s;
  EXPECT_EQ(fresh.parse(Bytes(reply.begin(), reply.begin() + 300), s), FileTable::Outcome::Incomplete);
  EXPECT_EQ(fresh.parse(Bytes(reply.begin() + 300, reply.begin() + 600), s), FileTable::Outcome::Ignored);
  EXPECT_FALSE(FileTable::taken(fresh.parse(Bytes(reply.begin() + 600, reply.end()), s)));
  EXPECT_EQ(fresh.count(), 0);
}

TEST_F(FileTableTest, BadChecksumAndEmptyTable) {
  auto reply = tableReply({at("ONE", 1)});
  reply[100] ^= 0x01;
  std::vector<std::string> trace;
  EXPECT_EQ(table.parse(reply, state, [&](const std::string& l) { trace.push_back(l); }),
            FileTable::Outcome::BadChecksum);
  EXPECT_EQ(table.count(), 0);
  ASSERT_EQ(trace.size(), 2u);
  EXPECT_EQ(trace[1], "校验码出错，重新获取.");

  Bytes empty = concat({AppendCrc(reg::readRequest(reg::kFileTable, 1)), bytesFromHex("01 03 00 20 F0")});
  EXPECT_EQ(parse(empty), FileTable::Outcome::Empty);
  EXPECT_EQ(table.count(), 0);
}

TEST_F(FileTableTest, SixteenFilesAllShown) {
  std::vector<EntrySpec> entries;
  for (int i = 0; i < 16; ++i) entries.push_back(at("F" + std::to_string(i), static_cast<std::uint8_t>(i + 1)));
  EXPECT_EQ(parse(tableReply(entries)), FileTable::Outcome::Accepted);
  EXPECT_EQ(table.count(), 16);
  EXPECT_EQ(table.items().front(), "F15");
}

TEST_F(FileTableTest, DetailsNameTheWorkMode) {
  auto texts = [](const std::string& s, const std::string& k) { return k; };
  EntrySpec fast = at("FAST", 2);
  fast.intervalMs = 1000;
  EntrySpec fixed = at("FIXED", 1);
  fixed.intervalMs = 1001;
  EntrySpec average = at("AVG", 3);
  average.intervalMs = 60000;
  average.averageCount = 8;
  EntrySpec profile = at("PROF", 4);
  profile.mode = 4;
  parse(tableReply({fixed, fast, average, profile}));
  ASSERT_EQ(table.items(), (std::vector<std::string>{"PROF", "AVG", "FAST", "FIXED"}));

  auto modeLines = [&](int position) {
    auto lines = table.details(position, texts, false);
    return std::vector<std::string>(lines.begin() + 10, lines.end());
  };
  EXPECT_EQ(modeLines(2), (std::vector<std::string>{"ql310_task_workmode  item_items1", "",
                                                    "ql310_rec_interval  1000  ms", "", "ql310_file_size  4096 bytes"}));
  EXPECT_EQ(modeLines(3), (std::vector<std::string>{"ql310_task_workmode  item_items2", "",
                                                    "ql310_rec_interval  1 S", "", "ql310_file_size  4096 bytes"}));
  EXPECT_EQ(modeLines(1)[0], "ql310_task_workmode  item_items3");
  EXPECT_EQ(modeLines(1)[4], "ql310_aver_number  8");
  EXPECT_EQ(modeLines(0)[0], "ql310_task_workmode  item_items4");

  auto lines = table.details(2, texts, true);
  EXPECT_EQ(lines[1], "      FAST");
  EXPECT_EQ(lines[4], "ql310_file_starttime 2026-03-02 12:00:00");
  EXPECT_EQ(lines.back(), "文件编号: 1");
}

}  // namespace
}  // namespace ql
