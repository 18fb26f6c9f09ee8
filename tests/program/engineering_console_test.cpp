// The service chords of the data information memo: the core on its own with a recording sender,
// then velmo's core against the simulated logger (trace lines, link frame, LED frames, the
// listing without a logger, the poll gate).

#include "shell/engineering_console.h"

#include <gtest/gtest.h>

#include <optional>
#include <regex>

#include "logger_fixture.h"
#include "runtime/virtual_scheduler.h"

namespace ql {
namespace {

// Noon of a day in December 2026, local time; 7 December is a Monday.
std::time_t noonOn(int dayOfDecember) {
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 11;
  local.tm_mday = dayOfDecember;
  local.tm_hour = 12;
  local.tm_isdst = -1;
  return std::mktime(&local);
}
constexpr int kMonday = 7;
constexpr int kTuesday = 8;

// A memo line without its "yyyy-mm-dd hh:mm:ss " stamp.
std::string unstamped(const std::string& line) { return line.size() > 20 ? line.substr(20) : line; }
std::vector<std::string> unstamped(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& line : lines) out.push_back(unstamped(line));
  return out;
}

ConsoleChord chord(int key, bool left = false, bool right = false, bool ctrl = true, bool alt = true) {
  return ConsoleChord{key, ctrl, alt, left, right};
}

class ConsoleFixture : public ::testing::Test {
 protected:
  ConsoleFixture() {
    console.openCalibration = [this] { ++calibrationOpened; };
  }

  struct Sent {
    std::int64_t atMs;
    Bytes frame;
  };

  std::time_t now = noonOn(kMonday);
  VirtualScheduler loop;
  LinkState state;
  ConnectionPanel panel;
  MemoLog memo{[this] { return now; }};
  InstrumentInfo info;
  std::vector<Sent> sent;
  bool pollBusy = false;
  int liveDisplayOffs = 0;
  int calibrationOpened = 0;
  EngineeringConsole console{EngineeringConsole::Context{state, panel, memo, info, loop,
                                                         [this](const Bytes& frame) {
                                                           sent.push_back({loop.nowMs(), frame});
                                                         },
                                                         [this] { return now; }, [this] { return pollBusy; },
                                                         [this] { ++liveDisplayOffs; }}};
};

TEST(ServiceKey, EachWeekdayHasItsOwnDigitAndNoneIsTheListingKey) {
  // The rule the README gives service staff: Monday 4, Tuesday 7, Wednesday 0, Thursday 3,
  // Friday 6, Saturday 9, Sunday 2.
  const std::string expected = "4703692";
  std::string digits;
  for (int day = kMonday; day < kMonday + 7; ++day)
    digits += char(EngineeringConsole::serviceKey(noonOn(day)));
  EXPECT_EQ(digits, expected);
  // The digit follows the date, not the hour.
  EXPECT_EQ(EngineeringConsole::serviceKey(noonOn(kMonday) - 12 * 3600 + 60), '4');
  EXPECT_EQ(EngineeringConsole::serviceKey(noonOn(kMonday) + 11 * 3600 + 59 * 60), '4');
}

// What one chord does from a fresh state.
struct ChordCase {
  const char* name;
  ConsoleChord chord;
  bool connected;
  bool pollBusy;
  bool calibrationWindowExists;
  // Expected outcome.
  bool acted;
  bool traceOn;
  int linkEcho;
  int calibrationOpened;
  std::vector<std::string> memoLines;  // a listing is checked by its length only
  std::optional<Bytes> ledFrame;
};

const int kMondayKey = '4';
const int kTuesdayKey = '7';

class ChordTable : public ConsoleFixture, public ::testing::WithParamInterface<ChordCase> {};

TEST_P(ChordTable, ActsOnlyWithItsConditions) {
  const ChordCase& c = GetParam();
  state.ConnectedPort = c.connected ? "/dev/ttyQL" : "";
  pollBusy = c.pollBusy;
  if (!c.calibrationWindowExists) console.openCalibration = nullptr;

  EXPECT_EQ(console.onKeyRelease(c.chord), c.acted);
  loop.advance(1000);

  EXPECT_EQ(state.TraceSwitch, c.traceOn);
  EXPECT_EQ(state.LinkEcho, c.linkEcho);
  EXPECT_EQ(panel.statusRed, c.linkEcho == 1);
  EXPECT_EQ(calibrationOpened, c.calibrationOpened);
  EXPECT_EQ(liveDisplayOffs, c.calibrationOpened);
  if (c.chord.key == '8' && c.acted) {
    EXPECT_EQ(memo.lines().size(), 26u);
  } else {
    EXPECT_EQ(unstamped(memo.lines()), c.memoLines);
  }
  if (c.ledFrame) {
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].frame, *c.ledFrame);
    EXPECT_EQ(sent[1].frame, *c.ledFrame);
  } else {
    EXPECT_TRUE(sent.empty());
  }
}

