#include "ui/UfrmVisu.h"

#include "ui/Langue.h"
#include "ui/Workbench.h"

namespace orvek {

TfrmVisu::TfrmVisu(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TfrmVisu");
  setWindowTitle(QString::fromUtf8("BestOf Visual"));
}

}  // namespace orvek
