#pragma once
// The alignment and cropping dialog (TDlgAlign).
// For now the window exists with its caption and its place in the start-up order; its
// controls and commands are added with the feature, and the main window keeps the menu
// items that open it disabled until then.

#include <QDialog>

namespace orvek {

struct Workbench;

class TDlgAlign : public QDialog {
  Q_OBJECT
 public:
  explicit TDlgAlign(Workbench& workbench);
  /// Reloads the texts of section language + "DlgAlign".
  void ChangeLangue();

 private:
  Workbench& m_workbench;
};

}  // namespace orvek
