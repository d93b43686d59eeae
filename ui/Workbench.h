#pragma once
// The eleven windows of Orvek, created once in their fixed order and living until the end,
// with what they share: the modal-interaction interface, the document opener and the
// pointer slots.

#include <memory>

#include "ui/CursorSlots.h"

class QTranslator;

namespace orvek {

class Prompter;
class DocumentOpener;
class TFormMain;
class TformCentroid;
class TfrmAbout;
class TfrmInfosLog;
class TDlgAlign;
class TdlgSynthDrift;
class TformSurface;
class TformCam;
class TDlgAVI;
class TfrmVisu;
class TfrmFitsHeader;
class TfrmHelp;
class SeriesCommands;
class ReductionCommands;
class AnalysisCommands;
class ArithmeticCommands;
class SurfaceCommands;
class WorkerPool;

struct Workbench {
  Workbench(Prompter& p, DocumentOpener& o, WorkerPool* w);
  ~Workbench();
  Workbench(const Workbench&) = delete;
  Workbench& operator=(const Workbench&) = delete;

  Prompter& prompter;
  DocumentOpener& opener;
  /// The program's pool of worker threads, which the commands share their work among (none:
  /// every command runs on the window's thread alone).
  WorkerPool* pool;
  CursorSlots cursors;

  // In creation order; destroyed in the reverse order.
  std::unique_ptr<TFormMain> FormMain;
  std::unique_ptr<TformCentroid> formCentroid;
  std::unique_ptr<TfrmAbout> frmAbout;
  std::unique_ptr<TfrmInfosLog> frmInfosLog;
  std::unique_ptr<TDlgAlign> DlgAlign;
  std::unique_ptr<TdlgSynthDrift> dlgSynthDrift;
  std::unique_ptr<TformSurface> formSurface;
  std::unique_ptr<TformCam> formCam;
  std::unique_ptr<TDlgAVI> DlgAVI;
  std::unique_ptr<TfrmVisu> frmVisu;
  std::unique_ptr<TfrmFitsHeader> frmFitsHeader;
  /// The help window, created the first time a help page cannot be shown by the desktop.
  std::unique_ptr<TfrmHelp> frmHelp;
  /// Qt's own texts (standard buttons and dialogs) in the interface language; none for
  /// English, Qt's own language.
  std::unique_ptr<QTranslator> qtTranslator;

  /// The image-series commands of the main window (best-of, alignment, addition, bias).
  std::unique_ptr<SeriesCommands> seriesCommands;
  /// The measurement-table commands of the main window (AutoOrvek, Réduction, Log).
  std::unique_ptr<ReductionCommands> reductionCommands;
  /// The drift calibration, the video import and the interferometry commands.
  std::unique_ptr<AnalysisCommands> analysisCommands;
  /// QuadPx, the hidden menu "Maths" and the hidden "Speckle Mask" item.
  std::unique_ptr<ArithmeticCommands> arithmeticCommands;
  /// The surface fit ("Surface", "Math Image").
  std::unique_ptr<SurfaceCommands> surfaceCommands;

  /// Reloads the texts of every translated window, in the order main window, measurement
  /// table, about box, log window, alignment dialog, surface window, camera window (and the
  /// help window when it exists), after Qt's own texts.
  void ChangeLangueAll();
  /// Installs Qt's translation of the interface language (qtbase_fr, _es, _it) from Qt's
  /// translations folder, replacing the previous one; false when it could not be loaded.
  bool InstallQtTranslation();
};

/// Start-up: the pointer slots are filled from the program folder, then the windows are
/// created in their order (main window, measurement table, about box, log, alignment,
/// synthetic drift, surface, camera, AVI, visual best-of, FITS header). Nothing is shown.
/// `pool` is the program's pool of worker threads (it outlives the windows).
std::unique_ptr<Workbench> CreateWorkbench(Prompter& prompter, DocumentOpener& opener,
                                           WorkerPool* pool = nullptr);

}  // namespace orvek
