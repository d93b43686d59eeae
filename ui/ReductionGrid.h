#pragma once
// The two grids of the measurement table window shown from the table model: a table model
// over the model's rows (row 0 of the grid is the header, rows 1..n the data rows) and the
// cell painter of the results grid, which fills the residual cells with their colour and
// writes every data cell's text 2 pixels right of and below the cell's corner. A text wider
// than its cell is cut in the middle ("12…89"); the cell's tooltip then shows it whole.

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "measure/ReductionTable.h"

namespace orvek {

class ReductionGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using Rows = std::vector<std::vector<std::string>>;
  /// Edits data cell (row 1..n, col) of the grid; false when refused.
  using CellEditor = std::function<bool(int row, int col, const std::string& text)>;

  /// `rows` gives the grid's rows, header row first; `columns` their number.
  ReductionGridModel(std::function<const Rows&()> rows, int columns, QObject* parent = nullptr);

  /// Cells become editable; an edit goes to `editor`.
  void SetEditor(CellEditor editor) { m_editor = std::move(editor); }
  /// The rows changed: every view shows them again.
  void Reload();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  std::function<const Rows&()> m_rows;
  int m_columns;
  CellEditor m_editor;
};

/// The owner-drawn cells of the results grid.
class ResidualCellPainter : public QStyledItemDelegate {
  Q_OBJECT
 public:
  /// `colour` gives the background of data cell (row 1..n, col), or nothing for a plain cell.
  using ColourOf = std::function<std::optional<CellColour>(int row, int col)>;
  explicit ResidualCellPainter(ColourOf colour, QObject* parent = nullptr);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  /// The whole text as the tooltip of a cell whose text does not fit.
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;
  /// Whether `text` fits a cell `cellWidth` pixels wide in the font of `metrics`.
  static bool Fits(const QString& text, const QFontMetrics& metrics, int cellWidth);

  /// Offset of a cell's text from the cell's top-left corner, in pixels.
  static constexpr int kTextOffset = 2;

 private:
  ColourOf m_colour;
};

}  // namespace orvek
