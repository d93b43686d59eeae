#pragma once
// The main window's commands of the measurement table and the log: "AutoOrvek" (the
// window's own loop over the ticked images, entering one row per image), "R&éduction"
// (the table window, not minimised) and "&Log" (the log window).

namespace orvek {

struct Workbench;

class ReductionCommands {
 public:
  /// Wires "AutoOrvek", "CentroideMenuitem" and "Rapport1" of the main window.
  explicit ReductionCommands(Workbench& workbench);
  ReductionCommands(const ReductionCommands&) = delete;
  ReductionCommands& operator=(const ReductionCommands&) = delete;

  /// Button "AutoOrvek": each ticked image is loaded and shown (which measures A at its best
  /// star), B is measured where the offset B - A predicts it, and the pair enters the table;
  /// then the list's first image is shown again, and the table. The offset is the captured
  /// comp B - comp A when both were captured on a frame of the size of the first ticked
  /// one; otherwise A and B are found on that frame as `orvek-cli reduce` finds them without
  /// --a/--b (the best star, then the best peak outside it), and when they cannot be found
  /// the command stops with a message. A frame where B falls on A enters nothing (a row of
  /// rho 0); the frames left out are named at the end.
  void AutoOrvekClick();
  void CentroideMenuitemClick();  ///< menu "R&éduction"
  void Rapport1Click();           ///< menu "&Log"

 private:
  Workbench& m_workbench;
  bool m_running = false;
};

}  // namespace orvek
