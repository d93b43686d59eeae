#pragma once
// The commands of the main window that calibrate, import and analyse beyond the measurement
// of a pair: the drift calibration (DriftCommands), the video import window opened by the menu
// item "AVI", and the interferometry menus (InterferometryCommands). Created once, after the
// windows.

#include <memory>

namespace orvek {

struct Workbench;
class DriftCommands;
class InterferometryCommands;

class AnalysisCommands {
 public:
  /// Wires btnDriftSingle, btnDriftMulti, the menu item "avi" and the items of the menus
  /// "Interférométrie" and "DEBUG".
  explicit AnalysisCommands(Workbench& workbench);
  ~AnalysisCommands();
  AnalysisCommands(const AnalysisCommands&) = delete;
  AnalysisCommands& operator=(const AnalysisCommands&) = delete;

  DriftCommands& Drift() { return *m_drift; }
  InterferometryCommands& Interferometry() { return *m_interferometry; }
  /// Menu "AVI": shows the video import window without making it modal.
  void aviClick();

 private:
  Workbench& m_workbench;
  std::unique_ptr<DriftCommands> m_drift;
  std::unique_ptr<InterferometryCommands> m_interferometry;
};

}  // namespace orvek
