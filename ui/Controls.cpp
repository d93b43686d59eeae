#include "ui/Controls.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolButton>
#include <QVBoxLayout>

namespace orvek {

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void ImageView::SetPicture(const QImage& image, bool fitSize) {
  m_image =
      image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  if (fitSize) setFixedSize(m_image.size().isEmpty() ? QSize(1, 1) : m_image.size());
  update();
}

void ImageView::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  if (m_image.isNull()) return;
  if (m_stretch) {
    p.drawImage(rect(), m_image);
  } else {
    p.drawImage(QPoint(0, 0), m_image);
  }
}

void ImageView::mousePressEvent(QMouseEvent* event) {
  emit MousePressed(event->button(), event->position().toPoint());
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMoved(event->position().toPoint(), event->buttons());
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
  emit MouseReleased(event->button(), event->position().toPoint());
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
  m_pressedOnTick = OnTickBox(p);
  QListWidget::mousePressEvent(event);
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
  QListWidget::mouseReleaseEvent(event);
  const QModelIndex index = indexAt(event->position().toPoint());
  const bool chosen = event->button() == Qt::LeftButton && index.isValid() &&
                      index.row() == m_pressedRow && !m_pressedOnTick;
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
