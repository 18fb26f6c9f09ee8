// The logger's recorded files as the program sees them: the file table read, the file-data
// reply with its streamed records, deletes, and the faults of a stream.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "link/codecs.h"
#include "link/crc.h"
#include "sim/logger_model.h"
#include "sim/registers.h"
#include "sim/reply_queue.h"

namespace ql::sim {
namespace {

constexpr std::uint32_t kRate = 9600;
constexpr std::size_t kEcho = 8;
constexpr std::size_t kEntry = 50;
constexpr std::size_t kDataAt = 61;  // where the program takes the stream from

Bytes frame(const char* hex) { return AppendCrc(bytesFromHex(hex)); }

Bytes fileRequest(int number) {
  return AppendCrc({0x01, 0x03, 0xE0, 0x0E, 0x00, static_cast<std::uint8_t>(number)});
}

// Everything a reply puts on the line, streams pulled to their end.
Bytes drain(Reply reply) {
  ReplyQueue queue;
  queue.append(std::move(reply));
  Bytes all;
  while (auto piece = queue.next(4096)) all.insert(all.end(), piece->bytes.begin(), piece->bytes.end());
  return all;
}

Bytes request(LoggerModel& model, const Bytes& frame) { return drain(model.receive(frame, kRate)); }

Bytes fileBytes(const RecordedFile& file) { return file.read(0, file.size()); }

// The table read: echo, 01 03 10, 16 entries of 50 bytes, a CRC over the part from 01 03 10.
TEST(FileTable, ListsPresentFilesAndErasedSlotsUnderOneChecksum) {
  LoggerConfig config;
  config.fileCount = 5;
  LoggerModel model(config);
  model.files().erase(2);
  const Bytes read = frame("01 03 E0 0D 00 01");
  Bytes reply = request(model, read);

  ASSERT_EQ(reply.size(), 813u);
  EXPECT_TRUE(startsWith(reply, concat({read, bytesFromHex("01 03 10")})));
  Bytes checked = AppendCrc(Bytes(reply.begin() + kEcho, reply.end()));
  EXPECT_EQ(Bytes(checked.end() - 2, checked.end()), bytesFromHex("00 00"));

  std::set<std::uint64_t> keys;
  for (int slot = 0; slot < 16; ++slot) {
    SCOPED_TRACE(slot);
    const std::uint8_t* e = reply.data() + 11 + slot * kEntry;
    bool present = slot < 5 && slot != 1;
    if (!present) {
      EXPECT_TRUE(std::all_of(e, e + kEntry, [](std::uint8_t b) { return b == 0xFF; }));
      continue;
    }
    auto file = model.files().file(slot + 1);
    EXPECT_EQ(e[0], slot + 1);  // below 17: a present file
    std::string name(e + 1, e + 17);
    EXPECT_EQ(name.size(), 16u);
    EXPECT_EQ(name.find_first_not_of('=', name.find('=')), std::string::npos) << name;
    EXPECT_EQ(BeU32(e + 33), file->size());
    EXPECT_EQ(BeU32(e + 29), file->intervalMs());
    // Start, end and creation stamps: plain binary, valid dates, sortable (seconds below 0x80).
    for (int at : {17, 23, 43}) {
      EXPECT_TRUE(e[at] >= 17 && e[at] <= 49 && e[at + 1] >= 1 && e[at + 1] <= 12 && e[at + 2] >= 1 &&
                  e[at + 2] <= 31 && e[at + 3] <= 23 && e[at + 4] <= 59 && e[at + 5] <= 59)
          << hexText(e + at, 6);
    }
    EXPECT_LE(BeU48(e + 17), BeU48(e + 23));  // a task ends after it starts
    EXPECT_LT(BeU48(e + 43), BeU48(e + 17));  // and was set up before
    keys.insert(BeU48(e + 17));
  }
  EXPECT_EQ(keys.size(), 4u);  // distinct start stamps: the newest-first order is well defined
}

TEST(FileTable, EmptyTableInEitherForm) {
  const Bytes read = frame("01 03 E0 0D 00 01");
  LoggerModel shortForm;
  shortForm.files().eraseAll();
  EXPECT_EQ(request(shortForm, read), concat({read, bytesFromHex("01 03 00 20 F0")}));

  LoggerConfig config;
  config.fileCount = 0;
  config.emptyTableShortForm = false;
  LoggerModel fullForm(config);
  Bytes reply = request(fullForm, read);
  ASSERT_EQ(reply.size(), 813u);
  EXPECT_TRUE(std::all_of(reply.begin() + 11, reply.end() - 2, [](std::uint8_t b) { return b == 0xFF; }));
  EXPECT_TRUE(crcIsValid(Bytes(reply.begin() + kEcho, reply.end())));
}

// The program joins a table reply of two pieces and drops one of three: both must be producible.
TEST(FileTable, ReplySplitsIntoTwoOrThreePieces) {
  struct Case {
    int splitAt;
    std::vector<int> alsoAt;
    std::vector<std::size_t> sizes;
  };
  const std::vector<Case> cases = {{300, {}, {300, 513}}, {300, {600}, {300, 300, 213}}};
  for (const Case& c : cases) {
    LoggerModel model;
    Bytes whole = request(model, frame("01 03 E0 0D 00 01"));
    LoggerFaults faults;
    faults.splitAt = c.splitAt;
    faults.splitAlsoAt = c.alsoAt;
    model.setFaults(faults);
    Reply reply = model.receive(frame("01 03 E0 0D 00 01"), kRate);
    ASSERT_EQ(reply.size(), c.sizes.size());
    for (std::size_t i = 0; i < reply.size(); ++i) {
      EXPECT_EQ(reply[i].bytes.size(), c.sizes[i]);
      EXPECT_EQ(reply[i].pauseBeforeMs, i == 0 ? 0 : faults.splitPauseMs);
    }
    EXPECT_EQ(drain(reply), whole);
  }
}

// The file-data reply: echo, 01 03, one byte, the entry at 11..60 (size at 44..47), the stream
// from 61 on; the stream's last two bytes are the reply's CRC.
TEST(FileData, HeadCarriesTheEntryAndTheStreamEqualsTheFile) {
  struct Case {
    RecordKind kind;
    std::uint32_t size;
  };
  const std::vector<Case> cases = {
      {RecordKind::Tide, 2},  // no records: the checksum only
      {RecordKind::Dive, 16 * 5 + 2},
      {RecordKind::TemperatureDrift, 30720},  // the largest file the program fetches at 9600
      {RecordKind::Tide, 30721},              // the smallest it switches the speed for
      {RecordKind::Dive, 16 * 300 + 9},       // a record cut short
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    LoggerConfig config;
    config.fileCount = 0;
    LoggerModel model(config);
    int number = model.files().add({c.kind, c.size, "", {}, 0});
    ASSERT_EQ(number, 1);
    const RecordedFile& file = *model.files().file(number);
    Bytes table = request(model, frame("01 03 E0 0D 00 01"));

    Bytes reply = request(model, fileRequest(number));
    ASSERT_EQ(reply.size(), kDataAt + c.size);
    EXPECT_TRUE(startsWith(reply, concat({fileRequest(number), bytesFromHex("01 03")})));
    EXPECT_TRUE(std::equal(reply.begin() + 11, reply.begin() + 61, table.begin() + 11));
    EXPECT_EQ(BeU32(reply.data() + 44), c.size);
    EXPECT_EQ(Bytes(reply.begin() + kDataAt, reply.end()), fileBytes(file));
    EXPECT_TRUE(crcIsValid(Bytes(reply.begin() + kEcho, reply.end())));
  }
}

TEST(FileData, ErasedOrUnknownFileIsNotAnswered) {
  LoggerModel model;  // files 1..3
  for (int number : {0, 4, 16, 17, 255})
    EXPECT_TRUE(model.receive(fileRequest(number), kRate).empty()) << number;
  EXPECT_FALSE(model.receive(fileRequest(3), kRate).empty());
}

// A decoder written from the record layout alone: BCD stamp, three 24-bit values in 1/10000
// (temperature negative above 0x400000), battery volts = (byte + 300) / 100.
struct Decoded {
  int year, month, day, hour, minute, second;
  double temperature, pressure, conductivity;
  int battery;
};

int fromBcd(std::uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }
std::uint32_t u24(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}

Decoded decode(const std::uint8_t* r) {
  std::int64_t t = u24(r + 6);
  if (t > 0x400000) t -= 0x1000000;
  return {2000 + fromBcd(r[0]), fromBcd(r[1]), fromBcd(r[2]),        fromBcd(r[3]),         fromBcd(r[4]),
          fromBcd(r[5]),        t / 10000.0,   u24(r + 9) / 10000.0, u24(r + 12) / 10000.0, r[15]};
}

TEST(SampleRecord, EncodedValuesDecodeBack) {
  struct Case {
    Sample sample;
    double temperature, pressure, conductivity;  // what a reader gets
  };
  const std::vector<Case> cases = {
      {{12.3456, 150.1234, 42.5, 65}, 12.3456, 150.1234, 42.5},
      {{-0.0001, 0.0, 0.0, 0}, -0.0001, 0.0, 0.0},
      {{-2.5, 100.0, 28.0, 1}, -2.5, 100.0, 28.0},
      {{419.4304, 1677.7215, 1677.7215, 255}, 419.4304, 1677.7215, 1677.7215},
      // Beyond 24 bits: held at the limits, never wrapped into the other sign.
      {{500.0, 2000.0, -3.0, 60}, 419.4304, 1677.7215, 0.0},
      {{-2000.0, 120.0, 30.0, 60}, -1258.2911, 120.0, 30.0},
  };
  LoggerTime time = loggerTime(2031, 12, 9, 23, 58, 7);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.temperature);
    auto r = encodeRecord(time, c.sample);
    Decoded d = decode(r.data());
    EXPECT_EQ(std::vector<int>({d.year, d.month, d.day, d.hour, d.minute, d.second}),
              std::vector<int>({2031, 12, 9, 23, 58, 7}));
    EXPECT_NEAR(d.temperature, c.temperature, 1e-9);
    EXPECT_NEAR(d.pressure, c.pressure, 1e-9);
    EXPECT_NEAR(d.conductivity, c.conductivity, 1e-9);
    EXPECT_EQ(d.battery, c.sample.batteryByte);
  }
}

