#pragma once
// The calibration book as the measurement table shows it: every calibration kept in the
// book, one line each; the chosen one, or the weighted mean of its set-up's calibrations,
// gives the table its Delta and Epsilon.

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "core/Result.h"
#include "measure/CalibrationBook.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace orvek {

class Prompter;

class CalibrationBookWindow : public QWidget {
 public:
  /// `use` receives the calibration chosen: an entry of the book, or the combined entries of
  /// one set-up (its camera and binning, the weighted Delta and Epsilon with their errors).
  CalibrationBookWindow(Prompter& prompter, std::function<void(const CalibrationEntry&)> use,
                        QWidget* parent = nullptr);
  /// Reads the book `path` into the list and selects the last entry of `camera` and
  /// `binning` (else the last entry). False, with the failure shown, when it cannot be read.
  bool Load(const std::string& path, const std::string& camera, int binning);
  const std::vector<CalibrationEntry>& Entries() const { return m_entries; }
  /// Selects entry `index` (0-based, in book order) and shows the mean of its set-up.
  void SelectEntry(int index);
  /// The selected entry (-1: none).
  int SelectedEntry() const;
  /// The combined calibrations of the selected entry's set-up.
  Result<CombinedCalibration> SelectedMean() const;
  /// The sentence below the list: the selected set-up's mean with its errors.
  QString MeanText() const;
  /// "Use": the selected entry passed on, the window closed. False without a selection.
  bool UseSelected();
  /// "Use the mean": the selected set-up's combined calibration passed on, the window
  /// closed. False without a selection.
  bool UseMean();
  void ChangeLangue();

 private:
  void ShowMean();

  Prompter& m_prompter;
  std::function<void(const CalibrationEntry&)> m_use;
  std::vector<CalibrationEntry> m_entries;
  QTableWidget* m_list = nullptr;
  QLabel* m_lblMean = nullptr;
  QPushButton* m_btnUse = nullptr;
  QPushButton* m_btnUseMean = nullptr;
};

}  // namespace orvek
