#include "ui/UfrmInfosLog.h"

#include "ui/Langue.h"
#include "ui/Workbench.h"

namespace orvek {

TfrmInfosLog::TfrmInfosLog(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TfrmInfosLog");
  setWindowTitle("Log Infos");
  ChangeLangue();
}

void TfrmInfosLog::ChangeLangue() {
  const QString caption = LangText("Log", "tTIT");
  if (!caption.isEmpty()) setWindowTitle(caption);
}

}  // namespace orvek
