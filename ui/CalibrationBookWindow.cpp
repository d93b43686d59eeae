#include "ui/CalibrationBookWindow.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/Rounding.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"

namespace orvek {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

QString Number(const std::optional<double>& v, int decimals) {
  return v ? Q(FormatFixed(*v, decimals)) : QString("-");
}

}  // namespace

CalibrationBookWindow::CalibrationBookWindow(Prompter& prompter,
                                             std::function<void(const CalibrationEntry&)> use,
                                             QWidget* parent)
    : QWidget(parent, Qt::Tool), m_prompter(prompter), m_use(std::move(use)) {
  setObjectName("CalibrationBookWindow");
  auto* box = new QVBoxLayout(this);
  m_list = new QTableWidget(0, 8, this);
  m_list->setObjectName("lstCalibrations");
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setSelectionMode(QAbstractItemView::SingleSelection);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_list->verticalHeader()->hide();
  box->addWidget(m_list, 1);
  m_lblMean = new QLabel(this);
  m_lblMean->setObjectName("lblMean");
  m_lblMean->setWordWrap(true);
  box->addWidget(m_lblMean);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  m_btnUse = buttons->addButton(QString(), QDialogButtonBox::ActionRole);
  m_btnUse->setObjectName("btnUse");
  m_btnUseMean = buttons->addButton(QString(), QDialogButtonBox::ActionRole);
  m_btnUseMean->setObjectName("btnUseMean");
  buttons->button(QDialogButtonBox::Close)->setObjectName("btnBookClose");
  box->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
  connect(m_btnUse, &QPushButton::clicked, this, [this] { UseSelected(); });
  connect(m_btnUseMean, &QPushButton::clicked, this, [this] { UseMean(); });
  connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] { ShowMean(); });
  ChangeLangue();
  resize(760, 320);
}

bool CalibrationBookWindow::Load(const std::string& path, const std::string& camera, int binning) {
  Result<std::vector<CalibrationEntry>> entries = ReadCalibrationBook(path);
  if (!entries) {
    m_prompter.Error(Worded(entries.error()));
    return false;
  }
  m_entries = std::move(entries).value();
  m_list->setRowCount(static_cast<int>(m_entries.size()));
  int chosen = static_cast<int>(m_entries.size()) - 1;
  for (int r = 0; r < static_cast<int>(m_entries.size()); ++r) {
    const CalibrationEntry& e = m_entries[static_cast<size_t>(r)];
    const QString cells[8] = {Q(e.date),
                              Q(e.camera),
                              QString::number(e.binning),
                              Q(FormatFixed(e.deltaDeg, 3)),
                              Number(e.deltaSeDeg, 3),
                              Q(FormatFixed(e.epsilon, 5)),
                              Number(e.epsilonSe, 5),
                              Q(e.pair)};
    for (int c = 0; c < 8; ++c) m_list->setItem(r, c, new QTableWidgetItem(cells[c]));
    if (e.camera == camera && e.binning == binning) chosen = r;
  }
  m_list->resizeColumnsToContents();
  SelectEntry(chosen);
  return true;
}

void CalibrationBookWindow::SelectEntry(int index) {
  if (index >= 0 && index < m_list->rowCount())
    m_list->selectRow(index);
  else
    m_list->clearSelection();
  ShowMean();
}

int CalibrationBookWindow::SelectedEntry() const {
  const QList<QTableWidgetItem*> items = m_list->selectedItems();
  return items.isEmpty() ? -1 : items.front()->row();
}

Result<CombinedCalibration> CalibrationBookWindow::SelectedMean() const {
  const int index = SelectedEntry();
  if (index < 0) return Unexpected(Error(ErrorCode::NoCalibration));
  const CalibrationEntry& e = m_entries[static_cast<size_t>(index)];
  return CombineCalibrations(m_entries, e.camera, e.binning);
}

QString CalibrationBookWindow::MeanText() const {
  return m_lblMean->text();
}

void CalibrationBookWindow::ShowMean() {
  const int index = SelectedEntry();
  const Result<CombinedCalibration> mean = SelectedMean();
  m_btnUse->setEnabled(index >= 0);
  m_btnUseMean->setEnabled(static_cast<bool>(mean));
  if (!mean) {
    m_lblMean->clear();
    return;
  }
  const CalibrationEntry& e = m_entries[static_cast<size_t>(index)];
  m_lblMean->setText(Fill(LangText("Publish", mean->weighted ? "bkMean" : "bkMeanPlain"),
                          {{"camera", Q(e.camera)},
                           {"binning", QString::number(e.binning)},
                           {"n", QString::number(mean->count)},
                           {"delta", Q(FormatFixed(mean->deltaDeg, 3))},
                           {"dse", Number(mean->deltaSeDeg, 3)},
                           {"eps", Q(FormatFixed(mean->epsilon, 5))},
                           {"ese", Number(mean->epsilonSe, 5)}}));
}

bool CalibrationBookWindow::UseSelected() {
  const int index = SelectedEntry();
  if (index < 0) return false;
  const CalibrationEntry chosen = m_entries[static_cast<size_t>(index)];
  close();
  if (m_use) m_use(chosen);
  return true;
}

bool CalibrationBookWindow::UseMean() {
  const int index = SelectedEntry();
  const Result<CombinedCalibration> mean = SelectedMean();
  if (!mean) return false;
  CalibrationEntry combined = m_entries[static_cast<size_t>(index)];
  combined.deltaDeg = mean->deltaDeg;
  combined.deltaSeDeg = mean->deltaSeDeg;
  combined.epsilon = mean->epsilon;
  combined.epsilonSe = mean->epsilonSe;
  close();
  if (m_use) m_use(combined);
  return true;
}

void CalibrationBookWindow::ChangeLangue() {
  setWindowTitle(LangText("Publish", "bkTIT"));
  m_list->setHorizontalHeaderLabels(LangText("Publish", "bkCols").split('|'));
  m_btnUse->setText(LangText("Publish", "bkUse"));
  m_btnUseMean->setText(LangText("Publish", "bkUseMean"));
  ShowMean();
}

}  // namespace orvek
