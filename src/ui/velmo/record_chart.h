#pragma once
// A chart of recorded values against time: temperature (red), pressure (blue) and water height
// (maroon), each on its own value axis in its colour: pressure on the left, water height and
// temperature on the right. (Water height follows pressure, so their curves run alike.)
//
// Two ways to draw:
// - every point (the rows of one table page, at most 10,001): the wheel zooms the whole chart by
//   fixed percentages within a limited number of steps, as the chart window always did;
// - thinned (a whole file, millions of records): per pixel column of the plot only the lowest and
//   highest point of each series is drawn, for the time range in view. The wheel zooms the time
//   axis around the mouse, dragging pans it, and each change thins the series again for the new
//   range, so the chart stays quick at any length.

#include <QChartView>
#include <QTimer>
#include <array>

#include "data/record_series.h"

class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace ql {

class RecordChart : public QChartView {
  Q_OBJECT

 public:
  enum class Value { Temperature, Pressure, WaterHeight };
  static constexpr std::array<Value, 3> kValues{Value::Temperature, Value::Pressure, Value::WaterHeight};

  // Wheel zoom of the page view: steps above and below the level at program start, and factors.
  static constexpr int kMaxZoomLevel = 50;
  static constexpr int kMinZoomLevel = -1;
  static constexpr double kZoomInFactor = 1.05;
  static constexpr double kZoomOutFactor = 0.9415;
  // Thinned view: one wheel notch narrows or widens the time range by this factor; the range
  // never gets shorter than kMinimumSpanMs.
  static constexpr double kWheelSpanFactor = 1.25;
  static constexpr double kMinimumSpanMs = 10000;

  explicit RecordChart(QWidget* parent = nullptr);

  void setTitles(const QString& chart, const QString& temperature, const QString& pressure,
                 const QString& waterHeight);
  // The values to draw (kept by pointer: the caller keeps them alive and unchanged while shown);
  // thinned or every point; shows the whole time range.
  void setData(const RecordSeries* series, bool thinned);
  void setValueShown(Value value, bool shown);
  bool valueShown(Value value) const { return shown_[index(value)]; }
  bool thinned() const { return thinned_; }

  // Redraws the series for the range in view now (normally after the next turn of the loop).
  void redraw();

  // What is drawn, for tests and the benchmark.
  QLineSeries* series(Value value) const { return lines_[index(value)]; }
  int plotWidth() const;
  double visibleFirstMs() const { return first_; }
  double visibleLastMs() const { return last_; }
  // Thinned view: narrows (factor > 1) or widens the time range around a point of it.
  void zoomTimeAround(double centreMs, double factor);
  // Thinned view: moves the time range by ms (positive: later), within the data.
  void panTime(double ms);

  // Wheel zoom level of the page view; kept between openings of the chart window.
  static int zoomLevel() { return zoomLevel_; }

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  static std::size_t index(Value value) { return static_cast<std::size_t>(value); }
  const std::vector<float>& column(Value value) const;
  void scheduleRedraw();
  void updateAxes();
  void setTimeRange(double first, double last);
  double timeAtPixel(double x) const;

  static int zoomLevel_;

  QChart* chart_;
  std::array<QLineSeries*, 3> lines_{};
  QDateTimeAxis* timeAxis_;
  std::array<QValueAxis*, 3> valueAxes_{};
  std::array<bool, 3> shown_{true, true, true};
  const RecordSeries* data_ = nullptr;
  bool thinned_ = false;
  double dataFirst_ = 0, dataLast_ = 0;  // time range of the data
  double first_ = 0, last_ = 0;          // time range in view
  double localShiftMs_ = 0;              // the stamps read as UTC, shown as local time on the axis
  QTimer redrawTimer_;
  bool dragging_ = false;
  QPointF dragFrom_;
};

}  // namespace ql
