#pragma once
// The camera editor (TformCam), opened modally from the measurement table's "..." button:
// a grid of the cameras of the settings file from index 1 ("Camera", "Horiz.", "Vert."),
// with ten empty rows for new ones. OK rewrites the list through the model CameraEditor;
// Cancel writes nothing. The help button opens "pixel.htm" of the program folder.

#include <QDialog>
#include <QPointer>

#include "measure/Cameras.h"

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace orvek {

struct Workbench;
class CameraCellEditor;

class TformCam : public QDialog {
  Q_OBJECT
 public:
  explicit TformCam(Workbench& workbench);
  ~TformCam() override;
  /// Reloads the texts of section language + "Cam".
  void ChangeLangue();

  /// Shows the editor modally (FormShow first), kept above `over` (the window that opens it,
  /// which may itself stay on top). True when it closed with OK and the list was written.
  bool Execute(QWidget* over = nullptr);
  /// FormShow: the grid refilled from the settings file, the name column 180 wide.
  void FormShow();
  /// OK (Button1): writes the list and closes.
  void OkClick();
  /// The grid's content as the model holds it.
  const CameraEditor& Editor() const { return m_editor; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Fill();
  void CellEdited(int row, int col);

  Workbench& m_workbench;
  CameraEditor m_editor;
  bool m_filling = false;
  bool m_written = false;
  QTableWidget* m_StringGrid1 = nullptr;
  CameraCellEditor* m_cellEditor = nullptr;
  QPushButton* m_Button1 = nullptr;
  QPushButton* m_Button2 = nullptr;
  QPushButton* m_BitBtn1 = nullptr;
};

}  // namespace orvek
