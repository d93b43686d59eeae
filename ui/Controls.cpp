#include "ui/Controls.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace orvek {

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void ImageView::SetPicture(const QImage& image, bool fitSize) {
  m_image =
      image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  m_fitSize = fitSize;
  if (fitSize) FitToPicture();
  update();
}

void ImageView::SetZoom(double zoom) {
  if (!(zoom > 0) || zoom == m_zoom) return;
  m_zoom = zoom;
  if (m_fitSize) FitToPicture();
  update();
}

void ImageView::FitToPicture() {
  const QSize size = m_image.size();
  if (size.isEmpty()) {
    setFixedSize(1, 1);
    return;
  }
  setFixedSize(std::max(1, static_cast<int>(std::lround(size.width() * m_zoom))),
               std::max(1, static_cast<int>(std::lround(size.height() * m_zoom))));
}

QPoint ImageView::ImagePixelAt(const QPointF& position) const {
  return QPoint(static_cast<int>(std::floor(position.x() / m_zoom)),
                static_cast<int>(std::floor(position.y() / m_zoom)));
}

void ImageView::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  if (m_image.isNull()) return;
  if (m_stretch) {
    p.drawImage(rect(), m_image);
  } else if (m_zoom == 1) {
    p.drawImage(QPoint(0, 0), m_image);
  } else {
    // Only the image pixels under the exposed part, each drawn as a square: an enlarged
    // picture of a large frame is never scaled whole.
    const QRect exposed = event->rect();
    const QPoint first = ImagePixelAt(exposed.topLeft());
    const QPoint last = ImagePixelAt(exposed.bottomRight());
    const QRect pixels = QRect(first, last).adjusted(-1, -1, 1, 1).intersected(m_image.rect());
    if (pixels.isEmpty()) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRectF target(ControlPointOf(pixels.topLeft()),
                        ControlPointOf(QPointF(pixels.right() + 1, pixels.bottom() + 1)));
    p.drawImage(target, m_image, QRectF(pixels));
  }
}

void ImageView::mousePressEvent(QMouseEvent* event) {
  emit MousePressed(event->button(), ImagePixelAt(event->position()));
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMoved(ImagePixelAt(event->position()), event->buttons());
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
  emit MouseReleased(event->button(), ImagePixelAt(event->position()));
}

UpDownControl::UpDownControl(QLineEdit* buddy, int minimum, int maximum, QWidget* parent)
    : QWidget(parent), m_buddy(buddy), m_min(minimum), m_max(maximum) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_up = new QToolButton(this);
  m_down = new QToolButton(this);
  m_up->setArrowType(Qt::UpArrow);
  m_down->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {m_up, m_down}) {
    b->setAutoRepeat(true);
    b->setFixedSize(16, 11);
    b->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(b);
  }
  connect(m_up, &QToolButton::clicked, this, [this] { Step(1); });
  connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
}

int UpDownControl::Position() const {
  bool ok = false;
  const int v = m_buddy->text().toInt(&ok);
  return ok ? std::clamp(v, m_min, m_max) : m_min;
}

void UpDownControl::SetPosition(int value) {
  m_buddy->setText(QString::number(std::clamp(value, m_min, m_max)));
}

void UpDownControl::Step(int delta) {
  SetPosition(Position() + delta);
}

CheckListBox::CheckListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
}

bool CheckListBox::OnTickBox(const QPoint& position) const {
  const QModelIndex index = indexAt(position);
  if (!index.isValid()) return false;
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  option.features |= QStyleOptionViewItem::HasCheckIndicator;
  const QRect tick = style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
  return tick.contains(position);
}

void CheckListBox::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  const QModelIndex index = indexAt(p);
  m_pressedRow = index.isValid() ? index.row() : -1;
  m_pressedOnTick = event->button() == Qt::LeftButton && OnTickBox(p);
  if (m_pressedOnTick) {
    // The tick changes at the press, as the list always did it. The view's own handling
    // would change it again at the release, after a drag over the same item may already
    // have changed it: it does not see this press.
    setFocus(Qt::MouseFocusReason);
    if (QListWidgetItem* it = item(m_pressedRow)) {
      it->setCheckState(it->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
    event->accept();
    return;
  }
  QListWidget::mousePressEvent(event);
}

void CheckListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click on a tick box is a press like the first.
  if (event->button() == Qt::LeftButton && OnTickBox(event->position().toPoint())) {
    mousePressEvent(event);
    return;
  }
  QListWidget::mouseDoubleClickEvent(event);
}

void CheckListBox::keyPressEvent(QKeyEvent* event) {
  const int before = currentRow();
  QListWidget::keyPressEvent(event);
  if (currentRow() != before && currentRow() >= 0) emit ItemChosen(currentRow());
}

void CheckListBox::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) {
    const QModelIndex index = indexAt(event->position().toPoint());
    emit DraggedOver(index.isValid() ? index.row() : -1);
    return;  // dragging toggles ticks; it does not move the selection
  }
  QListWidget::mouseMoveEvent(event);
}

void CheckListBox::mouseReleaseEvent(QMouseEvent* event) {
  const bool tickPress = m_pressedOnTick;
  if (!tickPress) QListWidget::mouseReleaseEvent(event);
  const QModelIndex index = indexAt(event->position().toPoint());
  const bool chosen = event->button() == Qt::LeftButton && index.isValid() &&
                      index.row() == m_pressedRow && !tickPress;
  m_pressedRow = -1;
  m_pressedOnTick = false;
  if (chosen) emit ItemChosen(index.row());
  emit ButtonReleased();
}

void CheckListBox::focusOutEvent(QFocusEvent* event) {
  QListWidget::focusOutEvent(event);
  emit FocusLeft();
}

}  // namespace orvek
