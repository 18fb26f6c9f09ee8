#include "ui/serulo/receive_view.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "assistant/receive_area.h"

namespace ql {
namespace {

constexpr int kMargin = 3;

// A monospace font that also holds the Chinese characters, so that they take exactly two columns.
QFont receiveFont() {
  for (const char* family : {"Noto Sans Mono CJK SC", "Noto Sans Mono CJK TC", "Noto Sans Mono"}) {
    if (QFontDatabase::families().contains(family)) {
      QFont font(family);
      font.setPointSize(10);
      return font;
    }
  }
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(10);
  return font;
}

}  // namespace

ReceiveView::ReceiveView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFont(receiveFont());
  const QFontMetrics metrics(font());
  charWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
  lineHeight_ = std::max(1, metrics.lineSpacing());
  fontAscent_ = metrics.ascent();
  rawFont_ = QRawFont::fromFont(font());
  for (char16_t c = 0x20; c < 0x7F; ++c) {
    const QChar ch(c);
    quint32 glyph = 0;
    int count = 1;
    if (rawFont_.isValid() && rawFont_.glyphIndexesForChars(&ch, 1, &glyph, &count) && count == 1) {
      asciiGlyphs_[c] = glyph;
    }
  }
  glyphRun_.setRawFont(rawFont_);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  // The view paints its whole background itself: Qt then need not paint the window beneath it
  // first, which was the larger part of every redraw.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
    if (!settingBar_) showBar();  // the user moves it: it answers at once
    viewport()->update();
  });
  barTimer_.setSingleShot(true);
  connect(&barTimer_, &QTimer::timeout, this, [this] { showBar(); });
  sinceBarShown_.start();
}

void ReceiveView::setArea(const ReceiveArea* area) {
  area_ = area;
  rewrapAll();
  updateScrollBar(true);
  viewport()->update();
}

