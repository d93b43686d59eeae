#include "ui/ReductionCommands.h"

#include "ui/UfrmCentroid.h"
#include "ui/UfrmInfosLog.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

namespace orvek {

ReductionCommands::ReductionCommands(Workbench& workbench) : m_workbench(workbench) {
  TFormMain& main = *m_workbench.FormMain;
  main.InstallCommand(MainCommand::AutoOrvek, [this] { AutoOrvekClick(); });
  main.InstallCommand(MainCommand::CentroideMenuitem, [this] { CentroideMenuitemClick(); });
  main.InstallCommand(MainCommand::Rapport1, [this] { Rapport1Click(); });
}

void ReductionCommands::AutoOrvekClick() {
  // The main window's loop: each ticked image is loaded and shown (which measures A at its
  // best star), A enters the table, B is measured where the captured offset predicts it and
  // completes the row; then the list's first image is shown again, and the table.
  m_workbench.FormMain->AutoOrvekClick();
}

void ReductionCommands::CentroideMenuitemClick() {
  if (m_workbench.formCentroid) m_workbench.formCentroid->ShowTable();
}

void ReductionCommands::Rapport1Click() {
  if (m_workbench.frmInfosLog) m_workbench.frmInfosLog->ShowLog();
}

}  // namespace orvek
