#include "ui/velmo/monitor_window.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

#include "runtime/formats.h"
#include "ui/velmo/ui_text.h"

namespace ql {

namespace {

constexpr int kTopBoxHeight = 96;
constexpr int kTopBoxTop = 4;
// The window takes the screen less these margins, and at least the minimum size.
constexpr int kScreenHeightMargin = 100;
constexpr int kScreenWidthMargin = 600;
constexpr int kMinimumWidth = 860;
constexpr int kMinimumHeight = 420;
const QRgb kPointColour = qRgb(255, 0, 0);

QString stampText(std::string_view stamp) {
  return QString::fromLatin1(stamp.data(), static_cast<int>(stamp.size()));
}

}  // namespace

MonitorWindow::MonitorWindow(LiveValues& live, const LanguageTexts& texts, QWidget* parent)
    : QDialog(parent), live_(live), texts_(texts), valuesBatch_(this, [this] { renderValues(); }) {
  setObjectName("monitorWindow");
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);

  topBox_ = new QWidget(this);
  topBox_->setObjectName("monitorTopBox");
  topBox_->installEventFilter(this);
  const char* valueNames[] = {"temperatureValue", "pressureValue", "thirdValue", "internalTemperatureValue"};
  QFont valueFont = font();
  valueFont.setPointSizeF(valueFont.pointSizeF() * 2.2);
  valueFont.setBold(true);
  for (std::size_t i = 0; i < 4; ++i) {
    auto* box = new QGroupBox(topBox_);
    auto* value = new QLabel(box);
    value->setObjectName(valueNames[i]);
    value->setFont(valueFont);
    value->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(value);
    box->installEventFilter(this);
    valueBoxes_[i] = box;
    values_[i] = value;
  }

  selector_ = new QGroupBox(topBox_);
  selector_->setObjectName("curveSelector");
  curves_ = new QButtonGroup(this);
  auto* selectorLayout = new QGridLayout(selector_);
  const char* curveNames[] = {"temperatureCurve", "pressureCurve", "thirdCurve", "internalTemperatureCurve"};
  for (int i = 0; i < 4; ++i) {
    auto* button = new QRadioButton(selector_);
    button->setObjectName(curveNames[i]);
    curves_->addButton(button, i);
    selectorLayout->addWidget(button, i / 2, i % 2);
    curveButtons_[static_cast<std::size_t>(i)] = button;
  }
  curveButtons_[0]->setChecked(true);
  connect(curves_, &QButtonGroup::idClicked, this, [this] { refresh(); });

  applyTexts();

  secondTimer_ = new QTimer(this);
  secondTimer_->setInterval(1000);
  connect(secondTimer_, &QTimer::timeout, this, [this] { secondTick(); });
  valuesBatch_.watch(live_);
  renderValues();

  // As large as the screen allows, less room for the main window beside it.
  QSize size(kMinimumWidth, kMinimumHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect available = screen->availableGeometry();
    const QRect whole = screen->geometry();
    size = QSize(whole.width() - kScreenWidthMargin, whole.height() - kScreenHeightMargin)
               .expandedTo(QSize(kMinimumWidth, kMinimumHeight))
               .boundedTo(available.size());
  }
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  resize(size);
}

void MonitorWindow::applyTexts() {
  setWindowTitle(toQString(texts_.text("QL310", "ql310_cpt_online")));
  struct ValueCaption {
    const char* key;
    const char* unit;
  };
  const ValueCaption captions[] = {
      {"ql310_temp", "(℃)"}, {"ql310_pres", "(kPa)"}, {"ql310_cond", "(mS/cm)"}, {"ql310_intemp", "(℃)"}};
  for (std::size_t i = 0; i < valueBoxes_.size(); ++i) {
    const std::string caption = texts_.text("QL310", captions[i].key);
    if (i < hintCaptions_.size()) hintCaptions_[i] = caption;
    valueBoxes_[i]->setTitle(toQString(caption) + " " + QString::fromUtf8(captions[i].unit));
  }
  const char* curveKeys[] = {"ql310_line_temp", "ql310_line_pres", "ql310_line_cond", "ql310_line_intemp"};
  for (std::size_t i = 0; i < curveButtons_.size(); ++i) {
    curveButtons_[i]->setText(toQString(texts_.text("QL310", curveKeys[i])));
  }
}

int MonitorWindow::execWithTemperatureCurve() {
  setChannel(MonitorChannel::Temperature);
  return exec();
}

MonitorChannel MonitorWindow::channel() const {
  switch (curves_->checkedId()) {
    case 0:
      return MonitorChannel::Temperature;
    case 1:
      return MonitorChannel::Pressure;
    case 2:
      return MonitorChannel::ThirdChannel;
    default:
      return MonitorChannel::InternalTemperature;
  }
}

void MonitorWindow::setChannel(MonitorChannel channel) {
  curveButtons_[static_cast<std::size_t>(channel)]->setChecked(true);
  refresh();
}

int MonitorWindow::topBoxHeight() const { return topBox_->geometry().bottom() + 1; }

void MonitorWindow::renderValues() {
  const std::array<std::string, 4>& texts = live_.monitorTexts();
  for (std::size_t i = 0; i < 4; ++i) values_[i]->setText(toQString(texts[i]));
}

