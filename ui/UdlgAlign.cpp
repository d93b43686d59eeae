#include "ui/UdlgAlign.h"

#include "ui/Langue.h"
#include "ui/Workbench.h"

namespace orvek {

TDlgAlign::TDlgAlign(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TDlgAlign");
  setWindowTitle(QString::fromUtf8("Alignement et Recadrage"));
  ChangeLangue();
}

void TDlgAlign::ChangeLangue() {
  const QString caption = LangText("DlgAlign", "DlgAlign");
  if (!caption.isEmpty()) setWindowTitle(caption);
}

}  // namespace orvek
