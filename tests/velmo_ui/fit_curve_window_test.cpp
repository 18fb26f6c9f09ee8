// The fit curve window, offscreen: the points sit on the red curve, the y axis of the pressure
// curve starts at 0, and a table without a range draws a flat line at mid height.

#include "ui/velmo/fit_curve_window.h"

#include <QImage>
#include <QtTest>

#include "calibration/table_fits.h"

namespace ql {
namespace {

using namespace calibration;

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

void fill(PointTable& table, int column, const std::vector<std::string>& values) {
  table.setRowCount(static_cast<int>(values.size()) + 1);
  for (std::size_t i = 0; i < values.size(); ++i) table.setCell(column, static_cast<int>(i) + 1, values[i]);
}

QImage render(FitCurveWindow& window) {
  QImage image(window.size(), QImage::Format_RGB32);
  window.render(&image);
  return image;
}

bool redNear(const QImage& image, int x, int y) {
  for (int dy = -1; dy <= 1; ++dy)
    if (image.pixel(x, y + dy) == kRed) return true;
  return false;
}

}  // namespace

class FitCurveWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void pointsSitOnTheRedCurveOfThePressureFit() {
    PointTable pressure = makePressureTable();
    PointTable temperature = makeTemperatureTable();
    fill(pressure, pressure_column::kPoint, {"0", "50000", "100000", "150000", "200000"});
    fill(pressure, pressure_column::kAverage, {"1000000", "2300000", "3500000", "4600000", "5600000"});
    const TableFit fit = fitPressureTable(pressure, 4);
    QVERIFY(fit.fitted);
    CurveSource source{pressure, temperature, fit.coefficientTexts, {}, {}};
    QVERIFY(canShowCurve(CurveMode::Pressure, workbench_tab::kPressure, source));

    FitCurveWindow window(CurveMode::Pressure, source);
    QCOMPARE(window.windowTitle(), QString("多项式拟合曲线"));
    QCOMPARE(window.size(), QSize(941, 689));
    const QImage image = render(window);
    const FitCurvePicture& picture = window.picture();
    QCOMPARE(picture.labels.at(1).text, std::string("0"));
    QCOMPARE(picture.labels.at(1).y, picture.frame.bottom - 12);
    QCOMPARE(static_cast<int>(picture.points.size()), 5);
    for (const CurvePoint& point : picture.points) {
      QVERIFY2(redNear(image, point.x, point.y),
               qPrintable(QString("no curve at %1,%2").arg(point.x).arg(point.y)));
      // The circle's outline runs 3 pixels from the centre: above and below the point.
      QCOMPARE(image.pixel(point.x, point.y - 3), kWhite);
      QCOMPARE(image.pixel(point.x, point.y + 3), kWhite);
    }
    // 0 Pa is the bottom edge of the plot.
    QCOMPARE(picture.points.front().y, picture.frame.bottom);
    QCOMPARE(image.pixel(picture.frame.left, picture.frame.top), kWhite);
    QCOMPARE(image.pixel(picture.frame.right, picture.frame.bottom), kWhite);
  }

  void equalCodesDrawAFlatLineAtMidHeight() {
    PointTable pressure = makePressureTable();
    PointTable temperature = makeTemperatureTable();
    fill(temperature, temperature_column::kPoint, {"-5", "15", "35"});
    fill(temperature, temperature_column::kSensor1, {"2000", "2000", "2000"});
    CurveSource source{pressure, temperature, {"1", "2", "0", "0", "0", "0"}, {}, {}};

    FitCurveWindow window(CurveMode::Temperature, source);
    const QImage image = render(window);
    const FitCurvePicture& picture = window.picture();
    QVERIFY(picture.flat);
    const int middle = picture.frame.top + (picture.frame.bottom - picture.frame.top) / 2;
    int redOnMiddle = 0;
    int redElsewhere = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) == kRed) ++(y == middle ? redOnMiddle : redElsewhere);
    QVERIFY(redOnMiddle > picture.frame.right - picture.frame.left - 20);  // circles cover a few pixels
    QCOMPARE(redElsewhere, 0);
  }
};

}  // namespace ql

QTEST_MAIN(ql::FitCurveWindowTest)
#include "fit_curve_window_test.moc"
