#include "ui/ScriptedTour.h"

#include <QApplication>
#include <QMouseEvent>

#include "core/Rounding.h"
#include "measure/AutoOrvek.h"
#include "ui/CommandSupport.h"
#include "ui/Controls.h"
#include "ui/ImageZoom.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

namespace orvek {

namespace {

// A mouse event on the picture over the centre of frame pixel (x, y), at the zoom shown.
void Mouse(ImageView* view, QEvent::Type type, Qt::MouseButton button, int x, int y) {
  const QPointF at = view->ControlPointOf(QPointF(x + 0.5, y + 0.5));
  const Qt::MouseButtons held =
      type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons(Qt::NoButton);
  QMouseEvent event(type, at, view->mapToGlobal(at),
                    type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
  QApplication::sendEvent(view, &event);
  QApplication::processEvents();
}

void Click(ImageView* view, Qt::MouseButton button, int x, int y) {
  Mouse(view, QEvent::MouseMove, Qt::NoButton, x, y);
  Mouse(view, QEvent::MouseButtonPress, button, x, y);
  Mouse(view, QEvent::MouseButtonRelease, button, x, y);
}

}  // namespace

bool RunTour(Workbench& workbench, const TourSnapshot& snapshot, QString* why) {
  TFormMain& main = *workbench.FormMain;
  if (!main.HasImage()) {
    if (why) *why = "no image is shown";
    return false;
  }
  main.Zoom().FitToPane();
  QApplication::processEvents();
  const int half = main.HalfSize();
  const StarPair pair =
      FindBrightestPair(main.CurrentFrame(), main.CurrentMeasureSettings(), half, half);
  if (!pair.found) {
    if (why) *why = Worded(pair.error);
    return false;
  }
  const int ax = Nearest32(pair.a.point.X), ay = Nearest32(pair.a.point.Y);
  const int bx = Nearest32(pair.b.point.X), by = Nearest32(pair.b.point.Y);
  ImageView* view = main.Image1();
  Click(view, Qt::LeftButton, ax, ay);
  main.Capture_AClick();
  Click(view, Qt::RightButton, ax, ay);
  Click(view, Qt::LeftButton, bx, by);
  main.Capture_BClick();
  Mouse(view, QEvent::MouseMove, Qt::NoButton, bx, by);
  main.raise();
  QApplication::processEvents();
  if (snapshot) snapshot("pending");
  Click(view, Qt::RightButton, bx, by);
  workbench.formCentroid->ShowTable();
  QApplication::processEvents();
  if (snapshot) snapshot("done");
  return true;
}

}  // namespace orvek
