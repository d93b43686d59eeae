#pragma once
// The visual best-of window (TfrmVisu).
// For now the window exists with its caption and its place in the start-up order; its
// controls and commands are added with the feature, and the main window keeps the menu
// items that open it disabled until then.

#include <QWidget>

namespace orvek {

struct Workbench;

class TfrmVisu : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmVisu(Workbench& workbench);

 private:
  Workbench& m_workbench;
};

}  // namespace orvek
