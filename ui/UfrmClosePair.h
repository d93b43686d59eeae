#pragma once
// The close-pair window (TfrmClosePair): the result of "Measure close pair" on a speckle
// series. It shows the background-subtracted autocorrelation with both symmetric peaks marked
// (the companion's in colour when the quadrant is resolved), the shift-and-add image, and the
// figures: theta and rho through the measurement table's calibration, their errors, dm, the
// quadrant and its margin, the frames used and left out, and the epoch of the frames.
// "Enter in table" adds the pair to the table as a row of the speckle kind.
//
// The window only shows values: the measurement is the speckle library's, theta and rho the
// table's reduction of the row it would enter.

#include <QString>
#include <QWidget>
#include <optional>
#include <string>

#include "core/Result.h"
#include "measure/Reduction.h"
#include "speckle/SpecklePair.h"

class QLabel;
class QPushButton;

namespace orvek {

struct Workbench;

/// The table row of a close-pair result and what the table computes from it.
struct ClosePairEntry {
  /// The row: A at the autocorrelation's centre (side / 2, side / 2), B at the companion,
  /// both as the table stores positions (3 decimals); intA and intB the shares 1 / (1 + r)
  /// and r / (1 + r) of the pair's light for the intensity ratio r of the peaks, so that the
  /// row's dM is the measured dm; nA and nB the 9 pixels each peak was fitted on. When the
  /// quadrant is ambiguous B is placed on the side that gives theta below 180 degrees.
  MeasuredPair pair;
  ReducedPair reduced;      ///< theta, separation and rho as the table reduces the row
  double rhoErrPx = 0;      ///< jack-knife error of rho, in pixel heights
  double rhoErrArcsec = 0;  ///< the same times Epsilon
};

/// The entry of `result` under `calibration` (measurement mode). Fails as Reduce fails.
Result<ClosePairEntry> MakeClosePairEntry(const speckle::SpeckleResult& result,
                                          const Calibration& calibration);

class TfrmClosePair : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmClosePair(Workbench& workbench);

  /// Shows `result` of the frames of `seriesName` with the table's current calibration and
  /// brings the window forward. A calibration field that is not a number is said and the
  /// window is not shown (false).
  bool ShowResult(const speckle::SpeckleResult& result, const QString& seriesName);
  /// Reloads the texts of section language + "ClosePair" and the figures in that language.
  void ChangeLangue();
  /// "Enter in table": writes the autocorrelation into the interferometry folder (a new file,
  /// "ClosePair<n>.orvc") and enters the pair as a row of its own kind, which recomputes the
  /// table. Refused with a message while a row of the table waits for its B; an ambiguous
  /// quadrant is entered only when the user agrees. True when the row was entered.
  bool EnterInTable();

  /// The entry the figures show (none before the first result).
  const std::optional<ClosePairEntry>& Entry() const { return m_entry; }
  const speckle::SpeckleResult& Result() const { return m_result; }
  QLabel* Figures() const { return m_figures; }
  QPushButton* EnterButton() const { return m_enter; }

 private:
  /// The entry and the figures again with the table's current calibration (false, with a
  /// message, when a field is not a number).
  bool Refresh();
  void ShowImages();
  QString FiguresText() const;

  Workbench& m_workbench;
  speckle::SpeckleResult m_result;
  QString m_seriesName;
  std::optional<ClosePairEntry> m_entry;
  Extended m_epsilon = 1;
  QLabel* m_lblAcf = nullptr;
  QLabel* m_lblSaa = nullptr;
  QLabel* m_acf = nullptr;
  QLabel* m_saa = nullptr;
  QLabel* m_figures = nullptr;
  QPushButton* m_enter = nullptr;
  QPushButton* m_close = nullptr;
};

}  // namespace orvek
