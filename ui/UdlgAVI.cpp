#include "ui/UdlgAVI.h"

#include "ui/Langue.h"
#include "ui/Workbench.h"

namespace orvek {

TDlgAVI::TDlgAVI(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TDlgAVI");
  setWindowTitle(QString::fromUtf8("Orvek : AVI -> BMP"));
}

}  // namespace orvek
