// The logger's clock without a logger: the frame that sets it, the shown clock ticking on, and
// the check's decisions on texts that are not a plain clock.

#include <gtest/gtest.h>

#include "link/register_map.h"
#include "runtime/scripted_operator.h"
#include "runtime/virtual_scheduler.h"
#include "status/clock_check.h"
#include "status/clock_display.h"
#include "status/clock_frame.h"

namespace ql {
namespace {

TEST(ClockFrame, CarriesTheTimeAsPlainBinaryBytes) {
  // Year 24 is 0x18 and hour 14 is 0x0E: binary values, not BCD.
  const Bytes expected{0x01, 0x10, 0x10, 0x09, 0x00, 0x03, 0x06, 0x18,
                       0x03, 0x05, 0x0E, 0x07, 0x09, 0x86, 0x8E};
  EXPECT_EQ(timeFrame(DateTime{2024, 3, 5, 14, 7, 9}), expected);
  EXPECT_EQ(clockWriteRequest(DateTime{2099, 12, 31, 23, 59, 58}),
            (Bytes{0x01, 0x10, 0x10, 0x09, 0x00, 0x03, 0x06, 99, 12, 31, 23, 59, 58}));
}

TEST(ClockDisplay, MovesOnOneSecondAcrossEveryBoundary) {
  const struct {
    const char* shown;
    const char* next;  // nullptr: left as it is
  } cases[] = {
      {"2024-03-05 14:07:09", "2024-03-05 14:07:10"},
      {"2024-03-05 14:07:59", "2024-03-05 14:08:00"},
      {"2024-03-05 14:59:59", "2024-03-05 15:00:00"},
      {"2024-03-05 23:59:59", "2024-03-06 00:00:00"},
      {"2024-04-30 23:59:59", "2024-05-01 00:00:00"},
      {"2024-01-31 23:59:59", "2024-02-01 00:00:00"},
      {"2024-02-28 23:59:59", "2024-02-29 00:00:00"},  // leap year
      {"2024-02-29 23:59:59", "2024-03-01 00:00:00"},
      {"2023-02-28 23:59:59", "2023-03-01 00:00:00"},
      {"2100-02-28 23:59:59", "2100-03-01 00:00:00"},  // a century is no leap year
      {"2024-12-31 23:59:59", "2025-01-01 00:00:00"},
      {"2024-3-5 4:07:09   ", "2024-03-05 04:07:10"},  // 19 characters that parse
      {"", nullptr},
      {"2024-03-05 14:07:9", nullptr},   // 18 characters
      {"2024-02-30 14:07:09", nullptr},  // no such day
      {"2024-03-05 24:00:00", nullptr},
      {"20124-03-05 14:07:09", nullptr},
      {"not a clock at all!", nullptr},
  };
  for (const auto& c : cases) {
    std::optional<std::string> next = advancedClockText(c.shown);
    if (c.next) {
      EXPECT_EQ(next, std::optional<std::string>(c.next)) << c.shown;
    } else {
      EXPECT_FALSE(next.has_value()) << c.shown << " -> " << next.value_or("");
    }
  }
}

// The check on its own, with the clock text a test puts into the panel.
class ClockCheckTest : public ::testing::Test {
 protected:
  ClockCheckTest() { state.ConnectedPort = "/dev/ttyQL"; }

  // The check 300 ms after a poll end.
  void checkNow() {
    check.onPollEnd();
    loop.advance(ClockCheck::kCheckDelayMs);
  }
  // Memo lines without their time stamp.
  std::vector<std::string> memoTexts() const {
    std::vector<std::string> texts;
    for (const std::string& line : memo.lines()) texts.push_back(line.substr(20));
    return texts;
  }

  static constexpr std::time_t kPcTime = 1709647629;  // some time in March 2024
  VirtualScheduler loop;
  LinkState state;
  InstrumentInfo info;
  MemoLog memo{[] { return kPcTime; }};
  ScriptedOperator op;
  std::vector<Bytes> sent;
  PollSequencer sequencer{loop, state, [this](const Bytes& f) { sent.push_back(f); }};
  ClockCheck check{loop,
                   sequencer,
                   state,
                   info,
                   memo,
                   [](const std::string& s, const std::string& k) { return s + "/" + k; },
                   op,
                   [] { return kPcTime; },
                   [this](const Bytes& f) { sent.push_back(f); }};
};

TEST_F(ClockCheckTest, OnlyAFullClockTextIsChecked) {
  for (const char* shown : {"", "2024-03-05", "2024-03-05 14:07:9", "2024-03-05 14:07:09 +"}) {
    info.clock = shown;
    checkNow();
  }
  EXPECT_TRUE(memo.lines().empty());
}

TEST_F(ClockCheckTest, AClockThatDoesNotParseIsOutOfStepWithoutAFigure) {
  info.clock = "2024-13-45 99:99:99";
  for (int i = 0; i < ClockCheck::kTicksBetweenQuestions; ++i) check.onSecondTick();
  EXPECT_EQ(info.clock, "2024-13-45 99:99:99");  // the ticks left it alone
  op.answerYesNo(false);
  checkNow();
  EXPECT_EQ(memoTexts(), std::vector<std::string>{"SYSTEMINFORMATION/info_time_error1"});
  ASSERT_EQ(op.prompts(PromptKind::YesNo).size(), 1u);
  EXPECT_EQ(op.prompts(PromptKind::YesNo)[0].text,
            "SYSTEMINFORMATION/info_time_error1 SYSTEMINFORMATION/info_time_error2");
  EXPECT_EQ(check.tickCounter(), 0);
  EXPECT_TRUE(sent.empty());
}

TEST_F(ClockCheckTest, TheTickCounterStopsAt9999) {
  for (int i = 0; i < 10050; ++i) check.onSecondTick();
  EXPECT_EQ(check.tickCounter(), ClockCheck::kMaxTicks);
}

TEST_F(ClockCheckTest, SynchronisingWithoutALoggerWritesButReadsNothingBack) {
  state.ConnectedPort.clear();
  check.synchronise();
  loop.advance(2000);
  const Bytes frame = clockWriteRequest(localDateTime(kPcTime));
  EXPECT_EQ(sent, (std::vector<Bytes>{frame, frame, frame}));
  EXPECT_EQ(state.LastRequest, timeFrame(localDateTime(kPcTime)));
  EXPECT_FALSE(sequencer.running());
  EXPECT_FALSE(check.synchronising());
}

}  // namespace
}  // namespace ql
