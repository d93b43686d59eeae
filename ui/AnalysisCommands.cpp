#include "ui/AnalysisCommands.h"

#include "ui/DriftCommands.h"
#include "ui/InterferometryCommands.h"
#include "ui/UdlgAVI.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

namespace orvek {

AnalysisCommands::AnalysisCommands(Workbench& workbench)
    : m_workbench(workbench),
      m_drift(std::make_unique<DriftCommands>(workbench)),
      m_interferometry(std::make_unique<InterferometryCommands>(workbench)) {
  m_workbench.FormMain->InstallCommand(MainCommand::avi, [this] { aviClick(); });
}

AnalysisCommands::~AnalysisCommands() = default;

void AnalysisCommands::aviClick() {
  TDlgAVI& dialog = *m_workbench.DlgAVI;
  dialog.show();
  dialog.raise();
  dialog.activateWindow();
}

}  // namespace orvek
