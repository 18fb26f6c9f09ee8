// The instrument's file list as velmo reads it from the simulated logger: a reply in two pieces
// is joined, one in three is dropped and read again, erased slots never show.

#include <gtest/gtest.h>

#include "logger_fixture.h"

namespace ql {
namespace {

const Bytes kFileListRequest = AppendCrc(reg::readRequest(reg::kFileTable, 1));

class FileListTest : public test::LoggerFixture {
 protected:
  // Files in slots 0 and 2; slot 1 between them and all later slots erased.
  void putTwoFilesAroundAnErasedSlot() {
    logger.files().put(1, startingOn(3));
    logger.files().put(3, startingOn(7));
  }
};

TEST_F(FileListTest, AReplySplitIntoThreeHundredAndTheRestIsJoined) {
  putTwoFilesAroundAnErasedSlot();
  sim::LoggerFaults split;
  split.splitAt = 300;  // only the 813-byte list reply is that long
  logger.setFaults(split);

  VelmoProgram& velmo = start();
  EXPECT_EQ(framesSent(kFileListRequest).size(), 1u);
  EXPECT_EQ(velmo.fileTable().itemSlots(), (std::vector<int>{2, 0}));
  EXPECT_EQ(velmo.instrumentInfo().fileCount, 2);
  EXPECT_EQ(velmo.instrumentInfo().statusText, text("SYSTEMINFORMATION", "info_get_list_end"));
}

TEST_F(FileListTest, AReplyInThreePiecesIsDroppedAndReadAgain) {
  putTwoFilesAroundAnErasedSlot();
  sim::LoggerFaults split;
  split.splitAt = 300;
  split.splitAlsoAt = {600};
  logger.setFaults(split);

  // The faults stay for the first list read only; when the read is sent again, nothing is listed.
  int listedAtSecondRead = -1;
  auto watch = [&] {
    std::size_t reads = framesSent(kFileListRequest).size();
    if (reads >= 1) logger.setFaults({});
    if (reads == 2 && listedAtSecondRead < 0) listedAtSecondRead = program->fileTable().count();
    return pollFinished();
  };
  VelmoProgram& velmo = launch();
  ASSERT_TRUE(loop.advanceUntil(watch, 30000));
  EXPECT_EQ(listedAtSecondRead, 0);
  EXPECT_EQ(velmo.fileTable().itemSlots(), (std::vector<int>{2, 0}));
}

}  // namespace
}  // namespace ql
