#pragma once
// The video import window (TDlgAVI, "Orvek : AVI -> BMP"): a small modeless window that cuts
// a video into numbered frame files (base name + "%.4d" + ".bmp"), which the user then loads
// as a folder into the image list. "Select Avi" chooses the video, "Convert" asks for the
// base name and runs the conversion through the video library, showing "done/total" after
// every frame while the window stays responsive; the window closes when it is done. The
// format box beside the progress chooses BMP (the designed output; ORV for SER videos of
// more than 8 bits) or FITS (lossless, each file carrying its frame's time).

#include <QDialog>
#include <QString>

#include "series/VideoImport.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace orvek {

struct Workbench;

class TDlgAVI : public QDialog {
  Q_OBJECT
 public:
  explicit TDlgAVI(Workbench& workbench);

  /// The open dialog's filter: AVI and SER videos first, then the other containers FFmpeg
  /// reads.
  static QString VideoFilter();

  // Handlers.
  /// "Convert" hidden, Label1 and Label2 emptied.
  void FormShow();
  /// Open dialog; on a choice Label1 := the path and "Convert" appears.
  void btnSelectAviClick();
  /// With a video chosen: save dialog for the base name; on a choice the conversion runs and
  /// the window closes. Cancelling the save dialog leaves the window open.
  void btnConvertClick();
  /// Cuts `videoPath` into frame files named from `baseName` in the chosen format; reports
  /// failures, and the frames missing from the video by number, through the prompter in the
  /// interface language. Frame files already there are not replaced: the conversion is
  /// refused before anything is written. True when at least one frame file was written.
  bool Conversion(const QString& videoPath, const QString& baseName);
  /// The output format chosen in the format box (Auto for "BMP", Fits for "FITS").
  VideoFormat ChosenFormat() const;

  /// True while a conversion runs.
  bool Converting() const { return m_converting; }
  /// The result of the last conversion.
  const VideoResult& LastResult() const { return m_last; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  class LabelProgress;

  Workbench& m_workbench;
  bool m_converting = false;
  bool m_cancelRequested = false;
  VideoResult m_last;

  QPushButton* m_btnSelectAvi = nullptr;
  QLabel* m_Label1 = nullptr;
  QPushButton* m_btnConvert = nullptr;
  QLabel* m_Label2 = nullptr;
  QComboBox* m_cboFormat = nullptr;
};

}  // namespace orvek
