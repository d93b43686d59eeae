#pragma once
// The alignment and cropping dialog (TDlgAlign): the crop side, the offsets of the crop
// centre, and a preview of the crop square drawn on the main window's image round the star
// (exclusive-or, so that drawing it again removes it). Shown modally by "&Aligner Liste",
// "Découpage", "Composita&ge automatique" and "Compositer &Reductions"; its confirmed values
// are read with ReadSettings.

#include <QDialog>
#include <QPoint>

#include "core/Status.h"
#include "series/Stacking.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orvek {

struct Workbench;
class StepArrows;

class TDlgAlign : public QDialog {
  Q_OBJECT
 public:
  explicit TDlgAlign(Workbench& workbench);
  /// Reloads the texts of section language + "DlgAlign" (caption, "Label1", "Button2").
  void ChangeLangue();

  /// Shows the dialog modally, centred on the main window; true when it was confirmed with
  /// OK. Tests drive it through its buttons once it is visible.
  bool Execute();

  /// The values confirmed by OK: crop side S (ctlTailleRecadrage), OffsetX, OffsetY and the
  /// fixed centre Xcrop, Ycrop of "Découpage". `subPixel` is left as it is (the main
  /// window's SubPixellaire decides it). Fails with a message naming the field when a text
  /// is not a whole number in its range.
  Status ReadSettings(AlignSettings& settings) const;
  /// The crop side text ("128" at start; kept between uses).
  void SetCropSizeText(const QString& text);

  // Handlers.
  /// Offsets back to "0", then the preview.
  void FormShow();
  /// Removes the preview from the main image.
  void FormClose();
  /// Erases the preview last drawn (when `eraseFirst`) and draws it at the current values:
  /// centre OffsetX + star x rounded, OffsetY + star y rounded, half-side S / 2 rounded
  /// (halves to even). Nothing is drawn while a text is not a whole number.
  void UpdatePreview(bool eraseFirst);
  void UpDown1Click();
  void UpDown3Click();
  void UpDown4Click();
  void CheckBox1Click();
  void CheckBox2Click();
  /// OK: Xcrop and Ycrop take the preview centre of the current values; the dialog closes
  /// with OK. A text that is not a whole number is reported and the dialog stays open.
  void Button1Click();
  /// Annuler: the dialog closes with Cancel.
  void Button2Click();

  /// The preview on the image: shown, its centre (CropCentre) and half-side (CropHalf).
  bool PreviewShown() const { return m_previewShown; }
  QPoint CropCentre() const { return m_cropCentre; }
  int CropHalf() const { return m_cropHalf; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void DrawPreview();
  /// Parses the whole number of a field; false with a message naming the field.
  bool ReadField(const QLineEdit* edit, const QString& caption, int minimum, int maximum,
                 int& value, QString* message) const;

  Workbench& m_workbench;
  QPoint m_cropCentre;
  int m_cropHalf = 0;
  bool m_previewShown = false;

  QLabel* m_Label1 = nullptr;
  QLineEdit* m_ctlTailleRecadrage = nullptr;
  StepArrows* m_UpDown1 = nullptr;
  QCheckBox* m_CheckBox1 = nullptr;
  QLabel* m_Label2 = nullptr;
  QLineEdit* m_OffsetX = nullptr;
  StepArrows* m_UpDown3 = nullptr;
  QCheckBox* m_CheckBox2 = nullptr;
  QLabel* m_Label3 = nullptr;
  QLineEdit* m_OffsetY = nullptr;
  StepArrows* m_UpDown4 = nullptr;
  QLineEdit* m_Xcrop = nullptr;
  QLineEdit* m_Ycrop = nullptr;
  QPushButton* m_Button1 = nullptr;
  QPushButton* m_Button2 = nullptr;
};

}  // namespace orvek
