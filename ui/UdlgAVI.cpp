#include "ui/UdlgAVI.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "core/IniFile.h"
#include "core/Utils.h"
#include "ui/Prompter.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"
#include "wording/Wording.h"

namespace orvek {

namespace {

constexpr int kWindowWidth = 529;
constexpr int kWindowHeight = 75;
constexpr int kProgressPixels = 19;

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// Frames missing from a video listed by number in the message at the end; more are counted
// in the result only.
constexpr int kMissingListed = 10;

// The failures the window reports, with the box they go in. The four failures to open the
// file keep their fixed texts, in a plain information box.
bool IsOpenFailure(VideoError e) {
  return e == VideoError::BadFormat || e == VideoError::NoMemory || e == VideoError::ReadError ||
         e == VideoError::OpenError;
}

QString Words(const Error& e) {
  const IniFile settings(SettingsPath());
  return Q(Describe(e, settings, InterfaceLanguage(settings)));
}

}  // namespace

// The progress of one conversion: the text in Label2, painted at once, and the window's
// pending events (so that it can be moved, repainted or closed) between frames.
class TDlgAVI::LabelProgress : public VideoProgress {
 public:
  explicit LabelProgress(TDlgAVI& dialog) : m_dialog(dialog) {}
  bool Step(int64_t, int64_t, const std::string& text) override {
    m_dialog.m_Label2->setText(Q(text));
    m_dialog.m_Label2->repaint();
    if (m_dialog.m_workbench.FormMain) m_dialog.m_workbench.FormMain->ProcessPendingEvents();
    return !m_dialog.m_cancelRequested;
  }
  // Frames missing from the video are listed at the end; unwritten files are counted in the
  // result's failure.
  void Warning(const Error& problem) override {
    const bool missing =
        problem.code == ErrorCode::VideoFrameMissing || problem.code == ErrorCode::VideoDecode;
    if (missing && missingTexts.size() < kMissingListed) missingTexts << Words(problem);
  }

  QStringList missingTexts;

 private:
  TDlgAVI& m_dialog;
};

TDlgAVI::TDlgAVI(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TDlgAVI");
  setWindowTitle(QString::fromUtf8("Orvek : AVI -> BMP"));
  setModal(false);
  setFixedSize(kWindowWidth, kWindowHeight);

  m_btnSelectAvi = new QPushButton("Select Avi", this);
  m_btnSelectAvi->setObjectName("btnSelectAvi");
  m_btnSelectAvi->setFixedWidth(96);
  m_btnSelectAvi->setAutoDefault(false);
  m_Label1 = new QLabel(this);
  m_Label1->setObjectName("Label1");
  // A long path is cut at the window's edge (the whole path shows as the tooltip).
  m_Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  m_Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_btnConvert = new QPushButton("Convert", this);
  m_btnConvert->setObjectName("btnConvert");
  m_btnConvert->setFixedWidth(96);
  m_btnConvert->setAutoDefault(false);
  m_Label2 = new QLabel(this);
  m_Label2->setObjectName("Label2");
  QFont big = m_Label2->font();
  big.setPixelSize(kProgressPixels);
  m_Label2->setFont(big);
  m_cboFormat = new QComboBox(this);
  m_cboFormat->setObjectName("cboFormat");
  m_cboFormat->addItems({"BMP", "FITS"});
  m_cboFormat->setFixedWidth(72);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(8, 6, 8, 6);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(4);
  grid->addWidget(m_btnSelectAvi, 0, 0);
  grid->addWidget(m_Label1, 0, 1);
  grid->addWidget(m_btnConvert, 1, 0);
  grid->addWidget(m_Label2, 1, 1);
  grid->addWidget(m_cboFormat, 1, 2);
  grid->setColumnStretch(1, 1);

  connect(m_btnSelectAvi, &QPushButton::clicked, this, [this] { btnSelectAviClick(); });
  connect(m_btnConvert, &QPushButton::clicked, this, [this] { btnConvertClick(); });
  m_btnConvert->hide();
}

QString TDlgAVI::VideoFilter() {
  return "Videos (*.avi;*.ser)|*.avi;*.ser|AVI files (*.avi)|*.avi|SER files (*.ser)|*.ser|"
         "Other videos (*.mov;*.mp4;*.mkv;*.wmv;*.mpg)|*.mov;*.mp4;*.mkv;*.wmv;*.mpg;*.mpeg;*.m4v";
}

void TDlgAVI::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TDlgAVI::FormShow() {
  if (m_converting) return;
  m_btnConvert->hide();
  m_Label1->clear();
  m_Label1->setToolTip(QString());
  m_Label2->clear();
}

void TDlgAVI::btnSelectAviClick() {
  if (m_converting) return;
  const QStringList files = m_workbench.prompter.OpenFiles(VideoFilter(), false);
  if (files.isEmpty()) return;
  m_Label1->setText(files.first());
  m_Label1->setToolTip(files.first());
  m_btnConvert->show();
}

void TDlgAVI::btnConvertClick() {
  if (m_converting) return;
  const QString video = m_Label1->text();
  if (video.isEmpty()) return;
  // The frames go beside the video under its name unless the user types another base name.
  const QFileInfo info(video);
  const QString proposed = info.absolutePath() + "/" + info.completeBaseName();
  const QString base = m_workbench.prompter.SaveFile(proposed, QString());
  if (base.isEmpty()) return;
  Conversion(video, base);
  // Refused because frame files are already there: the window stays for another name.
  if (m_last.error != VideoError::OutputExists) close();
}

VideoFormat TDlgAVI::ChosenFormat() const {
  return m_cboFormat->currentText() == "FITS" ? VideoFormat::Fits : VideoFormat::Auto;
}

bool TDlgAVI::Conversion(const QString& videoPath, const QString& baseName) {
  m_converting = true;
  m_cancelRequested = false;
  m_btnSelectAvi->setEnabled(false);
  m_btnConvert->setEnabled(false);
  m_cboFormat->setEnabled(false);
  LabelProgress progress(*this);
  m_last = ConvertVideo(videoPath.toStdString(), baseName.toStdString(), ChosenFormat(), progress);
  m_btnSelectAvi->setEnabled(true);
  m_btnConvert->setEnabled(true);
  m_cboFormat->setEnabled(true);
  m_converting = false;

  const VideoResult& r = m_last;
  if (IsOpenFailure(r.error)) {
    m_workbench.prompter.Info(Words(r.failure));
  } else if (r.error != VideoError::None && r.error != VideoError::Cancelled) {
    // Unwritten frames are counted instead of being lost silently.
    m_workbench.prompter.Error(Words(r.failure));
  }
  if (!r.missing.empty()) {
    QStringList lines = progress.missingTexts;
    if (r.missing.size() > static_cast<size_t>(kMissingListed)) lines << "...";
    m_workbench.prompter.Info(lines.join("\n"));
  }
  return r.ok;
}

void TDlgAVI::closeEvent(QCloseEvent* event) {
  if (m_converting) {
    // The conversion stops after the frame being written; the window closes then.
    m_cancelRequested = true;
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TDlgAVI::reject() {
  if (m_converting) {
    m_cancelRequested = true;
    return;
  }
  QDialog::reject();
}

}  // namespace orvek
