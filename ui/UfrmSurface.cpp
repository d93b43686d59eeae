#include "ui/UfrmSurface.h"

#include "ui/Langue.h"
#include "ui/Workbench.h"

namespace orvek {

TformSurface::TformSurface(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TformSurface");
  setWindowTitle(QString::fromUtf8("Orvek / SURFACE"));
  ChangeLangue();
}

void TformSurface::ChangeLangue() {
  // The window's texts are read here once its controls exist.
}

}  // namespace orvek
