#pragma once
// The "known pair" form of the measurement table's calibration mode: the catalogue values of
// both stars (typed, or pasted from a Gaia DR3 table) give the known theta and rho at the
// epoch of the measured rows.

#include <QGroupBox>
#include <functional>
#include <optional>

#include "core/Result.h"
#include "measure/KnownPair.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace orvek {

class Prompter;

class KnownPairForm : public QGroupBox {
 public:
  /// `fill` receives the computed theta and rho (the window writes them into its fields).
  KnownPairForm(Prompter& prompter, std::function<void(const PairGeometry&)> fill,
                QWidget* parent = nullptr);
  /// The rows' mean epoch, shown in the epoch field (empty when the rows have no time).
  void SetEpoch(std::optional<double> epoch);
  /// Theta and rho from the fields: A and B as "RA,DEC,PMRA,PMDEC[,PLX[,RV]]", the reference
  /// epoch (Julian year) and the epoch (Besselian year). BadNumber for an epoch field that is
  /// not a number, else as ParseCatalogueStar and PairAtEpoch fail.
  Result<PairGeometry> Compute() const;
  /// The button: Compute, then `fill` with the values, or the failure shown.
  bool Apply();
  void ChangeLangue();

 private:
  Prompter& m_prompter;
  std::function<void(const PairGeometry&)> m_fill;
  QLabel* m_labels[4] = {};
  QLineEdit* m_txtGaiaA = nullptr;
  QLineEdit* m_txtGaiaB = nullptr;
  QLineEdit* m_txtRefEpoch = nullptr;
  QLineEdit* m_txtKnownEpoch = nullptr;
  QPushButton* m_btnKnownPair = nullptr;
  QLabel* m_lblKnownPair = nullptr;
};

}  // namespace orvek
