#include "ui/UfrmAbout.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Utils.h"
#include "ui/DocumentOpener.h"
#include "ui/Langue.h"
#include "ui/Resources.h"
#include "ui/UfrmHelp.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

namespace orvek {

TfrmAbout::TfrmAbout(Workbench& workbench) : m_workbench(workbench) {
  InitResources();
  setObjectName("TfrmAbout");
  setWindowTitle("?");
  setModal(true);

  m_image1 = new QLabel(this);
  m_image1->setObjectName("Image1");
  // The picture is a JPEG, decoded by Qt's JPEG support (libjpeg).
  const QPixmap picture(":/about/about.jpg");
  m_image1->setPixmap(picture);
  m_image1->setCursor(Qt::PointingHandCursor);
  m_image1->installEventFilter(this);

  m_version = new QLabel(" Orvek V4.6 ", this);
  m_version->setObjectName("Label1");
  QFont big = m_version->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  m_version->setFont(big);
  m_date = new QLabel("18/06/2011", this);
  m_date->setObjectName("Label2");
  m_memo1 = new QLabel(this);
  m_memo1->setObjectName("Memo1");
  m_memo1->setWordWrap(true);
  m_memo1->setMinimumWidth(360);

  m_b1 = new QPushButton(this);
  m_b1->setObjectName("B1");
  m_b2 = new QPushButton(this);
  m_b2->setObjectName("B2");
  connect(m_b1, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_b2, &QPushButton::clicked, this, [this] { OpenMakersPage(); });

  auto* text = new QVBoxLayout;
  text->addWidget(m_version);
  text->addWidget(m_date);
  text->addSpacing(8);
  text->addWidget(m_memo1, 1);
  auto* top = new QHBoxLayout;
  top->addWidget(m_image1, 0, Qt::AlignTop);
  top->addLayout(text, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_b2);
  buttons->addWidget(m_b1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(buttons);
  ChangeLangue();
}

void TfrmAbout::ChangeLangue() {
  const QString lang = Langue();
  m_b1->setText(SettingText(lang + "About", "B1"));
  const int n = SettingText(lang + "About", "M1_lines", "0").toInt();
  QStringList lines;
  for (int i = 0; i <= n; ++i) lines << SettingText(lang + "About", QString("M1_%1").arg(i));
  m_memo1->setText(lines.join("\n"));
  m_b2->setText(MainText("abDoc"));
}

QString TfrmAbout::MakersPage() {
  // The program's own documentation, installed beside it, in the interface language.
  return TFormMain::HelpPage();
}

void TfrmAbout::OpenMakersPage() {
  OpenHelpPage(m_workbench, MakersPage());
}

void TfrmAbout::mousePressEvent(QMouseEvent* event) {
  QDialog::mousePressEvent(event);
  accept();
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_image1 && event->type() == QEvent::MouseButtonPress) {
    OpenMakersPage();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace orvek
