#pragma once
// The measurement table (window TformCentroid) without its window: the raw grid of measured
// pairs, the results grid, the calibration and result fields as texts, and every operation
// of the table. The window shows these texts and passes its edits in; it never computes.
//
// The table is the adapter between its texts and the reduction's values (measure/Reduction.h):
// the cells become MeasuredPairs, the fields a Calibration, and one Reduce gives every text
// the grids and fields show. Pairs(), CurrentCalibration() and ComputeReduction() give the
// same values to other clients.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "core/IniFile.h"
#include "core/Result.h"
#include "core/Status.h"
#include "core/Types.h"
#include "measure/Cameras.h"
#include "measure/Reduction.h"

namespace orvek {

/// Columns of the raw grid StringGrid1.
enum RawColumn : int {
  kColXA = 0,
  kColYA,
  kColIntA,
  kColXB,
  kColYB,
  kColIntB,
  kColImage,
  kColPath,
  kColNA,
  kColNB,
  kColBin,
  kRawColumnCount
};

/// Columns of the results grid StringGrid2.
enum ResultColumn : int {
  kResTheta = 0,
  kResRho,
  kResDm,
  kResRThe,
  kResRRho,
  kResImage,
  kResultColumnCount
};

inline constexpr std::array<const char*, kRawColumnCount> kRawHeaders = {
    "xA", "yA", "intA", "xB", "yB", "intB", "Image", "Path", "nA", "nB", "Bin"};
inline constexpr std::array<int, kRawColumnCount> kRawWidths = {45,  45, 45, 45, 45, 45,
                                                                150, 20, 20, 20, 20};
inline constexpr std::array<const char*, kResultColumnCount> kResultHeaders = {
    "Theta", "Rho", "dM", "rThe", "rRho", "Image"};
inline constexpr std::array<int, kResultColumnCount> kResultWidths = {54, 54, 54, 54, 54, 100};

/// "Image" text of a row marked for deletion by the rejection.
inline constexpr const char* kDeletedMark = "#SUPPR#";
/// Text of a magnitude difference that cannot be computed.
inline constexpr const char* kNoMagnitude = "-999";

/// The text fields of the window.
enum class ReductionField {
  txtDelta,      ///< Delta, degrees (written in calibration mode)
  txtEps,        ///< Epsilon, arc-seconds per pixel height (written in calibration mode)
  txtTheta,      ///< mean theta; the known theta in calibration mode
  txtRho,        ///< mean rho; the known rho in calibration mode
  sigTh,         ///< dispersion of theta
  sigRh,         ///< dispersion of rho
  txtDm,         ///< overall magnitude difference
  LPix,          ///< pixel width of the camera
  HPix,          ///< pixel height of the camera
  FacteurRejet,  ///< rejection factor (hidden)
  CentroidX,     ///< read-out of the current measurement
  CentroidY,
  CentroidI,
  CentroidN,
};

/// How a recomputation ended.
struct RecomputeResult {
  Status status;     ///< not ok: a cell or field is not a number; nothing changed
  bool ran = false;  ///< the table was computed (its caption set)
};

/// The main window's options that the table stores in section "PARAMS" for it.
struct MainWindowParams {
  bool fitsSwapV = false;           ///< "FitsSwapV": menu "Swap Vertical (fits)"
  bool fitsSwapH = false;           ///< "FitsSwapH": menu "Swap Horizontal (fits)"
  bool menuInterferometry = false;  ///< "MenuInterfromtrie1"
  int halfSize = 6;                 ///< "HScroll1": window half-size P, 1..30
};

/// Background colour of a residual cell.
struct CellColour {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const CellColour&) const = default;
};
inline constexpr CellColour kResidualGood{0, 255, 0};
inline constexpr CellColour kResidualFair{166, 202, 240};
inline constexpr CellColour kResidualBad{255, 0, 255};

/// What the window needs to recall the image of a row.
struct RecallData {
  int row = 0;
  bool load = false;            ///< the row names an image: load `path`
  std::string path;             ///< "Path" + "Image"
  bool positionsValid = false;  ///< the four positions below were read
  Extended xA = 0, yA = 0, xB = 0, yB = 0;
  int32_t crossAX = 0, crossAY = 0;  ///< nearest(xA), nearest(yA): cross of half-size 20
  int32_t crossBX = 0, crossBY = 0;  ///< nearest(xB), nearest(yB): cross of half-size 10
};

