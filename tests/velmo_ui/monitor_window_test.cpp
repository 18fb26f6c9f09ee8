// The online monitor window, offscreen: the curve drawn from the ring, the hint under the mouse,
// dragging and Escape.

#include "ui/velmo/monitor_window.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>
#include <memory>

#include "runtime/formats.h"
#include "shell/language_texts.h"
#include "status/live_values.h"

namespace ql {
namespace {

constexpr std::time_t kNoon = 1796900000;
constexpr int kWidth = 1600;
constexpr int kHeight = 900;

// 2000 samples, one a second, filling slots 0..1999.
struct History {
  std::unique_ptr<MonitorHistory> ring = std::make_unique<MonitorHistory>();
  std::time_t now = kNoon;
  LiveValues live{*ring, [this] { return now; }, [] { return LiveDisplaySettings{}; }};
  History() {
    for (int i = 0; i < 2000; ++i, ++now)
      live.store(LiveSample{20.0 + (i % 100) / 10.0, 100.0 + i % 50, 3.0, 18.0});
  }
};

int redPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) count += row[x] == qRgb(255, 0, 0);
  }
  return count;
}

}  // namespace

class MonitorWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    texts_ = LanguageTexts::fromFile(QL_TEST_RESOURCE_DIR "/chinese.lag");
    history_ = std::make_unique<History>();
    window_ = std::make_unique<MonitorWindow>(history_->live, texts_);
    window_->resize(kWidth, kHeight);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  void cleanup() { window_.reset(); }

  void drawsOnePointPerWrittenSampleAndTheCurrentValues() {
    QCOMPARE(window_->windowTitle(), QString("在线监视"));
    QCOMPARE(window_->findChild<QLabel*>("pressureValue")->text(), QString("149.00"));
    // The window covers slots 401..2000; slot 2000 is the next to fill, so 1599 points.
    QCOMPARE(redPixels(window_->redrawCurve()), 1599);
    window_->setChannel(MonitorChannel::Pressure);
    QCOMPARE(redPixels(window_->redrawCurve()), 1599);
    QVERIFY(!window_->grab().isNull());

    // The four value boxes share the width beside the curve selector.
    auto* selector = window_->findChild<QWidget*>("curveSelector");
    auto* temperatureBox = window_->findChild<QLabel*>("temperatureValue")->parentWidget();
    const int d = kWidth - selector->width() - 48;
    QCOMPARE(temperatureBox->x(), 8);
    QCOMPARE(selector->x(), 8 + 4 * (d / 4));
  }

  void hintNamesTheSampleUnderTheMouse() {
    const int below = window_->topBoxHeight() + 50;
    QVERIFY(window_->hintAt(QPoint(300, window_->topBoxHeight() - 5)).isEmpty());
    // Column x shows slot 401 + x.
    const QString hint = window_->hintAt(QPoint(300, below));
    const std::string stamp = formatDateTime(localDateTime(kNoon + 701));
    QCOMPARE(hint, QString::fromStdString(stamp + "\n温度: 20.1\n压力: 101\n电导率: 3"));
  }

  void dragHoldsTheCurveAndEscapeReturnsThenCloses() {
    const int y = window_->topBoxHeight() + 100;
    QTest::mousePress(window_.get(), Qt::LeftButton, {}, QPoint(100, y));
    QTest::mouseRelease(window_.get(), Qt::LeftButton, {}, QPoint(400, y));
    QCOMPARE(window_->view().scrollOffset(), 300);
    // 300 samples older: column 300 now shows slot 401 (701 - 300).
    QVERIFY(window_->hintAt(QPoint(300, y))
                .startsWith(QString::fromStdString(formatDateTime(localDateTime(kNoon + 401)))));

    QTest::keyClick(window_.get(), Qt::Key_Escape);
    QCOMPARE(window_->view().scrollOffset(), 0);
    QVERIFY(window_->isVisible());
    QTest::keyClick(window_.get(), Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
  }

  void rightButtonReturnsToLive() {
    const int y = window_->topBoxHeight() + 100;
    QTest::mousePress(window_.get(), Qt::LeftButton, {}, QPoint(100, y));
    QTest::mouseRelease(window_.get(), Qt::LeftButton, {}, QPoint(150, y));
    QCOMPARE(window_->view().scrollOffset(), 50);
    QTest::mousePress(window_.get(), Qt::RightButton, {}, QPoint(150, y));
    QCOMPARE(window_->view().scrollOffset(), 0);
    QCOMPARE(window_->view().holdSeconds(), 0);
  }

 private:
  LanguageTexts texts_;
  std::unique_ptr<History> history_;
  std::unique_ptr<MonitorWindow> window_;
};

}  // namespace ql

QTEST_MAIN(ql::MonitorWindowTest)
#include "monitor_window_test.moc"
