#pragma once
// Small widgets of the windows: the picture control, the up-down spinner of an edit box and
// the list with tick boxes that reports dragging.

#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QWidget>

class QToolButton;

namespace orvek {

/// A picture control: shows a QImage at one screen pixel per image pixel, or enlarged or
/// reduced by a zoom factor (each image pixel a square of zoom x zoom screen pixels, no
/// smoothing), or stretched to the control when `stretch`; it reports the mouse in image
/// pixels (column x to the right, row y downwards, from 0) whatever the zoom.
class ImageView : public QWidget {
  Q_OBJECT
 public:
  explicit ImageView(QWidget* parent = nullptr);

  /// Replaces the picture (converted to 32-bit RGB); with `fitSize` the control takes the
  /// picture's size.
  void SetPicture(const QImage& image, bool fitSize = true);
  /// The picture shown; drawing on it takes effect at the next repaint (call update()).
  QImage& Picture() { return m_image; }
  const QImage& Picture() const { return m_image; }
  /// Stretches the picture over the whole control instead of drawing it 1:1.
  void SetStretch(bool stretch) { m_stretch = stretch; }
  /// Screen pixels per image pixel (> 0); the control takes the zoomed picture's size.
  void SetZoom(double zoom);
  double Zoom() const { return m_zoom; }
  /// The image pixel under a point of the control (floor of position / zoom).
  QPoint ImagePixelAt(const QPointF& position) const;
  /// The point of the control where the top-left corner of image pixel `pixel` is shown.
  QPointF ControlPointOf(const QPointF& pixel) const { return pixel * m_zoom; }

 signals:
  /// Positions in image pixels.
  void MousePressed(Qt::MouseButton button, QPoint position);
  void MouseMoved(QPoint position, Qt::MouseButtons buttons);
  void MouseReleased(Qt::MouseButton button, QPoint position);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void FitToPicture();

  QImage m_image;
  bool m_stretch = false;
  bool m_fitSize = false;
  double m_zoom = 1;
};

/// The up-down arrows of an edit box holding an integer (a spinner beside the edit).
class UpDownControl : public QWidget {
  Q_OBJECT
 public:
  UpDownControl(QLineEdit* buddy, int minimum, int maximum, QWidget* parent = nullptr);
  int Position() const;
  void SetPosition(int value);
  QToolButton* UpButton() const { return m_up; }
  QToolButton* DownButton() const { return m_down; }

 private:
  void Step(int delta);
  QLineEdit* m_buddy;
  int m_min, m_max;
  QToolButton* m_up;
  QToolButton* m_down;
};

/// A list of file names with tick boxes. Besides QListWidget's signals it reports the item
/// under the pointer while the left button is held (dragging), the release of a button and
/// the loss of focus; a press followed by moves does not change the selection. A press on a
/// tick box changes that tick at once (itemChanged), and nothing else changes it until the
/// next press: moving over the same item and releasing leave it as the press set it.
class CheckListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit CheckListBox(QWidget* parent = nullptr);

 signals:
  /// An item was chosen: a left click on its text (not on its tick box), or the keyboard
  /// moved the selection to it.
  void ItemChosen(int index);
  /// The pointer moved with the left button held; `index` is the row under it, -1 for none.
  void DraggedOver(int index);
  void ButtonReleased();
  void FocusLeft();

 public:
  /// True when `position` (viewport coordinates) lies on the tick box of its item.
  bool OnTickBox(const QPoint& position) const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  int m_pressedRow = -1;
  bool m_pressedOnTick = false;
};

}  // namespace orvek
