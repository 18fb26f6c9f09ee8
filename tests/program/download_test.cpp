// Fetching recorded files from the simulated logger into local data files, on the virtual clock:
// the speed switch and the rate restore, split and complete first blocks, the stall and the
// vanished logger, cancel, repeated requests, stray bytes and the 32 MiB bound.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "data/data_file.h"
#include "link/codecs.h"
#include "logger_fixture.h"

namespace ql {
namespace {

using test::fileOfSize;

const Bytes kSwitchFrame = AppendCrc(reg::writeRequest(reg::kBaudCode, 0xF0F0));
const Bytes kRestoreTo9600 = AppendCrc(reg::writeRequest(reg::kBaudCode, 0x0004));
Bytes fileRequest(int number) {
  return AppendCrc(reg::readRequest(reg::kFileData, static_cast<std::uint16_t>(number)));
}

class DownloadTest : public test::LoggerFixture {
 protected:
  DownloadJob& job() { return program->download(); }
  const DownloadProgress& dialog() { return program->downloadProgress(); }

  // The job has ended, its dialog is closed and the line rate is back.
  bool settle(std::int64_t maxMs = 60000) {
    return loop.advanceUntil(
        [&] { return !job().running() && !dialog().visible && !program->rateRestorePending(); }, maxMs);
  }

  // Exactly one data file, holding the header of this logger and file, then streamLength bytes.
  Bytes storedStream(int number, std::size_t streamLength) {
    std::vector<test::fs::path> files = storedFiles();
    EXPECT_EQ(files.size(), 1u);
    if (files.size() != 1) return {};
    EXPECT_EQ(files[0].parent_path().filename(), "0210012345");
    Bytes bytes = readFile(files[0]);
    EXPECT_EQ(bytes.size(), DataFileHeader::kSize + streamLength);
    auto header = DataFileHeader::decode(bytes.data(), bytes.size());
    EXPECT_TRUE(header.has_value());
    if (!header) return {};
    EXPECT_EQ(header->serialNumber(), "0210012345");
    EXPECT_EQ(header->firmwareVersion(), "1.3.1.5");
    auto entry = logger.files().file(number)->entry();
    EXPECT_TRUE(std::equal(entry.begin(), entry.end(), header->entry().bytes.begin()));
    return Bytes(bytes.begin() + DataFileHeader::kSize, bytes.end());
  }

  // Notes the clock each time a data block moved the transfer on.
  void watchTransfer() {
    program->downloadProgress().subscribe([this] {
      if (job().received() != lastReceived_) {
        lastReceived_ = job().received();
        lastDataMs = loop.nowMs();
      }
      everDownloading = everDownloading || program->linkState().Downloading;
      if (dialog().visible && rateWhenShown == 0) rateWhenShown = port.baudRate();
    });
  }

  std::int64_t lastDataMs = -1;
  bool everDownloading = false;
  std::uint32_t rateWhenShown = 0;

 private:
  std::int64_t lastReceived_ = -1;
};

struct SwitchCase {
  std::uint32_t size;
  bool switches;
};

class SpeedSwitchThreshold : public DownloadTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SpeedSwitchThreshold, LargerFilesSwitchToTheHighRateAndTheRateIsRestoredAfterwards) {
  const SwitchCase c = GetParam();
  logger.files().put(1, fileOfSize(c.size));
  VelmoProgram& velmo = start();
  watchTransfer();
  port.clearWriteLog();

  op.answerSaveFile("");  // no export

  velmo.startDownload(0);
  ASSERT_TRUE(settle());
  EXPECT_EQ(job().outcome(), DownloadJob::Outcome::Stored);
  EXPECT_EQ(storedStream(1, c.size), loggerStream(1, c.size));
  EXPECT_EQ(velmo.instrumentInfo().statusText,
            text("QL310", "ql310_getfileover") + ": " + std::to_string(c.size - 2) + " bytes.");

