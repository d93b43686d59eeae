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

  void AutoOrvekClick();          ///< button "AutoOrvek"
  void CentroideMenuitemClick();  ///< menu "R&éduction"
  void Rapport1Click();           ///< menu "&Log"

 private:
  Workbench& m_workbench;
};

}  // namespace orvek
