#include "ui/ReductionGrid.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace orvek {

ReductionGridModel::ReductionGridModel(std::function<const Rows&()> rows, int columns,
                                       QObject* parent)
    : QAbstractTableModel(parent), m_rows(std::move(rows)), m_columns(columns) {}

void ReductionGridModel::Reload() {
  beginResetModel();
  endResetModel();
}

int ReductionGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  const Rows& rows = m_rows();
  return rows.empty() ? 0 : static_cast<int>(rows.size()) - 1;
}

int ReductionGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_columns;
}

QVariant ReductionGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  const Rows& rows = m_rows();
  const size_t r = static_cast<size_t>(index.row()) + 1;
  const size_t c = static_cast<size_t>(index.column());
  if (r >= rows.size() || c >= rows[r].size()) return {};
  return QString::fromStdString(rows[r][c]);
}

QVariant ReductionGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  const Rows& rows = m_rows();
  if (rows.empty() || section < 0 || static_cast<size_t>(section) >= rows[0].size()) return {};
  return QString::fromStdString(rows[0][static_cast<size_t>(section)]);
}

Qt::ItemFlags ReductionGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (m_editor) f |= Qt::ItemIsEditable;
  return f;
}

bool ReductionGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole || !m_editor) return false;
  if (!m_editor(index.row() + 1, index.column(), value.toString().toStdString())) return false;
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  return true;
}

ResidualCellPainter::ResidualCellPainter(ColourOf colour, QObject* parent)
    : QStyledItemDelegate(parent), m_colour(std::move(colour)) {}

void ResidualCellPainter::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  const QRect cell = option.rect;
  const std::optional<CellColour> colour = m_colour(index.row() + 1, index.column());
  const bool selected = option.state & QStyle::State_Selected;
  QColor text = option.palette.color(QPalette::Text);
  painter->save();
  if (colour) {
    // The residual colour stays visible on the selected row; the selection shows as a frame.
    painter->fillRect(cell, QColor(colour->r, colour->g, colour->b));
    text = Qt::black;
    if (selected) {
      painter->setPen(QPen(option.palette.color(QPalette::Highlight), 1));
      painter->drawRect(cell.adjusted(0, 0, -1, -1));
    }
  } else if (selected) {
    painter->fillRect(cell, option.palette.brush(QPalette::Highlight));
    text = option.palette.color(QPalette::HighlightedText);
  } else {
    painter->fillRect(cell, option.palette.brush(QPalette::Base));
  }
  painter->setPen(text);
  painter->setFont(option.font);
  const QRect area = cell.adjusted(kTextOffset, kTextOffset, 0, 0);
  painter->setClipRect(cell);
  // elidedText gives the text itself when it fits.
  const QString shown = painter->fontMetrics().elidedText(index.data(Qt::DisplayRole).toString(),
                                                          Qt::ElideMiddle, area.width());
  painter->drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
  painter->restore();
}

bool ResidualCellPainter::Fits(const QString& text, const QFontMetrics& metrics, int cellWidth) {
  return metrics.horizontalAdvance(text) <= cellWidth - kTextOffset;
}

bool ResidualCellPainter::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                    const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event == nullptr || event->type() != QEvent::ToolTip) {
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  }
  const QString whole = index.data(Qt::DisplayRole).toString();
  if (whole.isEmpty() || Fits(whole, QFontMetrics(option.font), option.rect.width())) {
    QToolTip::hideText();
    return true;
  }
  QToolTip::showText(event->globalPos(), whole, view);
  return true;
}

}  // namespace orvek
