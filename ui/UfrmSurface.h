#pragma once
// The two-star surface-fit window (TformSurface).
// For now the window exists with its caption and its place in the start-up order; its
// controls and commands are added with the feature, and the main window keeps the menu
// items that open it disabled until then.

#include <QWidget>

namespace orvek {

struct Workbench;

class TformSurface : public QWidget {
  Q_OBJECT
 public:
  explicit TformSurface(Workbench& workbench);
  /// Reloads the texts of section language + "Surface".
  void ChangeLangue();

 private:
  Workbench& m_workbench;
};

}  // namespace orvek