  EXPECT_EQ(!framesSent(kSwitchFrame).empty(), c.switches);
  EXPECT_EQ(rateWhenShown, c.switches ? 115200u : 9600u);
  EXPECT_EQ(framesSent(fileRequest(1)).size(), 1u);
  // Whenever the dialog closed, the configured rate is written twice and both sides are back on it.
  EXPECT_EQ(framesSent(kRestoreTo9600).size(), 2u);
  EXPECT_EQ(port.baudRate(), 9600u);
  EXPECT_EQ(logger.baudRate(), 9600u);
  EXPECT_TRUE(op.unexpected().empty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, SpeedSwitchThreshold,
                         ::testing::Values(SwitchCase{30720, false}, SwitchCase{30721, true}));

TEST_F(DownloadTest, TheExportOfferedAfterStoringAsksBeforeReplacingAFile) {
  logger.files().put(1, fileOfSize(16 * 40 + 2, "TIDE:A"));
  VelmoProgram& velmo = start();
  const test::fs::path existing = home / "old.csv";
  const test::fs::path chosen = home / "new";
  std::ofstream(existing) << "keep me";
  op.answerSaveFile(existing.string());
  op.answerYesNo(false);  // do not replace it
  op.answerSaveFile(chosen.string());

  velmo.startDownload(0);
  ASSERT_TRUE(settle());
  ASSERT_EQ(storedFiles().size(), 1u);
  // Named by the save time and the item without ':'.
  EXPECT_EQ(storedFiles()[0].filename(), velmo.lastSaveStamp() + "_TIDEA.wlr");
  std::vector<Prompt> dialogs = op.prompts(PromptKind::SaveFile);
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].text, (home / "V_recoder" / (velmo.lastSaveStamp() + "_TIDEA")).string());
  EXPECT_TRUE(test::fs::is_directory(home / "V_recoder" / "0210012345"));
  EXPECT_EQ(op.prompts(PromptKind::YesNo)[0].text, text("SYSTEMINFORMATION", "info_fileexists"));
  EXPECT_EQ(readFile(existing), Bytes({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
  // The default extension was added; the export lists the file's 40 records after its header.
  Bytes csv = readFile(home / "new.csv");
  std::string exported(csv.begin(), csv.end());
  EXPECT_NE(exported.find("SN: 0210012345"), std::string::npos);
  EXPECT_GE(std::count(exported.begin(), exported.end(), '\n'), 40);
  EXPECT_TRUE(op.unexpected().empty());
}

TEST_F(DownloadTest, AReplyHeadSplitAfterFortyBytesIsJoined) {
  logger.files().put(1, fileOfSize(16 * 300 + 2));
  VelmoProgram& velmo = start();
  sim::LoggerFaults split;
  split.splitAt = 40;
  logger.setFaults(split);

  velmo.startDownload(0);
  ASSERT_TRUE(settle());
  EXPECT_EQ(storedStream(1, 4802), loggerStream(1, 4802));
  EXPECT_EQ(framesSent(fileRequest(1)).size(), 1u);  // the first answer was understood
}

TEST_F(DownloadTest, AFileCompleteInItsFirstBlockIsStoredWithoutStreaming) {
  logger.files().put(1, fileOfSize(16 * 5 + 2));
  VelmoProgram& velmo = start();
  watchTransfer();

  velmo.startDownload(0);
  ASSERT_TRUE(settle());
  EXPECT_FALSE(everDownloading);
  EXPECT_EQ(storedStream(1, 82), loggerStream(1, 82));
  // The reply was one block of 143 bytes: "bytes." shows its length less 63.
  EXPECT_EQ(velmo.instrumentInfo().statusText, text("QL310", "ql310_getfileover") + ": 80 bytes.");
  EXPECT_EQ(dialog().percent, 100);
}

class StallAnswer : public DownloadTest, public ::testing::WithParamInterface<bool> {};

TEST_P(StallAnswer, TwelveSecondsWithoutDataAskWhetherToKeepThePart) {
  const bool keep = GetParam();
  logger.files().put(1, fileOfSize(3000 * 16 + 2));
  VelmoProgram& velmo = start();
  watchTransfer();
  sim::LoggerFaults stops;
  stops.streamStopsAfter = 20000;
  logger.setFaults(stops);
  op.answerYesNo(keep);

  velmo.startDownload(0);
  ASSERT_TRUE(loop.advanceUntil([&] { return !op.prompts(PromptKind::YesNo).empty(); }, 60000))
      << "phase " << int(job().phase()) << " received " << job().received() << " of " << job().total()
      << " last data at " << lastDataMs << " now " << loop.nowMs();
  const std::int64_t silence = loop.nowMs() - lastDataMs;
  EXPECT_GT(silence, 12000);
  EXPECT_LE(silence, 14000);
  EXPECT_EQ(op.prompts(PromptKind::YesNo)[0].text, text("QL310", "ql310_getfile_error2"));
  EXPECT_EQ(velmo.instrumentInfo().statusText, text("QL310", "ql310_getfile_error1"));
  EXPECT_FALSE(velmo.linkState().Downloading);

  ASSERT_TRUE(settle());
  EXPECT_EQ(job().received(), 20000);
  if (keep) {
    EXPECT_EQ(job().outcome(), DownloadJob::Outcome::Stored);
    EXPECT_EQ(storedStream(1, 20000), loggerStream(1, 20000));  // only what arrived
  } else {
    EXPECT_EQ(job().outcome(), DownloadJob::Outcome::NotStored);
    EXPECT_TRUE(storedFiles().empty());
  }
  EXPECT_EQ(port.baudRate(), 9600u);
  EXPECT_EQ(logger.baudRate(), 9600u);
}

INSTANTIATE_TEST_SUITE_P(YesAndNo, StallAnswer, ::testing::Bool());

TEST_F(DownloadTest, ALoggerThatVanishesMidwayEndsWithTheStallQuestionAtOnce) {
  logger.files().put(1, fileOfSize(3000 * 16 + 2));
  VelmoProgram& velmo = start();
  watchTransfer();
  sim::LoggerFaults vanish;
  vanish.vanishAfterStreamBytes = 10000;
  logger.setFaults(vanish);
  op.answerYesNo(true);

  velmo.startDownload(0);
  ASSERT_TRUE(loop.advanceUntil([&] { return !op.prompts(PromptKind::YesNo).empty(); }, 60000));
  EXPECT_LT(loop.nowMs() - lastDataMs, 1000);
  ASSERT_TRUE(settle());
  EXPECT_EQ(storedStream(1, 10000), loggerStream(1, 10000));
}

class CancelAnswer : public DownloadTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CancelAnswer, CancelAsksAndYesStoresNothing) {
  const bool yes = GetParam();
  logger.files().put(1, fileOfSize(3000 * 16 + 2));
  VelmoProgram& velmo = start();
  velmo.startDownload(0);
  ASSERT_TRUE(loop.advanceUntil([&] { return job().received() > 5000; }, 60000));

  op.answerYesNo(yes);
  velmo.cancelDownload();
  ASSERT_EQ(op.prompts(PromptKind::YesNo).size(), 1u);
  EXPECT_EQ(op.prompts(PromptKind::YesNo)[0].text, text("SUB", "sub_down_file_now"));
  ASSERT_TRUE(settle());
  if (yes) {
    EXPECT_EQ(job().outcome(), DownloadJob::Outcome::Cancelled);
    EXPECT_LT(job().received(), 48002);
    EXPECT_TRUE(storedFiles().empty());
  } else {
    EXPECT_EQ(job().outcome(), DownloadJob::Outcome::Stored);
    EXPECT_EQ(storedStream(1, 48002), loggerStream(1, 48002));
  }
  EXPECT_EQ(port.baudRate(), 9600u);
  EXPECT_EQ(logger.baudRate(), 9600u);
}

INSTANTIATE_TEST_SUITE_P(YesAndNo, CancelAnswer, ::testing::Bool());

TEST_F(DownloadTest, ThreeStrayBytesAreRemovedAndTheStoredStreamIsThreeShorter) {
  const std::uint32_t size = 16 * 300 + 2;
  logger.files().put(1, fileOfSize(size));
  VelmoProgram& velmo = start();
  sim::LoggerFaults stray;
  stray.strayAt = {64, 64, 64};  // before the fifth record
  logger.setFaults(stray);

  velmo.startDownload(0);
  ASSERT_TRUE(settle());
  // The transfer ends at the announced length, three bytes before the logger's last byte.
  EXPECT_EQ(storedStream(1, size - 3), loggerStream(1, size - 3));
}

TEST_F(DownloadTest, AnUnansweredRequestIsSentThreeTimesThenTheDialogSaysSo) {
  logger.files().put(1, fileOfSize(16 * 300 + 2));
  VelmoProgram& velmo = start();
  sim::LoggerFaults deaf;
  deaf.dropEvery = 1;
  logger.setFaults(deaf);

  velmo.startDownload(0);
  EXPECT_TRUE(dialog().visible);
  loop.advance(DownloadJob::kNoAnswerMs - 10);
  EXPECT_EQ(framesSent(fileRequest(1)).size(), 1u);
  loop.advance(20);
  EXPECT_EQ(framesSent(fileRequest(1)).size(), 2u);
  loop.advance(DownloadJob::kNoAnswerMs);
  EXPECT_EQ(framesSent(fileRequest(1)).size(), 3u);
  EXPECT_EQ(dialog().label, text("SYSTEMINFORMATION", "info_geting_file"));
  loop.advance(DownloadJob::kNoAnswerMs);
  EXPECT_EQ(framesSent(fileRequest(1)).size(), 3u);
  EXPECT_EQ(dialog().label, velmo.text("QL310", "ql310_getfile_noanswer"));
  EXPECT_TRUE(dialog().visible);
  EXPECT_EQ(job().outcome(), DownloadJob::Outcome::NoAnswer);

  // Nothing runs any more: the button closes the dialog without a question.
  velmo.cancelDownload();
  EXPECT_FALSE(dialog().visible);
  EXPECT_TRUE(op.prompts(PromptKind::YesNo).empty());
  loop.advance(60000);
  EXPECT_EQ(framesSent(fileRequest(1)).size(), 3u);
  EXPECT_TRUE(storedFiles().empty());
}

TEST_F(DownloadTest, AReplyAnnouncingTwoBytesStartsNothing) {
  logger.files().put(1, fileOfSize(2));  // no records, only the checksum
  VelmoProgram& velmo = start();
  watchTransfer();
  velmo.startDownload(0);
  loop.advance(DownloadJob::kRequestTries * DownloadJob::kNoAnswerMs + 100);
  EXPECT_FALSE(everDownloading);
  EXPECT_EQ(job().total(), 0);
  EXPECT_EQ(job().outcome(), DownloadJob::Outcome::NoAnswer);
  EXPECT_TRUE(storedFiles().empty());
}

TEST_F(DownloadTest, OneLostReplyIsMadeGoodByTheRepeatedRequest) {
  logger.files().put(1, fileOfSize(16 * 300 + 2));
  VelmoProgram& velmo = start();
  sim::LoggerFaults deaf;
  deaf.dropEvery = 1;
  logger.setFaults(deaf);
  velmo.startDownload(0);
  loop.advance(100);
  logger.setFaults({});

  ASSERT_TRUE(settle());
  EXPECT_EQ(framesSent(fileRequest(1)).size(), 2u);
  EXPECT_EQ(storedStream(1, 4802), loggerStream(1, 4802));
}

TEST_F(DownloadTest, ASpeedSwitchNeverConfirmedGivesUpAfterTenTriesOnTheOldRate) {
  logger.files().put(1, fileOfSize(30721));
  VelmoProgram& velmo = start();
  sim::LoggerFaults deaf;
  deaf.dropEvery = 1;
  logger.setFaults(deaf);
  port.clearWriteLog();

  velmo.startDownload(0);
  std::vector<std::uint32_t> rates;
  for (std::size_t n = 1; n <= 10; ++n) {
    ASSERT_TRUE(loop.advanceUntil([&] { return framesSent(kSwitchFrame).size() == n; }, 1000)) << n;
    rates.push_back(port.baudRate());
  }
  EXPECT_EQ(rates,
            (std::vector<std::uint32_t>{9600, 9600, 9600, 9600, 9600, 691200, 691200, 57600, 57600, 57600}));
  ASSERT_TRUE(loop.advanceUntil([&] { return !job().running(); }, 1000));
  loop.advance(3000);
  EXPECT_EQ(framesSent(kSwitchFrame).size(), 10u);
  EXPECT_EQ(job().outcome(), DownloadJob::Outcome::SwitchFailed);
  EXPECT_EQ(job().switchAttempts(), -1);
  EXPECT_EQ(port.baudRate(), 9600u);  // the link stays usable
  EXPECT_EQ(velmo.instrumentInfo().statusText, velmo.text("QL310", "ql310_getfile_switchfail"));
  EXPECT_TRUE(framesSent(fileRequest(1)).empty());
  EXPECT_EQ(rateWhenShown, 0u);
}

TEST_F(DownloadTest, TheDisplayedItemIsFetchedFromItsOwnSlot) {
  putFilesBehindAnUnlistedEntry();
  VelmoProgram& velmo = start();
  ASSERT_EQ(velmo.fileTable().count(), 2);
  ASSERT_EQ(velmo.fileTable().sortedSlots()[1], 2);  // what position 1 is not

  velmo.startDownload(1);
  ASSERT_TRUE(settle());
  EXPECT_EQ(framesSent(fileRequest(2)).size(), 1u);
  EXPECT_TRUE(framesSent(fileRequest(3)).empty());
  EXPECT_EQ(storedStream(2, 802), loggerStream(2, 802));
}

TEST_F(DownloadTest, AFileAbove32MiBIsNotFetchedAndTheOperatorIsTold) {
  logger.files().put(1, fileOfSize(DownloadJob::kBufferSize + 16));
  VelmoProgram& velmo = start();
  port.clearWriteLog();
  velmo.startDownload(0);
  loop.advance(5000);
  EXPECT_TRUE(framesSent(kSwitchFrame).empty());
  EXPECT_TRUE(framesSent(fileRequest(1)).empty());
  EXPECT_EQ(job().outcome(), DownloadJob::Outcome::TooLarge);
  EXPECT_EQ(velmo.instrumentInfo().statusText, velmo.text("QL310", "ql310_getfile_toolarge"));
}

// A head whose size field promises more than the buffer holds: the stream is cut at 32 MiB,
// stored, and the operator is told.
TEST_F(DownloadTest, AStreamRunningPastTheBufferIsCutAtItsEnd) {
  logger.files().put(1, fileOfSize(16 * 300 + 2));
  VelmoProgram& velmo = start();
  sim::LoggerFaults deaf;
  deaf.dropEvery = 1;
  logger.setFaults(deaf);
  velmo.startDownload(0);
  loop.advance(10);

  Bytes records = loggerStream(1, 2048);
  auto entry = logger.files().file(1)->entry();
  Bytes head = concat({fileRequest(1), {0x01, 0x03, 0x32}, Bytes(entry.begin(), entry.end())});
  const std::uint32_t promised = DownloadJob::kBufferSize + 5000;
  for (int i = 0; i < 4; ++i)
    head[DownloadJob::kSizeFieldOffset + i] = static_cast<std::uint8_t>(promised >> (24 - 8 * i));
  head.insert(head.end(), records.begin(), records.end());
  velmo.dispatcher().onReceiveData(head.data(), head.size());
  while (velmo.linkState().Downloading) velmo.dispatcher().onReceiveData(records.data(), records.size());

  EXPECT_EQ(job().received(), static_cast<std::int64_t>(DownloadJob::kBufferSize));
  ASSERT_TRUE(settle());
  EXPECT_EQ(job().outcome(), DownloadJob::Outcome::Stored);
  ASSERT_EQ(storedFiles().size(), 1u);
  EXPECT_EQ(test::fs::file_size(storedFiles()[0]), DataFileHeader::kSize + DownloadJob::kBufferSize);
  ASSERT_EQ(op.prompts(PromptKind::Message).size(), 1u);
  EXPECT_EQ(op.prompts(PromptKind::Message)[0].text, velmo.text("QL310", "ql310_getfile_cut"));
}

}  // namespace
}  // namespace ql

