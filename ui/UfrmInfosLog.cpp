#include "ui/UfrmInfosLog.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/IniFile.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "ui/ExportDialog.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"
#include "ui/UfrmCentroid.h"
#include "ui/Workbench.h"
#include "wording/Wording.h"

namespace orvek {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

std::vector<std::string> LinesOf(const QString& text) {
  std::vector<std::string> lines;
  if (text.isEmpty()) return lines;
  QStringList parts = text.split('\n');
  // A final line break ends the last line; it does not open another one.
  if (parts.size() > 1 && parts.back().isEmpty()) parts.removeLast();
  for (const QString& p : parts) lines.push_back(p.toStdString());
  return lines;
}

QString TextOf(const std::vector<std::string>& lines) {
  QStringList parts;
  for (const std::string& l : lines) parts << Q(l);
  return parts.join('\n');
}

}  // namespace

TfrmInfosLog::TfrmInfosLog(Workbench& workbench)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint), m_workbench(workbench) {
  setObjectName("TfrmInfosLog");
  setWindowTitle("Log Infos");
  BuildControls();
  ChangeLangue();
  resize(760, 460);
}

TfrmInfosLog::~TfrmInfosLog() {
  for (QObject* child : findChildren<QObject*>())
    QObject::disconnect(child, nullptr, this, nullptr);
}

QLineEdit* TfrmInfosLog::AddField(const char* name, std::string LogFields::*field) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(name);
  auto* caption = new QLabel(this);
  caption->setObjectName(QString(name) + "Label");
  caption->setBuddy(edit);
  std::string LogLabels::*label = nullptr;
  const std::string n = name;
  if (n == "lDat") label = &LogLabels::lDat;
  if (n == "lSys") label = &LogLabels::lSys;
  if (n == "lLie") label = &LogLabels::lLie;
  if (n == "lCon") label = &LogLabels::lCon;
  if (n == "lIns") label = &LogLabels::lIns;
  if (n == "lOpt") label = &LogLabels::lOpt;
  if (n == "lCam") label = &LogLabels::lCam;
  if (n == "lPri") label = &LogLabels::lPri;
  if (n == "WDSid") label = &LogLabels::WDSid;
  if (n == "RA") label = &LogLabels::RA;
  if (n == "DEC") label = &LogLabels::DEC;
  if (n == "MG1") label = &LogLabels::MG1;
  if (n == "MG2") label = &LogLabels::MG2;
  if (n == "lnot") label = &LogLabels::lnot;
  m_fields.push_back({field, label, edit, caption});
  return edit;
}

