// The logger's clock against the computer's, with velmo's core and the simulated logger on the
// virtual clock: the check after each poll, its question at most once a minute, and the
// synchronisation with its three writes and read-back.

#include <gtest/gtest.h>

#include "logger_fixture.h"
#include "runtime/formats.h"
#include "status/clock_frame.h"

namespace ql::test {
namespace {

sim::LoggerConfig clockOffsetBy(std::int64_t seconds) {
  sim::LoggerConfig config = withoutFiles();
  config.clockOffsetSeconds = seconds;
  return config;
}

// The fixture's computer clock.
std::time_t pcTimeAt(const VirtualScheduler& loop) { return kStartTime + loop.nowMs() / 1000; }

class ClockTest : public LoggerFixture {
 protected:
  explicit ClockTest(std::int64_t offsetSeconds) : LoggerFixture(clockOffsetBy(offsetSeconds)) {}

  // Showing page 1 again repeats the end-of-poll actions (at the sequencer's next tick); the
  // check follows 300 ms later.
  void checkAgain() {
    program->showPage(Page::Download);
    ASSERT_TRUE(loop.advanceUntil([&] { return program->clockCheck().checkPending(); }, 2000));
    loop.advance(ClockCheck::kCheckDelayMs);
  }
  // Memo lines without their time stamp.
  std::vector<std::string> memoTexts() const {
    std::vector<std::string> texts;
    for (const std::string& line : program->memo().lines()) texts.push_back(line.substr(20));
    return texts;
  }
  std::size_t linesWith(const std::string& text) const {
    std::size_t count = 0;
    for (const std::string& line : memoTexts()) count += line.find(text) != std::string::npos;
    return count;
  }
  std::string behind(int seconds) const {
    return text("SYSTEMINFORMATION", "info_clock_behind") + " " + std::to_string(seconds) + " " +
           text("BIT", "second");
  }
  std::string ahead(int seconds) const {
    return text("SYSTEMINFORMATION", "info_clock_ahead") + " " + std::to_string(seconds) + " " +
           text("BIT", "second");
  }
  std::string outOfStep() const { return text("SYSTEMINFORMATION", "info_time_error1"); }
  std::size_t questions() const { return op.prompts(PromptKind::YesNo).size(); }
  std::size_t clockWrites() const { return framesSent(Bytes{0x01, 0x10, 0x10, 0x09}).size(); }
  // The logger's clock minus the computer's, as the logger model holds it.
  std::int64_t loggerOffset() const { return logger.loggerTime() - pcTimeAt(loop); }
  // Runs the loop to the moment the program has ticked `ticks` seconds (less `beforeMs`).
  void runToTick(int ticks, int beforeMs = 0) { loop.advance(ticks * 1000 - beforeMs - loop.nowMs()); }
};

// Every check says by how much the logger is ahead or behind; beyond 300 s that is the
// out-of-step line.
struct DriftCase {
  std::int64_t offset;
  bool outOfStep;
};

class ClockDriftTest : public ClockTest, public ::testing::WithParamInterface<DriftCase> {
 protected:
  ClockDriftTest() : ClockTest(GetParam().offset) {}
};

TEST_P(ClockDriftTest, EachCheckLogsTheDriftAndBeyond300SecondsThatItIsOutOfStep) {
  start();
  loop.advance(ClockCheck::kCheckDelayMs);
  const std::int64_t offset = GetParam().offset;
  const std::string drift = offset < 0 ? behind(int(-offset)) : ahead(int(offset));
  EXPECT_EQ(memoTexts(), std::vector<std::string>{GetParam().outOfStep ? outOfStep() + " " + drift : drift});
  // The program has run only seconds: a difference is logged, never asked about.
  EXPECT_EQ(questions(), 0u);
  EXPECT_EQ(clockWrites(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Offsets, ClockDriftTest,
                         ::testing::Values(DriftCase{0, false}, DriftCase{-299, false},
                                           DriftCase{-300, false}, DriftCase{-301, true},
                                           DriftCase{300, false}, DriftCase{301, true},
                                           DriftCase{3612, true}));

class ClockBehind301 : public ClockTest {
 protected:
  ClockBehind301() : ClockTest(-301) {}
};

TEST_F(ClockBehind301, AsksOnlyAfterSixtyTicksAndThenNotAgainForAMinute) {
  start();
  loop.advance(ClockCheck::kCheckDelayMs);
  ASSERT_EQ(linesWith(outOfStep()), 1u);

  // The check at 59 ticks logs again but does not ask.
  runToTick(59, -100);
  checkAgain();
  EXPECT_EQ(linesWith(outOfStep()), 2u);
  EXPECT_EQ(questions(), 0u);

  op.answerYesNo(false);
  runToTick(60, -100);
  checkAgain();
  ASSERT_EQ(questions(), 1u);
  EXPECT_EQ(op.prompts(PromptKind::YesNo)[0].text,
            outOfStep() + " " + text("SYSTEMINFORMATION", "info_time_error2"));
  // No leaves the logger as it was.
  EXPECT_EQ(clockWrites(), 0u);
  EXPECT_EQ(loggerOffset(), -301);
  EXPECT_EQ(linesWith(text("SYSTEMINFORMATION", "info_change_time")), 0u);

  // Within the next minute the difference is only logged.
  runToTick(119, -100);
  checkAgain();
  EXPECT_EQ(linesWith(outOfStep()), 4u);
  EXPECT_EQ(questions(), 1u);

  op.answerYesNo(false);
  runToTick(120, -100);
  checkAgain();
  EXPECT_EQ(questions(), 2u);
  EXPECT_TRUE(op.unexpected().empty());
}

class ClockAnHourAhead : public ClockTest {
 protected:
  ClockAnHourAhead() : ClockTest(3600) {}
};

TEST_F(ClockAnHourAhead, YesWritesTheTimeThreeTimesReadsItBackAndTheNextCheckIsQuiet) {
  start();
  runToTick(60, -100);
  op.answerYesNo(true);
  checkAgain();
  ASSERT_EQ(questions(), 1u);
  const std::time_t askedAt = pcTimeAt(loop);

  // The same frame, 200 ms apart, recorded as the awaited write.
  const Bytes frame = timeFrame(localDateTime(askedAt));
  EXPECT_EQ(framesSent(Bytes{0x01, 0x10, 0x10, 0x09}), std::vector<Bytes>{frame});
  EXPECT_EQ(program->linkState().LastRequest, frame);
  loop.advance(ClockCheck::kSendSpacingMs - 1);
  EXPECT_EQ(clockWrites(), 1u);
  loop.advance(1);
  EXPECT_EQ(clockWrites(), 2u);
  loop.advance(ClockCheck::kSendSpacingMs);
  EXPECT_EQ(framesSent(Bytes{0x01, 0x10, 0x10, 0x09}), (std::vector<Bytes>{frame, frame, frame}));
  EXPECT_EQ(linesWith(text("SYSTEMINFORMATION", "info_change_time") + "."), 1u);

  // The read-back shows the computer's time; its end runs the check again, which finds the
  // clocks in step.
  ASSERT_TRUE(loop.advanceUntil([&] { return program->clockCheck().clockRead().finished(); }, 2000));
  EXPECT_EQ(program->instrumentInfo().clock, formatDateTime(localDateTime(pcTimeAt(loop))));
  EXPECT_EQ(loggerOffset(), 0);
  const std::size_t linesBefore = program->memo().lines().size();
  loop.advance(ClockCheck::kCheckDelayMs);
  ASSERT_EQ(program->memo().lines().size(), linesBefore + 1);
  EXPECT_EQ(memoTexts().back(), ahead(0));
  EXPECT_EQ(linesWith(outOfStep()), 2u);  // the first check's and the asking check's
  EXPECT_EQ(questions(), 1u);
  EXPECT_EQ(clockWrites(), 3u);
}

TEST_F(ClockAnHourAhead, TheShownClockTicksOnBetweenReads) {
  start();
  const std::string read = program->instrumentInfo().clock;
  const std::time_t readTime = toTimeT(*parseDateTime(read)).value();
  loop.advance(5000);
  EXPECT_EQ(program->instrumentInfo().clock, formatDateTime(localDateTime(readTime + 5)));
  EXPECT_EQ(toTimeT(*parseDateTime(program->instrumentInfo().clock)).value(), logger.loggerTime());
}

TEST_F(ClockAnHourAhead, TheDoubleClickSynchronisesWithoutAQuestion) {
  start();
  // The frame is built once; its three sends fall within one second of the computer's clock.
  runToTick(10, -100);
  program->synchroniseClock();
  ASSERT_TRUE(loop.advanceUntil([&] { return program->clockCheck().clockRead().finished(); }, 2000));
  EXPECT_EQ(clockWrites(), 3u);
  EXPECT_EQ(loggerOffset(), 0);
  EXPECT_EQ(program->instrumentInfo().clock, formatDateTime(localDateTime(pcTimeAt(loop))));
  loop.advance(ClockCheck::kCheckDelayMs);
  EXPECT_EQ(memoTexts().back(), ahead(0));
  EXPECT_EQ(questions(), 0u);
}

}  // namespace
}  // namespace ql::test
