#pragma once
// The zoom of the main window's picture: a fixed factor (1:1, 2x, 4x, 8x, or a step of the
// mouse wheel and of Ctrl+plus/minus) or "fit to pane", which follows the pane's size and
// every new picture. The picture keeps its pixels: marks are drawn on them and the mouse is
// reported in them (ImageView), so a click means the same frame pixel at every zoom.
//
// The zoom lasts while the program runs; it is not kept in the settings file.

#include <QObject>
#include <QPoint>
#include <optional>
#include <vector>

class QScrollArea;

namespace orvek {

class ImageView;

class ImageZoom : public QObject {
  Q_OBJECT
 public:
  /// Zooms `view`, the widget of `pane`; wheel events over the pane zoom about the pointer.
  ImageZoom(QScrollArea* pane, ImageView* view, QObject* parent = nullptr);

  /// The factors of the wheel and of Ctrl+plus/minus, from 1/8 to 16.
  static const std::vector<double>& Steps();
  /// The step after (`up`) or before `factor` on Steps(); `factor` itself at either end.
  static double NextStep(double factor, bool up);

  /// Screen pixels per frame pixel.
  double Factor() const;
  /// True while the zoom follows the pane ("fit to pane").
  bool FitsPane() const { return m_fit; }

  /// A fixed factor. The frame pixel under `anchor` (a point of the pane's viewport; its
  /// centre when none is given) stays under it.
  void SetFactor(double factor, std::optional<QPoint> anchor = std::nullopt);
  /// The largest factor that shows the whole picture in the pane, kept as the picture or the
  /// pane changes.
  void FitToPane();
  /// One step of Steps() up or down, about the pointer when it is over the pane.
  void Step(bool up);
  /// The view's picture was replaced: refit when fitting.
  void PictureChanged();

 signals:
  void Changed(double factor);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Apply(double factor, std::optional<QPoint> anchor);
  double FitFactor() const;
  std::optional<QPoint> PointerAnchor() const;

  QScrollArea* m_pane;
  ImageView* m_view;
  bool m_fit = false;
  int m_wheelRest = 0;  // wheel angle not yet turned into a step (eighths of a degree)
};

}  // namespace orvek
