#include "ui/velmo/banner.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace ql {

void Banner::setTitle(const QString& title) {
  title_ = title;
  updateGeometry();
  update();
}

Banner::Banner(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
  setObjectName("banner");
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QFont Banner::titleFont() const {
  QFont f = font();
  f.setBold(true);
  if (f.pointSizeF() > 0) f.setPointSizeF(f.pointSizeF() * 1.6);
  return f;
}

QSize Banner::sizeHint() const {
  const QFontMetrics metrics(titleFont());
  return {metrics.horizontalAdvance(title_) + 4 * metrics.height(), metrics.height() * 2};
}

QSize Banner::minimumSizeHint() const { return {0, sizeHint().height()}; }

void Banner::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit doubleClicked();
}

void Banner::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QLinearGradient band(rect().topLeft(), rect().topRight());
  band.setColorAt(0.0, QColor(0x0b, 0x3d, 0x6e));
  band.setColorAt(0.6, QColor(0x1f, 0x6f, 0xb2));
  band.setColorAt(1.0, QColor(0x6f, 0xb4, 0xe6));
  painter.fillRect(rect(), band);

  // A thin wave line along the bottom: the water the logger lives in.
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(255, 255, 255, 90), 2));
  QPainterPath wave;
  const int base = height() - 6;
  wave.moveTo(0, base);
  for (int x = 0; x <= width(); x += 40) {
    wave.quadTo(x + 10, base - 4, x + 20, base);
    wave.quadTo(x + 30, base + 4, x + 40, base);
  }
  painter.drawPath(wave);

  painter.setPen(Qt::white);
  painter.setFont(titleFont());
  const int margin = QFontMetrics(titleFont()).height();
  painter.drawText(rect().adjusted(margin, 0, -margin, -4), Qt::AlignVCenter | Qt::AlignLeft, title_);
}

}  // namespace ql