const std::vector<std::string> kNoLines;

INSTANTIATE_TEST_SUITE_P(
    Chords, ChordTable,
    ::testing::Values(
        ChordCase{
            "TraceOn", chord(kMondayKey, true), false, false, true, true, true, 0, 0, {"switch = 1"}, {}},
        ChordCase{"TraceWithoutCtrl",
                  chord(kMondayKey, true, false, false),
                  false,
                  false,
                  true,
                  false,
                  false,
                  0,
                  0,
                  kNoLines,
                  {}},
        ChordCase{"TraceWithoutAlt",
                  chord(kMondayKey, true, false, true, false),
                  false,
                  false,
                  true,
                  false,
                  false,
                  0,
                  0,
                  kNoLines,
                  {}},
        ChordCase{"ServiceKeyWithoutButton",
                  chord(kMondayKey),
                  true,
                  false,
                  true,
                  false,
                  false,
                  0,
                  0,
                  kNoLines,
                  {}},
        ChordCase{
            "OtherDaysKey", chord(kTuesdayKey, true), true, false, true, false, false, 0, 0, kNoLines, {}},
        ChordCase{"OtherDaysKeyRight",
                  chord(kTuesdayKey, false, true),
                  true,
                  false,
                  true,
                  false,
                  false,
                  0,
                  0,
                  kNoLines,
                  {}},
        ChordCase{"Calibration",
                  chord(kMondayKey, false, true),
                  true,
                  false,
                  true,
                  true,
                  false,
                  0,
                  1,
                  kNoLines,
                  {}},
        ChordCase{"CalibrationNotConnected",
                  chord(kMondayKey, false, true),
                  false,
                  false,
                  true,
                  false,
                  false,
                  0,
                  0,
                  kNoLines,
                  {}},
        ChordCase{"CalibrationDuringPoll",
                  chord(kMondayKey, false, true),
                  true,
                  true,
                  true,
                  false,
                  false,
                  0,
                  0,
                  kNoLines,
                  {}},
        ChordCase{"CalibrationWindowAbsent",
                  chord(kMondayKey, false, true),
                  true,
                  false,
                  false,
                  false,
                  false,
                  0,
                  0,
                  kNoLines,
                  {}},
        ChordCase{"Listing", chord('8'), false, false, true, true, false, 0, 0, {}, {}},
        ChordCase{"ListingWithoutAlt",
                  chord('8', false, false, true, false),
                  false,
                  false,
                  true,
                  false,
                  false,
                  0,
                  0,
                  kNoLines,
                  {}},
        ChordCase{"LinkEcho", chord('S', true), false, false, true, true, false, 1, 0, kNoLines, {}},
        ChordCase{"LinkEchoWithoutButton", chord('S'), false, false, true, false, false, 0, 0, kNoLines, {}},
        ChordCase{"LinkEchoRightButton",
                  chord('S', false, true),
                  false,
                  false,
                  true,
                  false,
                  false,
                  0,
                  0,
                  kNoLines,
                  {}},
        ChordCase{"LedOn",
                  chord('C', true),
                  false,
                  false,
                  true,
                  true,
                  false,
                  0,
                  0,
                  {"打开 LED 指示灯."},
                  Bytes{0x01, 0x04, 0x01, 0x01, 0x01, 0x06}},
        ChordCase{"LedOnWithoutButton", chord('C'), true, false, true, false, false, 0, 0, kNoLines, {}},
        ChordCase{"LedOff",
                  chord('V', true),
                  false,
                  false,
                  true,
                  true,
                  false,
                  0,
                  0,
                  {"关闭 LED 指示灯."},
                  Bytes{0x01, 0x04, 0x01, 0x01, 0x01, 0x05}},
        ChordCase{"LedOffWithoutCtrl",
                  chord('V', true, false, false, true),
                  true,
                  false,
                  true,
                  false,
                  false,
                  0,
                  0,
                  kNoLines,
                  {}},
        ChordCase{"OtherKey", chord('X', true, true), true, false, true, false, false, 0, 0, kNoLines, {}}),
    [](const ::testing::TestParamInfo<ChordCase>& info) { return std::string(info.param.name); });

