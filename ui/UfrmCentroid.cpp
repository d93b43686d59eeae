#include "ui/UfrmCentroid.h"

#include "core/Utils.h"
#include "ui/Langue.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

namespace orvek {

TformCentroid::TformCentroid(Workbench& workbench)
    : m_workbench(workbench), m_table(SettingsPath()) {
  setObjectName("TformCentroid");
  setWindowTitle(QString::fromUtf8("Réduction"));
  ChangeLangue();
  // The table reads "PARAMS" at its creation, the main window's options included.
  const MainWindowParams params = m_table.Initialise();
  if (m_workbench.FormMain) m_workbench.FormMain->ApplyMainParams(params);
}

RecomputeResult TformCentroid::SaveCentroid() {
  TFormMain& main = *m_workbench.FormMain;
  return m_table.SaveCentroid(main.CurrentPoint(), main.CurrentFrame().FileName);
}

void TformCentroid::RefreshZoomCent() {
  m_table.RefreshZoomCent(m_workbench.FormMain->CurrentPoint());
}

RecomputeResult TformCentroid::RAZ() {
  return m_table.RAZ();
}

Status TformCentroid::SauveParams() {
  return m_table.SauveParams(m_workbench.FormMain->MainParams());
}

void TformCentroid::ChangeLangue() {
  const QString caption = LangText("Reduction", "tTIT");
  if (!caption.isEmpty()) setWindowTitle(caption);
}

void TformCentroid::ShowTable() {
  // Nothing to show before the grids exist; the model already holds the entries.
}

}  // namespace orvek