/// The verdict of the rejection on one data row.
struct RowRejection {
  int row = 0;                       ///< row number before any deletion
  std::string image;                 ///< its "Image" cell
  std::vector<RejectReason> why;     ///< empty: the row is kept
  std::vector<std::string> reasons;  ///< the same reasons as the table words them
  /// The reasons, one a line, each ended by CR LF.
  std::string Text() const;
};

struct RejectReport {
  Status status;                   ///< not ok: a cell was not a number; nothing changed
  std::vector<RowRejection> rows;  ///< one per data row, in the order before the command
  int removed = 0;                 ///< rows deleted (marked rows, "#SUPPR#")
  Status recompute;                ///< how the recomputation after the deletions ended
};

/// The rejection's reason as the table words it: "comp A : nb pixels faible (2)", ...
std::string RejectReasonText(const RejectReason& reason);

/// The measurement table.
class ReductionTable {
 public:
  /// An empty table (header rows only) with default fields; `settingsPath` is the settings
  /// file used by LoadParams, SauveParams and the camera operations.
  explicit ReductionTable(std::string settingsPath);

  /// Creation order of the window after its texts: LoadCameras, SelectCamera (of the
  /// stored index), LoadParams, RAZ. Returns the main window's stored options.
  MainWindowParams Initialise(Status* status = nullptr);

  // ---- Grids -------------------------------------------------------------------------

  /// Rows of the raw grid, the header row 0 included.
  int RowCount() const { return static_cast<int>(m_raw.size()); }
  /// Data rows of the raw grid (RowCount - 1).
  int DataRows() const { return RowCount() - 1; }
  const std::string& Cell(int row, int col) const;
  /// Edits a raw cell (row >= 1); no recomputation. False when out of range.
  bool SetCell(int row, int col, const std::string& text);
  const std::vector<std::vector<std::string>>& RawRows() const { return m_raw; }

  /// Rows of the results grid, its header row included.
  int ResultRowCount() const { return static_cast<int>(m_results.size()); }
  const std::string& ResultCell(int row, int col) const;
  const std::vector<std::vector<std::string>>& ResultRows() const { return m_results; }

  /// A row is open when its "Image" cell is empty: it has its A and waits for its B.
  bool LastRowOpen() const { return m_raw.back()[kColImage].empty(); }
  /// Whether data row r (1..n) was entered from a correlation image or measured directly.
  PairKind RowKind(int row) const;
  /// When the frame of data row r (1..n) was taken; none when it is not known. The grids do
  /// not show it; it follows its row through sorting and deleting.
  std::optional<FrameTime> RowTime(int row) const;
  /// Gives data row r (1..n) a time (none: forgets it); false when there is no such row.
  bool SetRowTime(int row, std::optional<FrameTime> time);

  // ---- The table as values ---------------------------------------------------------------

  /// Data row r (1..n) as a measured pair: every cell read with "." as decimal separator.
  /// Fails on a cell that is not a number (NotANumber; NotAnInteger for nA, nB and Bin),
  /// naming the row and the column, or on a row that does not exist (NoTableRow).
  Result<MeasuredPair> Pair(int row) const;
  /// The same, reading only the cells of `columns` (each must be a number); `frame` and
  /// `kind` are always given, the other members keep their defaults. For commands that
  /// need part of a row: the positions, or A alone.
  Result<MeasuredPair> Pair(int row, std::initializer_list<RawColumn> columns) const;
  /// Every data row as a measured pair (an open row fails: its B cells are empty).
  Result<std::vector<MeasuredPair>> Pairs() const;
  /// The calibration of the fields: Delta, Epsilon, LPix, HPix, orientation and binning
  /// (BadNumber for a field that is not a number).
  Result<Calibration> CurrentCalibration() const;
  /// The reduction of the rows with the current calibration and mode, as a recomputation
  /// would show it; nothing is changed.
  Result<Reduction> ComputeReduction() const;
  /// The same reduction with every value as the grids and fields show it: theta, dM and the
  /// dispersion of theta to 2 decimals, rho, the residuals and the dispersion of rho to 3,
  /// Epsilon to 5 and Delta to 2 (the number a cell's text reads as).
  Result<Reduction> ShownReduction() const;

  // ---- Fields --------------------------------------------------------------------------

