#include "ui/velmo/record_chart.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "data/decimate.h"

namespace ql {

namespace {

constexpr int kPenWidth = 2;
const QColor kTemperatureColour(0xFF, 0x00, 0x00);  // red
const QColor kPressureColour(0x00, 0x00, 0xFF);     // blue
const QColor kHeightColour(0x80, 0x00, 0x00);       // maroon
const QColor kGradientTop(0xC0, 0xDC, 0xC0);
// Free room above and below the values on the value axes.
constexpr double kValueMargin = 0.05;
// A thinned view never has fewer buckets than this, even in a tiny window.
constexpr int kMinimumBuckets = 100;

// Milliseconds between a stamp read as UTC and the same wall time here.
double localShiftMs(double utcMs) {
  const QDateTime wall = QDateTime::fromMSecsSinceEpoch(qint64(utcMs), Qt::UTC);
  return double(QDateTime(wall.date(), wall.time()).toMSecsSinceEpoch()) - utcMs;
}

}  // namespace

int RecordChart::zoomLevel_ = 0;

RecordChart::RecordChart(QWidget* parent) : QChartView(parent) {
  setObjectName("recordChart");
  chart_ = new QChart;
  setChart(chart_);
  setRenderHint(QPainter::Antialiasing, false);
  setRubberBand(QChartView::NoRubberBand);  // the wheel is the only zoom

  QLinearGradient background(0, 1, 0, 0);  // bottom to top
  background.setCoordinateMode(QGradient::ObjectBoundingMode);
  background.setColorAt(0, palette().color(QPalette::Light));
  background.setColorAt(1, kGradientTop);
  chart_->setBackgroundBrush(background);

  timeAxis_ = new QDateTimeAxis;
  timeAxis_->setFormat("yyyy-MM-dd<br>hh:mm:ss");
  timeAxis_->setTickCount(7);
  chart_->addAxis(timeAxis_, Qt::AlignBottom);

  const std::array<QColor, 3> colours{kTemperatureColour, kPressureColour, kHeightColour};
  // Pressure left; on the right the water height next to the plot, temperature outside it.
  for (Value value : {Value::Pressure, Value::WaterHeight, Value::Temperature}) {
    const QColor colour = colours[index(value)];
    auto* axis = new QValueAxis;
    axis->setLabelsColor(colour);
    axis->setTitleBrush(colour);
    chart_->addAxis(axis, value == Value::Pressure ? Qt::AlignLeft : Qt::AlignRight);
    valueAxes_[index(value)] = axis;
  }
  for (Value value : kValues) {
    auto* line = new QLineSeries;
    line->setPen(QPen(colours[index(value)], kPenWidth));
    line->setPointsVisible(false);
    chart_->addSeries(line);
    line->attachAxis(timeAxis_);
    line->attachAxis(valueAxes_[index(value)]);
    lines_[index(value)] = line;
  }

  redrawTimer_.setSingleShot(true);
  redrawTimer_.setInterval(0);
  connect(&redrawTimer_, &QTimer::timeout, this, &RecordChart::redraw);
}

void RecordChart::setTitles(const QString& chart, const QString& temperature, const QString& pressure,
                            const QString& waterHeight) {
  chart_->setTitle(chart);
  lines_[index(Value::Temperature)]->setName(temperature);
  lines_[index(Value::Pressure)]->setName(pressure);
  lines_[index(Value::WaterHeight)]->setName(waterHeight);
  valueAxes_[index(Value::Temperature)]->setTitleText(temperature);
  valueAxes_[index(Value::Pressure)]->setTitleText(pressure);
  valueAxes_[index(Value::WaterHeight)]->setTitleText(waterHeight);
}

const std::vector<float>& RecordChart::column(Value value) const {
  switch (value) {
    case Value::Temperature:
      return data_->temperature;
    case Value::Pressure:
      return data_->pressure;
    case Value::WaterHeight:
      break;
  }
  return data_->waterHeight;
}

void RecordChart::setData(const RecordSeries* series, bool thinned) {
  data_ = series;
  thinned_ = thinned;
  dataFirst_ = dataLast_ = 0;
  if (data_ && data_->size() > 0) {
    const auto [low, high] = std::minmax_element(data_->timeMs.begin(), data_->timeMs.end());
    dataFirst_ = *low;
    dataLast_ = *high;
    localShiftMs_ = localShiftMs(dataFirst_);
  }
  chart_->zoomReset();
  setTimeRange(dataFirst_, dataLast_);
  setCursor(thinned_ ? Qt::OpenHandCursor : Qt::CrossCursor);
  updateAxes();
  redraw();
}

void RecordChart::setValueShown(Value value, bool shown) {
  shown_[index(value)] = shown;
  updateAxes();
  redraw();
}

void RecordChart::updateAxes() {
  for (Value value : kValues) {
    QValueAxis* axis = valueAxes_[index(value)];
    const bool shown = shown_[index(value)];
    axis->setVisible(shown);
    float low = std::numeric_limits<float>::max(), high = std::numeric_limits<float>::lowest();
    if (data_ && shown) {
      for (float v : column(value)) {
        low = std::min(low, v);
        high = std::max(high, v);
      }
    }
    if (low > high) {
      axis->setRange(0, 1);
      continue;
    }
    const double margin = std::max(double(high - low) * kValueMargin, 0.5);
    axis->setRange(low - margin, high + margin);
    axis->applyNiceNumbers();
  }
}

void RecordChart::setTimeRange(double first, double last) {
  first_ = first;
  last_ = last;
  // An axis needs a range of some width.
  const double shownLast = last > first ? last : first + 1000;
  timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(qint64(first + localShiftMs_)),
                      QDateTime::fromMSecsSinceEpoch(qint64(shownLast + localShiftMs_)));
}

