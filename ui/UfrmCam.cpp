#include "ui/UfrmCam.h"

#include "ui/Langue.h"
#include "ui/Workbench.h"

namespace orvek {

TformCam::TformCam(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TformCam");
  setWindowTitle(QString::fromUtf8("CAMERA"));
  ChangeLangue();
}

void TformCam::ChangeLangue() {
  // The window's texts are read here once its controls exist.
}

}  // namespace orvek
