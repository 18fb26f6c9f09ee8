// Record realignment of downloaded streams: stray and lost bytes are cut out around the records.

#include "data/realign.h"

#include <gtest/gtest.h>

#include <random>

#include "link/bytes.h"

namespace ql {
namespace {

std::uint8_t bcd(int value) { return static_cast<std::uint8_t>(value / 10 * 16 + value % 10); }

// Record i: the stamp 2026-01-05 hh:mm:ss counting seconds, then ten data bytes that never read
// as a stamp.
Bytes record(int i) {
  Bytes r{bcd(26), bcd(1), bcd(5), bcd(i / 3600 % 24), bcd(i / 60 % 60), bcd(i % 60)};
  for (int b = 0; b < 10; ++b) r.push_back(static_cast<std::uint8_t>(0x9A + (i + b) % 5));
  return r;
}

// n records and the 2 checksum bytes that end a file's stream.
Bytes stream(int n) {
  Bytes s;
  for (int i = 0; i < n; ++i) {
    Bytes r = record(i);
    s.insert(s.end(), r.begin(), r.end());
  }
  s.insert(s.end(), {0x5C, 0xE1});
  return s;
}

Bytes realigned(Bytes s) {
  s.resize(realignRecords(s.data(), s.size()));
  return s;
}

TEST(Realign, PlausibleStampBounds) {
  struct Case {
    Bytes stamp;
    bool plausible;
  };
  const Case cases[] = {
      {{0x17, 0x01, 0x01, 0x00, 0x00, 0x00}, true},  {{0x49, 0x12, 0x31, 0x23, 0x59, 0x59}, true},
      {{0x16, 0x01, 0x01, 0x00, 0x00, 0x00}, false}, {{0x50, 0x01, 0x01, 0x00, 0x00, 0x00}, false},
      {{0x26, 0x00, 0x01, 0x00, 0x00, 0x00}, false}, {{0x26, 0x13, 0x01, 0x00, 0x00, 0x00}, false},
      {{0x26, 0x01, 0x00, 0x00, 0x00, 0x00}, false}, {{0x26, 0x01, 0x32, 0x00, 0x00, 0x00}, false},
      {{0x26, 0x01, 0x01, 0x24, 0x00, 0x00}, false}, {{0x26, 0x01, 0x01, 0x00, 0x60, 0x00}, false},
      {{0x26, 0x01, 0x01, 0x00, 0x00, 0x60}, false}, {{0xA6, 0x01, 0x01, 0x00, 0x00, 0x00}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(isPlausibleStamp(c.stamp.data()), c.plausible) << hexText(c.stamp);
}

TEST(Realign, WholeStreamsAndShortOnesStayAsTheyAre) {
  for (int n : {0, 1, 2, 3, 100}) EXPECT_EQ(realigned(stream(n)), stream(n)) << n << " records";
  // Under two records nothing is looked at, not even garbage.
  Bytes garbage(31, 0xFF);
  EXPECT_EQ(realigned(garbage), garbage);
}

TEST(Realign, ThreeStrayBytesBeforeTheFifthRecordAreCutOut) {
  Bytes s = stream(20);
  s.insert(s.begin() + 4 * 16, {0xA1, 0xB7, 0xFC});
  Bytes out = realigned(s);
  EXPECT_EQ(out.size(), s.size() - 3);
  EXPECT_EQ(out, stream(20));
}

TEST(Realign, RecordsAfterLostBytesFallBackOnTheirBoundaries) {
  // Record 3 lost its last five bytes: it absorbs the start of record 4, which is lost, and
  // record 5 onwards sits on its boundary again.
  Bytes s = stream(10);
  s.erase(s.begin() + 3 * 16 + 11, s.begin() + 4 * 16);
  Bytes out = realigned(s);
  ASSERT_EQ(out.size(), s.size() - 11);
  Bytes expected = stream(10);
  expected.erase(expected.begin() + 4 * 16, expected.begin() + 5 * 16);
  expected.erase(expected.begin() + 3 * 16 + 11, expected.begin() + 3 * 16 + 16);
  expected.insert(expected.begin() + 3 * 16 + 11, s.begin() + 3 * 16 + 11, s.begin() + 4 * 16);
  EXPECT_EQ(out, expected);
}

TEST(Realign, AnUnfinishedEndIsKept) {
  // A download that stopped inside garbage: nothing to realign against, nothing is dropped.
  Bytes s = stream(8);
  s.resize(s.size() - 2);
  Bytes tail(50, 0xEE);
  s.insert(s.end(), tail.begin(), tail.end());
  EXPECT_EQ(realigned(s), s);
}

TEST(Realign, ScatteredStrayBytesLeaveEveryRecordOnItsBoundary) {
  const int records = 5000;
  Bytes clean = stream(records);
  Bytes s = clean;
  // Stray bytes between records and among the data bytes; one inside a stamp would hide it.
  std::mt19937 random(7);
  std::vector<std::size_t> at;
  for (int i = 0; i < 300; ++i) {
    std::size_t within = random() % 11;
    at.push_back(16 * (1 + random() % (records - 2)) + (within == 0 ? 0 : 5 + within));
  }
  std::sort(at.rbegin(), at.rend());
  for (std::size_t offset : at) s.insert(s.begin() + static_cast<std::ptrdiff_t>(offset), 0xA5);

  Bytes out = realigned(s);
  EXPECT_EQ(out.size(), clean.size());
  // A stray byte among a record's data stays there, but every record starts where it should.
  for (int i = 0; i < records - 1; ++i) {
    Bytes expected = record(i);
    ASSERT_TRUE(std::equal(expected.begin(), expected.begin() + 6, out.begin() + i * 16)) << "record " << i;
  }
}

}  // namespace
}  // namespace ql
