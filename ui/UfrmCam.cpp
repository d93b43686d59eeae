#include "ui/UfrmCam.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWindow>

#include "core/IniFile.h"
#include "core/Utils.h"
#include "ui/DocumentOpener.h"
#include "ui/Prompter.h"
#include "ui/UfrmHelp.h"
#include "ui/Workbench.h"
#include "wording/Wording.h"

namespace orvek {

/// The cell editor of the camera grid: a line edit whose typed keys pass the column's
/// filter (sizes: digits, backspace, "-" and "."; a comma becomes ".").
class CameraCellEditor : public QStyledItemDelegate {
 public:
  CameraCellEditor(QObject* keyFilter, QObject* parent)
      : QStyledItemDelegate(parent), m_keyFilter(keyFilter) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    auto* edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setProperty("cameraColumn", index.column());
    edit->installEventFilter(m_keyFilter);
    m_open = edit;
    return edit;
  }

  void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
    if (editor == m_open) m_open = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
  }

  /// Ends an edit in progress, keeping what was typed.
  void Commit() {
    if (!m_open) return;
    QWidget* edit = m_open;
    m_open = nullptr;
    emit commitData(edit);
    emit closeEditor(edit, QAbstractItemDelegate::NoHint);
  }

 private:
  QObject* m_keyFilter;
  mutable QPointer<QLineEdit> m_open;
};

TformCam::TformCam(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TformCam");
  setWindowTitle(QString::fromUtf8("CAMERA"));
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(8);
  m_StringGrid1 = new QTableWidget(this);
  m_StringGrid1->setObjectName("StringGrid1");
  m_StringGrid1->setColumnCount(CameraEditor::kColumns);
  m_StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  m_StringGrid1->setEditTriggers(
      QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
      QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  m_StringGrid1->verticalHeader()->setDefaultSectionSize(m_StringGrid1->fontMetrics().height() + 6);
  m_StringGrid1->verticalHeader()->setSectionsMovable(true);
  m_StringGrid1->horizontalHeader()->setSectionsMovable(true);
  m_StringGrid1->horizontalHeader()->setMinimumSectionSize(24);
  m_StringGrid1->horizontalHeader()->setStretchLastSection(false);
  m_cellEditor = new CameraCellEditor(this, m_StringGrid1);
  m_StringGrid1->setItemDelegate(m_cellEditor);
  layout->addWidget(m_StringGrid1, 1);
  Fill();
  for (int c = 0; c < CameraEditor::kColumns; ++c)
    m_StringGrid1->setColumnWidth(c, CameraEditor::kInitialWidths[static_cast<size_t>(c)]);

  auto* buttons = new QHBoxLayout;
  m_BitBtn1 = new QPushButton(this);
  m_BitBtn1->setObjectName("BitBtn1");
  m_BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
  m_Button1 = new QPushButton("Ok", this);
  m_Button1->setObjectName("Button1");
  m_Button1->setDefault(true);
  m_Button2 = new QPushButton("Cancel", this);
  m_Button2->setObjectName("Button2");
  buttons->addWidget(m_BitBtn1);
  buttons->addStretch(1);
  buttons->addWidget(m_Button1);
  buttons->addWidget(m_Button2);
  layout->addLayout(buttons);

  connect(m_Button1, &QPushButton::clicked, this, [this] { OkClick(); });
  connect(m_Button2, &QPushButton::clicked, this, [this] { reject(); });
  connect(m_BitBtn1, &QPushButton::clicked, this,
          [this] { OpenHelpPage(m_workbench, QString::fromStdString(CameraEditor::HelpPage())); });
  connect(m_StringGrid1, &QTableWidget::cellChanged, this,
          [this](int row, int col) { CellEdited(row, col); });
  // Rows and columns can be dragged to another place: the cameras move with them.
  connect(m_StringGrid1->verticalHeader(), &QHeaderView::sectionMoved, this,
          [this](int, int from, int to) {
            QHeaderView* header = m_StringGrid1->verticalHeader();
            header->blockSignals(true);
            header->moveSection(to, from);
            header->blockSignals(false);
            m_editor.MoveRow(from + 1, to + 1);
            Fill();
          });
  connect(m_StringGrid1->horizontalHeader(), &QHeaderView::sectionMoved, this,
          [this](int, int from, int to) {
            QHeaderView* header = m_StringGrid1->horizontalHeader();
            header->blockSignals(true);
            header->moveSection(to, from);
            header->blockSignals(false);
            m_editor.MoveColumn(from, to);
            Fill();
            for (int c = 0; c < CameraEditor::kColumns; ++c)
              m_StringGrid1->setColumnWidth(c, m_editor.ColumnWidth(c));
          });
  ChangeLangue();
  resize(360, 400);
}

TformCam::~TformCam() {
  for (QObject* child : findChildren<QObject*>())
    QObject::disconnect(child, nullptr, this, nullptr);
}

void TformCam::ChangeLangue() {
  m_BitBtn1->setText(QString::fromStdString(CameraEditor::HelpCaption(IniFile(SettingsPath()))));
}

void TformCam::Fill() {
  m_filling = true;
  const int rows = m_editor.RowCount() - 1;
  m_StringGrid1->setRowCount(rows);
  QStringList headers;
  for (int c = 0; c < CameraEditor::kColumns; ++c)
    headers << QString::fromStdString(m_editor.Cell(0, c));
  m_StringGrid1->setHorizontalHeaderLabels(headers);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < CameraEditor::kColumns; ++c) {
      const QString text = QString::fromStdString(m_editor.Cell(r + 1, c));
      QTableWidgetItem* item = m_StringGrid1->item(r, c);
      if (item == nullptr) {
        m_StringGrid1->setItem(r, c, new QTableWidgetItem(text));
      } else if (item->text() != text) {
        item->setText(text);
      }
    }
  }
  m_filling = false;
}

