#include "ui/velmo/fit_curve_window.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>

#include "ui/velmo/ui_text.h"

namespace ql {

namespace {

constexpr int kFontPixels = 12;
const QColor kCurveColour(255, 0, 0);
const QColor kLineColour(255, 255, 255);

}  // namespace

FitCurveWindow::FitCurveWindow(calibration::CurveMode mode, const calibration::CurveSource& source,
                               QWidget* parent)
    : QDialog(parent), mode_(mode), source_(source) {
  setObjectName("fitCurveWindow");
  setWindowTitle(QString::fromUtf8("多项式拟合曲线"));
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);
  setModal(true);

  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Active, QPalette::Highlight));
  setPalette(colours);
  setAutoFillBackground(true);

  QFont plotFont(QString::fromUtf8("SimSun"));
  plotFont.setPixelSize(kFontPixels);
  setFont(plotFont);
}

void FitCurveWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  draw(painter);
}

void FitCurveWindow::draw(QPainter& painter) {
  picture_ = calibration::drawFitCurve(mode_, source_, width(), height());
  const calibration::PlotFrame& frame = picture_.frame;
  const QRect plot(QPoint(frame.left, frame.top), QPoint(frame.right, frame.bottom));

  painter.fillRect(plot, palette().color(QPalette::Active, QPalette::Highlight));
  painter.setPen(QPen(kLineColour, 1));
  painter.drawPolyline(QPolygon({QPoint(frame.left, frame.top), QPoint(frame.right, frame.top),
                                 QPoint(frame.right, frame.bottom), QPoint(frame.left, frame.bottom),
                                 QPoint(frame.left, frame.top)}));
  for (int y : picture_.gridLines) painter.drawLine(frame.left, y, frame.right, y);

  painter.setPen(palette().color(QPalette::WindowText));
  const int textHeight = painter.fontMetrics().height();
  for (const calibration::CurveLabel& label : picture_.labels) {
    const QString text = toQString(label.text);
    // A long number at the right edge (x_max of an AD code) moves left so that it shows whole.
    const int x = std::min(label.x, width() - 2 - painter.fontMetrics().horizontalAdvance(text));
    painter.drawText(QRect(x, label.y, kClientWidth, textHeight), Qt::AlignLeft | Qt::AlignTop, text);
  }

  QPolygon curve;
  curve.reserve(static_cast<int>(picture_.curve.size()));
  for (const calibration::CurvePoint& pixel : picture_.curve) curve.append(QPoint(pixel.x, pixel.y));
  painter.setPen(QPen(kCurveColour, 1));
  painter.drawPoints(curve);

  const int diameter = 2 * calibration::kCircleRadius;
  painter.setPen(QPen(kLineColour, 1));
  for (const calibration::CurvePoint& point : picture_.points)
    painter.drawEllipse(QRect(point.x - calibration::kCircleRadius, point.y - calibration::kCircleRadius,
                              diameter, diameter));
}

}  // namespace ql