TEST_F(ConsoleFixture, TheServiceKeyIsTakenFromTheClockAtTheRelease) {
  EXPECT_TRUE(console.onKeyRelease(chord(kMondayKey, true)));
  now = noonOn(kTuesday);
  EXPECT_FALSE(console.onKeyRelease(chord(kMondayKey, true)));
  EXPECT_TRUE(state.TraceSwitch);
  EXPECT_TRUE(console.onKeyRelease(chord(kTuesdayKey, true)));
  EXPECT_FALSE(state.TraceSwitch);
  EXPECT_EQ(unstamped(memo.lines()), (std::vector<std::string>{"switch = 1", "switch = 0"}));
}

TEST_F(ConsoleFixture, LinkEchoTogglesBackAndTellsTheCaption) {
  int notified = 0;
  panel.subscribe([&] { ++notified; });
  console.onKeyRelease(chord('S', true));
  EXPECT_EQ(state.LinkEcho, 1);
  EXPECT_TRUE(panel.statusRed);
  console.onKeyRelease(chord('S', true));
  EXPECT_EQ(state.LinkEcho, 0);
  EXPECT_FALSE(panel.statusRed);
  EXPECT_EQ(notified, 2);
}

TEST_F(ConsoleFixture, LedFramesGoOutTwice200msApartWithoutBlocking) {
  loop.advance(50);
  console.onKeyRelease(chord('C', true));
  ASSERT_EQ(sent.size(), 1u);  // the first at once; the key release returned before the second
  loop.advance(199);
  EXPECT_EQ(sent.size(), 1u);
  loop.advance(1);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1].atMs - sent[0].atMs, EngineeringConsole::kLedRepeatMs);
  loop.advance(5000);
  EXPECT_EQ(sent.size(), 2u);
}

TEST(EngineeringConsoleLifetime, ARepeatPendingWhenTheConsoleIsGoneIsDropped) {
  VirtualScheduler loop;
  LinkState state;
  ConnectionPanel panel;
  MemoLog memo{[] { return std::time_t(0); }};
  InstrumentInfo info;
  int sends = 0;
  auto console = std::make_unique<EngineeringConsole>(EngineeringConsole::Context{
      state, panel, memo, info, loop, [&](const Bytes&) { ++sends; }, {}, {}, {}});
  console->onKeyRelease(chord('V', true));
  console.reset();
  loop.advance(1000);
  EXPECT_EQ(sends, 1);
}