void TfrmInfosLog::BuildControls() {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(6, 6, 6, 6);
  m_MainMenu1 = new QMenuBar(this);
  m_MainMenu1->setObjectName("MainMenu1");
  outer->setMenuBar(m_MainMenu1);
  m_Enregistrer1 = m_MainMenu1->addAction("&Enregistrer");
  m_Enregistrer1->setObjectName("Enregistrer1");
  m_Masquer1 = m_MainMenu1->addAction("&Masquer");
  m_Masquer1->setObjectName("Masquer1");
  connect(m_Enregistrer1, &QAction::triggered, this, [this] { Enregistrer(); });
  connect(m_Masquer1, &QAction::triggered, this, [this] { Masquer(); });
  m_Exporter1 = m_MainMenu1->addAction("E&xporter...");
  m_Exporter1->setObjectName("Exporter1");
  connect(m_Exporter1, &QAction::triggered, this, [this] { OpenExport(); });

  m_Notebook1 = new QTabWidget(this);
  m_Notebook1->setObjectName("Notebook1");
  outer->addWidget(m_Notebook1);

  // First page: the observation details.
  auto* info = new QWidget(m_Notebook1);
  info->setObjectName("AutoInfo");
  auto* grid = new QGridLayout(info);
  grid->setContentsMargins(10, 10, 10, 10);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(6);
  QLineEdit* lDat = AddField("lDat", &LogFields::lDat);
  m_lSys = AddField("lSys", &LogFields::lSys);
  QLineEdit* lLie = AddField("lLie", &LogFields::lLie);
  QLineEdit* lCon = AddField("lCon", &LogFields::lCon);
  QLineEdit* lIns = AddField("lIns", &LogFields::lIns);
  QLineEdit* lOpt = AddField("lOpt", &LogFields::lOpt);
  m_lCam = AddField("lCam", &LogFields::lCam);
  QLineEdit* lPri = AddField("lPri", &LogFields::lPri);
  QLineEdit* wds = AddField("WDSid", &LogFields::WDSid);
  QLineEdit* ra = AddField("RA", &LogFields::RA);
  QLineEdit* dec = AddField("DEC", &LogFields::DEC);
  QLineEdit* mg1 = AddField("MG1", &LogFields::MG1);
  QLineEdit* mg2 = AddField("MG2", &LogFields::MG2);
  QLineEdit* notes = AddField("lnot", &LogFields::lnot);
  auto captionOf = [this](QLineEdit* e) {
    for (const Field& f : m_fields)
      if (f.edit == e) return f.caption;
    return static_cast<QLabel*>(nullptr);
  };
  auto place = [&](QLineEdit* e, int row, int col, int span = 1) {
    grid->addWidget(captionOf(e), row, col, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(e, row, col + 1, 1, span);
  };
  place(m_lSys, 0, 0);
  place(lDat, 0, 2);
  place(wds, 1, 0);
  place(ra, 1, 2);
  place(dec, 1, 4);
  place(mg1, 2, 0);
  place(mg2, 2, 2);
  place(lLie, 3, 0, 5);
  place(lCon, 4, 0, 5);
  place(lIns, 5, 0, 5);
  place(lOpt, 6, 0, 5);
  place(lPri, 7, 0, 5);
  place(notes, 8, 0, 5);
  place(m_lCam, 9, 0, 5);
  m_lCam->hide();
  captionOf(m_lCam)->hide();
  grid->setColumnStretch(1, 2);
  grid->setColumnStretch(3, 1);
  grid->setColumnStretch(5, 1);
  grid->setRowStretch(10, 1);
  m_Button1 = new QPushButton("Ajouter au log", info);
  m_Button1->setObjectName("Button1");
  m_Button1->setDefault(true);
  m_Button1->setMinimumWidth(150);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_Button1);
  grid->addLayout(buttons, 11, 0, 1, 6);
  connect(m_Button1, &QPushButton::clicked, this, [this] { AjouterAuLog(); });
  // Captions used as labels in the readable log; never shown.
  auto holder = [info](const char* name) {
    auto* box = new QCheckBox(info);
    box->setObjectName(name);
    box->hide();
    return box;
  };
  m_checkech = holder("checkech");
  m_checkdel = holder("checkdel");
  m_checkdet = holder("checkdet");
  m_CheckBru = holder("CheckBru");
  m_Notebook1->addTab(info, "AutoInfo");

  const char* memoNames[3] = {"Memo1", "Memo2", "Memo3"};
  const char* pageNames[3] = {"Log Texte", "Log Data", "EZReport"};
  for (int i = 0; i < 3; ++i) {
    auto* memo = new QPlainTextEdit(m_Notebook1);
    memo->setObjectName(memoNames[i]);
    memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memos[static_cast<size_t>(i)] = memo;
    connect(memo, &QPlainTextEdit::textChanged, this, [this, i] {
      if (!m_settingMemos) m_memoEdited[static_cast<size_t>(i)] = true;
    });
    m_Notebook1->addTab(memo, pageNames[i]);
  }

  // The Enter key anywhere in the window adds to the logs.
  installEventFilter(this);
  // (The menu bar keeps Enter for its own items.)
  for (QWidget* w : findChildren<QWidget*>()) {
    if (w != m_MainMenu1) w->installEventFilter(this);
  }
}

void TfrmInfosLog::ChangeLangue() {
  m_log.LoadTexts(IniFile(SettingsPath()));
  ShowTexts();
}

void TfrmInfosLog::ShowTexts() {
  const LogWindowTexts& t = m_log.texts;
  setWindowTitle(Q(t.caption));
  m_Button1->setText(Q(t.addButton));
  m_Enregistrer1->setText(Q(t.menuSave));
  m_Masquer1->setText(Q(t.menuHide));
  m_Exporter1->setText(LangText("Publish", "mEXPORT"));
  if (m_exportDialog != nullptr) m_exportDialog->ChangeLangue();
  for (int i = 0; i < 4; ++i) m_Notebook1->setTabText(i, Q(t.tabs[static_cast<size_t>(i)]));
  for (const Field& f : m_fields) f.caption->setText(Q(m_log.labels.*(f.label)).trimmed());
  m_checkech->setText(Q(m_log.labels.checkech));
  m_checkdel->setText(Q(m_log.labels.checkdel));
  m_checkdet->setText(Q(m_log.labels.checkdet));
  m_CheckBru->setText(Q(m_log.labels.CheckBru));
}

// ---- Showing ----------------------------------------------------------------------------------

void TfrmInfosLog::CentreOnScreen() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

void TfrmInfosLog::showEvent(QShowEvent* event) {
  // The camera line follows the table's camera and pixel sizes.
  if (m_workbench.formCentroid) {
    m_log.RefreshCamera(m_workbench.formCentroid->Table());
    m_lCam->setText(Q(m_log.fields.lCam));
  }
  if (!m_centred) {
    CentreOnScreen();
    m_centred = true;
  }
  QWidget::showEvent(event);
}

