// TFormMain: the image list at the left of the window, its tick controls, the STOP button
// and the interferometry list that can take its place.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSlider>

#include "core/Utils.h"
#include "ui/CommandSupport.h"
#include "ui/Controls.h"
#include "ui/Prompter.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

namespace orvek {

namespace {

QListWidgetItem* NewItem(const QString& name, bool ticked) {
  auto* item = new QListWidgetItem(name);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
  return item;
}

}  // namespace

int TFormMain::ItemCount() const {
  return m_CheckListBox->count();
}

QString TFormMain::ItemText(int index) const {
  const QListWidgetItem* item = m_CheckListBox->item(index);
  return item ? item->text() : QString();
}

bool TFormMain::IsTicked(int index) const {
  const QListWidgetItem* item = m_CheckListBox->item(index);
  return item != nullptr && item->checkState() == Qt::Checked;
}

void TFormMain::SetTicked(int index, bool ticked) {
  QListWidgetItem* item = m_CheckListBox->item(index);
  if (item == nullptr) return;
  const QSignalBlocker block(m_CheckListBox);
  item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

int TFormMain::SelectedIndex() const {
  return m_CheckListBox->currentRow();
}

void TFormMain::SelectItem(int index) {
  const QSignalBlocker block(m_CheckListBox);
  m_CheckListBox->setCurrentRow(index);
  if (QListWidgetItem* item = m_CheckListBox->item(index)) m_CheckListBox->scrollToItem(item);
}

void TFormMain::SetItems(const QStringList& names, const QList<bool>& ticks) {
  const QSignalBlocker block(m_CheckListBox);
  m_CheckListBox->clear();
  for (int i = 0; i < names.size(); ++i) {
    m_CheckListBox->addItem(NewItem(names[i], i < ticks.size() ? ticks[i] : true));
  }
  m_listBlue = false;
  m_CheckListBox->setStyleSheet(QString());
}

int TFormMain::RefreshSelection() {
  const int count = ItemCount();
  int n = 0;
  for (int i = 0; i < count; ++i) n += IsTicked(i) ? 1 : 0;
  m_Auto_Nb->setText(QString::fromStdString(CounterText(n)));
  if (n == 0) m_CheckBox2->setChecked(false);
  if (n == count) m_CheckBox2->setChecked(true);
  if (count > 0) {
    const QSignalBlocker block(m_ComboBox1);
    m_ComboBox1->setEditText(QString::number(SelectionPercent(n, count)));
  }
  const bool on = n > 0;
  for (const char* name : {"Sauvegarder1",
                           "Retailler1",
                           "Additioner1",
                           "Compositageautomatique1",
                           "AdditionnerReductions1",
                           "Dcoupage1",
                           "Aide1",
                           "Spcial1",
                           "Interfromtrie1",
                           "TrackBar1",
                           "TrackBar2",
                           "HScroll1",
                           "CtlAdj",
                           "VisuAuto",
                           "VisuColor",
                           "VisuLog",
                           "Capture_A",
                           "Capture_B",
                           "AutoOrvek",
                           "btnDriftSingle",
                           "btnDriftMulti",
                           "lut",
                           "UpDown1"}) {
    SetAllowed(QString(name), on);
  }
  if (on) {
    const std::string temp = WorkingFolder() + "temp/";
    const bool isTemp = ToUpper(m_listeFic.Dossier) == ToUpper(temp);
    if (!isTemp) {
      m_listBlue = false;
      m_CheckListBox->setStyleSheet(QString());
      SetAllowed(QString("Retailler1"), true);
      SetAllowed(QString("Compositageautomatique1"), true);
    } else {
      // The list shows the aligned frames of the working folder.
      m_listBlue = true;
      m_CheckListBox->setStyleSheet(
          "QListWidget { background: rgb(0, 0, 255); color: white; }"
          "QListWidget::item:selected { background: rgb(255, 255, 160); color: black; }");
    }
  }
  return n;
}

void TFormMain::FillList(const QString& mask) {
  const std::string m = mask.toStdString();
  const std::string folder = FolderOf(m);
  const std::vector<std::string> names = ListFiles(folder, FileNameOf(m));
  QStringList list;
  for (const std::string& n : names) list << QString::fromStdString(n);
  SetItems(list, QList<bool>(list.size(), true));
  if (!list.isEmpty()) {
    m_listeFic.Dossier = folder;
    SelectItem(0);
  }
  RefreshSelection();
  ShowInterList(false);
}

QString TFormMain::CurrentItemPath() const {
  const QListWidgetItem* item = m_CheckListBox->currentItem();
  if (item == nullptr) return QString();
  return QString::fromStdString(m_listeFic.Dossier) + item->text();
}

int TFormMain::FirstTicked() {
  for (int i = 0; i < ItemCount(); ++i) {
    if (IsTicked(i)) {
      SelectItem(i);
      return i;
    }
  }
  return -1;
}

void TFormMain::ShowStop(bool visible) {
  m_stopFlag = false;
  m_btnSTOP->setVisible(visible);
  if (visible) m_btnSTOP->raise();
}

void TFormMain::ShowProgress(const QString& text) {
  m_Auto_Nb->setText(text);
}

void TFormMain::ShowInterList(bool visible) {
  m_FileListBoxInter->setVisible(visible);
  m_btnListeInter->setVisible(visible);
  m_CheckListBox->setVisible(!visible);
}

void TFormMain::ProcessPendingEvents() {
  QApplication::processEvents();
}

void TFormMain::ListItemClicked(int index) {
  if (index < 0 || index >= ItemCount()) return;
  LoadAndShow(QString::fromStdString(m_listeFic.Dossier) + ItemText(index));
}

void TFormMain::ListDraggedOver(int index) {
  if (DragEnters(m_listeFic, index)) SetTicked(index, !IsTicked(index));
}

void TFormMain::InvertTicks() {
  for (int i = 0; i < ItemCount(); ++i) SetTicked(i, !IsTicked(i));
  RefreshSelection();
}

void TFormMain::CheckAllClick(bool ticked) {
  for (int i = 0; i < ItemCount(); ++i) SetTicked(i, ticked);
  RefreshSelection();
}

void TFormMain::PercentageChanged(const QString& text) {
  const int count = ItemCount();
  const int k = TickCountForPercent(count, PercentFromText(text.toStdString()));
  for (int i = 0; i < count; ++i) SetTicked(i, i < k);
  RefreshSelection();
}

void TFormMain::ChargerRp1Click() {
  const QStringList files = m_workbench.prompter.OpenFiles(ImageOpenFilter(), false);
  if (files.isEmpty()) return;
  const std::string file = files.first().toStdString();
  const std::string folder = FolderOf(file);
  const std::string name = FileNameOf(file);
  const size_t dot = name.rfind('.');
  const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  FillList(QString::fromStdString(folder + "*" + ext));
  if (ItemCount() > 0) {
    SelectItem(0);
    LoadAndShow(CurrentItemPath());
  }
  SetCaptionFolder(QString::fromStdString(LastFolderName(folder)));
}

}  // namespace orvek
