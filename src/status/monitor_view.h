#pragma once
// The online monitor's view: which part of the history the curve shows and where everything is
// drawn, as plain numbers. The window keeps one MonitorView, forwards mouse, key and timer events
// to it and paints what the geometry functions say.
//
// The view is live (the newest samples at the right edge) or held: a drag moves it back in time
// and a hold counter keeps it there for ten seconds, after which it returns to live.

#include <array>
#include <string>
#include <string_view>

#include "status/monitor_history.h"

namespace ql {

enum class MonitorChannel { Temperature, Pressure, ThirdChannel, InternalTemperature };

class MonitorView {
 public:
  static constexpr int kMaxScrollOffset = 99999;
  static constexpr int kHoldSeconds = 10;

  enum class EscapeAction { BackToLive, Close };

  int scrollOffset() const { return scrollOffset_; }
  int holdSeconds() const { return hold_; }
  int dragStart() const { return dragStart_; }
  bool live() const { return scrollOffset_ == 0; }

  // The window was shown: the hold counter starts at 0.
  void shown() { hold_ = 0; }
  void leftButtonDown(int x) { dragStart_ = x; }
  // The right button: back to live at once.
  void rightButtonDown();
  // The end of a drag moves the view back by the distance dragged (rightwards: older samples).
  void buttonUp(int x);
  // Escape: a held view returns to live, otherwise the window closes.
  EscapeAction escape();
  // The one-second tick: the hold counts down; once it is out the view returns to live.
  void secondTick();

 private:
  void backToLive();

  int dragStart_ = -1000;  // <= 0: no drag
  int scrollOffset_ = 0;   // samples back from the newest
  int hold_ = 0;           // seconds left before the view returns to live
};

// --- geometry ---

// The plot area inside the window's client area, below the top box.
struct MonitorPlotArea {
  int left = 1, right = 0;                    // x from left to right (client width - 1)
  int top = 0, bottom = 0;                    // y from a (top box height + 1) to b (client height - 1)
  int width() const { return right - left; }  // W: client width - 2
  bool hasHeight() const { return bottom > top; }
};
MonitorPlotArea monitorPlotArea(int clientWidth, int clientHeight, int topBoxHeight);

// The ring slots the curve shows: W + 2 slots from firstSlot on, x = 0, 1, ... for each.
struct CurveWindow {
  int firstSlot = 0;
  int slotCount = 0;
  int slotAt(int i) const { return (firstSlot + i) % static_cast<int>(MonitorHistory::kSlots); }
};
CurveWindow curveWindow(int writeIndex, int plotWidth, int scrollOffset);

// The value of a slot on a channel.
double channelValue(const MonitorHistory& history, MonitorChannel channel, int slot);

// The vertical scale: the window's extremes over its written slots, widened by channel so the
// maximum always exceeds the minimum.
struct CurveRange {
  double minimum = 0, maximum = 0;
};
CurveRange curveRange(const MonitorHistory& history, MonitorChannel channel, const CurveWindow& window);

// y of grid line k (1..5): a + (b - a) div 6 x k.
int gridLineY(const MonitorPlotArea& area, int k);
// The label of grid line 6 - k: minimum + (maximum - minimum) / 6 x k.
double gridLabelValue(const CurveRange& range, int k);
// y of the pixel of value v (v >= minimum).
int pointY(const MonitorPlotArea& area, const CurveRange& range, double v);
// A time text at a full five minutes ("...:m0:00" or "...:m5:00").
bool isFiveMinuteMark(std::string_view stamp);

// The slot under the mouse at client x.
int hintSlot(int writeIndex, int x, int scrollOffset, int clientWidth);
// The hint of a slot: its time, then temperature, pressure and the third channel, each with its
// caption, in the shortest decimal form.
std::string hintText(const MonitorHistory& history, int slot, const std::array<std::string, 3>& captions);

// The top box: four value boxes from x = 8, then the curve selector.
struct TopBoxLayout {
  int boxWidth = 0;
  std::array<int, 4> boxX{};
  int selectorX = 0;
};
TopBoxLayout topBoxLayout(int clientWidth, int selectorWidth);

}  // namespace ql
