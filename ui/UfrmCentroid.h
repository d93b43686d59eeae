#pragma once
// The measurement table window (TformCentroid): the raw grid (tab "Brutes") and the results
// grid (tab "Réduites") of the measured pairs, the calibration and result fields, the
// orientation compass, the camera choice and the table commands. The table itself is the
// model ReductionTable: this window passes the user's edits and commands to it, shows its
// state afterwards and reports a recomputation that stopped on a cell or field that is not
// a number (nothing else changes then).
//
// Other windows call SaveCentroid, RefreshZoomCent, RAZ, SauveParams, ChangeLangue and
// ShowTable; code that changes the model directly through Table() calls UpdateView()
// afterwards.
//
// The first time it is shown the window is placed beside the main window, clear of the
// image; afterwards it keeps the place the user gives it for the rest of the run (the
// settings file does not keep it).

#include <QRect>
#include <QWidget>
#include <memory>
#include <optional>

#include "core/Result.h"
#include "measure/Export.h"
#include "measure/KnownPair.h"
#include "measure/ReductionTable.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTableView;

namespace orvek {

struct Workbench;
class ReductionGridModel;
class KnownPairForm;
class CalibrationBookWindow;
class PlotWindow;
struct PlotData;
struct CalibrationEntry;

/// Where the table window of size `wanted` opens, in screen coordinates: beside the main
/// window (its right, then its left) when the screen `available` has room; otherwise over
/// the main window but clear of `image` (the part of the screen the image takes), in the
/// largest place left, shrunk down to `minimum` if need be; only when no such place exists,
/// in the screen's lower right corner.
QRect PlaceTableWindow(const QRect& mainFrame, const QRect& image, const QRect& available,
                       const QSize& wanted, const QSize& minimum);

class TformCentroid : public QWidget {
  Q_OBJECT
 public:
  explicit TformCentroid(Workbench& workbench);
  ~TformCentroid() override;

  // ---- Calls of the other windows ----------------------------------------------------------

  /// Enters the main window's CurrentPoint, measured on its CurrentFrame, as A of a new row
  /// or B of the open row (which recomputes the table). A recomputation error is shown.
  /// `kind`: Correlation for the fast measurement on a correlation image.
  RecomputeResult SaveCentroid(PairKind kind = PairKind::Direct);
  /// Copies the main window's CurrentPoint into the read-out fields.
  void RefreshZoomCent();
  /// Empties the table.
  RecomputeResult RAZ();
  /// Writes section "PARAMS": the calibration and the main window's options.
  Status SauveParams();
  /// Reloads the texts of section language + "Reduction".
  void ChangeLangue();
  /// Shows the table window in its normal (not minimised) state and brings it forward; the
  /// first time, placed beside the main window (PlaceTableWindow).
  void ShowTable();

  ReductionTable& Table() { return m_table; }
  const ReductionTable& Table() const { return m_table; }
  /// Shows the model's current state (after a change made directly through Table()).
  void UpdateView();

  // ---- The window's own commands (what its controls do) -----------------------------------

  /// A text typed into one of the edit fields (comma turned into "."), recomputing as the
  /// model says. A recomputation error is shown and changes nothing else.
  RecomputeResult EditField(ReductionField field, const QString& text);
  /// option1: "Etalonnage" or "Mesure".
  RecomputeResult SetMode(ReductionMode mode);
  /// Button1 / Button4.
  RecomputeResult ToggleNS();
  /// Button2 / Button3.
  RecomputeResult ToggleEW();
  /// "2x Binning" ticked or unticked.
  RecomputeResult SetBinning(bool ticked);
  /// TabControl1: 0 "Brutes", 1 "Réduites" (always "Brutes" in calibration mode).
  void SelectTab(int tab);
  /// "&Trier": results column 0..4, ascending or descending.
  RecomputeResult SortGrid(int column, bool descending);
  /// "Rejets"; then says how many rows went (or that none did).
  RejectReport RejectOutliers();
  /// "&Effacer": asks the "dDL" question; Yes empties the table. True when emptied.
  bool Effacer();
  /// Pop-up "Supprimer la ligne" on data row r (1..n); with `recall` the image of the row
  /// that takes its place is shown.
  RecomputeResult DeleteRow(int row, bool recall);
  /// Pop-up "Supprimer à partir d'ici": removes row r and all following ones.
  RecomputeResult CutFrom(int row);
  /// A click on data row r of either grid: selects it in both and, when it names an image,
  /// loads it into the main window, draws the crosses at A (20) and B (10) and sets the
  /// captured positions. True when the image was loaded.
  bool RecallFrame(int row);
  /// Current data row of the visible grid (0 when none).
  int CurrentGridRow() const;
  /// "Ajouter au &Log": the log window with the series name as the system, first page.
  void AjouterAuLog();
  /// ComboBox1: a camera chosen in the list (-1: none).
  RecomputeResult SelectCamera(int index);
  /// Button5 "...": the camera editor, modal; OK reloads the camera list.
  bool EditCameras();
  /// "Always on top".
  void SetAlwaysOnTop(bool onTop);

  // ---- Publication ------------------------------------------------------------------------

