#include "ui/StepArrows.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>
#include <limits>

namespace orvek {

StepArrows::StepArrows(QLineEdit* buddy, Qt::Orientation orientation, int minimum, int maximum,
                       int increment, QWidget* parent)
    : QWidget(parent),
      m_buddy(buddy),
      m_min(minimum),
      m_max(maximum),
      m_increment(increment),
      m_last(minimum) {
  const bool vertical = orientation == Qt::Vertical;
  auto* layout = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(this))
                          : static_cast<QBoxLayout*>(new QHBoxLayout(this));
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_next = new QToolButton(this);
  m_prev = new QToolButton(this);
  m_next->setArrowType(vertical ? Qt::UpArrow : Qt::RightArrow);
  m_prev->setArrowType(vertical ? Qt::DownArrow : Qt::LeftArrow);
  for (QToolButton* b : {m_next, m_prev}) {
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(vertical ? QSize(18, 12) : QSize(22, 22));
  }
  if (vertical) {
    layout->addWidget(m_next);
    layout->addWidget(m_prev);
  } else {
    layout->addWidget(m_prev);
    layout->addWidget(m_next);
  }
  connect(m_next, &QToolButton::clicked, this, [this] { Step(true); });
  connect(m_prev, &QToolButton::clicked, this, [this] { Step(false); });
  Position();
}

int StepArrows::Position() const {
  bool ok = false;
  const int v = m_buddy->text().trimmed().toInt(&ok);
  if (ok) m_last = std::clamp(v, m_min, m_max);
  return m_last;
}

void StepArrows::SetPosition(int value) {
  m_last = std::clamp(value, m_min, m_max);
  m_buddy->setText(QString::number(m_last));
}

void StepArrows::SetRange(int minimum, int maximum) {
  m_min = minimum;
  m_max = std::max(minimum, maximum);
  m_last = std::clamp(m_last, m_min, m_max);
}

void StepArrows::Step(bool next) {
  const long long v = static_cast<long long>(Position()) + (next ? m_increment : -m_increment);
  SetPosition(static_cast<int>(
      std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
  emit Clicked(next);
}

}  // namespace orvek
