#pragma once
// The drift orientation dialog (TdlgSynthDrift): after a drift analysis the user says how the
// sky lies in the image by choosing one of four compass crosses. Each picture button closes
// the dialog with its own result; the window has no close box, and closing it any other way
// (Escape, the window manager) counts as the fourth button.
//
//   BitBtn1 (top left)     N / E W / S   Yes     north up,   east left
//   BitBtn2 (top right)    N / W E / S   No      north up,   east right
//   BitBtn3 (bottom left)  S / E W / N   OK      north down, east left
//   BitBtn4 (bottom right) S / W E / N   Cancel  north down, east right

#include <QDialog>
#include <QPixmap>

#include "series/Drift.h"

class QLabel;
class QPushButton;

namespace orvek {

struct Workbench;

class TdlgSynthDrift : public QDialog {
  Q_OBJECT
 public:
  explicit TdlgSynthDrift(Workbench& workbench);

  /// Shows the dialog modally, centred on the main window, and returns the button chosen
  /// (Cancel when it was closed otherwise). Tests drive it through its buttons once visible.
  DriftDialogResult Execute();
  /// The result of the last closing.
  DriftDialogResult Result() const { return m_result; }

  /// A compass cross of 60 x 60 pixels with the four letters at its ends: `top`, `left`,
  /// `right`, `bottom` ("N", "E", "W", "S").
  static QPixmap CompassPicture(const QString& top, const QString& left, const QString& right,
                                const QString& bottom);

  /// The four buttons' handlers.
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  void Finish(DriftDialogResult result);

  Workbench& m_workbench;
  DriftDialogResult m_result = DriftDialogResult::Cancel;

  QLabel* m_Label1 = nullptr;
  QPushButton* m_BitBtn1 = nullptr;
  QPushButton* m_BitBtn2 = nullptr;
  QPushButton* m_BitBtn3 = nullptr;
  QPushButton* m_BitBtn4 = nullptr;
};

}  // namespace orvek