// The generated recordings, decoded as the program would: stamps a record interval apart, and
// readings that tell the story of their kind.
TEST(SampleRecord, GeneratedFilesArePlausible) {
  auto decodeAll = [](const RecordedFile& file) {
    Bytes bytes = fileBytes(file);
    std::vector<Decoded> records;
    for (std::size_t at = 0; at + 16 <= bytes.size() - 2; at += 16) records.push_back(decode(&bytes[at]));
    return records;
  };
  auto depth = [](const Decoded& d) { return (d.pressure - 100.0) / 1.025 / 9.8; };

  LoggerTime start = loggerTime(2026, 2, 27, 23, 0, 0);
  // Two days of tide at one record per 10 minutes.
  RecordedFile tide(1, {RecordKind::Tide, 16 * 288 + 2, "", start, 600000});
  std::vector<Decoded> t = decodeAll(tide);
  ASSERT_EQ(t.size(), 288u);
  EXPECT_EQ(std::vector<int>({t[6].year, t[6].month, t[6].day, t[6].hour, t[6].minute}),
            std::vector<int>({2026, 2, 28, 0, 0}));
  EXPECT_EQ(std::vector<int>({t[150].month, t[150].day, t[150].hour}), std::vector<int>({3, 1, 0}));
  double low = 100, high = 0;
  int highWaters = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    low = std::min(low, depth(t[i]));
    high = std::max(high, depth(t[i]));
    // A high water: the highest level within an hour and a half either side.
    bool highest = depth(t[i]) > 7.5;
    for (std::size_t j = i > 9 ? i - 9 : 0; j < std::min(t.size(), i + 10); ++j) {
      if (depth(t[j]) > depth(t[i])) highest = false;
    }
    highWaters += highest ? 1 : 0;
    EXPECT_GE(t[i].conductivity, 40.0);
    EXPECT_GE(t[i].battery, 1);
    if (i > 0) {
      EXPECT_LE(t[i].battery, t[i - 1].battery);
    }
  }
  EXPECT_NEAR(high - low, 3.6, 0.2);  // a 1.8 m amplitude
  EXPECT_EQ(highWaters, 4);           // a 12.42 h tide: four high waters in 48 hours
  EXPECT_LT(t.back().battery, t.front().battery);

  // A dive goes down to about 32 m and comes back; it is colder at the bottom.
  RecordedFile dive(2, {RecordKind::Dive, 16 * 3600 + 2, "", start, 1000});
  std::vector<Decoded> d = decodeAll(dive);
  auto deepest = std::max_element(d.begin(), d.end(), [&](auto& a, auto& b) { return depth(a) < depth(b); });
  EXPECT_NEAR(depth(*deepest), 33, 1.5);
  EXPECT_LT(depth(d.front()), 0.5);
  EXPECT_LT(depth(d.back()), 0.5);
  EXPECT_LT(deepest->temperature, d.front().temperature - 10);

  // Drifting temperature crosses below zero: the negative encoding in real data.
  RecordedFile drift(3, {RecordKind::TemperatureDrift, 16 * 1000 + 2, "", start, 0});
  std::vector<Decoded> c = decodeAll(drift);
  EXPECT_GT(c.front().temperature, 2.0);
  EXPECT_LT(c.back().temperature, -1.0);
}

