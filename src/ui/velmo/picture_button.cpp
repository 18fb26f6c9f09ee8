#include "ui/velmo/picture_button.h"

#include <qdrawutil.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>

namespace ql {

namespace {

// Logical size of a picture: the delivered pictures carry their device pixel ratio.
QSizeF logicalSize(const QPixmap& picture) { return picture.deviceIndependentSize(); }

bool isActivationKey(int key) {
  return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

PictureButton::PictureButton(Pictures pictures, QWidget* parent)
    : QWidget(parent), pictures_(std::move(pictures)) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_Hover);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void PictureButton::setCaption(const QString& caption) {
  caption_ = caption;
  setAccessibleName(caption);
  updateGeometry();
  update();
}

void PictureButton::setCaptionColor(const QColor& color) {
  if (captionColor_ == color) return;
  captionColor_ = color;
  update();
}

void PictureButton::setCaptionScale(double scale) {
  captionScale_ = scale;
  updateGeometry();
  update();
}

QFont PictureButton::captionFont() const {
  QFont f = font();
  if (captionScale_ != 1.0) {
    if (f.pointSizeF() > 0) {
      f.setPointSizeF(f.pointSizeF() * captionScale_);
    } else {
      f.setPixelSize(std::max(1, int(f.pixelSize() * captionScale_)));
    }
    f.setBold(true);
  }
  return f;
}

QSize PictureButton::sizeHint() const {
  const QFontMetrics metrics(captionFont());
  const QSizeF designed = logicalSize(pictures_.normal);
  const int textWidth = caption_.isEmpty() ? 0 : metrics.horizontalAdvance(caption_) + 2 * metrics.height();
  const int width = std::max({int(designed.width()), textWidth, metrics.height() * 2});
  const int height = std::max(int(designed.height()), metrics.height() * 2 + pressOffset_);
  return {width, height};
}

QSize PictureButton::minimumSizeHint() const {
  const QFontMetrics metrics(captionFont());
  const int textWidth = caption_.isEmpty() ? 0 : metrics.horizontalAdvance(caption_) + metrics.height();
  return {std::max(textWidth, metrics.height() * 2), sizeHint().height()};
}

const QPixmap& PictureButton::currentPicture() const {
  if (down_ && !pictures_.pressed.isNull()) return pictures_.pressed;
  if (hovered_ && !down_ && !pictures_.hover.isNull()) return pictures_.hover;
  return pictures_.normal;
}

void PictureButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  if (!isEnabled()) painter.setOpacity(0.5);

  const QPixmap& picture = currentPicture();
  if (!picture.isNull()) {
    if (sliced_) {
      // Corners keep their shape; the middle stretches to the button's size.
      const int sourceMargin = int(std::min(picture.width(), picture.height()) * 0.3);
      const double ratio = picture.devicePixelRatio();
      const int targetMargin = std::min({int(sourceMargin / ratio), (width() - 1) / 2, (height() - 1) / 2});
      qDrawBorderPixmap(&painter, rect(), QMargins(targetMargin, targetMargin, targetMargin, targetMargin),
                        picture, QRect(QPoint(0, 0), picture.size()),
                        QMargins(sourceMargin, sourceMargin, sourceMargin, sourceMargin));
    } else {
      const QSizeF fitted = logicalSize(picture).scaled(QSizeF(size()), Qt::KeepAspectRatio);
      const QRectF target(QPointF((width() - fitted.width()) / 2,
                                  (height() - fitted.height()) / 2 + (down_ ? pressOffset_ : 0)),
                          fitted);
      painter.drawPixmap(target, picture, QRectF(picture.rect()));
    }
  }

  if (!caption_.isEmpty()) {
    painter.setFont(captionFont());
    const QColor color = hovered_ && hoverCaptionColor_.isValid() ? hoverCaptionColor_ : captionColor_;
    painter.setPen(color);
    const int shift = down_ ? pressOffset_ : 0;
    painter.drawText(rect().translated(0, shift - pressOffset_ / 2), Qt::AlignCenter, caption_);
  }

  if (hasFocus()) {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect().adjusted(4, 4, -4, -4);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  }
}

bool PictureButton::releasesInside(const QPoint& pos) const {
  return pos.x() >= 0 && pos.x() <= width() && pos.y() >= -releaseSlackAbove_ && pos.y() <= height();
}

void PictureButton::setDown(bool down) {
  if (down_ == down) return;
  down_ = down;
  update();
}

void PictureButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  setDown(true);
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !down_) return QWidget::mouseReleaseEvent(event);
  setDown(false);
  if (releasesInside(event->position().toPoint())) emit clicked();
}

void PictureButton::keyPressEvent(QKeyEvent* event) {
  if (!isActivationKey(event->key())) return QWidget::keyPressEvent(event);
  if (!event->isAutoRepeat()) setDown(true);
}

void PictureButton::keyReleaseEvent(QKeyEvent* event) {
  if (!isActivationKey(event->key())) return QWidget::keyReleaseEvent(event);
  if (event->isAutoRepeat() || !down_) return;
  setDown(false);
  emit clicked();
}

void PictureButton::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  update();
  QWidget::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent* event) {
  hovered_ = false;
  update();
  QWidget::leaveEvent(event);
}

void PictureButton::focusOutEvent(QFocusEvent* event) {
  // A key held while the focus moves away must not leave the button pressed.
  if (down_) setDown(false);
  QWidget::focusOutEvent(event);
}

}  // namespace ql
