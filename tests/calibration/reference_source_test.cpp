// The pressure reference on the second port: the instructions, the "自动" box with its refusals
// and its open and close sequences, and the automatic stepping against a stand-in workbench.

#include "calibration/reference_source.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "link/memory_port.h"
#include "runtime/virtual_scheduler.h"

namespace ql::calibration {
namespace {

const std::string kOn(reference_instruction::kOutputOn);
const std::string kOff(reference_instruction::kOutputOff);

TEST(SourceInstruction, PointInPascalBecomesKilopascalWithOneDecimal) {
  const std::pair<const char*, const char*> cases[] = {
      {"100000", ":SOURce 100.0\r\n"},
      {"2500", ":SOURce 2.5\r\n"},
      {"0", ":SOURce 0.0\r\n"},
      {"12350", ":SOURce 12.4\r\n"},
      {"-5000", ":SOURce -5.0\r\n"},
      {"-40", ":SOURce 0.0\r\n"},
      // Not an integer: the reference goes to 105.0 kPa.
      {"1.5", ":SOURce 105.0\r\n"},
      {"", ":SOURce 105.0\r\n"},
      {"abc", ":SOURce 105.0\r\n"},
      {"2000 ", ":SOURce 105.0\r\n"},
      {"3000000000", ":SOURce 105.0\r\n"},
  };
  for (const auto& [point, instruction] : cases) EXPECT_EQ(sourceInstruction(point), instruction) << point;
}

// The workbench as far as the reference source sees it.
struct FakeBench {
  int column = 2;
  int row = 1;
  bool pressureTab = true;
  int samples = 20;
  int window = 20;
  int autoTicks = 0;
  std::vector<int> autoTickLog;  // every value set
  std::vector<std::string> points{"测量点(Pa)", "0", "100000", "200000", "300000"};
  std::vector<std::int64_t> confirmedAtMs;
  const VirtualScheduler* loop = nullptr;

  ReferenceContext context() {
    ReferenceContext c;
    c.pressureColumn = [this] { return column; };
    c.pressureRow = [this] { return row; };
    c.pressureTabActive = [this] { return pressureTab; };
    c.sampleCount = [this] { return samples; };
    c.windowSize = [this] { return window; };
    c.autoTicks = [this] { return autoTicks; };
    c.setAutoTicks = [this](int ticks) {
      autoTicks = ticks;
      autoTickLog.push_back(ticks);
    };
    c.pointText = [this](int r) {
      return r >= 0 && r < static_cast<int>(points.size()) ? points[r] : std::string();
    };
    c.confirm = [this] {
      confirmedAtMs.push_back(loop->nowMs());
      ++row;
    };
    return c;
  }
};

struct Write {
  std::int64_t atMs;
  std::string text;
  friend bool operator==(const Write&, const Write&) = default;
};

void PrintTo(const Write& w, std::ostream* os) {
  *os << w.atMs << " ms: " << ::testing::PrintToString(w.text);
}

class ReferenceSourceTest : public ::testing::Test {
 protected:
  ReferenceSourceTest() : port(loop) {
    bench.loop = &loop;
    port.setDevice([this](const Bytes& bytes, std::uint32_t rate) {
      writes.push_back({loop.nowMs(), std::string(bytes.begin(), bytes.end())});
      rates.push_back(rate);
    });
    source = std::make_unique<ReferenceSource>(
        loop, port, [this] { return machinePorts; }, bench.context());
    source->dialogShown();
    source->choosePort("/dev/ttyUSB1");
  }

  // Checks the box with the cell where it is and lets the open sequence run (920 ms).
  void startAutomatic() {
    source->setAutomatic(true);
    loop.advance(920);
    ASSERT_TRUE(source->portOpen());
    writes.clear();
  }

  std::vector<std::string> writtenTexts() const {
    std::vector<std::string> texts;
    for (const Write& w : writes) texts.push_back(w.text);
    return texts;
  }