  const std::string& Field(ReductionField f) const;
  /// A change typed into a field. A comma becomes ".". For LPix, HPix, txtDelta, txtEps,
  /// txtTheta and txtRho a changed text that is neither empty nor "-" recomputes the table.
  RecomputeResult EditField(ReductionField f, const std::string& text);
  /// Typing filter of the six edit fields: the character to insert, or nothing when the
  /// key is refused (digits, backspace, "." everywhere; "-" except in LPix and HPix; a
  /// comma becomes ".").
  static std::optional<char> FilterKey(ReductionField f, char key);

  /// The window caption: "Réduction" at creation, "Reduction (n images)" once computed.
  const std::string& Caption() const { return m_caption; }

  // ---- Measurement entry ----------------------------------------------------------------

  /// Copies a measurement into the read-out fields: X and Y rounded to 3 decimals, Value in
  /// full, Count.
  void RefreshZoomCent(const rStarPos& point);
  /// Enters `point` (the main window's CurrentPoint), measured on the frame read from
  /// `framePath`, as A of a new row, or as B of the open row, which recomputes. A row with
  /// an entry of another kind than Direct is of that kind (a correlation row has no magnitude
  /// difference). `time` is when that frame was taken; the row keeps the time of the frame its
  /// B was measured on.
  RecomputeResult SaveCentroid(const rStarPos& point, const std::string& framePath,
                               PairKind kind = PairKind::Direct,
                               const std::optional<FrameTime>& time = std::nullopt);
  /// Appends a row of empty cells (a direct measurement).
  void AddRow();

  // ---- Computation ----------------------------------------------------------------------

  /// Recomputes theta, rho, dM, means, dispersions and residuals in one computation and
  /// writes every text it gives. On a cell or a field that is not a number nothing is
  /// changed and the status names it. When the table has become empty, the result fields
  /// (mean theta and rho in measurement mode, dispersions, dM) are emptied.
  RecomputeResult Recompute();

  /// Background of a results cell: the residual colours for rThe and rRho of data rows,
  /// nothing for other cells (or a cell or dispersion that is not a number).
  std::optional<CellColour> ResidualColour(int row, int col) const;
  /// The colour rule: green by default, light blue when |residual| > 0.674 s, magenta when
  /// |residual| >= 2 s, with s the magnitude of the dispersion. A dispersion of 0 (one row,
  /// or rows that agree to the digits shown) flags nothing: every residual is green.
  static CellColour ResidualColourFor(Extended residual, Extended sigma);

  // ---- Table commands --------------------------------------------------------------------

  /// Sorts the rows by the magnitude of results column `column` (0..4), ascending or
  /// descending, with the diminishing-gap exchange sort, then recomputes.
  RecomputeResult SortGrid(int column, bool descending);
  /// "Rejets": marks and deletes the rows that fail the quality criteria.
  RejectReport RejectOutliers();
  /// Deletes data row r (1..n) and recomputes. The window recalls the frame afterwards
  /// when asked to (RecallFrame of its current row).
  RecomputeResult DeleteRow(int row);
  /// "Supprimer à partir d'ici": removes row r and all following ones, then recomputes.
  RecomputeResult CutFrom(int row);
  /// Empties the table (header rows only), hides the results, selects "Brutes", recomputes.
  RecomputeResult RAZ();
  /// Selects row r (>= 1) in both grids and returns what the window loads and draws.
  RecallData RecallFrame(int row);
  int CurrentRow() const { return m_currentRow; }

  // ---- Mode, tabs, orientation, binning ----------------------------------------------------

  ReductionMode Mode() const { return m_mode; }
  RecomputeResult SetMode(ReductionMode mode);
  /// txtDelta and txtEps are editable (measurement mode).
  bool CalibrationFieldsEnabled() const { return m_mode == ReductionMode::Mesure; }
  /// txtTheta and txtRho are editable (calibration mode).
  bool KnownValueFieldsEnabled() const { return m_mode == ReductionMode::Etalonnage; }

  /// 0 "Brutes" (raw grid shown) or 1 "Réduites" (results grid shown). In calibration mode
  /// the tab always returns to "Brutes".
  int Tab() const { return m_tab; }
  void SelectTab(int tab);
  bool RawGridVisible() const { return m_tab == 0; }
  bool ResultsGridVisible() const { return m_tab == 1; }