void MonitorWindow::layoutTopBox() {
  const int selectorWidth = selector_->sizeHint().width();
  const TopBoxLayout layout = topBoxLayout(width(), selectorWidth);
  topBox_->setGeometry(0, 0, width(), kTopBoxTop + kTopBoxHeight);
  for (std::size_t i = 0; i < 4; ++i)
    valueBoxes_[i]->setGeometry(layout.boxX[i], kTopBoxTop, layout.boxWidth - 4, kTopBoxHeight - 4);
  selector_->setGeometry(layout.selectorX, kTopBoxTop, selectorWidth, kTopBoxHeight - 4);
}

void MonitorWindow::refresh() {
  redrawCurve();
  update();
}

const QImage& MonitorWindow::redrawCurve() {
  if (image_.size() != size()) image_ = QImage(size(), QImage::Format_RGB32);
  image_.fill(palette().color(QPalette::Window));
  const MonitorPlotArea area = monitorPlotArea(width(), height(), topBoxHeight());
  if (!area.hasHeight()) return image_;

  const MonitorHistory& history = live_.history();
  const CurveWindow window = curveWindow(history.writeIndex, area.width(), view_.scrollOffset());
  const CurveRange range = curveRange(history, channel(), window);
  {
    QPainter painter(&image_);
    painter.fillRect(QRect(QPoint(area.left, area.top), QPoint(area.right, area.bottom)),
                     palette().color(QPalette::Active, QPalette::Highlight));
    painter.setPen(Qt::white);
    painter.drawRect(QRect(QPoint(area.left, area.top), QPoint(area.right, area.bottom)));
    for (int k = 1; k <= 5; ++k)
      painter.drawLine(area.left, gridLineY(area, k), area.right, gridLineY(area, k));
    const int ascent = painter.fontMetrics().ascent();
    auto label = [&](int y, double value) {
      painter.drawText(QPoint(2, y + ascent), QString::fromStdString(formatFixed(value, 2)));
    };
    label(topBoxHeight() + 2, range.maximum);
    for (int k = 1; k <= 5; ++k) label(gridLineY(area, 6 - k) - 12, gridLabelValue(range, k));
    label(area.bottom - 12, range.minimum);
  }
  drawPoints(area, window, range);
  {
    QPainter painter(&image_);
    painter.setPen(Qt::white);
    const int ascent = painter.fontMetrics().ascent();
    for (int i = 0; i < window.slotCount; ++i) {
      const std::string_view stamp = history.stamp(static_cast<std::size_t>(window.slotAt(i)));
      if (!isFiveMinuteMark(stamp)) continue;
      painter.drawLine(i, area.bottom - 1, i, area.bottom - 8);
      painter.drawText(QPoint(i - 55, area.bottom - 20 + ascent), stampText(stamp));
    }
  }
  return image_;
}

// One red pixel per written sample, straight into the image's rows.
void MonitorWindow::drawPoints(const MonitorPlotArea& area, const CurveWindow& window,
                               const CurveRange& range) {
  const MonitorHistory& history = live_.history();
  const MonitorChannel shown = channel();
  const int columns = std::min(window.slotCount, image_.width());
  const int lastRow = image_.height() - 1;
  uchar* bits = image_.bits();
  const qsizetype stride = image_.bytesPerLine();
  for (int x = 0; x < columns; ++x) {
    const int slot = window.slotAt(x);
    if (history.isEmptySlot(static_cast<std::size_t>(slot))) continue;
    const double v = channelValue(history, shown, slot);
    if (!(v >= range.minimum)) continue;
    const int y = pointY(area, range, v);
    if (y < 0 || y > lastRow) continue;
    reinterpret_cast<QRgb*>(bits + y * stride)[x] = kPointColour;
  }
}

QString MonitorWindow::hintAt(const QPoint& pos) const {
  if (pos.y() <= topBoxHeight()) return {};
  const MonitorHistory& history = live_.history();
  const int slot = hintSlot(history.writeIndex, pos.x(), view_.scrollOffset(), width());
  return toQString(hintText(history, slot, hintCaptions_));
}

void MonitorWindow::secondTick() {
  view_.secondTick();
  refresh();
}

void MonitorWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  view_.shown();
  secondTimer_->start();
  refresh();
}

void MonitorWindow::hideEvent(QHideEvent* event) {
  secondTimer_->stop();
  QDialog::hideEvent(event);
}

void MonitorWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  layoutTopBox();
  refresh();
}

void MonitorWindow::paintEvent(QPaintEvent*) {
  if (image_.size() != size()) redrawCurve();
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
}

void MonitorWindow::mousePressEvent(QMouseEvent* event) {
  const int x = event->position().toPoint().x();
  if (event->button() == Qt::LeftButton) view_.leftButtonDown(x);
  if (event->button() == Qt::RightButton) {
    view_.rightButtonDown();
    refresh();
  }
}

void MonitorWindow::mouseReleaseEvent(QMouseEvent* event) {
  const bool dragging = view_.dragStart() > 0;
  view_.buttonUp(event->position().toPoint().x());
  if (dragging) refresh();
}

void MonitorWindow::mouseMoveEvent(QMouseEvent* event) {
  const QString hint = hintAt(event->position().toPoint());
  if (hint.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(event->globalPosition().toPoint(), hint, this);
}

// Escape acts on release; its press must not close the dialog the default way.
void MonitorWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void MonitorWindow::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Escape || event->isAutoRepeat()) return QDialog::keyReleaseEvent(event);
  if (view_.escape() == MonitorView::EscapeAction::Close)
    reject();
  else
    refresh();
}

// Over the top box no hint is shown.
bool MonitorWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) QToolTip::hideText();
  return QDialog::eventFilter(watched, event);
}

}  // namespace ql