int RecordChart::plotWidth() const { return int(chart_->plotArea().width()); }

void RecordChart::scheduleRedraw() { redrawTimer_.start(); }

void RecordChart::redraw() {
  redrawTimer_.stop();
  for (Value value : kValues) {
    QLineSeries* line = lines_[index(value)];
    line->setVisible(shown_[index(value)]);
    QList<QPointF> points;
    if (data_ && shown_[index(value)]) {
      const std::vector<float>& values = column(value);
      if (thinned_) {
        const int buckets = std::max(plotWidth(), kMinimumBuckets);
        const std::vector<ChartPoint> thin =
            decimateMinMax(data_->timeMs.data(), values.data(), values.size(), first_, last_, buckets);
        points.reserve(qsizetype(thin.size()));
        for (const ChartPoint& p : thin) points.append(QPointF(p.x + localShiftMs_, p.y));
      } else {
        points.reserve(qsizetype(values.size()));
        for (std::size_t i = 0; i < values.size(); ++i) {
          if (std::isnan(values[i])) continue;  // no water height without a barometric pressure
          points.append(QPointF(data_->timeMs[i] + localShiftMs_, values[i]));
        }
      }
    }
    line->replace(points);
  }
}

double RecordChart::timeAtPixel(double x) const {
  const QRectF plot = chart_->plotArea();
  if (plot.width() <= 0) return (first_ + last_) / 2;
  const double share = std::clamp((x - plot.left()) / plot.width(), 0.0, 1.0);
  return first_ + share * (last_ - first_);
}

void RecordChart::zoomTimeAround(double centreMs, double factor) {
  if (!thinned_ || factor <= 0 || dataLast_ <= dataFirst_) return;
  const double whole = dataLast_ - dataFirst_;
  double span = std::clamp((last_ - first_) / factor, std::min(kMinimumSpanMs, whole), whole);
  const double share = last_ > first_ ? (centreMs - first_) / (last_ - first_) : 0.5;
  double first = centreMs - share * span;
  first = std::clamp(first, dataFirst_, dataLast_ - span);
  setTimeRange(first, first + span);
  scheduleRedraw();
}

void RecordChart::panTime(double ms) {
  if (!thinned_) return;
  const double span = last_ - first_;
  const double first = std::clamp(first_ + ms, dataFirst_, std::max(dataFirst_, dataLast_ - span));
  setTimeRange(first, first + span);
  scheduleRedraw();
}

void RecordChart::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0) return;
  event->accept();
  if (thinned_) {
    zoomTimeAround(timeAtPixel(event->position().x()), delta > 0 ? kWheelSpanFactor : 1 / kWheelSpanFactor);
    return;
  }
  if (delta > 0) {
    if (++zoomLevel_ > kMaxZoomLevel) {
      zoomLevel_ = kMaxZoomLevel;
      return;
    }
    chart_->zoom(kZoomInFactor);
  } else {
    if (--zoomLevel_ < kMinZoomLevel) {
      zoomLevel_ = kMinZoomLevel;
      return;
    }
    chart_->zoom(kZoomOutFactor);
  }
}

void RecordChart::mousePressEvent(QMouseEvent* event) {
  if (thinned_ && event->button() == Qt::LeftButton) {
    dragging_ = true;
    dragFrom_ = event->position();
    setCursor(Qt::ClosedHandCursor);
    event->accept();
    return;
  }
  QChartView::mousePressEvent(event);
}

void RecordChart::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) {
    const QRectF plot = chart_->plotArea();
    const double dx = event->position().x() - dragFrom_.x();
    dragFrom_ = event->position();
    if (plot.width() > 0) panTime(-dx * (last_ - first_) / plot.width());
    event->accept();
    return;
  }
  QChartView::mouseMoveEvent(event);
}

void RecordChart::mouseReleaseEvent(QMouseEvent* event) {
  if (dragging_ && event->button() == Qt::LeftButton) {
    dragging_ = false;
    setCursor(Qt::OpenHandCursor);
    event->accept();
    return;
  }
  QChartView::mouseReleaseEvent(event);
}

void RecordChart::resizeEvent(QResizeEvent* event) {
  QChartView::resizeEvent(event);
  // The number of pixel columns changed.
  if (thinned_) scheduleRedraw();
}

}  // namespace ql