  const std::string& OrientV() const { return m_orientV; }  ///< "ns" or "sn"
  const std::string& OrientH() const { return m_orientH; }  ///< "ew" or "we"
  /// Captions of the compass buttons: Button1 top, Button4 bottom, Button2 left, Button3 right.
  const std::string& Button1() const { return m_button1; }
  const std::string& Button4() const { return m_button4; }
  const std::string& Button2() const { return m_button2; }
  const std::string& Button3() const { return m_button3; }
  /// Sets the orientation ("ns"; anything else is "sn" / "ew"; anything else is "we")
  /// without recomputing; ShowOrientation then shows it.
  void SetOrientation(const std::string& orientV, const std::string& orientH);
  RecomputeResult ShowOrientation();
  RecomputeResult ToggleNS();  ///< Button1 or Button4
  RecomputeResult ToggleEW();  ///< Button2 or Button3

  bool Bin2x() const { return m_bin2x; }
  /// Ticks or unticks "2x Binning": Epsilon doubled or halved, then recomputed. When txtEps
  /// is not a number the box keeps its state and the status says why.
  RecomputeResult SetBinning(bool ticked);

  // ---- Cameras ---------------------------------------------------------------------------

  /// Reads the camera list and selects the stored index ("CAMERA"/"Camera"); LPix and HPix
  /// are not changed (SelectCamera applies them).
  void LoadCameras();
  const TArrayCam& Cameras() const { return m_cameras; }
  /// Selected entry, -1 when none.
  int CameraIndex() const { return m_cameraIndex; }
  /// The list's current text (empty when none is selected).
  std::string CameraName() const;
  /// Selects an entry (-1: none), applies its pixel sizes and stores the index.
  RecomputeResult SelectCamera(int index);
  /// Applies the selected entry's pixel sizes without storing anything (LPix and HPix keep
  /// their text when nothing is selected).
  RecomputeResult ApplySelectedCamera();

  // ---- Settings --------------------------------------------------------------------------

  /// Reads "PARAMS": Delta, Epsilon, the orientation (shown, which recomputes), the
  /// rejection factor, and returns the main window's options.
  MainWindowParams LoadParams();
  /// Writes "PARAMS": Delta, Epsilon (unbinned), orientation and the main window's options.
  Status SauveParams(const MainWindowParams& main) const;
  const std::string& SettingsPath() const { return m_settingsPath; }

 private:
  std::string& FieldRef(ReductionField f);
  void ResetGrids();
  /// Data row r as a pair, reading the cells of `columns` (the others keep their defaults).
  Result<MeasuredPair> ReadRow(int row, std::initializer_list<RawColumn> columns) const;
  /// The calibration as the recomputation reads it: the scale and Delta only when asked
  /// (measurement mode, where they are used).
  Result<Calibration> ReadCalibration(bool scaleAndDelta) const;
  /// Removes data row r from both grids, without recomputing.
  void EraseRow(int row);
  /// Writes the results grid and the fields of a reduction.
  void Show(const Reduction& reduction);
  void EmptyResultFields();

  std::string m_settingsPath;
  std::vector<std::vector<std::string>> m_raw;
  std::vector<std::vector<std::string>> m_results;
  /// What a data row holds beside its cells (index row - 1).
  struct RowExtras {
    PairKind kind = PairKind::Direct;
    std::optional<FrameTime> time;
  };
  std::vector<RowExtras> m_extras;
  int m_computedRows = 0;  ///< data rows of the last computation that ran

  std::string m_txtDelta = "0";
  std::string m_txtEps = "1";
  std::string m_txtTheta;
  std::string m_txtRho;
  std::string m_sigTh;
  std::string m_sigRh;
  std::string m_txtDm = "delta M";
  std::string m_lPix = "5.6";
  std::string m_hPix = "5.6";
  std::string m_facteurRejet = "3";
  std::string m_centroidX, m_centroidY, m_centroidI, m_centroidN;

  std::string m_caption = "Réduction";
  ReductionMode m_mode = ReductionMode::Mesure;
  int m_tab = 0;
  int m_currentRow = 0;
  std::string m_orientV = "ns";
  std::string m_orientH = "ew";
  std::string m_button1 = "N", m_button4 = "S", m_button2 = "E", m_button3 = "W";
  bool m_bin2x = false;

  TArrayCam m_cameras;
  int m_cameraIndex = -1;
};

}  // namespace orvek