int ReceiveView::columnWidth(char16_t c) {
  if (c < 0x1100) return 1;                  // the common case first: hexadecimal and Latin text
  if (c >= 0xDC00 && c <= 0xDFFF) return 0;  // second half of a pair: counted with the first
  if (c >= 0xD800 && c <= 0xDBFF) return 2;  // outside the basic plane: emoji and rare ideographs
  const bool wide =
      (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
      (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
      (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6);
  return wide ? 2 : 1;
}

int ReceiveView::computeColumns() const {
  const int usable = std::max(0, viewport()->width() - 2 * kMargin);
  const int columns = std::max(3, usable / charWidth_);
  return columns - columns % 3;  // whole hexadecimal bytes per row
}

int ReceiveView::visibleRows() const { return std::max(1, (viewport()->height() - kMargin) / lineHeight_); }

bool ReceiveView::followsEnd() const {
  return verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

void ReceiveView::showBar() {
  barTimer_.stop();
  QScrollBar* bar = verticalScrollBar();
  if (!bar->updatesEnabled()) {
    bar->setUpdatesEnabled(true);
    bar->update();
  }
  sinceBarShown_.restart();
}

void ReceiveView::rewrapAll() {
  if (area_ && area_->generation() != generation_) selectionAnchor_ = selectionEnd_ = 0;  // text removed
  rowStarts_.clear();
  lastRowColumns_ = 0;
  lastRowEnded_ = false;
  wrappedLength_ = 0;
  columns_ = computeColumns();
  if (!area_) return;
  generation_ = area_->generation();
  wrapFrom(0);
}

void ReceiveView::wrapFrom(std::size_t offset) {
  const std::u16string& text = area_->text();
  const std::size_t length = text.size();
  for (std::size_t i = offset; i < length; ++i) {
    const char16_t c = text[i];
    if (rowStarts_.empty() || lastRowEnded_) {
      rowStarts_.push_back(static_cast<std::uint32_t>(i));
      lastRowColumns_ = 0;
      lastRowEnded_ = false;
    }
    if (c == u'\n') {
      lastRowEnded_ = true;
      continue;
    }
    const int width = columnWidth(c);
    if (lastRowColumns_ > 0 && lastRowColumns_ + width > columns_) {
      rowStarts_.push_back(static_cast<std::uint32_t>(i));
      lastRowColumns_ = 0;
    }
    lastRowColumns_ += width;
  }
  wrappedLength_ = length;
}

void ReceiveView::refresh() {
  const bool stayAtEnd = followsEnd();
  if (!area_) return;
  if (area_->generation() != generation_ || area_->length() < wrappedLength_) {
    rewrapAll();
  } else {
    wrapFrom(wrappedLength_);
  }
  updateScrollBar(stayAtEnd);
  if (sinceBarShown_.elapsed() < kBarIntervalMs) {
    // Drawing the bar costs as much as the text: while a stream comes in its thumb is redrawn
    // at most every kBarIntervalMs (its position is always current).
    verticalScrollBar()->setUpdatesEnabled(false);
    if (!barTimer_.isActive()) barTimer_.start(kBarIntervalMs - static_cast<int>(sinceBarShown_.elapsed()));
  } else {
    showBar();
  }
  // Painted now rather than when Qt gets round to its update request (a frame later under
  // load): the terminal calls this at most once a frame, so the newest bytes show at once.
  viewport()->repaint();
}

void ReceiveView::updateScrollBar(bool stayAtEnd) {
  QScrollBar* bar = verticalScrollBar();
  const int rows = visibleRows();
  settingBar_ = true;
  bar->setRange(0, std::max(0, rowCount() - rows));
  bar->setPageStep(rows);
  bar->setSingleStep(1);
  if (stayAtEnd) bar->setValue(bar->maximum());
  settingBar_ = false;
}

QString ReceiveView::rowText(int row) const {
  if (!area_ || row < 0 || row >= rowCount()) return {};
  const std::u16string& text = area_->text();
  const std::size_t start = rowStarts_[row];
  std::size_t end = row + 1 < rowCount() ? rowStarts_[row + 1] : std::min(text.size(), wrappedLength_);
  while (end > start && text[end - 1] == u'\n') --end;
  return QString(reinterpret_cast<const QChar*>(text.data() + start), static_cast<qsizetype>(end - start));
}

void ReceiveView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.setFont(font());
  const int first = verticalScrollBar()->value();
  const int ascent = fontAscent_;
  // Only the rows the event asks for: a partial update (a selection, an exposed strip) draws
  // little, and text is the costly part of a paint.
  const QRect dirty = event->rect();
  painter.fillRect(dirty, palette().color(QPalette::Base));
  const int fromRow = std::max(0, (dirty.top() - kMargin) / lineHeight_);
  const int toRow = std::min(visibleRows(), (dirty.bottom() - kMargin) / lineHeight_);
  for (int r = fromRow; r <= toRow && first + r < rowCount(); ++r) {
    drawRow(painter, first + r, kMargin + r * lineHeight_, ascent);
  }
  // The newest text is on screen once the last row has been drawn.
  if (onPainted_ && first + toRow >= rowCount() - 1) onPainted_();
}

void ReceiveView::drawRow(QPainter& painter, int row, int y, int ascent) {
  const QString text = rowText(row);
  const std::size_t start = rowStarts_[row];
  const std::size_t selFrom = std::min(selectionAnchor_, selectionEnd_);
  const std::size_t selTo = std::max(selectionAnchor_, selectionEnd_);
  if (selFrom < selTo && selFrom < start + text.size() && selTo > start) {
    // Columns of the selected part of this row.
    int column = 0;
    int fromColumn = -1;
    int toColumn = 0;
    for (int i = 0; i < text.size(); ++i) {
      const std::size_t offset = start + i;
      if (offset >= selFrom && offset < selTo) {
        if (fromColumn < 0) fromColumn = column;
        toColumn = column + columnWidth(text[i].unicode());
      }
      column += columnWidth(text[i].unicode());
    }
    if (fromColumn >= 0) {
      painter.fillRect(kMargin + fromColumn * charWidth_, y, (toColumn - fromColumn) * charWidth_,
                       lineHeight_, palette().color(QPalette::Highlight));
    }
  }
  painter.setPen(palette().color(QPalette::Text));
  if (!drawAsciiRow(painter, text, y, ascent)) painter.drawText(kMargin, y + ascent, text);
}

bool ReceiveView::drawAsciiRow(QPainter& painter, const QString& text, int y, int ascent) {
  glyphIndexes_.clear();
  glyphPositions_.clear();
  for (int i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    const quint32 glyph = c < asciiGlyphs_.size() ? asciiGlyphs_[c] : 0;
    if (glyph == 0) return false;
    if (c == u' ') continue;
    glyphIndexes_.append(glyph);
    glyphPositions_.append(QPointF(i * charWidth_, 0));
  }
  if (glyphIndexes_.isEmpty()) return true;
  glyphRun_.setGlyphIndexes(glyphIndexes_);
  glyphRun_.setPositions(glyphPositions_);
  painter.drawGlyphRun(QPointF(kMargin, y + ascent), glyphRun_);
  return true;
}

std::size_t ReceiveView::offsetAt(const QPoint& point) const {
  if (!area_ || rowCount() == 0) return 0;
  const int row =
      std::clamp(verticalScrollBar()->value() + (point.y() - kMargin) / lineHeight_, 0, rowCount() - 1);
  const QString text = rowText(row);
  const int targetColumn = (point.x() - kMargin + charWidth_ / 2) / charWidth_;
  int column = 0;
  int i = 0;
  while (i < text.size() && column + columnWidth(text[i].unicode()) <= targetColumn) {
    column += columnWidth(text[i].unicode());
    ++i;
  }
  return rowStarts_[row] + static_cast<std::size_t>(i);
}

QString ReceiveView::selectedText() const {
  if (!area_) return {};
  const std::size_t from = std::min({selectionAnchor_, selectionEnd_, area_->length()});
  const std::size_t to = std::min(std::max(selectionAnchor_, selectionEnd_), area_->length());
  return QString(reinterpret_cast<const QChar*>(area_->text().data() + from),
                 static_cast<qsizetype>(to - from));
}

void ReceiveView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  selectionAnchor_ = selectionEnd_ = offsetAt(event->position().toPoint());
  viewport()->update();
}

void ReceiveView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return QAbstractScrollArea::mouseMoveEvent(event);
  selectionEnd_ = offsetAt(event->position().toPoint());
  viewport()->update();
}

void ReceiveView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  const bool stayAtEnd = followsEnd();
  if (computeColumns() != columns_) rewrapAll();
  updateScrollBar(stayAtEnd);
}

void ReceiveView::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::Copy && area_) {
    const QString selected = selectedText();
    QApplication::clipboard()->setText(!selected.isEmpty()
                                           ? selected
                                           : QString(reinterpret_cast<const QChar*>(area_->text().data()),
                                                     static_cast<qsizetype>(area_->length())));
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace ql
