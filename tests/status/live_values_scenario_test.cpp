// Live values through the whole program: the one-second poll against the simulated logger on the
// virtual clock, each reply shape, and the rules that stop the poll.

#include <gtest/gtest.h>

#include "link/codecs.h"
#include "program/logger_fixture.h"
#include "runtime/formats.h"
#include "status/live_values.h"

namespace ql::test {
namespace {

Bytes dataBytes(std::int32_t pressure, std::int32_t temperature, std::int32_t third, std::int32_t internal) {
  Bytes data;
  for (std::int32_t raw : {pressure, temperature, third, internal})
    putBeU32(data, static_cast<std::uint32_t>(raw));
  return data;
}

class LiveValuesScenario : public LoggerFixture {
 protected:
  const Bytes data = dataBytes(1102500, 215000, 450000, -32500);

  // The logger answers the live-value read with head + data (with or without the echo).
  void answerLiveValues(Bytes head, std::size_t dataLength, bool echo) {
    logger.addReadHandler({reg::kLiveValues, reg::kLiveValues}, [=, this](const sim::Request&) {
      Bytes response =
          concat({head, Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(dataLength))});
      return sim::Answer{{{AppendCrc(response), 0}}, echo, {}};
    });
  }
  std::size_t pollsSent() const { return framesSent(liveValueRequest()).size(); }
  LiveValues& live() { return program->liveValues(); }
};

TEST_F(LiveValuesScenario, EachReplyShapeIsStoredOncePerSecond) {
  struct Case {
    const char* name;
    Bytes head;
    std::size_t dataLength;
    bool echo;
    const char* third;  // third channel shown (0 when only 8 bytes came)
  };
  const Case cases[] = {
      {"8 bytes", {0x01, 0x03, 0x08}, 8, false, "0.00"},
      {"8 bytes with echo", {0x01, 0x03, 0x08}, 8, true, "0.00"},
      {"16 bytes", {0x01, 0x03, 0x10}, 16, false, "45.00"},
      {"16 bytes with echo", {0x01, 0x03, 0x10}, 16, true, "45.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    answerLiveValues(c.head, c.dataLength, c.echo);
    if (!program) start();
    loop.advance(200);  // the answer to the information poll's own live read
    const std::uint64_t before = live().sampleCount();
    const std::size_t pollsBefore = pollsSent();
    const int writeIndex = live().history().writeIndex;
    loop.advance(3000);
    EXPECT_EQ(pollsSent() - pollsBefore, 3u);
    EXPECT_EQ(live().sampleCount() - before, 3u);
    EXPECT_EQ(live().history().writeIndex, writeIndex + 3);
    EXPECT_EQ(live().temperatureText(), "21.50");
    EXPECT_EQ(live().pressureText(), "110.25");
    EXPECT_EQ(live().thirdText(), c.third);
    EXPECT_EQ(program->linkState().LastRequest, liveValueRequest());
    const std::size_t last = static_cast<std::size_t>(live().history().writeIndex - 1);
    EXPECT_EQ(live().history().stamp(last), formatDateTime(localDateTime(kStartTime + loop.nowMs() / 1000)));
  }
}

TEST_F(LiveValuesScenario, PollStopsOffThePageWithLiveDisplayOffAndAfterAutomaticSearch) {
  start();
  ASSERT_TRUE(live().liveDisplayOn());  // AUTODISPLAY=1 of a new installation
  loop.advance(2000);
  ASSERT_GE(pollsSent(), 2u);

  program->showPage(Page::DataView);
  std::size_t polls = pollsSent();
  loop.advance(3000);
  EXPECT_EQ(pollsSent(), polls);

  program->showPage(Page::Download);
  loop.advance(2000);
  EXPECT_GT(pollsSent(), polls);

  live().setLiveDisplay(false);
  polls = pollsSent();
  loop.advance(3000);
  EXPECT_EQ(pollsSent(), polls);

  live().setLiveDisplay(true);
  program->setAutoSearch(true);
  EXPECT_FALSE(live().liveDisplayOn());
}

TEST_F(LiveValuesScenario, HistoryIsKeptInSysuseAcrossRuns) {
  start();
  loop.advance(5000);
  const int writeIndex = live().history().writeIndex;
  ASSERT_GE(writeIndex, 5);
  program->close(WindowGeometry{0, 0, 600, 800}, "chinese");

  const SavedStateLoad loaded = loadSavedState((home / "sysuse.d").string());
  EXPECT_EQ(loaded.state.history.writeIndex, writeIndex);
  EXPECT_EQ(loaded.state.history.stamp(static_cast<std::size_t>(writeIndex - 1)),
            live().history().stamp(static_cast<std::size_t>(writeIndex - 1)));
  EXPECT_EQ(loaded.state.recordIntervalSeconds, 60);
}

}  // namespace
}  // namespace ql::test
