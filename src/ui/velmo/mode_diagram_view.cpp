#include "ui/velmo/mode_diagram_view.h"

#include <QPainter>

#include "ui/velmo/ui_text.h"
#include "ui/velmo/velmo_pictures.h"

namespace ql {

namespace {

// The designed size of the diagrams (their files hold twice as many pixels).
constexpr QSize kDesignedSize(240, 150);

int indexOf(task::WorkMode mode) { return static_cast<int>(mode); }

const QPixmap& nullPixmap() {
  static const QPixmap none;
  return none;
}

}  // namespace

const char* ModeDiagramView::fileName(task::WorkMode mode) {
  switch (mode) {
    case task::WorkMode::FastAcquisition:
      return "mode_fast.png";
    case task::WorkMode::FixedInterval:
      return "mode_interval.png";
    case task::WorkMode::AverageAcquisition:
      return "mode_average.png";
    case task::WorkMode::FixedDepthProfile:
      return "mode_depth.png";
    case task::WorkMode::None:
      break;
  }
  return "";
}

ModeDiagramView::ModeDiagramView(const VelmoHome& home, QWidget* parent) : QWidget(parent) {
  setObjectName("workModeDiagram");
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  for (int i = 0; i < int(pictures_.size()); ++i) {
    const std::string path = home.findResource(fileName(task::WorkMode(i)));
    if (path.empty() || !pictures_[i].load(toQString(path), "PNG")) continue;
    pictures_[i].setDevicePixelRatio(VelmoPictures::kPixelRatio);
  }
}

void ModeDiagramView::showMode(task::WorkMode mode) {
  if (mode == shown_) return;
  shown_ = mode;
  update();
}

const QPixmap& ModeDiagramView::picture(task::WorkMode mode) const {
  const int i = indexOf(mode);
  return i >= 0 && i < int(pictures_.size()) ? pictures_[i] : nullPixmap();
}

const QPixmap& ModeDiagramView::shownPicture() const { return picture(shown_); }

QSize ModeDiagramView::sizeHint() const { return kDesignedSize; }

QSize ModeDiagramView::minimumSizeHint() const { return kDesignedSize / 2; }

void ModeDiagramView::paintEvent(QPaintEvent*) {
  const QPixmap& pixmap = shownPicture();
  if (pixmap.isNull()) return;
  // As large as the box allows, never beyond twice the designed size, at the top, aspect kept.
  QSizeF size = QSizeF(kDesignedSize).scaled(QSizeF(rect().size()), Qt::KeepAspectRatio);
  size = size.boundedTo(QSizeF(kDesignedSize) * 2);
  const QRectF target(QPointF((width() - size.width()) / 2, 0), size);
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(target, pixmap, QRectF(pixmap.rect()));
}

}  // namespace ql
