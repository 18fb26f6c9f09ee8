// A flaky line and a misbehaving logger on the virtual clock: lost replies, replies cut at
// random points, noise between replies and a logger restarting in the middle of the information
// poll. Each run has a bound and ends with the poll complete or the download stored whole.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "data/data_file.h"
#include "logger_fixture.h"

namespace ql {
namespace {

using test::fileOfSize;

struct LineFault {
  const char* name;
  sim::LoggerFaults faults;
};

// Cuts every reply at an offset drawn from a fixed seed. A block is taken as a whole reply; only
// the long ones (the file list, a file transfer's head) are joined from two pieces, so the cut
// falls where only the file list reaches.
sim::LoggerFaults cutAtARandomPoint(unsigned seed) {
  std::mt19937 random(seed);
  sim::LoggerFaults faults;
  faults.splitAt = std::uniform_int_distribution<int>(100, 800)(random);
  return faults;
}

// What the download meets too: the transfer's own replies are short of the cuts above.
std::vector<LineFault> lostRepliesAndNoise() {
  sim::LoggerFaults every3rdLost;
  every3rdLost.dropEvery = 3;
  sim::LoggerFaults noise;
  noise.noiseBeforeReplies = 6;
  return {{"EveryThirdReplyLost", every3rdLost}, {"NoiseBetweenReplies", noise}};
}

std::vector<LineFault> pollFaults() {
  std::vector<LineFault> cases = lostRepliesAndNoise();
  cases.push_back({"ListCutAtARandomPoint", cutAtARandomPoint(7)});
  cases.push_back({"ListCutAtAnotherRandomPoint", cutAtARandomPoint(1234)});
  return cases;
}

class FaultInjection : public test::LoggerFixture {
 protected:
  void putThreeFiles() {
    logger.files().put(1, fileOfSize(16 * 40 + 2, "NORTH"));
    logger.files().put(2, fileOfSize(16 * 300 + 2, "SOUTH"));
    logger.files().put(3, fileOfSize(16 * 90 + 2, "EAST"));
  }
  // The download of the displayed item ends and its dialog closes within maxMs.
  bool download(int position, std::int64_t maxMs) {
    program->startDownload(position);
    DownloadJob& job = program->download();
    return loop.advanceUntil(
        [&] {
          return !job.running() && !program->downloadProgress().visible && !program->rateRestorePending();
        },
        maxMs);
  }
  // The stream stored in the only data file.
  Bytes storedStream() const {
    const std::vector<test::fs::path> files = storedFiles();
    if (files.size() != 1) {
      ADD_FAILURE() << files.size() << " data files stored";
      return {};
    }
    const Bytes bytes = readFile(files[0]);
    if (bytes.size() < DataFileHeader::kSize) return {};
    return Bytes(bytes.begin() + DataFileHeader::kSize, bytes.end());
  }
};

class PollUnderLineFaults : public FaultInjection, public ::testing::WithParamInterface<LineFault> {};

TEST_P(PollUnderLineFaults, ThePollCompletesAndListsEveryFile) {
  putThreeFiles();
  logger.setFaults(GetParam().faults);
  VelmoProgram& velmo = launch();
  ASSERT_TRUE(loop.advanceUntil([&] { return pollFinished(); }, 120000))
      << "step " << velmo.infoPoll().step();
  EXPECT_EQ(velmo.fileTable().count(), 3);
  EXPECT_EQ(velmo.instrumentInfo().statusText, text("SYSTEMINFORMATION", "info_get_list_end"));
}

class DownloadUnderLineFaults : public FaultInjection, public ::testing::WithParamInterface<LineFault> {};

TEST_P(DownloadUnderLineFaults, TheStoredFileIsTheLoggersFile) {
  putThreeFiles();
  VelmoProgram& velmo = start();
  logger.setFaults(GetParam().faults);
  const int position = positionOfSlot(1);
  ASSERT_GE(position, 0);
  ASSERT_TRUE(download(position, 120000));
  EXPECT_EQ(velmo.download().outcome(), DownloadJob::Outcome::Stored);
  EXPECT_EQ(storedStream(), loggerStream(2, 16 * 300 + 2));
}

const auto kCaseName = [](const ::testing::TestParamInfo<LineFault>& info) {
  return std::string(info.param.name);
};
INSTANTIATE_TEST_SUITE_P(Faults, PollUnderLineFaults, ::testing::ValuesIn(pollFaults()), kCaseName);
INSTANTIATE_TEST_SUITE_P(Faults, DownloadUnderLineFaults, ::testing::ValuesIn(lostRepliesAndNoise()),
                         kCaseName);

// The logger restarts at each point of the poll in turn; the poll finds it again and completes.
class RestartDuringPoll : public FaultInjection, public ::testing::WithParamInterface<int> {};

TEST_P(RestartDuringPoll, ThePollCompletesAfterTheRestart) {
  putThreeFiles();
  sim::LoggerFaults restart;
  restart.restartAfterReplies = GetParam();
  logger.setFaults(restart);
  VelmoProgram& velmo = launch();
  ASSERT_TRUE(loop.advanceUntil([&] { return pollFinished(); }, 120000))
      << "step " << velmo.infoPoll().step();
  EXPECT_GT(loop.nowMs(), restart.restartMs);  // the logger was silent for its restart meanwhile
  EXPECT_EQ(velmo.fileTable().count(), 3);
}

INSTANTIATE_TEST_SUITE_P(AfterReplies, RestartDuringPoll, ::testing::Values(1, 3, 5, 8, 12));

}  // namespace
}  // namespace ql
