#include "ui/UdlgSynthDrift.h"
#include "ui/Langue.h"

#include <QApplication>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

namespace orvek {

namespace {

constexpr int kDialogWidth = 181;
constexpr int kDialogHeight = 211;
constexpr int kButtonSide = 65;
constexpr int kPictureSide = 60;

// QDialog result codes of the four answers (Cancel is QDialog::Rejected).
int Code(DriftDialogResult r) {
  return static_cast<int>(r) + 1;
}

}  // namespace

TdlgSynthDrift::TdlgSynthDrift(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TdlgSynthDrift");
  setWindowTitle(QString::fromUtf8("Drift Orientation Please !"));
  // A title bar without a close box: the answer is one of the four pictures.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(kDialogWidth, kDialogHeight);
  setModal(true);

  m_Label1 = new QLabel("Orientation ?", this);
  m_Label1->setObjectName("Label1");
  QFont bold = m_Label1->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.15);
  m_Label1->setFont(bold);
  m_Label1->setAlignment(Qt::AlignCenter);

  struct Spec {
    const char* name;
    const char* top;
    const char* left;
    const char* right;
    const char* bottom;
  };
  const Spec specs[4] = {{"BitBtn1", "N", "E", "W", "S"},
                         {"BitBtn2", "N", "W", "E", "S"},
                         {"BitBtn3", "S", "E", "W", "N"},
                         {"BitBtn4", "S", "W", "E", "N"}};
  QPushButton** buttons[4] = {&m_BitBtn1, &m_BitBtn2, &m_BitBtn3, &m_BitBtn4};
  auto* grid = new QGridLayout;
  grid->setSpacing(8);
  for (int i = 0; i < 4; ++i) {
    auto* b = new QPushButton(this);
    b->setObjectName(specs[i].name);
    b->setFixedSize(kButtonSide, kButtonSide);
    b->setIcon(CompassPicture(specs[i].top, specs[i].left, specs[i].right, specs[i].bottom));
    b->setIconSize(QSize(kPictureSide, kPictureSide));
    b->setAutoDefault(false);
    grid->addWidget(b, i / 2, i % 2, Qt::AlignCenter);
    *buttons[i] = b;
  }
  connect(m_BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(m_BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  connect(m_BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
  connect(m_BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 10, 12, 12);
  layout->addWidget(m_Label1);
  layout->addStretch(1);
  layout->addLayout(grid);
  layout->addStretch(1);
}

QPixmap TdlgSynthDrift::CompassPicture(const QString& top, const QString& left,
                                       const QString& right, const QString& bottom) {
  QPixmap picture(kPictureSide, kPictureSide);
  picture.fill(Qt::white);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  const int s = kPictureSide;
  const int c = s / 2;
  const int arm = 16;  // half-length of the cross's arms, leaving room for the letters
  // The cross, north's arm in red as on a compass card.
  QPen pen(QColor(40, 40, 40), 2);
  p.setPen(pen);
  p.drawLine(c - arm, c, c + arm, c);
  const bool northOnTop = top == "N";
  pen.setColor(QColor(200, 30, 30));
  p.setPen(pen);
  if (northOnTop) {
    p.drawLine(c, c, c, c - arm);
  } else {
    p.drawLine(c, c, c, c + arm);
  }
  pen.setColor(QColor(40, 40, 40));
  p.setPen(pen);
  if (northOnTop) {
    p.drawLine(c, c, c, c + arm);
  } else {
    p.drawLine(c, c, c, c - arm);
  }
  p.setBrush(QColor(40, 40, 40));
  p.drawEllipse(QPointF(c, c), 2.0, 2.0);

  QFont font = QApplication::font();
  font.setPixelSize(11);
  font.setBold(true);
  p.setFont(font);
  const int box = 13;
  auto letter = [&](const QString& text, const QRect& where) {
    p.setPen(text == "N" ? QColor(200, 30, 30) : QColor(20, 20, 120));
    p.drawText(where, Qt::AlignCenter, text);
  };
  letter(top, QRect(c - box / 2, 0, box, box));
  letter(bottom, QRect(c - box / 2, s - box, box, box));
  letter(left, QRect(0, c - box / 2, box, box));
  letter(right, QRect(s - box, c - box / 2, box, box));
  p.end();
  return picture;
}

void TdlgSynthDrift::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Centred on the main window, as the other dialogs of the workbench.
  if (m_workbench.FormMain != nullptr && m_workbench.FormMain->isVisible()) {
    const QRect main = m_workbench.FormMain->frameGeometry();
    move(main.center() - QPoint(width() / 2, height() / 2));
  }
}

DriftDialogResult TdlgSynthDrift::Execute() {
  // The dialog has no translated caption; its buttons' tooltips follow the language.
  const char* tips[4] = {"drNUEL", "drNUER", "drNDEL", "drNDER"};
  QPushButton* buttons[4] = {m_BitBtn1, m_BitBtn2, m_BitBtn3, m_BitBtn4};
  for (int i = 0; i < 4; ++i) buttons[i]->setToolTip(MainText(tips[i]));
  m_result = DriftDialogResult::Cancel;
  exec();  // a button or reject() sets m_result before the dialog closes
  return m_result;
}

void TdlgSynthDrift::Finish(DriftDialogResult result) {
  m_result = result;
  done(Code(result));
}

void TdlgSynthDrift::BitBtn1Click() {
  Finish(DriftDialogResult::Yes);
}

void TdlgSynthDrift::BitBtn2Click() {
  Finish(DriftDialogResult::No);
}

void TdlgSynthDrift::BitBtn3Click() {
  Finish(DriftDialogResult::Ok);
}

void TdlgSynthDrift::BitBtn4Click() {
  Finish(DriftDialogResult::Cancel);
}

void TdlgSynthDrift::reject() {
  // Escape or the window manager's close command: the same answer as the fourth button.
  m_result = DriftDialogResult::Cancel;
  QDialog::reject();
}

}  // namespace orvek