namespace ql {
namespace {

TEST_F(DownloadTest, TheRestOfACancelledStreamIsNotTakenForAnswers) {
  logger.files().put(1, fileOfSize(3000 * 16 + 2));
  logger.files().put(2, fileOfSize(100 * 16 + 2));
  VelmoProgram& velmo = start();
  ASSERT_EQ(velmo.fileTable().count(), 2);
  velmo.startDownload(0);
  ASSERT_TRUE(loop.advanceUntil([&] { return job().received() > 5000; }, 60000));
  op.answerYesNo(true);
  velmo.cancelDownload();

  // Delete the other file while the logger is still sending the rest of the cancelled one.
  op.answerYesNo(true);
  velmo.deleteFile(velmo.fileTable().slotOfItem(0) == 1 ? 0 : 1);
  // The logger answers only once the rest of the stream is out, which takes a while.
  ASSERT_TRUE(loop.advanceUntil([&] { return velmo.fileTable().count() == 1 && pollFinished(); }, 180000))
      << "step " << velmo.infoPoll().step() << ", listed " << velmo.fileTable().count();
  EXPECT_EQ(logger.files().presentCount(), 1);
}

}  // namespace
}  // namespace ql

namespace ql {
namespace {

TEST_F(DownloadTest, ClosingTheIdleDialogAlsoRestoresTheRate) {
  VelmoProgram& velmo = start();
  port.clearWriteLog();
  velmo.showDownloadDialog();
  EXPECT_TRUE(dialog().visible);
  EXPECT_EQ(dialog().percent, 0);
  velmo.cancelDownload();
  EXPECT_FALSE(dialog().visible);
  EXPECT_TRUE(op.prompts(PromptKind::YesNo).empty());
  ASSERT_TRUE(settle());
  EXPECT_EQ(framesSent(kRestoreTo9600).size(), 2u);
}

}  // namespace
}  // namespace ql
