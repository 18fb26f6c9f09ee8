// The checksum of a downloaded stream, the download record beside the data file, a second fetch
// of a damaged file, and batches of new files behind one speed switch.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "data/download_record.h"
#include "data/new_files.h"
#include "logger_fixture.h"
#include "runtime/formats.h"
#include "runtime/sha256.h"
#include "sim/file_stream.h"

namespace ql {
namespace {

using test::fileOfSize;

const Bytes kSwitchFrame = AppendCrc(reg::writeRequest(reg::kBaudCode, 0xF0F0));
Bytes fileRequest(int number) {
  return AppendCrc(reg::readRequest(reg::kFileData, static_cast<std::uint16_t>(number)));
}

std::optional<std::int64_t> isoSeconds(std::string iso) {
  if (iso.size() != 19) return std::nullopt;
  iso[10] = ' ';
  auto parsed = parseDateTime(iso);
  if (!parsed) return std::nullopt;
  auto t = toTimeT(*parsed);
  return t ? std::optional<std::int64_t>(*t) : std::nullopt;
}

class VerifiedDownloadTest : public test::LoggerFixture {
 protected:
  DownloadJob& job() { return program->download(); }
  bool settle(std::int64_t maxMs = 120000) {
    return loop.advanceUntil(
        [&] {
          return !job().running() && !job().inBatch() && !program->downloadProgress().visible &&
                 !program->rateRestorePending();
        },
        maxMs);
  }
  DownloadRecord recordOf(const test::fs::path& wlr) {
    std::string problem;
    auto record = readDownloadRecord(wlr.string(), problem);
    EXPECT_TRUE(record.has_value()) << problem;
    return record.value_or(DownloadRecord{});
  }
};

struct LineCase {
  const char* name;
  bool corrupt;
  std::vector<std::uint64_t> strayAt;
  bool crcMatch;
};

class LineFaults : public VerifiedDownloadTest, public ::testing::WithParamInterface<LineCase> {};

// Stray bytes are repaired by realignment and the checksum then matches; a flipped value byte is
// not repaired and is told.
TEST_P(LineFaults, TheChecksumIsCheckedOnTheRealignedStream) {
  const LineCase c = GetParam();
  const std::uint32_t size = 16 * 3000 + 2;  // above the switch threshold
  logger.files().put(1, fileOfSize(size));
  VelmoProgram& velmo = start();
  sim::LoggerFaults faults;
  faults.corruptStream = c.corrupt;
  faults.strayAt = c.strayAt;
  logger.setFaults(faults);
  op.answerYesNo(false);  // no second fetch
  op.answerSaveFile("");  // no export

  velmo.startDownload(0);
  ASSERT_TRUE(settle());
  ASSERT_EQ(job().outcome(), DownloadJob::Outcome::Stored);
  const auto files = storedFiles();
  ASSERT_EQ(files.size(), 1u);
  const DownloadRecord record = recordOf(files[0]);
  EXPECT_EQ(record.crcMatch, c.crcMatch);
  EXPECT_EQ(record.strayBytesRemoved, c.strayAt.size());
  EXPECT_EQ(record.announcedSize, size);
  EXPECT_EQ(record.storedSize, size - c.strayAt.size());
  EXPECT_EQ(record.serial, "0210012345");
  EXPECT_EQ(record.slot, 0);
  EXPECT_EQ(record.sha256, fileSha256(files[0].string()));
  // The save time, and the logger's clock read at the same moment (this logger keeps exact time).
  const std::string stamp = velmo.lastSaveStamp();
  EXPECT_EQ(record.pcTime, stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" + stamp.substr(6, 2) + "T" +
                               stamp.substr(8, 2) + ":" + stamp.substr(10, 2) + ":" + stamp.substr(12, 2));
  EXPECT_LE(std::abs(*isoSeconds(record.loggerClock) - *isoSeconds(record.pcTime)), 1);

  const std::string told = velmo.text("QL310", "ql310_getfile_crcbad");
  const auto& memo = velmo.memo().lines();
  const bool memoTells = std::any_of(memo.begin(), memo.end(), [&](const std::string& line) {
    return line.find(told) != std::string::npos;
  });
  EXPECT_EQ(memoTells, !c.crcMatch);
  if (!c.crcMatch) {
    EXPECT_EQ(velmo.instrumentInfo().statusText, told + " " + files[0].string());
    ASSERT_EQ(op.prompts(PromptKind::YesNo).size(), 1u);
    EXPECT_EQ(op.prompts(PromptKind::YesNo)[0].text, velmo.text("QL310", "ql310_getfile_refetch"));
    EXPECT_NE(verifyDataFile(files[0].string()).find("checksum did not match"), std::string::npos);
  } else {
    EXPECT_TRUE(op.prompts(PromptKind::YesNo).empty());
    EXPECT_EQ(verifyDataFile(files[0].string()), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, LineFaults,
                         ::testing::Values(LineCase{"Clean", false, {}, true},
                                           LineCase{"Stray", false, {64, 64, 20000}, true},
                                           LineCase{"Flipped", true, {}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VerifiedDownloadTest, YesToTheSecondFetchFetchesTheDamagedFileAgainOnceTheLineIsBack) {
  logger.files().put(1, fileOfSize(16 * 3000 + 2));
  VelmoProgram& velmo = start();
  sim::LoggerFaults faults;
  faults.corruptStream = true;
  logger.setFaults(faults);
  op.answerYesNo(true);
  port.clearWriteLog();

  velmo.startDownload(0);
  ASSERT_TRUE(loop.advanceUntil([&] { return !op.prompts(PromptKind::YesNo).empty(); }, 60000));
  logger.setFaults({});  // the line is sound the second time
  op.answerSaveFile("");
  ASSERT_TRUE(loop.advanceUntil([&] { return framesSent(fileRequest(1)).size() == 2; }, 10000));
  ASSERT_TRUE(settle());
  EXPECT_GE(framesSent(kSwitchFrame).size(), 2u);  // the second fetch switches again
  EXPECT_EQ(port.baudRate(), 9600u);
  EXPECT_TRUE(job().lastRecord().crcMatch);
  EXPECT_EQ(op.prompts(PromptKind::SaveFile).size(), 1u);  // the export is offered for the sound one
}

TEST_F(VerifiedDownloadTest, NewFilesComeInOneBatchBehindOneSpeedSwitch) {
  logger.files().put(1, fileOfSize(16 * 3000 + 2, "BIG"));
  logger.files().put(2, fileOfSize(16 * 100 + 2, "SMALL"));
  logger.files().put(3, fileOfSize(16 * 2500 + 2, "MID"));
  VelmoProgram& velmo = start();
  ASSERT_EQ(velmo.fileTable().count(), 3);

  // One file is stored already.
  velmo.startDownload(positionOfSlot(1));
  op.answerSaveFile("");
  ASSERT_TRUE(settle());
  ASSERT_EQ(storedFiles().size(), 1u);
  port.clearWriteLog();

  std::vector<std::pair<int, DownloadJob::Outcome>> ends;
  job().onBatchFile = [&](int slot, DownloadJob::Outcome outcome) { ends.emplace_back(slot, outcome); };
  ASSERT_TRUE(velmo.downloadNewFiles());
  ASSERT_TRUE(settle());
  EXPECT_EQ(framesSent(kSwitchFrame).size(), 1u);
  EXPECT_TRUE(framesSent(fileRequest(2)).empty());
  EXPECT_EQ(framesSent(fileRequest(1)).size(), 1u);
  EXPECT_EQ(framesSent(fileRequest(3)).size(), 1u);
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[0].second, DownloadJob::Outcome::Stored);
  EXPECT_EQ(ends[1].second, DownloadJob::Outcome::Stored);
  EXPECT_EQ(job().batchStored(), 2);
  EXPECT_EQ(storedFiles().size(), 3u);
  EXPECT_EQ(port.baudRate(), 9600u);
  EXPECT_EQ(logger.baudRate(), 9600u);
  EXPECT_EQ(op.prompts(PromptKind::SaveFile).size(), 1u);  // only the single download offered one

  // Everything is stored now, and the operator is told so.
  EXPECT_FALSE(velmo.downloadNewFiles());
  ASSERT_EQ(op.prompts(PromptKind::Message).size(), 1u);
  EXPECT_EQ(op.prompts(PromptKind::Message)[0].text, velmo.text("QL310", "ql310_no_new_files"));
}

TEST_F(VerifiedDownloadTest, CancelEndsTheWholeBatch) {
  for (int n = 1; n <= 3; ++n) logger.files().put(n, fileOfSize(16 * 3000 + 2, "F" + std::to_string(n)));
  VelmoProgram& velmo = start();
  ASSERT_TRUE(velmo.downloadNewFiles());
  ASSERT_TRUE(loop.advanceUntil([&] { return job().received() > 5000; }, 60000));
  EXPECT_EQ(velmo.downloadProgress().batchIndex, 1);
  EXPECT_EQ(velmo.downloadProgress().batchCount, 3);
  std::string which = velmo.text("QL310", "ql310_getfile_batch");
  which.replace(which.find("%d"), 2, "1");
  which.replace(which.find("%d"), 2, "3");
  EXPECT_EQ(velmo.downloadProgress().label,
            velmo.text("SYSTEMINFORMATION", "info_geting_file") + "\n" + which);
  op.answerYesNo(true);
  velmo.cancelDownload();
  ASSERT_TRUE(settle());
  EXPECT_EQ(job().outcome(), DownloadJob::Outcome::Cancelled);
  EXPECT_TRUE(storedFiles().empty());
  EXPECT_EQ(port.baudRate(), 9600u);
  EXPECT_EQ(logger.baudRate(), 9600u);
}

TEST_F(VerifiedDownloadTest, AStoredFileWithADamagedRecordCountsAsNotStored) {
  logger.files().put(1, fileOfSize(16 * 100 + 2, "ONE"));
  VelmoProgram& velmo = start();
  op.answerSaveFile("");
  velmo.startDownload(0);
  ASSERT_TRUE(settle());
  ASSERT_EQ(storedFiles().size(), 1u);
  const LocalStore store(home.string());
  EXPECT_EQ(storedEntries(store, "0210012345").size(), 1u);

  DownloadRecord record = recordOf(storedFiles()[0]);
  record.crcMatch = false;
  ASSERT_TRUE(writeDownloadRecord(storedFiles()[0].string(), record));
  EXPECT_TRUE(storedEntries(store, "0210012345").empty());
  EXPECT_EQ(slotsToFetch(velmo.fileTable(), {}, true), std::vector<int>{0});
}

}  // namespace
}  // namespace ql