TEST_F(ConsoleFixture, ListsTheConstantsInTheirOrderAndFormat) {
  for (int i = 0; i < 14; ++i) info.InstrumentConstants[std::size_t(i)] = 100 + i;
  info.InstrumentConstants[8] = -5;  // the signed slot
  info.PressureRatios = {1.5, -2.25e-7, 0.1, 12345678, 1e15, 0};
  info.TemperatureRatios = {0.000125, 2, 3, 4, 5, -6.5};
  console.onKeyRelease(chord('8'));
  EXPECT_EQ(unstamped(memo.lines()), (std::vector<std::string>{
                                         "K3 :  100",
                                         "K4 :  101",
                                         "K5 :  102",
                                         "K6 :  103",
                                         "K7 :  104",
                                         "K8 :  105",
                                         "K9 :  106",
                                         "K10 :  107",
                                         "K11 :  -5",
                                         "K12 :  109",
                                         "K13 :  110",
                                         "K14 :  111",
                                         "ratio pressure1 :  1.5",
                                         "ratio pressure2 :  -2.25E-7",
                                         "ratio pressure3 :  0.1",
                                         "ratio pressure4 :  12345678",
                                         "ratio pressure5 :  1E15",
                                         "ratio pressure6 :  0",
                                         "ratio temperature1 :  0.000125",
                                         "ratio temperature2 :  2",
                                         "ratio temperature3 :  3",
                                         "ratio temperature4 :  4",
                                         "ratio temperature5 :  5",
                                         "ratio temperature6 :  -6.5",
                                         "ratio battery1 :  0",
                                         "ratio battery2 :  0",
                                     }));
  // Each line carries the memo's time stamp.
  EXPECT_EQ(memo.lines().front(), formatDateTime(localDateTime(now)) + " K3 :  100");
}

TEST_F(ConsoleFixture, TheClearMenuIsOfferedOnlyWhileThePollIsIdle) {
  EXPECT_TRUE(console.clearMenuOffered());
  pollBusy = true;
  EXPECT_FALSE(console.clearMenuOffered());
}

// --- velmo's core against the simulated logger ---------------------------------------------------

class ProgramConsoleTest : public test::LoggerFixture {
 protected:
  int serviceKeyNow() const { return EngineeringConsole::serviceKey(test::kStartTime + loop.nowMs() / 1000); }
  // Hexadecimal text as the trace writes it.
  static std::string traceText(const Bytes& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) text += std::string{digits[b >> 4], digits[b & 15], ' '};
    return text;
  }
  // Memo lines (unstamped) that are trace lines of a block beginning with prefix.
  std::vector<std::string> traceLinesOf(const Bytes& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : unstamped(program->memo().lines()))
      if (line.rfind(traceText(prefix), 0) == 0) found.push_back(line);
    return found;
  }
};

TEST_F(ProgramConsoleTest, ListsZerosWithoutALogger) {
  VelmoProgram& velmo = launch();
  ASSERT_FALSE(velmo.linkState().connected());
  EXPECT_TRUE(velmo.console().onKeyRelease(chord('8')));
  const std::vector<std::string> lines = unstamped(velmo.memo().lines());
  ASSERT_EQ(lines.size(), 26u);
  for (const std::string& line : lines) EXPECT_TRUE(line.ends_with(" :  0")) << line;
  EXPECT_EQ(lines[11], "K14 :  0");
  EXPECT_EQ(lines[25], "ratio battery2 :  0");
}

