// Deleting files in the simulated logger, on the virtual clock: the slot written for a displayed
// item, the three spaced sends, the two questions of delete-all and the erase notice.

#include <gtest/gtest.h>

#include "logger_fixture.h"

namespace ql {
namespace {

Bytes deleteFrame(std::uint16_t value) { return AppendCrc(reg::writeRequest(reg::kFileTable, value)); }
const Bytes kFileListRequest = AppendCrc(reg::readRequest(reg::kFileTable, 1));

class DeletionTest : public test::LoggerFixture {
 protected:
  using LoggerFixture::LoggerFixture;
  std::size_t sent(const Bytes& frame) const { return framesSent(frame).size(); }
};

TEST_F(DeletionTest, DeletingTheSecondDisplayedItemWritesThatItemsSlotThreeTimes) {
  putFilesBehindAnUnlistedEntry();
  VelmoProgram& velmo = start();
  ASSERT_EQ(velmo.fileTable().slotOfItem(1), 1);
  ASSERT_EQ(velmo.fileTable().sortedSlots()[1], 2);  // the slot a display-order lookup would hit
  const std::size_t listReads = sent(kFileListRequest);
  op.answerYesNo(true);

  velmo.deleteFile(1);
  ASSERT_EQ(op.prompts(PromptKind::YesNo).size(), 1u);
  EXPECT_EQ(op.prompts(PromptKind::YesNo)[0].text, text("QL310", "ql310_del_one_file"));
  EXPECT_EQ(sent(deleteFrame(2)), 1u);
  loop.advance(FileDeletion::kDeleteOnePauseMs - 1);
  EXPECT_EQ(sent(deleteFrame(2)), 1u);
  loop.advance(1);
  EXPECT_EQ(sent(deleteFrame(2)), 2u);
  loop.advance(FileDeletion::kDeleteOnePauseMs);
  EXPECT_EQ(sent(deleteFrame(2)), 3u);
  EXPECT_EQ(sent(deleteFrame(3)), 0u);

  // The poll reads the storage figures and the list again; the deleted file is gone.
  ASSERT_TRUE(loop.advanceUntil([&] { return pollFinished(); }, 30000));
  EXPECT_GT(sent(kFileListRequest), listReads);
  EXPECT_EQ(logger.files().file(2), nullptr);
  EXPECT_NE(logger.files().file(3), nullptr);
  EXPECT_EQ(velmo.fileTable().itemSlots(), std::vector<int>{2});
}

TEST_F(DeletionTest, NothingIsSentWithoutASelectionOrWithoutYes) {
  putFilesBehindAnUnlistedEntry();
  VelmoProgram& velmo = start();
  port.clearWriteLog();

  velmo.deleteFile(-1);
  EXPECT_EQ(velmo.instrumentInfo().statusText, text("QL310", "ql310_error_del_onefile"));
  EXPECT_TRUE(op.prompts(PromptKind::YesNo).empty());

  op.answerYesNo(false);
  velmo.deleteFile(0);
  op.answerYesNo(true);
  op.answerYesNo(false);
  velmo.deleteAllFiles();
  loop.advance(2000);
  EXPECT_EQ(op.prompts(PromptKind::YesNo).size(), 3u);
  EXPECT_EQ(op.prompts(PromptKind::YesNo)[2].text, text("QL310", "ql310_del_allfile2"));
  // Only the live-value poll of the download page goes out.
  for (const Bytes& frame : port.writeLog()) EXPECT_EQ(frame, liveValueRequest());
  EXPECT_FALSE(velmo.eraseNotice().visible);
  EXPECT_EQ(logger.files().presentCount(), 3);
}

TEST_F(DeletionTest, DeleteAllAsksTwiceAndTheNoticeClosesWhenTheLoggerAnswersAgain) {
  putFilesBehindAnUnlistedEntry();
  VelmoProgram& velmo = start();
  std::vector<std::string> labels;
  velmo.eraseNotice().subscribe([&] { labels.push_back(velmo.eraseNotice().label); });
  op.answerYesNo(true);
  op.answerYesNo(true);

  const std::int64_t started = loop.nowMs();
  velmo.deleteAllFiles();
  EXPECT_TRUE(velmo.eraseNotice().visible);
  EXPECT_EQ(velmo.linkState().EraseCountdown, FileDeletion::kEraseSeconds);
  EXPECT_EQ(sent(deleteFrame(0xF0F0)), 1u);
  loop.advance(2 * FileDeletion::kDeleteAllPauseMs);
  EXPECT_EQ(sent(deleteFrame(0xF0F0)), 3u);

  // The logger erases for 45 s and answers nothing meanwhile.
  ASSERT_TRUE(loop.advanceUntil([&] { return !velmo.eraseNotice().visible; }, 60000));
  const std::int64_t shown = loop.nowMs() - started;
  EXPECT_GT(shown, logger.config().eraseAllMs);
  EXPECT_LT(shown, logger.config().eraseAllMs + 2000);
  ASSERT_GE(labels.size(), 3u);
  EXPECT_EQ(labels[1], text("QL310", "ql310_formating") + "  0.7 %");
  EXPECT_EQ(labels[2], text("QL310", "ql310_formating") + "  1.3 %");
  EXPECT_EQ(velmo.eraseNotice().label, "");

  ASSERT_TRUE(loop.advanceUntil([&] { return pollFinished(); }, 30000));
  EXPECT_EQ(velmo.fileTable().count(), 0);
  EXPECT_EQ(velmo.instrumentInfo().statusText, text("SYSTEMINFORMATION", "info_get_list_end"));
  EXPECT_EQ(logger.files().presentCount(), 0);
}

class SilentErase : public DeletionTest {
 protected:
  static sim::LoggerConfig erasingLong() {
    sim::LoggerConfig config = test::withoutFiles();
    config.eraseAllMs = 400000;
    return config;
  }
  SilentErase() : DeletionTest(erasingLong()) {}
};

TEST_F(SilentErase, WithNoAnswerTheNoticeCountsAllTheWayAndCloses) {
  logger.files().put(1, test::fileOfSize(802));
  VelmoProgram& velmo = start();
  int updates = 0;
  std::string lastShown;
  velmo.eraseNotice().subscribe([&] {
    if (!velmo.eraseNotice().visible && updates == 0) return;
    ++updates;
    if (!velmo.eraseNotice().label.empty()) lastShown = velmo.eraseNotice().label;
  });
  op.answerYesNo(true);
  op.answerYesNo(true);

  velmo.deleteAllFiles();
  loop.advance(149 * 1000 + 500);
  EXPECT_TRUE(velmo.eraseNotice().visible);
  loop.advance(1000);
  EXPECT_FALSE(velmo.eraseNotice().visible);
  EXPECT_EQ(updates, 1 + 150);  // shown, then one update a second
  EXPECT_EQ(lastShown, text("QL310", "ql310_formating") + "  99.3 %");
  loop.advance(10000);
  EXPECT_EQ(updates, 151);
  // The poll keeps asking; the notice does not come back.
  EXPECT_TRUE(velmo.infoPoll().running());
}

// A logger that erases at once answers every read straight away: the poll must not start before
// the last erase frame, or its reads go out between them and the frames are no longer spaced alone.
class QuickErase : public DeletionTest {
 protected:
  static sim::LoggerConfig erasingAtOnce() {
    sim::LoggerConfig config = test::withoutFiles();
    config.eraseAllMs = 0;
    return config;
  }
  QuickErase() : DeletionTest(erasingAtOnce()) {}
};

TEST_F(QuickErase, TheThreeEraseFramesGoOutBeforeThePollReadsAgain) {
  putFilesBehindAnUnlistedEntry();
  VelmoProgram& velmo = start();
  port.clearWriteLog();
  op.answerYesNo(true);
  op.answerYesNo(true);

  velmo.deleteAllFiles();
  ASSERT_TRUE(loop.advanceUntil([&] { return sent(deleteFrame(0xF0F0)) == 3; }, 2000));
  const std::vector<Bytes>& log = port.writeLog();
  for (std::size_t i = 0; i < log.size(); ++i) {
    if (log[i] == deleteFrame(0xF0F0) || log[i] == liveValueRequest()) continue;
    ADD_FAILURE() << "frame " << i << " went out between the erase frames: " << hexText(log[i]);
  }

  ASSERT_TRUE(loop.advanceUntil([&] { return pollFinished() && !velmo.eraseNotice().visible; }, 30000));
  EXPECT_EQ(velmo.fileTable().count(), 0);
  EXPECT_EQ(logger.files().presentCount(), 0);
}

}  // namespace
}  // namespace ql
