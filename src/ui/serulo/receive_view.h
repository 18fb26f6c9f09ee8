#pragma once
// The receive area on screen. A plain text widget lays out a whole paragraph on every append,
// which a fast device turns into seconds of work (hexadecimal data has no line breaks), so this
// view wraps the area's text itself, incrementally: an append wraps only the new tail, and
// painting draws only the visible rows. The view follows the end unless the user scrolls away.

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QGlyphRun>
#include <QRawFont>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace ql {

class ReceiveArea;

class ReceiveView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit ReceiveView(QWidget* parent = nullptr);

  void setArea(const ReceiveArea* area);
  // Catches up with the area: draws the appended tail, or everything after a clear.
  void refresh();

  // The wrapped rows, for tests: their number and the text of one (without its line break).
  int rowCount() const { return static_cast<int>(rowStarts_.size()); }
  QString rowText(int row) const;
  int columns() const { return columns_; }
  bool followsEnd() const;

  // Columns a character takes in the monospace grid: 2 for wide East Asian characters.
  static int columnWidth(char16_t c);

  // The selected text (mouse drag); Ctrl+C copies it, or the whole area when nothing is selected.
  QString selectedText() const;

  // Called after each paint that drew the last row: the display-lag benchmark stamps what the
  // screen shows.
  void setOnPainted(std::function<void()> onPainted) { onPainted_ = std::move(onPainted); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void rewrapAll();
  void wrapFrom(std::size_t offset);
  void updateScrollBar(bool stayAtEnd);
  // Lets the scroll bar draw itself again.
  void showBar();
  int visibleRows() const;
  int computeColumns() const;
  // The character offset under a point of the viewport.
  std::size_t offsetAt(const QPoint& point) const;
  void drawRow(QPainter& painter, int row, int y, int ascent);
  // Draws a row of printable ASCII (all of a hexadecimal display) from glyphs looked up once,
  // on the view's own grid, without laying the text out; false when the row has other text.
  bool drawAsciiRow(QPainter& painter, const QString& text, int y, int ascent);

  const ReceiveArea* area_ = nullptr;
  std::uint64_t generation_ = 0;
  std::size_t wrappedLength_ = 0;  // characters of the area already wrapped
  std::vector<std::uint32_t> rowStarts_;
  int lastRowColumns_ = 0;     // columns used in the last row
  bool lastRowEnded_ = false;  // the last row ended with a line break
  std::size_t selectionAnchor_ = 0;
  std::size_t selectionEnd_ = 0;  // equal to the anchor: nothing selected
  int columns_ = 80;
  int charWidth_ = 8;
  int lineHeight_ = 16;
  int fontAscent_ = 12;
  static constexpr int kBarIntervalMs = 100;
  bool settingBar_ = false;  // the bar is being set by the view, not by the user
  QTimer barTimer_;
  QElapsedTimer sinceBarShown_;
  QRawFont rawFont_;
  std::array<quint32, 128> asciiGlyphs_{};  // 0: no glyph, draw the row as text
  QGlyphRun glyphRun_;                      // reused by drawAsciiRow
  QList<quint32> glyphIndexes_;
  QList<QPointF> glyphPositions_;
  std::function<void()> onPainted_;
};

}  // namespace ql