TEST_F(ProgramConsoleTest, TraceShowsEveryReceivedBlockAsUpperCaseHexOnceSwitchedOn) {
  VelmoProgram& velmo = start();
  // The live values are read once a second; the trace is off.
  const Bytes liveRead = liveValueRequest();
  loop.advance(3000);
  EXPECT_TRUE(traceLinesOf(liveRead).empty());

  ASSERT_TRUE(velmo.console().onKeyRelease(chord(serviceKeyNow(), true)));
  EXPECT_EQ(unstamped(velmo.memo().lines().back()), "switch = 1");
  loop.advance(3000);
  const std::vector<std::string> traced = traceLinesOf(liveRead);
  ASSERT_EQ(traced.size(), 3u);
  const std::regex hexBytes("([0-9A-F]{2} )+");
  for (const std::string& line : traced) {
    EXPECT_TRUE(std::regex_match(line, hexBytes)) << line;
    EXPECT_GT(line.size(), traceText(liveRead).size() + 3 * 3);  // the echo and an answer after it
  }

  ASSERT_TRUE(velmo.console().onKeyRelease(chord(serviceKeyNow(), true)));
  EXPECT_EQ(unstamped(velmo.memo().lines().back()), "switch = 0");
  velmo.clearMemo();
  loop.advance(3000);
  EXPECT_TRUE(traceLinesOf(liveRead).empty());
}

TEST_F(ProgramConsoleTest, LinkEchoSelectsTheAlternativeLinkFrame) {
  VelmoProgram& velmo = launch();
  EXPECT_EQ(velmo.connection().linkFrame(), reg::controlFrame(0x03));
  ASSERT_TRUE(velmo.console().onKeyRelease(chord('S', true)));
  EXPECT_TRUE(velmo.connectionPanel().statusRed);
  EXPECT_EQ(velmo.connection().linkFrame(), (Bytes{0x01, 0x04, 0x01, 0x01, 0x04, 0x04}));
  // The search sends it from then on.
  port.clearWriteLog();
  loop.advance(3000);
  EXPECT_FALSE(framesSent(AppendCrc(reg::controlFrame(0x04))).empty());
  EXPECT_TRUE(framesSent(AppendCrc(reg::controlFrame(0x03))).empty());
}

TEST_F(ProgramConsoleTest, LedFramesReachTheLoggerTwice) {
  VelmoProgram& velmo = start();
  port.clearWriteLog();
  ASSERT_TRUE(velmo.console().onKeyRelease(chord('C', true)));
  EXPECT_EQ(framesSent(AppendCrc(ledOnFrame())).size(), 1u);
  loop.advance(199);
  EXPECT_EQ(framesSent(AppendCrc(ledOnFrame())).size(), 1u);
  loop.advance(1);
  EXPECT_EQ(framesSent(AppendCrc(ledOnFrame())).size(), 2u);
  EXPECT_EQ(unstamped(velmo.memo().lines().back()), "打开 LED 指示灯.");
}

TEST_F(ProgramConsoleTest, ThePollGatesTheMenuAndTheCalibrationChord) {
  VelmoProgram& velmo = launch();
  int opened = 0;
  velmo.console().openCalibration = [&] { ++opened; };
  EXPECT_TRUE(velmo.console().clearMenuOffered());

  ASSERT_TRUE(loop.advanceUntil([&] { return velmo.linkState().connected(); }, 30000));
  ASSERT_TRUE(velmo.infoPoll().running());
  EXPECT_FALSE(velmo.console().clearMenuOffered());
  EXPECT_FALSE(velmo.console().onKeyRelease(chord(serviceKeyNow(), false, true)));

  ASSERT_TRUE(loop.advanceUntil([&] { return pollFinished(); }, 30000));
  EXPECT_TRUE(velmo.console().clearMenuOffered());
  velmo.liveValues().setLiveDisplay(true);
  EXPECT_TRUE(velmo.console().onKeyRelease(chord(serviceKeyNow(), false, true)));
  EXPECT_EQ(opened, 1);
  EXPECT_FALSE(velmo.liveValues().liveDisplayOn());
}

TEST_F(ProgramConsoleTest, WithoutACalibrationWindowTheCalibrationChordDoesNothing) {
  VelmoProgram& velmo = start();
  velmo.liveValues().setLiveDisplay(true);
  EXPECT_FALSE(velmo.console().onKeyRelease(chord(serviceKeyNow(), false, true)));
  EXPECT_TRUE(velmo.liveValues().liveDisplayOn());
}

}  // namespace
}  // namespace ql
