#pragma once
// The drift calibration commands of the main window: "Drift Analysis" (btnDriftSingle) follows
// a star trail on the image shown between the captured ends A and B; "Synthetic Drift"
// (btnDriftMulti) takes the star of every ticked frame and draws their crosses into the
// synthetic image "drift.orvc" of the working folder "tempc". Both fit a straight line through
// the points (series/Drift.h), draw it in red on the picture, ask the sky's orientation with
// TdlgSynthDrift, show the Delta it gives beside the current one and, when the user accepts
// it, feed the two ends of the line into the measurement table's calibration mode with the
// known angle 270, which sets txtDelta and empties the table.

#include <QPen>
#include <string>
#include <vector>

#include "measure/FrameLoader.h"
#include "series/Drift.h"

namespace orvek {

struct Workbench;
class TFormMain;

class DriftCommands {
 public:
  /// Wires btnDriftSingle and btnDriftMulti.
  explicit DriftCommands(Workbench& workbench);
  DriftCommands(const DriftCommands&) = delete;
  DriftCommands& operator=(const DriftCommands&) = delete;

  /// "Drift Analysis".
  void btnDriftSingleClick();
  /// "Synthetic Drift".
  void btnDriftMultiClick();
  /// The synthetic drift over the ticked frames; false when nothing was fed to the table.
  bool SyntheticDrift();

  /// The line of the last command that determined one (for tests and the status).
  const DriftLine& LastLine() const { return m_lastLine; }
  /// The points of the last command (trail centroids or frame stars), in order.
  const std::vector<DriftPoint>& LastPoints() const { return m_lastPoints; }

  /// Colours of the marks: the trail's crosses and the fitted line.
  static QColor CrossColour() { return QColor(0, 128, 0); }
  static QColor LineColour() { return QColor(255, 0, 0); }

 private:
  TFormMain& Main() const;
  /// The load settings of the main window (bias, FITS options, measurement settings).
  LoadContext CurrentLoadContext() const;
  /// Marks the points on the shown picture with crosses of half-size 5 in the window's kept
  /// cross pen (green, copy mode, set by the caller).
  void DrawCrosses(const std::vector<DriftPoint>& points);
  /// Draws the fitted line across the shown picture from column 0 to lastX, solid red, one
  /// pixel wide, in copy mode.
  void DrawFittedLine(const DriftLine& line, int32_t lastX);
  /// Orientation dialog; the new Delta shown beside the old one with the question whether to
  /// replace it (the table is emptied by the calibration); on Yes the table's calibration
  /// mode is fed with the line's ends measured on `framePath` and the table window shown; on
  /// No nothing changes.
  void OrientAndFeed(const DriftLine& line, int32_t lastX, const rStarPos& current,
                     const std::string& framePath);

  Workbench& m_workbench;
  DriftLine m_lastLine;
  std::vector<DriftPoint> m_lastPoints;
};

}  // namespace orvek
