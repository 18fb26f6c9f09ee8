#include "status/monitor_view.h"

#include <algorithm>
#include <cmath>

#include "runtime/formats.h"

namespace ql {

namespace {
constexpr int kSlots = static_cast<int>(MonitorHistory::kSlots);
constexpr int kBoxesLeft = 8;
constexpr int kNarrowBoxWidth = 161;
constexpr int kWideFrom = 643;  // d above this: the boxes share the width
constexpr int kSelectorMargin = 48;

int ringModulo(long long value) { return static_cast<int>(((value % kSlots) + kSlots) % kSlots); }
}  // namespace

void MonitorView::backToLive() {
  dragStart_ = -99999;
  scrollOffset_ = 0;
  hold_ = 0;
}

void MonitorView::rightButtonDown() { backToLive(); }

void MonitorView::buttonUp(int x) {
  if (dragStart_ <= 0) return;
  scrollOffset_ = std::min(scrollOffset_ + x - dragStart_, kMaxScrollOffset);
  dragStart_ = -1000;
  if (scrollOffset_ > 0) {
    hold_ = kHoldSeconds;
  } else {
    scrollOffset_ = 0;
    hold_ = 0;
  }
}

MonitorView::EscapeAction MonitorView::escape() {
  if (hold_ != 0) {
    backToLive();
    return EscapeAction::BackToLive;
  }
  return EscapeAction::Close;
}

void MonitorView::secondTick() {
  if (hold_ <= 0)
    scrollOffset_ = 0;
  else
    --hold_;
}

MonitorPlotArea monitorPlotArea(int clientWidth, int clientHeight, int topBoxHeight) {
  MonitorPlotArea area;
  area.left = 1;
  area.right = clientWidth - 1;
  area.top = topBoxHeight + 1;
  area.bottom = clientHeight - 1;
  return area;
}

CurveWindow curveWindow(int writeIndex, int plotWidth, int scrollOffset) {
  CurveWindow window;
  window.firstSlot = ringModulo(static_cast<long long>(writeIndex) - plotWidth - 1 - scrollOffset);
  window.slotCount = std::max(0, plotWidth + 2);
  return window;
}

double channelValue(const MonitorHistory& history, MonitorChannel channel, int slot) {
  const auto s = static_cast<std::size_t>(slot);
  switch (channel) {
    case MonitorChannel::Temperature:
      return history.temperature[s];
    case MonitorChannel::Pressure:
      return history.pressure[s];
    case MonitorChannel::ThirdChannel:
      return history.thirdChannel[s];
    case MonitorChannel::InternalTemperature:
      return history.internalTemperature[s];
  }
  return 0;
}

CurveRange curveRange(const MonitorHistory& history, MonitorChannel channel, const CurveWindow& window) {
  // The scale spans the samples the window holds. Empty slots hold no value: taking the first
  // slot's 0 while the ring is still filling would pull every scale down to 0.
  CurveRange range;
  bool any = false;
  for (int i = 0; i < window.slotCount; ++i) {
    const int slot = window.slotAt(i);
    if (history.isEmptySlot(static_cast<std::size_t>(slot))) continue;
    const double v = channelValue(history, channel, slot);
    range.maximum = any ? std::max(range.maximum, v) : v;
    range.minimum = any ? std::min(range.minimum, v) : v;
    any = true;
  }
  switch (channel) {
    case MonitorChannel::Temperature:
    case MonitorChannel::InternalTemperature:
      range.maximum += 3;
      range.minimum -= 3;
      break;
    case MonitorChannel::Pressure:
      range.maximum += 50;
      range.minimum = std::max(0.0, range.minimum - 50);
      break;
    case MonitorChannel::ThirdChannel:
      range.maximum += 2;
      range.minimum = 0;
      break;
  }
  // Values outside the clamped ranges (a damaged history) must still give a usable scale.
  if (!(range.maximum > range.minimum)) range.maximum = range.minimum + 1;
  return range;
}

int gridLineY(const MonitorPlotArea& area, int k) { return area.top + (area.bottom - area.top) / 6 * k; }

double gridLabelValue(const CurveRange& range, int k) {
  return range.minimum + (range.maximum - range.minimum) / 6 * k;
}

int pointY(const MonitorPlotArea& area, const CurveRange& range, double v) {
  const double scaled = (v - range.minimum) * (area.bottom - area.top) / (range.maximum - range.minimum);
  return area.bottom - static_cast<int>(std::trunc(scaled)) - 1;
}

bool isFiveMinuteMark(std::string_view stamp) {
  if (stamp.size() < 19) return false;
  const std::string_view tail = stamp.substr(15, 4);
  return tail == "0:00" || tail == "5:00";
}

int hintSlot(int writeIndex, int x, int scrollOffset, int clientWidth) {
  return ringModulo(static_cast<long long>(writeIndex) + x - scrollOffset - clientWidth + 100001);
}

std::string hintText(const MonitorHistory& history, int slot, const std::array<std::string, 3>& captions) {
  const auto s = static_cast<std::size_t>(slot);
  std::string text(history.stamp(s));
  text += "\n" + captions[0] + ": " + formatShortest(history.temperature[s]);
  text += "\n" + captions[1] + ": " + formatShortest(history.pressure[s]);
  text += "\n" + captions[2] + ": " + formatShortest(history.thirdChannel[s]);
  return text;
}

TopBoxLayout topBoxLayout(int clientWidth, int selectorWidth) {
  TopBoxLayout layout;
  const int d = clientWidth - selectorWidth - kSelectorMargin;
  layout.boxWidth = d > kWideFrom ? d / 4 : kNarrowBoxWidth;
  for (int i = 0; i < 4; ++i) layout.boxX[static_cast<std::size_t>(i)] = kBoxesLeft + i * layout.boxWidth;
  layout.selectorX = kBoxesLeft + 4 * layout.boxWidth;
  return layout;
}

}  // namespace ql