void TformCam::FormShow() {
  m_editor.Show(IniFile(SettingsPath()));
  m_written = false;
  Fill();
  for (int c = 0; c < CameraEditor::kColumns; ++c)
    m_StringGrid1->setColumnWidth(c, m_editor.ColumnWidth(c));
}

void TformCam::CellEdited(int row, int col) {
  if (m_filling) return;
  QTableWidgetItem* item = m_StringGrid1->item(row, col);
  if (item == nullptr) return;
  m_editor.SetCell(row + 1, col, item->text().toStdString());
  // A pasted text keeps only what the column accepts.
  const QString stored = QString::fromStdString(m_editor.Cell(row + 1, col));
  if (item->text() != stored) {
    m_filling = true;
    item->setText(stored);
    m_filling = false;
  }
}

bool TformCam::Execute(QWidget* over) {
  FormShow();
  if (over != nullptr && over->windowHandle() != nullptr) {
    winId();  // the native window exists from here on
    if (windowHandle() != nullptr) windowHandle()->setTransientParent(over->windowHandle());
  }
  const int answer = exec();
  return answer == QDialog::Accepted && m_written;
}

void TformCam::OkClick() {
  m_cellEditor->Commit();
  const Status s = m_editor.Ok(IniFile(SettingsPath()));
  m_written = s.ok;
  if (!s) m_workbench.prompter.Error(QString::fromStdString(Describe(s)));
  accept();
}

bool TformCam::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const QVariant column = watched->property("cameraColumn");
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (column.isValid() && edit != nullptr) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const QString typed = key->text();
      if (typed.size() != 1 || (typed[0].unicode() < 0x20 && typed[0] != QChar('\b'))) return false;
      const char16_t c = typed[0].unicode();
      if (column.toInt() == CameraEditor::kNameColumn) return false;  // names take any key
      if (c > 0x7F) return true;
      const std::optional<char> accepted =
          CameraEditor::FilterKey(column.toInt(), static_cast<char>(c));
      if (!accepted) return true;
      if (*accepted != static_cast<char>(c)) {
        edit->insert(QString(QChar(*accepted)));
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace orvek