void TfrmInfosLog::ShowLog() {
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  if (isVisible()) {
    // Shown again: the camera line is refilled as at every show.
    if (m_workbench.formCentroid) {
      m_log.RefreshCamera(m_workbench.formCentroid->Table());
      m_lCam->setText(Q(m_log.fields.lCam));
    }
  }
  show();
  raise();
  activateWindow();
}

void TfrmInfosLog::ShowForSystem(const QString& system) {
  m_lSys->setText(system);
  m_Notebook1->setCurrentIndex(LogComposer::kAutoInfo);
  ShowLog();
}

int TfrmInfosLog::ActivePage() const {
  return m_Notebook1->currentIndex();
}

// ---- Logs -------------------------------------------------------------------------------------

ExportDialog* TfrmInfosLog::OpenExport() {
  if (m_exportDialog == nullptr) {
    m_exportDialog = new ExportDialog(
        m_workbench.prompter,
        [this]() -> Result<ExportInput> {
          if (!m_workbench.formCentroid) return Unexpected(Error(ErrorCode::NoMeasures));
          return m_workbench.formCentroid->ExportData();
        },
        this);
  }
  ReadFields();
  ExportDetails details;
  details.pair = m_log.fields.lSys;
  details.wds = m_log.fields.WDSid;
  // A magnitude field that is not a number is left for the user to type in the dialog.
  for (auto [text, out] :
       {std::pair{&m_log.fields.MG1, &details.magA}, std::pair{&m_log.fields.MG2, &details.magB}}) {
    std::string typed = *text;
    std::replace(typed.begin(), typed.end(), ',', '.');
    Extended v = 0;
    if (ParseNumber(typed, v)) *out = static_cast<double>(v);
  }
  details.notes = m_log.fields.lnot;
  m_exportDialog->SetDetails(details);
  m_exportDialog->show();
  m_exportDialog->raise();
  return m_exportDialog;
}

void TfrmInfosLog::ReadFields() {
  for (const Field& f : m_fields) m_log.fields.*(f.member) = f.edit->text().toStdString();
}

void TfrmInfosLog::ReadMemos() {
  // Only a text area the user changed is read back, so that what the window shows and what
  // the model holds never differ by a line break.
  for (size_t i = 0; i < 3; ++i) {
    if (!m_memoEdited[i]) continue;
    m_log.SetMemo(static_cast<int>(i) + 1, LinesOf(m_memos[i]->toPlainText()));
    m_memoEdited[i] = false;
  }
}

void TfrmInfosLog::ShowMemos() {
  m_settingMemos = true;
  const std::vector<std::string>* lines[3] = {&m_log.Memo1(), &m_log.Memo2(), &m_log.Memo3()};
  for (size_t i = 0; i < 3; ++i) {
    m_memos[i]->setPlainText(TextOf(*lines[i]));
    m_memos[i]->moveCursor(QTextCursor::End);
    m_memoEdited[i] = false;
  }
  m_settingMemos = false;
}

Status TfrmInfosLog::AjouterAuLog() {
  if (!m_workbench.formCentroid) return Status::Error("no measurement table");
  ReadFields();
  ReadMemos();
  const Status added = m_log.AddToLog(m_workbench.formCentroid->Table());
  if (!added) {
    m_workbench.prompter.Error(Worded(added));
    return added;
  }
  ShowMemos();
  m_logsSaved = m_log.LogsSaved();
  m_Notebook1->setCurrentIndex(m_log.ActivePage());
  return added;
}

LogSaveResult TfrmInfosLog::Enregistrer() {
  ReadMemos();
  const QString filters[3] = {Q(m_log.texts.filterLog), Q(m_log.texts.filterData), QString()};
  std::array<std::optional<std::string>, 3> paths;
  for (size_t i = 0; i < 3; ++i) {
    const QString chosen =
        m_workbench.prompter.SaveFile(LogComposer::kProposedNames[i], filters[i], true);
    if (!chosen.isEmpty()) paths[i] = chosen.toStdString();
  }
  const LogSaveResult result = m_log.Save(paths);
  for (size_t i = 0; i < 3; ++i) {
    if (!result.files[i]) m_workbench.prompter.Error(Worded(result.files[i]));
  }
  // Saved only when all three files were written; a cancelled or failed file keeps the
  // close question.
  if (result.allWritten) m_logsSaved = true;
  return result;
}

// ---- Keys -------------------------------------------------------------------------------------

bool TfrmInfosLog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      AjouterAuLog();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace orvek
