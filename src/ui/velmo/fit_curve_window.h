#pragma once
// "多项式拟合曲线": a fixed-size modal window that draws a fitted polynomial in red over the white
// circles of the points it was fitted to. It paints on every paint event straight from the tables,
// so covering and uncovering it redraws it at once.

#include <QDialog>

#include "calibration/fit_curve.h"

class QPainter;

namespace ql {

class FitCurveWindow : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 941;
  static constexpr int kClientHeight = 689;

  FitCurveWindow(calibration::CurveMode mode, const calibration::CurveSource& source,
                 QWidget* parent = nullptr);

  calibration::CurveMode mode() const { return mode_; }
  // The picture of the last paint.
  const calibration::FitCurvePicture& picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void draw(QPainter& painter);

  calibration::CurveMode mode_;
  calibration::CurveSource source_;
  calibration::FitCurvePicture picture_;
};

}  // namespace ql
