#include "ui/ImageZoom.h"

#include <QCursor>
#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "ui/Controls.h"

namespace orvek {

namespace {

// Steps closer than this are the same factor (a fitted factor between two steps moves to
// the next one, not to itself).
constexpr double kSame = 1e-9;

}  // namespace

ImageZoom::ImageZoom(QScrollArea* pane, ImageView* view, QObject* parent)
    : QObject(parent), m_pane(pane), m_view(view) {
  // The wheel over the picture or over the pane round it.
  m_pane->viewport()->installEventFilter(this);
  m_view->installEventFilter(this);
}

const std::vector<double>& ImageZoom::Steps() {
  static const std::vector<double> steps = {0.125, 0.25, 0.5, 0.75, 1, 1.5, 2, 3, 4, 6, 8, 12, 16};
  return steps;
}

double ImageZoom::NextStep(double factor, bool up) {
  const std::vector<double>& steps = Steps();
  if (up) {
    for (double s : steps) {
      if (s > factor * (1 + kSame)) return s;
    }
    return std::max(factor, steps.back());
  }
  for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
    if (*it < factor * (1 - kSame)) return *it;
  }
  return std::min(factor, steps.front());
}

double ImageZoom::Factor() const {
  return m_view->Zoom();
}

void ImageZoom::SetFactor(double factor, std::optional<QPoint> anchor) {
  m_fit = false;
  Apply(factor, anchor);
}

void ImageZoom::FitToPane() {
  m_fit = true;
  Apply(FitFactor(), std::nullopt);
}

void ImageZoom::Step(bool up) {
  SetFactor(NextStep(Factor(), up), PointerAnchor());
}

void ImageZoom::PictureChanged() {
  if (m_fit) Apply(FitFactor(), std::nullopt);
}

double ImageZoom::FitFactor() const {
  const QSize picture = m_view->Picture().size();
  if (picture.isEmpty()) return Factor();
  // The room of the pane without scroll bars: the fitted picture needs none.
  const QSize room = m_pane->maximumViewportSize();
  const double f = std::min(static_cast<double>(room.width()) / picture.width(),
                            static_cast<double>(room.height()) / picture.height());
  return f > 0 ? f : Factor();
}

std::optional<QPoint> ImageZoom::PointerAnchor() const {
  const QPoint p = m_pane->viewport()->mapFromGlobal(QCursor::pos());
  if (m_pane->viewport()->rect().contains(p)) return p;
  return std::nullopt;
}

void ImageZoom::Apply(double factor, std::optional<QPoint> anchor) {
  if (!(factor > 0)) return;
  QWidget* viewport = m_pane->viewport();
  const QPoint at = anchor.value_or(viewport->rect().center());
  // The frame position under the anchor, in frame pixels (fractional).
  const QPointF before = QPointF(m_view->mapFrom(viewport, at)) / Factor();
  const bool changed = factor != Factor();
  m_view->SetZoom(factor);
  if (m_view->isVisible()) {
    // The pane has placed the resized picture: scroll so that the same frame position lies
    // under the anchor again (where the picture is larger than the pane).
    const QPoint now = m_view->mapTo(viewport, (before * factor).toPoint());
    m_pane->horizontalScrollBar()->setValue(m_pane->horizontalScrollBar()->value() + now.x() -
                                            at.x());
    m_pane->verticalScrollBar()->setValue(m_pane->verticalScrollBar()->value() + now.y() - at.y());
  }
  if (changed) emit Changed(factor);
}

bool ImageZoom::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel && (watched == m_view || watched == m_pane->viewport())) {
    auto* wheel = static_cast<QWheelEvent*>(event);
    // Shift or Alt with the wheel scrolls, as in any pane.
    if (wheel->modifiers() & (Qt::ShiftModifier | Qt::AltModifier)) return false;
    m_wheelRest += wheel->angleDelta().y();
    const QPoint at = m_pane->viewport()->mapFromGlobal(wheel->globalPosition()).toPoint();
    // One step per notch (120 eighths of a degree); fine-grained wheels add up.
    while (std::abs(m_wheelRest) >= 120) {
      const bool up = m_wheelRest > 0;
      m_wheelRest += up ? -120 : 120;
      SetFactor(NextStep(Factor(), up), at);
    }
    return true;
  }
  if (watched == m_pane->viewport() && event->type() == QEvent::Resize && m_fit) {
    Apply(FitFactor(), std::nullopt);
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace orvek
