#include "ui/UdlgSynthDrift.h"

#include "ui/Langue.h"
#include "ui/Workbench.h"

namespace orvek {

TdlgSynthDrift::TdlgSynthDrift(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TdlgSynthDrift");
  setWindowTitle(QString::fromUtf8("Drift Orientation Please !"));
}

}  // namespace orvek
