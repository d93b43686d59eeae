#pragma once
// The surface-fit commands of the main window's menu "Special": "Surface" fits two stars
// round the captured A and B and enters the fitted pair into the measurement table;
// "Math Image" shows the fitted model. Created once, after the windows.

#include <QString>

#include "fit/SurfaceFit.h"

namespace orvek {

struct Workbench;

class SurfaceCommands {
 public:
  /// Wires the menu items Surface1 and SurfaceImage1.
  explicit SurfaceCommands(Workbench& workbench);
  SurfaceCommands(const SurfaceCommands&) = delete;
  SurfaceCommands& operator=(const SurfaceCommands&) = delete;

  /// "Surface": the fit of CurrentFrame round CapturedA and CapturedB. A failure shows the
  /// message "msgErrSurface". A success shows the log window modally, then the table
  /// window, enters A then B (fit coordinates, height as Value, Count 9) as a new pair, and
  /// writes the model image.
  void Surface1Click();
  /// "Math Image": shows the model image of the last fit, or "Not avalaible".
  void SurfaceImage1Click();

  /// Program folder + "temps/surface.orvc".
  static QString ModelPath();
  /// The result of the last "Surface" command.
  const SurfaceFitResult& LastResult() const { return m_last; }

 private:
  Workbench& m_workbench;
  SurfaceFitResult m_last;
};

}  // namespace orvek
