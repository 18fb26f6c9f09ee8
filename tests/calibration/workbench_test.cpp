// The workbench's life, its acquisition replies, and the confirmation of cells in both tables.

#include "calibration/workbench.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "link/register_map.h"
#include "runtime/formats.h"
#include "workbench_fixture.h"

namespace ql::calibration::test {
namespace {

namespace pc = pressure_column;
namespace tc = temperature_column;

using WorkbenchTest = WorkbenchFixture;

Bytes operator+(Bytes left, const Bytes& right) {
  left.insert(left.end(), right.begin(), right.end());
  return left;
}

std::string clockText(std::time_t t) {
  const DateTime local = localDateTime(t);
  return TwoDigits(local.hour) + ":" + TwoDigits(local.minute) + ":" + TwoDigits(local.second);
}

TEST_F(WorkbenchTest, OpeningAndClosingWriteTheCalibrationModeTwiceAndTheClosingWritesOutliveTheWorkbench) {
  const Bytes enter = bytesFromHex("01 10 FE FE 00 01 02 00 5C");
  const Bytes leave = bytesFromHex("01 10 FE FE 00 01 02 00 00");
  workbench.selectPressureCell(2, 1);
  workbench.show();
  EXPECT_TRUE(state.CalibrationActive);
  loop.advance(19);
  EXPECT_EQ(sentCount(enter), 0u);
  loop.advance(1);
  EXPECT_EQ(sentCount(enter), 1u);
  loop.advance(149);
  EXPECT_EQ(sentCount(enter), 1u);
  loop.advance(1);
  EXPECT_EQ(sentCount(enter), 2u);
  loop.advance(830);
  EXPECT_EQ(sentCount(acquisitionRequest()), 1u);
  EXPECT_EQ(state.LastRequest, AppendCrc(acquisitionRequest()));
  EXPECT_TRUE(workbench.startAcquisition());
  workbench.selectPressureCell(6, 1);
  EXPECT_FALSE(workbench.startAcquisition());
  workbench.selectPressureCell(2, 1);

  workbench.close();
  EXPECT_FALSE(state.CalibrationActive);
  EXPECT_EQ(closings, 1);
  loop.advance(19);
  EXPECT_EQ(sentCount(leave), 0u);
  loop.advance(1);
  EXPECT_EQ(sentCount(leave), 1u);
  loop.advance(150);
  EXPECT_EQ(sentCount(leave), 2u);
  EXPECT_FALSE(workbench.startAcquisition());
  loop.advance(5000);
  EXPECT_EQ(sentCount(acquisitionRequest()), 1u);
  EXPECT_EQ(sentCount(enter), 2u);

  // Closed, the dispatcher no longer hands blocks over.
  arriveAcquisition({.pressureReading = 1002500});
  EXPECT_EQ(workbench.fields().pressureReading, "");
}

TEST_F(WorkbenchTest, AnAcquisitionReplyCountsOnlyWithExactly41BytesFromItsHead) {
  const Bytes reply = acquisitionReply({.pressureAd = 9588628, .pressureReading = 1002500});
  const Bytes acquisitionEcho = AppendCrc(acquisitionRequest());
  struct Case {
    const char* name;
    Bytes block;
    Bytes lastRequest;
    bool accepted;
  };
  const Case cases[] = {
      {"with its echo", withEcho(reply), acquisitionEcho, true},
      {"echo lost: the request is put in front", reply, acquisitionEcho, true},
      {"echo lost, one byte more", reply + Bytes{0x00}, acquisitionEcho, false},
      {"with its echo, one byte more", withEcho(reply) + Bytes{0x00}, acquisitionEcho, false},
      {"with its echo, one byte short", withEcho(Bytes(reply.begin(), reply.end() - 1)), acquisitionEcho,
       false},
      {"echo lost after another request", reply,
       AppendCrc(reg::readRequest(reg::kPressureCoefficients25, 12)), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Workbench bench(context());
    state.LastRequest = c.lastRequest;
    bench.receive(c.block);
    loop.advance(Workbench::kReceiveMs);
    EXPECT_EQ(bench.fields().pressureReading, c.accepted ? "100.250" : "");
    EXPECT_EQ(bench.fields().average1, c.accepted ? "9588628" : "");
    EXPECT_EQ(bench.rings().SampleIndex(), c.accepted ? 1 : 0);
    if (c.block == reply && c.accepted) {
      EXPECT_EQ(bench.CalibrationBuffer(), Bytes{0x20} + withEcho(reply));
    }
  }
}

TEST_F(WorkbenchTest, RepliesFillTheRingsAndTheLabelsOfTheTabShown) {
  workbench.show();
  workbench.selectPressureCell(2, 1);
  for (std::int32_t pressure : {1000, 0, 1001, 1003, 1001})
    arriveAcquisition({.pressureAd = pressure,
                       .temperature1Reading = 215000,
                       .pressureReading = -1234,
                       .temperature2Reading = 123456});
  const WorkbenchFields& f = workbench.fields();
  EXPECT_EQ(f.instant1, "1001");
  EXPECT_EQ(f.average1, "1001");
  EXPECT_EQ(workbench.sampleCount(), 4);
  EXPECT_EQ(f.instant2, "");
  EXPECT_EQ(f.average2, "");
  EXPECT_EQ(f.temperature1Reading, "21.500");
  EXPECT_EQ(f.pressureReading, "-0.123");
  EXPECT_EQ(f.temperature2Reading, "12.346");
  EXPECT_TRUE(f.acquisitionFlash);
  loop.advance(Workbench::kFlashMs);
  EXPECT_FALSE(f.acquisitionFlash);

  workbench.setWindow(30);
  EXPECT_EQ(f.window, 30);
  EXPECT_EQ(f.average1, "0");
  EXPECT_EQ(f.sampleCountText, "0");
  EXPECT_EQ(workbench.rings().SampleIndex(), 0);
  EXPECT_EQ(workbench.rings().at(SampleRings::kPressure), 0);

  workbench.selectTab(WorkbenchTab::Temperature);
  EXPECT_EQ(tabChanges, std::vector<WorkbenchTab>{WorkbenchTab::Temperature});
  workbench.selectTemperatureCell(2, 1);
  arriveAcquisition({.temperature1Ad = 5000000, .temperature2Ad = 4600000});
  arriveAcquisition({.temperature1Ad = 5000003, .temperature2Ad = 4600001});
  EXPECT_EQ(f.instant1, "5000003");
  EXPECT_EQ(f.instant2, "4600001");
  EXPECT_EQ(f.average1, "5000001");
  EXPECT_EQ(f.average2, "4600000");

  // The verification column shows no codes.
  workbench.selectTemperatureCell(4, 1);
  arriveAcquisition({.temperature1Ad = 7, .temperature2Ad = 8});
  EXPECT_EQ(f.instant1, "5000003");
}

struct PressureConfirmTest : WorkbenchFixture {
  // Confirms cell after cell, each fed one reply made for it, while the column is one of the
  // given ones. Returns the cells confirmed.
  std::vector<Cell> confirmThrough(std::initializer_list<int> columns,
                                   const std::function<Acquisition(Cell)>& replyFor) {
    std::vector<Cell> visited;
    for (int guard = 0; guard < 100; ++guard) {
      const Cell cell = workbench.pressureCell();
      if (std::find(columns.begin(), columns.end(), cell.column) == columns.end()) break;
      visited.push_back(cell);
      arriveAcquisition(replyFor(cell));
      workbench.keyReleased(TableKey::Enter, cell);
    }
    return visited;
  }
  // The codes name the cell they are confirmed in.
  static Acquisition cycleReply(Cell cell) {
    return {.pressureAd = 1000 * cell.column + cell.row, .temperature2Reading = 25000 + cell.row};
  }
};

TEST_F(PressureConfirmTest, TwoCyclesRunUpAndDownMeasuringTheTopPointTwiceThenThePollStops) {
  setPressurePoints({0, 100000, 200000});
  workbench.show();
  workbench.selectPressureCell(2, 1);

  const std::vector<Cell> visited = confirmThrough({2, 3, 4, 5}, cycleReply);
  const std::vector<Cell> expected{{2, 1}, {2, 2}, {2, 3}, {3, 3}, {3, 2}, {3, 1},
                                   {4, 1}, {4, 2}, {4, 3}, {5, 3}, {5, 2}, {5, 1}};
  EXPECT_EQ(visited, expected);
  EXPECT_EQ(workbench.pressureCell(), (Cell{6, 1}));
  EXPECT_EQ(workbench.fields().LastPressureCell, (Cell{6, 1}));

  const PointTable& table = workbench.pressureTable();
  for (int row = 1; row <= 3; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(table.cell(pc::kCycle1Rising, row), std::to_string(2000 + row));
    EXPECT_EQ(table.cell(pc::kCycle2Falling, row), std::to_string(5000 + row));
    EXPECT_EQ(table.cell(pc::kAverage, row), std::to_string(3500 + row));
    EXPECT_EQ(table.cell(pc::kPressureInfluence, row), "2.500");
  }

  port.clearWriteLog();
  loop.advance(3000);
  EXPECT_EQ(sentCount(acquisitionRequest()), 0u);
  // Enter does nothing on the average column.
  workbench.keyReleased(TableKey::Enter, {6, 1});
  EXPECT_EQ(workbench.pressureCell(), (Cell{6, 1}));
  EXPECT_EQ(table.cell(pc::kAverage, 1), "3501");
}

TEST_F(PressureConfirmTest, TheErrorColumnIsThePercentOfFullScaleOfTheWorseVerification) {
  std::vector<int> points;
  for (int pa = 0; pa <= 200000; pa += 20000) points.push_back(pa);
  setPressurePoints(points);
  workbench.show();
  workbench.selectPressureCell(7, 1);

  // The logger reads every point exactly, except at 100000 Pa: 100.250 rising, 100.100 falling.
  auto verification = [](Cell cell) {
    std::int32_t reading = (cell.row - 1) * 200000;  // 0.0001 kPa
    if (cell.row == 6) reading = cell.column == 7 ? 1002500 : 1001000;
    return Acquisition{.pressureReading = reading, .temperature2Reading = 180000};
  };
  const std::vector<Cell> visited = confirmThrough({7, 8}, verification);
  EXPECT_EQ(visited.size(), 22u);
  EXPECT_EQ(visited[11], (Cell{8, 11}));
  EXPECT_EQ(workbench.pressureCell(), (Cell{9, 1}));

  const PointTable& table = workbench.pressureTable();
  EXPECT_EQ(table.cell(pc::kVerifyRising, 6), "100.250");
  EXPECT_EQ(table.cell(pc::kVerifyFalling, 6), "100.100");
  EXPECT_EQ(table.cell(pc::kError, 6), "0.125");
  EXPECT_EQ(table.cell(pc::kError, 5), "0.000");
  EXPECT_EQ(table.cell(pc::kPressureInfluence, 6), "18.000");
  EXPECT_DOUBLE_EQ(workbench.fields().FullScale, 200000.0);
  EXPECT_EQ(workbench.fields().largestError, "最大误差：0.125%");

  port.clearWriteLog();
  loop.advance(3000);
  EXPECT_EQ(sentCount(acquisitionRequest()), 0u);
}

TEST_F(PressureConfirmTest, CellsThatDoNotParseLeaveTheirResultsUnwritten) {
  setPressurePoints({0, 0});
  PointTable& table = workbench.pressureTable();
  table.setCell(pc::kPoint, 2, "abc");
  workbench.show();

  // No full scale: the error is not written (no division by zero).
  workbench.selectPressureCell(7, 1);
  arriveAcquisition({.pressureReading = 500});
  workbench.confirm();
  workbench.selectPressureCell(8, 1);
  arriveAcquisition({.pressureReading = 500});
  workbench.confirm();
  EXPECT_EQ(table.cell(pc::kVerifyFalling, 1), "0.050");
  EXPECT_EQ(table.cell(pc::kError, 1), "");
  EXPECT_EQ(workbench.fields().largestError, kLargestErrorCaption);

  // A cycle cell that is no number: no column 6 on confirmation; counted as 0 by "计算平均值".
  table.setCell(pc::kCycle1Rising, 2, "12x4");
  table.setCell(pc::kCycle1Falling, 2, "1000");
  table.setCell(pc::kCycle2Rising, 2, "1002");
  workbench.selectPressureCell(5, 2);
  arriveAcquisition({.pressureAd = 1004});
  workbench.confirm();
  EXPECT_EQ(table.cell(pc::kCycle2Falling, 2), "1004");
  EXPECT_EQ(table.cell(pc::kAverage, 2), "");
  workbench.computeAverages();
  EXPECT_EQ(table.cell(pc::kAverage, 2), "751.5");
  EXPECT_EQ(table.cell(pc::kAverage, 1), "0");
}

TEST_F(PressureConfirmTest, ConfirmingWithoutARowWritesNothing) {
  setPressurePoints({0, 100000});
  workbench.show();
  workbench.selectPressureCell(2, 0);
  arriveAcquisition({.pressureAd = 1234});
  workbench.confirm();
  EXPECT_EQ(workbench.pressureTable().cell(2, 0), "回程1升压");
  EXPECT_EQ(workbench.pressureCell(), (Cell{2, 0}));
}

TEST_F(WorkbenchTest, TemperatureConfirmationLocksBothSensorsStampsTheTimeAndMovesToAnEmptyCell) {
  setTemperaturePoints({"0", "10", "20"});
  workbench.selectTab(WorkbenchTab::Temperature);
  workbench.show();
  const PointTable& table = workbench.temperatureTable();

  // Downwards while the next cell is empty; the last row stops when the one above is filled.
  workbench.selectTemperatureCell(2, 1);
  std::vector<Cell> visited;
  for (int row = 1; row <= 3; ++row) {
    arriveAcquisition({.temperature1Ad = 4194304 + row, .temperature2Ad = 4600000 + row});
    loop.advance(1000);
    visited.push_back(workbench.temperatureCell());
    workbench.keyReleased(TableKey::Enter, visited.back());
  }
  EXPECT_EQ(visited, (std::vector<Cell>{{2, 1}, {2, 2}, {2, 3}}));
  EXPECT_EQ(workbench.temperatureCell(), (Cell{2, 0}));
  EXPECT_EQ(table.cell(tc::kSensor1, 2), "4194306");
  EXPECT_EQ(table.cell(tc::kSensor2, 2), "4600002");
  EXPECT_EQ(table.cell(tc::kTime, 3), clockText(kStartTime + loop.nowMs() / 1000));
  EXPECT_EQ(workbench.fields().average1, "0");  // averaging restarted

  // Upwards from the last row while the cell above is empty.
  workbench.temperatureTable().setRowCount(1);
  setTemperaturePoints({"0", "10", "20"});
  workbench.selectTemperatureCell(3, 3);
  visited.clear();
  for (int step = 0; step < 3; ++step) {
    arriveAcquisition({.temperature1Ad = 4194304, .temperature2Ad = 4600000});
    visited.push_back(workbench.temperatureCell());
    workbench.confirm();
  }
  EXPECT_EQ(visited, (std::vector<Cell>{{3, 3}, {3, 2}, {3, 1}}));
  EXPECT_EQ(workbench.temperatureCell(), (Cell{3, 0}));

  // Verification: the logger's readings and the error against the point.
  workbench.selectTemperatureCell(4, 2);
  arriveAcquisition({.temperature1Reading = 102340, .temperature2Reading = 99990});
  workbench.confirm();
  EXPECT_EQ(table.cell(tc::kVerify1, 2), "10.234");
  EXPECT_EQ(table.cell(tc::kVerify2, 2), "9.999");
  EXPECT_EQ(table.cell(tc::kError, 2), "0.234");
  EXPECT_EQ(workbench.temperatureCell(), (Cell{4, 3}));
}

TEST_F(WorkbenchTest, ThePollAsksOnlyForCellsThatAreMeasured) {
  struct Case {
    WorkbenchTab tab;
    Cell pressure;
    Cell temperature;
    bool polls;
  };
  const Case cases[] = {
      {WorkbenchTab::Pressure, {2, 1}, {}, true},          {WorkbenchTab::Pressure, {10, 0}, {}, true},
      {WorkbenchTab::Pressure, {6, 1}, {}, false},         {WorkbenchTab::Pressure, {9, 3}, {}, false},
      {WorkbenchTab::GeneralParameters, {7, 2}, {}, true}, {WorkbenchTab::Temperature, {2, 1}, {}, false},
      {WorkbenchTab::Temperature, {}, {4, 2}, true},       {WorkbenchTab::Temperature, {}, {1, 2}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.tab) << " " << c.pressure.column << "/"
                                    << c.pressure.row << " " << c.temperature.column << "/"
                                    << c.temperature.row);
    workbench.selectTab(c.tab);
    workbench.selectPressureCell(c.pressure.column, c.pressure.row);
    workbench.selectTemperatureCell(c.temperature.column, c.temperature.row);
    workbench.show();
    port.clearWriteLog();
    loop.advance(Workbench::kPollMs);
    EXPECT_EQ(sentCount(acquisitionRequest()), c.polls ? 1u : 0u);
    workbench.close();
  }
  // Each tick shows where both tables stand.
  workbench.selectPressureCell(9, 3);
  workbench.selectTemperatureCell(4, 2);
  workbench.show();
  loop.advance(Workbench::kPollMs);
  EXPECT_EQ(workbench.fields().positions, "9_3_4_2");
}

TEST_F(WorkbenchTest, TheHighlightMarksTheMeasuredCellAndShowsTheLiveReadingWhileVerifying) {
  workbench.show();
  workbench.selectPressureCell(2, 1);
  EXPECT_EQ(workbench.fields().pressureHighlight, (RedCell{true, {2, 1}, ""}));
  workbench.selectPressureCell(6, 1);
  EXPECT_FALSE(workbench.fields().pressureHighlight.shown);
  workbench.selectPressureCell(7, 0);
  EXPECT_FALSE(workbench.fields().pressureHighlight.shown);

  workbench.selectTab(WorkbenchTab::Temperature);
  workbench.selectTemperatureCell(3, 2);
  EXPECT_EQ(workbench.fields().temperatureHighlight, (RedCell{true, {3, 2}, ""}));
  workbench.selectTemperatureCell(4, 1);
  arriveAcquisition({.temperature1Reading = 215000});
  loop.advance(Workbench::kHighlightMs);
  EXPECT_EQ(workbench.fields().temperatureHighlight, (RedCell{true, {4, 1}, "21.500"}));
  EXPECT_EQ(workbench.fields().LastTemperatureCell, (Cell{4, 1}));
  workbench.selectTemperatureCell(1, 1);  // not a measured column: no cell
  EXPECT_EQ(workbench.temperatureCell(), (Cell{0, 0}));
  EXPECT_FALSE(workbench.fields().temperatureHighlight.shown);
}

TEST_F(WorkbenchTest, OtherRepliesAreOfferedAfterTheAcquisitionReplyAndBeforeTheShortReplies) {
  workbench.show();
  workbench.selectPressureCell(7, 1);
  arriveAcquisition({.pressureReading = 1});
  EXPECT_TRUE(offered.empty());

  auto eightDataBytes = [](std::uint32_t first) {
    Bytes reply{0x01, 0x03, 0x08};
    putBeU32(reply, first);
    putBeU32(reply, 0);
    return AppendCrc(reply);
  };
  arrive(eightDataBytes(1234567));
  ASSERT_EQ(offered.size(), 1u);
  EXPECT_EQ(offered[0], eightDataBytes(1234567));
  EXPECT_EQ(workbench.fields().temperature1Reading, "1234567");

  takeOthers = true;
  arrive(eightDataBytes(7654321));
  EXPECT_EQ(workbench.fields().temperature1Reading, "1234567");

  takeOthers = false;
  workbench.selectPressureCell(2, 1);
  Bytes fourDataBytes{0x01, 0x03, 0x04};
  putBeU32(fourDataBytes, 42);
  arrive(AppendCrc(fourDataBytes));
  EXPECT_EQ(workbench.fields().temperature1Reading, "42");
}

TEST_F(WorkbenchTest, SpacePicksTheFocusedCellAndBackspaceRestartsAveraging) {
  setPressurePoints({0, 100000});
  workbench.pressureTable().setCell(pc::kAverage, 2, "9588628");
  setTemperaturePoints({"25"});
  workbench.temperatureTable().setCell(tc::kSensor1, 1, "6700000");
  workbench.show();

  workbench.keyReleased(TableKey::Space, {pc::kAverage, 2});
  EXPECT_EQ(workbench.fields().adInput, "9588628");
  workbench.selectTab(WorkbenchTab::Temperature);
  workbench.keyReleased(TableKey::Space, {tc::kSensor1, 1});
  EXPECT_EQ(workbench.fields().adInput, "6700000");

  workbench.selectTemperatureCell(2, 1);
  arriveAcquisition({.temperature1Ad = 5, .temperature2Ad = 6});
  ASSERT_EQ(workbench.sampleCount(), 1);
  workbench.keyReleased(TableKey::Backspace, {});
  EXPECT_EQ(workbench.sampleCount(), 0);
  EXPECT_EQ(workbench.fields().average2, "0");
  EXPECT_EQ(workbench.rings().SampleIndex(), 0);
}

TEST(WorkbenchFamily, TheSecondFamilyIsAnyModelWith25InItsText) {
  VirtualScheduler loop;
  LinkState state;
  for (const auto& [model, second] : std::vector<std::pair<std::string, bool>>{
           {"QL310", false}, {"QL325", true}, {"QL310-25", true}, {"", false}}) {
    Workbench::Context context{state, loop};
    context.modelText = [model = model] { return model; };
    EXPECT_EQ(Workbench(context).secondFamily(), second) << model;
  }
}

}  // namespace
}  // namespace ql::calibration::test
