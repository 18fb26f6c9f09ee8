#include "status/monitor_view.h"

#include <gtest/gtest.h>

#include <memory>

namespace ql {
namespace {

TEST(MonitorView, DragOf300PixelsShowsSamples300OlderAndReturnsToLiveAfterTheHold) {
  MonitorView view;
  view.shown();
  const int before = curveWindow(5000, 1598, view.scrollOffset()).firstSlot;
  view.leftButtonDown(400);
  view.buttonUp(700);
  EXPECT_EQ(view.scrollOffset(), 300);
  EXPECT_EQ(view.holdSeconds(), 10);
  EXPECT_EQ(curveWindow(5000, 1598, view.scrollOffset()).firstSlot, before - 300);

  // Ten ticks count the hold out; the view stays where it was dragged until the next tick.
  for (int tick = 1; tick <= 10; ++tick) {
    view.secondTick();
    EXPECT_EQ(view.scrollOffset(), 300) << tick;
  }
  EXPECT_EQ(view.holdSeconds(), 0);
  view.secondTick();
  EXPECT_TRUE(view.live());
}

TEST(MonitorView, DragsAddUpAndStopAtTheRingsEnd) {
  MonitorView view;
  view.leftButtonDown(100);
  view.buttonUp(600);
  view.secondTick();
  view.leftButtonDown(10);
  view.buttonUp(260);
  EXPECT_EQ(view.scrollOffset(), 750);
  EXPECT_EQ(view.holdSeconds(), 10);  // a new drag restarts the hold

  view.leftButtonDown(1);
  view.buttonUp(200000);
  EXPECT_EQ(view.scrollOffset(), MonitorView::kMaxScrollOffset);

  // Dragging back past the newest sample is live, not ahead of it.
  view.leftButtonDown(200000);
  view.buttonUp(1);
  EXPECT_TRUE(view.live());
  EXPECT_EQ(view.holdSeconds(), 0);

  // A release without a press (or after the right button) moves nothing.
  view.buttonUp(500);
  EXPECT_TRUE(view.live());
}

TEST(MonitorView, EscapeReturnsAHeldViewToLiveThenCloses) {
  MonitorView view;
  view.leftButtonDown(50);
  view.buttonUp(80);
  EXPECT_EQ(view.escape(), MonitorView::EscapeAction::BackToLive);
  EXPECT_TRUE(view.live());
  EXPECT_EQ(view.holdSeconds(), 0);
  EXPECT_EQ(view.escape(), MonitorView::EscapeAction::Close);
}

TEST(MonitorView, RightButtonReturnsToLiveAndCancelsADrag) {
  MonitorView view;
  view.leftButtonDown(50);
  view.buttonUp(80);
  view.leftButtonDown(100);
  view.rightButtonDown();
  EXPECT_TRUE(view.live());
  EXPECT_EQ(view.holdSeconds(), 0);
  view.buttonUp(400);  // the drag begun before the right button is gone
  EXPECT_TRUE(view.live());
}

TEST(MonitorGeometry, WindowCoversTheClientWidthEndingAtTheWriteIndex) {
  const CurveWindow live = curveWindow(5, 10, 0);
  EXPECT_EQ(live.firstSlot, 99994);  // 5 - 10 - 1 wraps
  EXPECT_EQ(live.slotCount, 12);
  EXPECT_EQ(live.slotAt(6), 0);
  EXPECT_EQ(live.slotAt(11), 5);

  // The hint names the slot drawn in the mouse's pixel column, live or held.
  const int clientWidth = 1600;
  for (int offset : {0, 300, 99999}) {
    const CurveWindow window = curveWindow(40, clientWidth - 2, offset);
    for (int x : {0, 1, 800, clientWidth - 1})
      EXPECT_EQ(hintSlot(40, x, offset, clientWidth), window.slotAt(x));
  }
}

TEST(MonitorGeometry, RangeIsTakenOverWrittenSlotsAndWidenedPerChannel) {
  auto history = std::make_unique<MonitorHistory>();
  for (int slot = 10; slot < 20; ++slot) {
    history->setStamp(static_cast<std::size_t>(slot), "2026-12-10 04:05:06");
    history->temperature[static_cast<std::size_t>(slot)] = 20 + slot % 3;       // 20..22
    history->pressure[static_cast<std::size_t>(slot)] = 30 + slot;              // 40..49
    history->thirdChannel[static_cast<std::size_t>(slot)] = 5;                  // 5
    history->internalTemperature[static_cast<std::size_t>(slot)] = -10 + slot;  // 0..9
  }
  // An empty slot with a stray value inside the window does not count.
  history->pressure[15 + 20] = 900;
  const CurveWindow window{10, 40};
  struct Case {
    MonitorChannel channel;
    double minimum, maximum;
  };
  const Case cases[] = {
      {MonitorChannel::Temperature, 17, 25},
      {MonitorChannel::Pressure, 0, 99},  // 40 - 50 stops at 0
      {MonitorChannel::ThirdChannel, 0, 7},
      {MonitorChannel::InternalTemperature, -3, 12},
  };
  for (const Case& c : cases) {
    const CurveRange range = curveRange(*history, c.channel, window);
    EXPECT_DOUBLE_EQ(range.minimum, c.minimum) << static_cast<int>(c.channel);
    EXPECT_DOUBLE_EQ(range.maximum, c.maximum) << static_cast<int>(c.channel);
  }
  // A window that begins on a slot not yet written (a ring still filling) is not pulled to 0.
  const CurveRange filling = curveRange(*history, MonitorChannel::Temperature, CurveWindow{5, 40});
  EXPECT_DOUBLE_EQ(filling.minimum, 17);
  EXPECT_DOUBLE_EQ(filling.maximum, 25);
  // A window of nothing but empty slots still has a scale.
  const CurveRange empty = curveRange(*history, MonitorChannel::Pressure, CurveWindow{50000, 100});
  EXPECT_GT(empty.maximum, empty.minimum);
}

TEST(MonitorGeometry, GridPointsAndTimeMarks) {
  const MonitorPlotArea area = monitorPlotArea(1600, 1000, 99);
  EXPECT_EQ(area.top, 100);
  EXPECT_EQ(area.bottom, 999);
  EXPECT_EQ(area.width(), 1598);
  EXPECT_EQ(gridLineY(area, 1), 249);
  EXPECT_EQ(gridLineY(area, 5), 845);
  EXPECT_FALSE(monitorPlotArea(1600, 100, 99).hasHeight());

  const CurveRange range{0, 60};
  EXPECT_DOUBLE_EQ(gridLabelValue(range, 1), 10);
  EXPECT_DOUBLE_EQ(gridLabelValue(range, 5), 50);
  EXPECT_EQ(pointY(area, range, 0), 998);   // the minimum sits on the bottom row
  EXPECT_EQ(pointY(area, range, 30), 549);  // 999 - trunc(449.5) - 1
  EXPECT_EQ(pointY(area, range, 60), 99);   // the maximum one row above the area

  EXPECT_TRUE(isFiveMinuteMark("2026-12-10 04:05:00"));
  EXPECT_TRUE(isFiveMinuteMark("2026-12-10 04:50:00"));
  EXPECT_FALSE(isFiveMinuteMark("2026-12-10 04:05:01"));
  EXPECT_FALSE(isFiveMinuteMark("2026-12-10 04:06:00"));
  EXPECT_FALSE(isFiveMinuteMark(""));
}

TEST(MonitorGeometry, HintTextAndTopBoxLayout) {
  auto history = std::make_unique<MonitorHistory>();
  history->setStamp(7, "2026-12-10 04:05:06");
  history->temperature[7] = 21.5;
  history->pressure[7] = 110.25;
  history->thirdChannel[7] = 0.1;
  EXPECT_EQ(hintText(*history, 7, {"温度", "压力", "电导率"}),
            "2026-12-10 04:05:06\n温度: 21.5\n压力: 110.25\n电导率: 0.1");

  const TopBoxLayout wide = topBoxLayout(1600, 150);  // d = 1402
  EXPECT_EQ(wide.boxWidth, 350);
  EXPECT_EQ(wide.boxX[3], 8 + 3 * 350);
  EXPECT_EQ(wide.selectorX, 8 + 4 * 350);
  EXPECT_EQ(topBoxLayout(841, 150).boxWidth, 161);  // d = 643: not above the limit
  EXPECT_EQ(topBoxLayout(846, 150).boxWidth, 162);  // d = 648 div 4
}

}  // namespace
}  // namespace ql
