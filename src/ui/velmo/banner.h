#pragma once
// The banner across the top of the main window: the program's name on a band that stretches
// with the window. A double-click on it shows the download progress dialog at 0 %.

#include <QWidget>

namespace ql {

class Banner : public QWidget {
  Q_OBJECT

 public:
  explicit Banner(const QString& title, QWidget* parent = nullptr);
  void setTitle(const QString& title);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QFont titleFont() const;
  QString title_;
};

}  // namespace ql
