#pragma once
// The measurement table window (TformCentroid). It owns the table model; the calls the rest
// of the program makes (SaveCentroid, RefreshZoomCent, RAZ, SauveParams, ChangeLangue) work
// on that model now. The grids, fields and menus of the window itself are not built yet:
// ShowTable() shows nothing until they are, and the main window's "Réduction" item stays
// disabled.

#include <QWidget>

#include "measure/ReductionTable.h"

namespace orvek {

struct Workbench;

class TformCentroid : public QWidget {
  Q_OBJECT
 public:
  explicit TformCentroid(Workbench& workbench);

  /// Enters the main window's CurrentPoint, measured on its CurrentFrame, as A of a new row
  /// or B of the open row (which recomputes the table).
  RecomputeResult SaveCentroid();
  /// Copies the main window's CurrentPoint into the read-out fields.
  void RefreshZoomCent();
  /// Empties the table.
  RecomputeResult RAZ();
  /// Writes section "PARAMS": the calibration and the main window's options.
  Status SauveParams();
  /// Reloads the texts of section language + "Reduction".
  void ChangeLangue();
  /// Shows the table window in its normal state (once its grids exist).
  void ShowTable();

  ReductionTable& Table() { return m_table; }
  const ReductionTable& Table() const { return m_table; }

 private:
  Workbench& m_workbench;
  ReductionTable m_table;
};

}  // namespace orvek