TEST(FileStore, StandardFilesVaryAndExactSizesAreKept) {
  LoggerConfig config;
  config.fileCount = 16;
  LoggerModel model(config);
  std::set<int> kinds;
  std::set<std::uint32_t> sizes;
  for (int number = 1; number <= 16; ++number) {
    auto file = model.files().file(number);
    ASSERT_TRUE(file);
    kinds.insert(static_cast<int>(file->plan().kind));
    sizes.insert(file->size());
    EXPECT_EQ(file->size() % 16, 2u);
  }
  EXPECT_EQ(kinds.size(), 3u);
  EXPECT_GE(sizes.size(), 8u);
  EXPECT_LE(*sizes.begin(), 16u * 5 + 2);
  EXPECT_GT(*sizes.rbegin(), 30721u);
  EXPECT_EQ(model.files().add({}), 0);  // all 16 slots taken

  // A 32 MiB file costs nothing until read; a piece from its middle is ready at once.
  model.files().put(16, {RecordKind::Tide, 32u << 20, "BIG", {}, 0});
  auto big = model.files().file(16);
  EXPECT_EQ(big->recordCount(), ((32u << 20) - 2 + 15) / 16);
  Bytes middle = big->read(16u << 20, 32);
  ASSERT_EQ(middle.size(), 32u);
  auto record = big->record(1u << 20);
  EXPECT_EQ(Bytes(middle.begin(), middle.begin() + 16), Bytes(record.begin(), record.end()));
}