  VirtualScheduler loop;
  MemoryPort port;
  FakeBench bench;
  std::vector<std::string> machinePorts{"/dev/ttyS0", "/dev/ttyUSB1"};
  std::vector<Write> writes;
  std::vector<std::uint32_t> rates;
  std::unique_ptr<ReferenceSource> source;
};

TEST_F(ReferenceSourceTest, OpenSequenceSwitchesTheOutputOnThenSetsTheSelectedPoint) {
  bench.row = 2;  // 100000 Pa
  bench.autoTicks = 7;
  source->setAutomatic(true);
  EXPECT_TRUE(source->automatic());
  loop.advance(19);
  EXPECT_FALSE(source->portOpen());
  loop.advance(1);
  EXPECT_TRUE(source->portOpen());
  EXPECT_EQ(port.commName(), "/dev/ttyUSB1");  // the path as it stands
  loop.advance(900);
  EXPECT_EQ(writes, (std::vector<Write>{{320, kOn}, {920, ":SOURce 100.0\r\n"}}));
  EXPECT_EQ(bench.autoTickLog, std::vector<int>{0});  // AutoTicks := 0 with the output on
  EXPECT_EQ(rates, (std::vector<std::uint32_t>{9600, 9600}));
}

TEST_F(ReferenceSourceTest, BoxIsRefusedWithoutAPortNameOrAMeasuringCell) {
  struct Case {
    const char* port;
    int column;
    int row;
    bool accepted;
  };
  const Case cases[] = {
      {"/dev/ttyUSB1", 2, 1, true},  {"/dev/ttyUSB1", 5, 4, true},   {"/dev/ttyUSB1", 7, 1, true},
      {"/dev/ttyUSB1", 8, 1, true},  {"COM", 2, 1, false},           {"", 2, 1, false},
      {"/dev/ttyUSB1", 2, 0, false}, {"/dev/ttyUSB1", 1, 1, false},  {"/dev/ttyUSB1", 6, 1, false},
      {"/dev/ttyUSB1", 9, 1, false}, {"/dev/ttyUSB1", 10, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.port) + " column " + std::to_string(c.column) + " row " +
                 std::to_string(c.row));
    port.close();
    port.open();  // a refusal closes an open port
    writes.clear();
    source->choosePort(c.port);
    bench.column = c.column;
    bench.row = c.row;
    source->setAutomatic(true);
    EXPECT_EQ(source->automatic(), c.accepted);
    if (!c.accepted) {
      EXPECT_FALSE(source->portOpen());
    }
    loop.advance(1000);
    EXPECT_EQ(source->portOpen(), c.accepted);
    EXPECT_EQ(writes.empty(), !c.accepted);
    source->setAutomatic(false);
    loop.advance(1000);
  }
}

TEST_F(ReferenceSourceTest, CalibrationPointIsConfirmedWhenAutoTicksExceedsWindowPlusTen) {
  startAutomatic();
  loop.advance(30000);
  EXPECT_TRUE(bench.confirmedAtMs.empty());
  EXPECT_EQ(bench.autoTicks, 30);
  loop.advance(1000);
  ASSERT_EQ(bench.confirmedAtMs, std::vector<std::int64_t>{31000});
  // AutoTicks reached 31 on that tick, then started again; the next row's point went out.
  ASSERT_GE(bench.autoTickLog.size(), 2u);
  EXPECT_EQ(bench.autoTickLog[bench.autoTickLog.size() - 2], 31);
  EXPECT_EQ(bench.autoTicks, 0);
  EXPECT_EQ(writtenTexts(), std::vector<std::string>{":SOURce 100.0\r\n"});
}

TEST_F(ReferenceSourceTest, CountStartsAgainAtTwoWhenTheAverageHoldsTwoSamples) {
  bench.window = 10;
  startAutomatic();
  loop.advance(5000);
  EXPECT_EQ(bench.autoTicks, 5);
  bench.samples = 2;
  loop.advance(1000);
  EXPECT_EQ(bench.autoTicks, 2);
  bench.samples = 3;
  // 21 exceeds window + 10: nineteen more ticks.
  loop.advance(18000);
  EXPECT_TRUE(bench.confirmedAtMs.empty());
  loop.advance(1000);
  EXPECT_EQ(bench.confirmedAtMs, std::vector<std::int64_t>{25000});
}

TEST_F(ReferenceSourceTest, VerificationPointIsConfirmedOnTheTenthTick) {
  bench.column = 7;
  bench.row = 3;
  startAutomatic();
  loop.advance(9000);
  EXPECT_TRUE(bench.confirmedAtMs.empty());
  loop.advance(1000);
  EXPECT_EQ(bench.confirmedAtMs, std::vector<std::int64_t>{10000});
  EXPECT_EQ(writtenTexts(), std::vector<std::string>{":SOURce 300.0\r\n"});
  loop.advance(10000);
  EXPECT_EQ(bench.confirmedAtMs.size(), 2u);
}

TEST_F(ReferenceSourceTest, OutputGoesOffEveryTickOutsideTheMeasuringColumns) {
  bench.column = 5;
  startAutomatic();
  for (int column : {6, 9}) {
    SCOPED_TRACE(column);
    writes.clear();
    bench.column = column;
    loop.advance(3000);
    EXPECT_EQ(writtenTexts(), (std::vector<std::string>{kOff, kOff, kOff}));
  }
  EXPECT_TRUE(bench.confirmedAtMs.empty());

  // Another tab: the stepping rests.
  writes.clear();
  bench.column = 2;
  bench.pressureTab = false;
  const int ticks = bench.autoTicks;
  loop.advance(5000);
  EXPECT_TRUE(writes.empty());
  EXPECT_EQ(bench.autoTicks, ticks);
}

TEST_F(ReferenceSourceTest, UncheckingSwitchesTheOutputOffThenClosesThePort) {
  startAutomatic();
  loop.advance(80);  // t = 1000: the first tick has counted
  source->setAutomatic(false);
  loop.advance(20);
  EXPECT_EQ(writes, (std::vector<Write>{{1020, kOff}}));
  loop.advance(299);
  EXPECT_TRUE(source->portOpen());
  loop.advance(1);
  EXPECT_FALSE(source->portOpen());
  const int ticks = bench.autoTicks;
  loop.advance(5000);
  EXPECT_EQ(writes.size(), 1u);
  EXPECT_EQ(bench.autoTicks, ticks);
}

TEST_F(ReferenceSourceTest, ClosingTheDialogSwitchesOffStopsSteppingAndClosesThePort) {
  startAutomatic();
  source->dialogClosed();
  EXPECT_EQ(writtenTexts(), std::vector<std::string>{kOff});
  loop.advance(300);
  EXPECT_FALSE(source->portOpen());
  loop.advance(60000);
  EXPECT_EQ(writes.size(), 1u);
  EXPECT_TRUE(bench.confirmedAtMs.empty());

  // Destroyed during the pause: the port is closed all the same.
  source->dialogShown();
  startAutomatic();
  source->dialogClosed();
  source.reset();
  EXPECT_FALSE(port.isOpen());
  loop.advance(1000);
}

TEST_F(ReferenceSourceTest, ANewerSequenceCancelsThePausedStepsOfAnOlderOne) {
  // Unchecked and checked again during the open sequence's pauses: only the newest sequence sends.
  source->setAutomatic(true);
  loop.advance(400);  // output on sent at 320
  source->setAutomatic(false);
  loop.advance(100);  // 420: output off, to close at 720
  source->setAutomatic(true);
  loop.advance(2000);
  EXPECT_EQ(writes, (std::vector<Write>{{320, kOn}, {420, kOff}, {820, kOn}, {1420, ":SOURce 0.0\r\n"}}));
  EXPECT_TRUE(source->portOpen());
  // The tick at 1000 fell into the pauses and counted nothing; 2000 counted.
  EXPECT_EQ(bench.autoTicks, 1);
}

TEST_F(ReferenceSourceTest, AFailedOpenStaysSilentButTheSteppingGoesOn) {
  port.setOpenFails(true);
  bench.column = 7;
  source->setAutomatic(true);
  loop.advance(10920);
  EXPECT_FALSE(source->portOpen());
  EXPECT_TRUE(writes.empty());
  EXPECT_EQ(bench.confirmedAtMs, std::vector<std::int64_t>{10000});
}

TEST_F(ReferenceSourceTest, PortChoicesComeFromTheMachineAndRefillOnRequest) {
  EXPECT_EQ(source->portChoices(), machinePorts);
  machinePorts = {"/dev/ttyACM0"};
  EXPECT_EQ(source->portChoices().size(), 2u);  // read once, at creation
  source->refillPortChoices();
  EXPECT_EQ(source->portChoices(), std::vector<std::string>{"/dev/ttyACM0"});
  EXPECT_EQ(source->chosenPort(), "");
  // Nothing chosen: the box is refused.
  source->setAutomatic(true);
  EXPECT_FALSE(source->automatic());
}

}  // namespace
}  // namespace ql::calibration