  /// "Known pair..." (calibration mode only): the known-pair form, its epoch the rows' mean
  /// Besselian epoch (empty when no row has a time). Its button fills the known theta and
  /// rho and closes it; its Cancel closes it and changes nothing. False outside calibration
  /// mode.
  bool OpenKnownPair();
  /// The known-pair form's window (created by the first OpenKnownPair).
  QWidget* KnownPairWindow() const { return m_knownPairWindow; }
  /// "Plot of theta and rho...": the plot window of the rows, redrawn whenever the table
  /// changes while it is shown.
  PlotWindow* OpenPlot();
  PlotWindow* Plot() const { return m_plotWindow.get(); }
  /// The rows' theta and rho (x: hours from the first row when every row has a time, else
  /// the row's number), their means and dispersions, and the rows "Rejets" would remove
  /// marked; no point when the table does not compute.
  PlotData PlotRows() const;
  /// The table's rows and their summary as an export writes them (the cells' values, the
  /// unrounded statistics); fails as the table's computation does.
  Result<ExportInput> ExportData() const;
  /// The calibration book: `calibrations.csv` in the settings file's folder.
  std::string CalibrationBookPath() const;
  /// "Calibration book...": the book's entries listed, the current set-up's last one chosen.
  /// False, with the failure shown, when the book cannot be read.
  bool OpenCalibrationBook();
  CalibrationBookWindow* BookWindow() const { return m_bookWindow; }
  /// A calibration chosen in the book: measurement mode, the entry's binning (1 or 2) ticked
  /// or not, then its Delta and Epsilon in the fields and one computation.
  RecomputeResult UseCalibration(const CalibrationEntry& entry);
  /// "Enter in the book" (calibration mode only): the calibration of the rows on the known
  /// theta and rho (Delta and Epsilon with their standard errors, the camera, the binning,
  /// the first row's time or now) appended to the book, and said. False, with the failure
  /// shown, when it cannot be computed or written.
  bool EnterInBook();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  QLineEdit* AddField(const char* name, ReductionField field, bool editable, int width);
  /// Shows a failed recomputation; then the model's state. Returns `result`.
  RecomputeResult Apply(const RecomputeResult& result);
  void ShowFields();
  /// The standard errors of theta and rho and the time of the current row (or of the last
  /// row), beside the designed fields.
  void ShowObservation();
  void ShowCameras();
  void SelectGridRow(int row);
  /// Widens a read-out field so that its whole text shows.
  static void FitReadOut(QLineEdit* edit);
  /// The screen rectangle of the main window's image (its pane when no image is shown).
  QRect ImageOnScreen() const;
  /// The known pair's theta and rho written into the calibration mode's known values.
  void FillKnownPair(const PairGeometry& pair);

  Workbench& m_workbench;
  ReductionTable m_table;
  QString m_questionDDL;
  std::string m_shownCaption;  ///< the model caption last put in the title
  bool m_updating = false;     ///< the window is showing the model: no edits go back
  bool m_moving = false;       ///< the window moves the grids' selection itself
  std::vector<std::string> m_cameraNames;
  std::optional<QRect> m_place;  ///< where the window stands once placed or moved (frame)

  // Controls (objectName as the member without "m_").
  QMenuBar* m_MainMenu1 = nullptr;
  QAction* m_AjouterauLog1 = nullptr;
  QAction* m_Effacer1 = nullptr;
  QMenu* m_Trier1 = nullptr;
  QList<QMenu*> m_sortMenus;
  QList<QAction*> m_ascending;
  QList<QAction*> m_descending;
  QAction* m_Rejets1 = nullptr;
  QMenu* m_Publication1 = nullptr;
  QAction* m_CoupleConnu1 = nullptr;
  QAction* m_CarnetEtalonnage1 = nullptr;
  QAction* m_InscrireCarnet1 = nullptr;
  QAction* m_Graphique1 = nullptr;
  QMenu* m_PopupMenu1 = nullptr;
  QAction* m_Supprimerlaligne1 = nullptr;
  QAction* m_Supprimerapartirdici1 = nullptr;

  QTabBar* m_TabControl1 = nullptr;
  QTableView* m_StringGrid1 = nullptr;
  QTableView* m_StringGrid2 = nullptr;
  ReductionGridModel* m_rawModel = nullptr;
  ReductionGridModel* m_resultModel = nullptr;

  std::vector<std::pair<ReductionField, QLineEdit*>> m_fields;
  QLineEdit* m_txtDelta = nullptr;
  QLineEdit* m_txtEps = nullptr;
  QLineEdit* m_txtTheta = nullptr;
  QLineEdit* m_txtRho = nullptr;
  QLineEdit* m_semTh = nullptr;    ///< standard error of theta
  QLineEdit* m_semRh = nullptr;    ///< standard error of rho
  QLineEdit* m_rowTime = nullptr;  ///< UTC time and epoch of the current row
  QLabel* m_lblSem[2] = {};        ///< "se=" of theta and rho
  QLabel* m_lblRowTime = nullptr;
  QLineEdit* m_LPix = nullptr;
  QLineEdit* m_HPix = nullptr;

  QLabel* m_lblPre = nullptr;
  QPushButton* m_Button1 = nullptr;
  QPushButton* m_Button2 = nullptr;
  QPushButton* m_Button3 = nullptr;
  QPushButton* m_Button4 = nullptr;
  QGroupBox* m_option1 = nullptr;
  QButtonGroup* m_optionGroup = nullptr;
  QRadioButton* m_option1Items[2] = {nullptr, nullptr};
  QCheckBox* m_Bin2x = nullptr;
  QCheckBox* m_CheckBox1 = nullptr;
  QLabel* m_L5 = nullptr;
  QLabel* m_L15 = nullptr;
  QComboBox* m_ComboBox1 = nullptr;
  QPushButton* m_Button5 = nullptr;

  QWidget* m_knownPairWindow = nullptr;
  KnownPairForm* m_knownPairForm = nullptr;
  CalibrationBookWindow* m_bookWindow = nullptr;
  std::unique_ptr<PlotWindow> m_plotWindow;
};

}  // namespace orvek