class FileDeletion : public ::testing::Test {
 protected:
  FileDeletion() : model(config(), {}) {}
  static LoggerConfig config() {
    LoggerConfig c;
    c.fileCount = 4;
    c.eraseAllMs = 60000;
    return c;
  }
  LoggerModel model;
  std::int64_t nowMs = 0;
};

TEST_F(FileDeletion, DeleteOneErasesThatSlotAndFreesItsBytes) {
  model.setMillisecondClock([this] { return nowMs; });
  std::uint32_t used = model.registers().getU32(reg::kFlashUsed);
  std::uint32_t size = model.files().file(3)->size();
  const Bytes remove = frame("01 10 E0 0D 00 01 02 00 03");
  EXPECT_EQ(request(model, remove), concat({remove, frame("01 10 E0 0D 00 01")}));
  // The program sends the delete three times: the repeats are acknowledged and change nothing.
  EXPECT_EQ(request(model, remove), concat({remove, frame("01 10 E0 0D 00 01")}));
  EXPECT_FALSE(model.files().file(3));
  EXPECT_EQ(model.files().presentCount(), 3);
  EXPECT_EQ(model.registers().getU32(reg::kFlashUsed), used - size);

  Bytes table = request(model, frame("01 03 E0 0D 00 01"));
  ASSERT_EQ(table.size(), 813u);
  EXPECT_EQ(table[11 + 2 * kEntry], 0xFF);
  EXPECT_EQ(table[11 + 3 * kEntry], 4);
  EXPECT_TRUE(model.receive(fileRequest(3), kRate).empty());

  // Values that are neither a file number nor the erase-all value are refused.
  for (const char* bad :
       {"01 10 E0 0D 00 01 02 00 00", "01 10 E0 0D 00 01 02 00 11", "01 10 E0 0D 00 01 02 F1 F1"}) {
    EXPECT_TRUE(model.receive(frame(bad), kRate).empty()) << bad;
  }
  EXPECT_EQ(model.files().presentCount(), 3);
}

