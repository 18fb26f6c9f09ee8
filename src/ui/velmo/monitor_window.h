#pragma once
// The online monitor: the four current values large, and the history of one of them as a curve
// drawn straight from the ring, one pixel per sample. Dragging with the left button moves the
// curve back in time for ten seconds; the right button or Escape return it to the newest
// samples, and Escape on a live curve closes the window. The hint under the mouse names the
// sample drawn in that pixel column.

#include <QDialog>
#include <QImage>
#include <array>

#include "shell/language_texts.h"
#include "status/live_values.h"
#include "status/monitor_view.h"
#include "ui/velmo/render_batch.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QRadioButton;
class QTimer;

namespace ql {

class MonitorWindow : public QDialog {
  Q_OBJECT

 public:
  MonitorWindow(LiveValues& live, const LanguageTexts& texts, QWidget* parent = nullptr);

  // Shows the window modally with the temperature curve chosen.
  int execWithTemperatureCurve();
  // Sets every caption from the language texts (which the program reloads on a language change).
  void applyTexts();

  MonitorChannel channel() const;
  void setChannel(MonitorChannel channel);
  const MonitorView& view() const { return view_; }
  int topBoxHeight() const;
  // The whole curve drawn again into the window's image, which paint events show.
  const QImage& redrawCurve();
  // The hint at a client position; empty over the top box.
  QString hintAt(const QPoint& pos) const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void layoutTopBox();
  void renderValues();
  void secondTick();
  void drawPoints(const MonitorPlotArea& area, const CurveWindow& window, const CurveRange& range);
  void refresh();

  LiveValues& live_;
  const LanguageTexts& texts_;
  MonitorView view_;
  QWidget* topBox_;
  std::array<QGroupBox*, 4> valueBoxes_{};
  std::array<QLabel*, 4> values_{};
  QGroupBox* selector_;
  QButtonGroup* curves_;
  std::array<QRadioButton*, 4> curveButtons_{};
  std::array<std::string, 3> hintCaptions_;
  QTimer* secondTimer_;
  QImage image_;
  RenderBatch valuesBatch_;
};

}  // namespace ql
