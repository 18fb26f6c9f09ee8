#pragma once
// The banner across the top of the main window: the program's name on a band that stretches
// with the window.

#include <QWidget>

namespace ql {

class Banner : public QWidget {
  Q_OBJECT

 public:
  explicit Banner(const QString& title, QWidget* parent = nullptr);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QFont titleFont() const;
  QString title_;
};

}  // namespace ql