// Erasing everything: acknowledged, then no answer at all until the erase is done.
TEST_F(FileDeletion, EraseAllKeepsTheLoggerSilentForItsDuration) {
  model.setMillisecondClock([this] { return nowMs; });
  const Bytes eraseAll = frame("01 10 E0 0D 00 01 02 F0 F0");
  const Bytes flashUsed = frame("01 03 E0 03 00 02");
  EXPECT_EQ(request(model, eraseAll), concat({eraseAll, frame("01 10 E0 0D 00 01")}));
  for (std::int64_t at : {200, 400, 30000, 59999}) {
    nowMs = at;
    EXPECT_TRUE(model.receive(eraseAll, kRate).empty()) << at;
    EXPECT_TRUE(model.receive(flashUsed, kRate).empty()) << at;
  }
  nowMs = 60000;
  Bytes used = request(model, flashUsed);
  ASSERT_EQ(used.size(), 17u);
  EXPECT_EQ(BeU32(used.data() + 11), 0u);
  EXPECT_EQ(request(model, frame("01 03 E0 0D 00 01")),
            concat({frame("01 03 E0 0D 00 01"), bytesFromHex("01 03 00 20 F0")}));
}

// Stray bytes go in before the asked offsets of the file's stream; they are never valid BCD.
TEST(StreamFaults, StrayBytesAppearWhereAsked) {
  LoggerModel model;
  auto file = model.files().file(1);
  Bytes original = fileBytes(*file);
  LoggerFaults faults;
  faults.strayAt = {100, 64, 64};
  model.setFaults(faults);
  Bytes reply = request(model, fileRequest(1));
  Bytes stream(reply.begin() + kDataAt, reply.end());
  ASSERT_EQ(stream.size(), original.size() + 3);
  EXPECT_TRUE(std::equal(original.begin(), original.begin() + 64, stream.begin()));
  EXPECT_TRUE(isStrayByte(stream[64]) && isStrayByte(stream[65]));
  EXPECT_TRUE(std::equal(original.begin() + 64, original.begin() + 100, stream.begin() + 66));
  EXPECT_TRUE(isStrayByte(stream[102]));
  EXPECT_TRUE(std::equal(original.begin() + 100, original.end(), stream.begin() + 103));
  // The head is untouched: the size field still gives the file's own size.
  EXPECT_EQ(BeU32(reply.data() + 44), file->size());

  // Random ones: the file's bytes with exactly N more, none in the first record.
  faults = {};
  faults.strayBytes = 7;
  model.setFaults(faults);
  stream = request(model, fileRequest(1));
  stream.erase(stream.begin(), stream.begin() + kDataAt);
  ASSERT_EQ(stream.size(), original.size() + 7);
  EXPECT_TRUE(std::equal(original.begin(), original.begin() + 16, stream.begin()));
  std::size_t at = 0, extra = 0;
  for (std::uint8_t b : stream) {
    if (at < original.size() && b == original[at]) {
      ++at;
    } else {
      EXPECT_TRUE(isStrayByte(b));
      ++extra;
    }
  }
  EXPECT_EQ(at, original.size());
  EXPECT_EQ(extra, 7u);
}

TEST(StreamFaults, StreamStopsAfterKBytesAndTheLoggerStillAnswers) {
  LoggerModel model;
  LoggerFaults faults;
  faults.streamStopsAfter = 100;
  faults.strayAt = {50};
  model.setFaults(faults);
  Bytes reply = request(model, fileRequest(1));
  EXPECT_EQ(reply.size(), kDataAt + 100);
  EXPECT_FALSE(model.vanished());
  EXPECT_EQ(request(model, frame("01 03 20 01 00 01")).size(), 15u);
}

}  // namespace
}  // namespace ql::sim
