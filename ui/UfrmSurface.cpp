#include "ui/UfrmSurface.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Langue.h"
#include "ui/Workbench.h"

namespace orvek {

TformSurface::TformSurface(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TformSurface");
  setWindowTitle(QString::fromUtf8("Orvek / SURFACE"));
  setModal(true);

  // The log: bold, in a fixed-width font so that the columns of the iterations line up.
  m_Memo1 = new QPlainTextEdit(this);
  m_Memo1->setObjectName("Memo1");
  m_Memo1->setReadOnly(true);
  QFont logFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  logFont.setBold(true);
  m_Memo1->setFont(logFont);
  m_Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_Memo1->setMinimumSize(760, 300);

  // The help text: bold, without a border, on the window's own background.
  m_Memo2 = new QPlainTextEdit(this);
  m_Memo2->setObjectName("Memo2");
  m_Memo2->setReadOnly(true);
  m_Memo2->setFrameShape(QFrame::NoFrame);
  m_Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_Memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QFont helpFont = m_Memo2->font();
  helpFont.setBold(true);
  m_Memo2->setFont(helpFont);
  QPalette palette = m_Memo2->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  m_Memo2->setPalette(palette);
  m_Memo2->setFixedHeight(QFontMetrics(helpFont).lineSpacing() * 8 + 12);

  m_Button1 = new QPushButton("Ok", this);
  m_Button1->setObjectName("Button1");
  m_Button1->setDefault(true);
  m_Button1->setMinimumWidth(96);
  connect(m_Button1, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_Button1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_Memo1, 1);
  layout->addWidget(m_Memo2);
  layout->addLayout(buttons);

  ChangeLangue();
}

void TformSurface::ChangeLangue() {
  const QString section = Langue() + "Surface";
  const int n = SettingText(section, "L1_lines", "0").toInt();
  QStringList lines;
  for (int i = 1; i <= n; ++i) lines << SettingText(section, QString("L%1").arg(i));
  m_Memo2->setPlainText(lines.join("\n"));
}

void TformSurface::SetLog(const QStringList& lines) {
  m_Memo1->setPlainText(lines.join("\n"));
}

void TformSurface::Execute() {
  exec();
}

void TformSurface::hideEvent(QHideEvent* event) {
  m_Memo1->clear();
  QDialog::hideEvent(event);
}

}  // namespace orvek
