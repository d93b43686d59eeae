#pragma once
// The synthetic-drift dialog (TdlgSynthDrift).
// For now the window exists with its caption and its place in the start-up order; its
// controls and commands are added with the feature, and the main window keeps the menu
// items that open it disabled until then.

#include <QDialog>

namespace orvek {

struct Workbench;

class TdlgSynthDrift : public QDialog {
  Q_OBJECT
 public:
  explicit TdlgSynthDrift(Workbench& workbench);

 private:
  Workbench& m_workbench;
};

}  // namespace orvek
