#pragma once
// velmo's action buttons: a picture with a caption on it. Pressing shows the pressed picture and
// moves the caption down; the action runs on release, and only when the release point lies
// inside the button (a few pixels above its top still count). Space and Enter do the same from
// the keyboard.

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace ql {

class PictureButton : public QWidget {
  Q_OBJECT

 public:
  struct Pictures {
    QPixmap normal;
    QPixmap pressed;
    QPixmap hover;  // null: the normal picture stays under the mouse
  };

  explicit PictureButton(Pictures pictures, QWidget* parent = nullptr);

  void setCaption(const QString& caption);
  QString caption() const { return caption_; }
  void setCaptionColor(const QColor& color);
  QColor captionColor() const { return captionColor_; }
  // Caption colour while the mouse is over the button; invalid: unchanged.
  void setHoverCaptionColor(const QColor& color) { hoverCaptionColor_ = color; }
  // How far the caption moves down while pressed.
  void setPressOffset(int pixels) { pressOffset_ = pixels; }
  // A release this many pixels above the top still counts as inside.
  void setReleaseSlackAbove(int pixels) { releaseSlackAbove_ = pixels; }
  // Scale of the caption font against the widget font (the navigation captions are larger).
  void setCaptionScale(double scale);
  // Sliced pictures stretch their middle and keep their corners (buttons with a caption); an
  // unsliced picture is scaled whole, keeping its aspect (the menu symbol).
  void setSliced(bool sliced) { sliced_ = sliced; }

  bool isDown() const { return down_; }
  // The release rule: x from 0 to the width, y from -slack to the height.
  bool releasesInside(const QPoint& pos) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QFont captionFont() const;
  const QPixmap& currentPicture() const;
  void setDown(bool down);

  Pictures pictures_;
  QString caption_;
  QColor captionColor_ = Qt::black;
  QColor hoverCaptionColor_;
  int pressOffset_ = 3;
  int releaseSlackAbove_ = 3;
  double captionScale_ = 1.0;
  bool sliced_ = true;
  bool down_ = false;
  bool hovered_ = false;
};

}  // namespace ql
