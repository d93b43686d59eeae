#include "ui/UdlgAlign.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <cstdint>

#include "ui/Langue.h"
#include "ui/Prompter.h"
#include "ui/StepArrows.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

namespace orvek {

namespace {

// Largest crop side accepted from the keyboard: a crop of S x S extended values is written
// whole, and a mistyped side must not ask for gigabytes.
constexpr int kMaxCropSide = 4096;
// Offsets typed beyond the arrows' range are accepted up to this size.
constexpr int kMaxOffset = 1000000;

}  // namespace

TDlgAlign::TDlgAlign(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TDlgAlign");
  setWindowTitle(QString::fromUtf8("Alignement et Recadrage"));
  setModal(true);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(14, 14, 14, 12);
  outer->setSpacing(10);
  auto* box = new QFrame(this);
  box->setFrameShape(QFrame::StyledPanel);
  box->setFrameShadow(QFrame::Sunken);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(12, 10, 12, 10);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(8);

  auto field = [this, box](const char* name, const QString& text) {
    auto* edit = new QLineEdit(text, box);
    edit->setObjectName(name);
    edit->setFixedWidth(64);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return edit;
  };
  auto caption = [box](const char* name, const QString& text) {
    auto* label = new QLabel(text, box);
    label->setObjectName(name);
    return label;
  };
  auto spinner = [](QLineEdit* edit, StepArrows* arrows) {
    auto* row = new QHBoxLayout;
    row->setSpacing(2);
    row->addWidget(edit);
    row->addWidget(arrows);
    row->addStretch(1);
    return row;
  };

  m_Label1 = caption("Label1", "Taille Image");
  m_ctlTailleRecadrage = field("ctlTailleRecadrage", "128");
  m_UpDown1 = new StepArrows(m_ctlTailleRecadrage, Qt::Vertical, 64, 512, 1, box);
  m_UpDown1->setObjectName("UpDown1");
  m_CheckBox1 = new QCheckBox("X 16", box);
  m_CheckBox1->setObjectName("CheckBox1");

  m_Label2 = caption("Label2", "Offset X");
  m_OffsetX = field("OffsetX", "0");
  m_UpDown3 = new StepArrows(m_OffsetX, Qt::Horizontal, -512, 512, 1, box);
  m_UpDown3->setObjectName("UpDown3");
  m_CheckBox2 = new QCheckBox("X 10", box);
  m_CheckBox2->setObjectName("CheckBox2");

  m_Label3 = caption("Label3", "Offset Y");
  m_OffsetY = field("OffsetY", "0");
  // The up arrow moves the crop up the image: the row number decreases.
  m_UpDown4 = new StepArrows(m_OffsetY, Qt::Vertical, -512, 512, -1, box);
  m_UpDown4->setObjectName("UpDown4");

  grid->addWidget(m_Label1, 0, 0);
  grid->addLayout(spinner(m_ctlTailleRecadrage, m_UpDown1), 0, 1);
  grid->addWidget(m_CheckBox1, 0, 2);
  grid->addWidget(m_Label2, 1, 0);
  grid->addLayout(spinner(m_OffsetX, m_UpDown3), 1, 1);
  grid->addWidget(m_CheckBox2, 1, 2, 2, 1, Qt::AlignVCenter);
  grid->addWidget(m_Label3, 2, 0);
  grid->addLayout(spinner(m_OffsetY, m_UpDown4), 2, 1);
  grid->setColumnMinimumWidth(0, 90);
  grid->setColumnStretch(1, 1);
  outer->addWidget(box);

  m_Xcrop = new QLineEdit("0", this);
  m_Xcrop->setObjectName("Xcrop");
  m_Xcrop->hide();
  m_Ycrop = new QLineEdit("0", this);
  m_Ycrop->setObjectName("Ycrop");
  m_Ycrop->hide();

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  m_Button1 = new QPushButton("OK", this);
  m_Button1->setObjectName("Button1");
  m_Button1->setDefault(true);
  m_Button1->setMinimumWidth(84);
  m_Button2 = new QPushButton("Annuler", this);
  m_Button2->setObjectName("Button2");
  m_Button2->setMinimumWidth(84);
  buttons->addWidget(m_Button1);
  buttons->addWidget(m_Button2);
  outer->addLayout(buttons);
  outer->setSizeConstraint(QLayout::SetFixedSize);

  connect(m_UpDown1, &StepArrows::Clicked, this, [this] { UpDown1Click(); });
  connect(m_UpDown3, &StepArrows::Clicked, this, [this] { UpDown3Click(); });
  connect(m_UpDown4, &StepArrows::Clicked, this, [this] { UpDown4Click(); });
  connect(m_CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
  connect(m_CheckBox2, &QCheckBox::clicked, this, [this] { CheckBox2Click(); });
  connect(m_Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(m_Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

  ChangeLangue();
}

void TDlgAlign::ChangeLangue() {
  const QString title = LangText("DlgAlign", "DlgAlign");
  if (!title.isEmpty()) setWindowTitle(title);
  m_Label1->setText(LangText("DlgAlign", "Label1"));
  m_Button2->setText(LangText("DlgAlign", "Button2"));
}

bool TDlgAlign::Execute() {
  return exec() == QDialog::Accepted;
}

void TDlgAlign::SetCropSizeText(const QString& text) {
  m_ctlTailleRecadrage->setText(text);
}

bool TDlgAlign::ReadField(const QLineEdit* edit, const QString& caption, int minimum, int maximum,
                          int& value, QString* message) const {
  bool ok = false;
  const QString text = edit->text().trimmed();
  const int v = text.toInt(&ok);
  if (ok && v >= minimum && v <= maximum) {
    value = v;
    return true;
  }
  if (message != nullptr) {
    *message = QString::fromUtf8("%1 : « %2 » n'est pas un nombre entier de %3 à %4.")
                   .arg(caption, edit->text())
                   .arg(minimum)
                   .arg(maximum);
  }
  return false;
}

Status TDlgAlign::ReadSettings(AlignSettings& settings) const {
  QString message;
  AlignSettings s = settings;
  const QString sizeCaption =
      m_Label1->text().isEmpty() ? QString("Taille Image") : m_Label1->text();
  if (!ReadField(m_ctlTailleRecadrage, sizeCaption, 1, kMaxCropSide, s.size, &message) ||
      !ReadField(m_OffsetX, "Offset X", -kMaxOffset, kMaxOffset, s.offsetX, &message) ||
      !ReadField(m_OffsetY, "Offset Y", -kMaxOffset, kMaxOffset, s.offsetY, &message)) {
    return Status::Error(message.toStdString());
  }
  if (!ReadField(m_Xcrop, "Xcrop", INT32_MIN, INT32_MAX, s.cropX, &message) ||
      !ReadField(m_Ycrop, "Ycrop", INT32_MIN, INT32_MAX, s.cropY, &message)) {
    return Status::Error(message.toStdString());
  }
  settings = s;
  return Status::Ok();
}

// ---- Preview --------------------------------------------------------------------------------

void TDlgAlign::DrawPreview() {
  m_workbench.FormMain->DrawCross(m_cropCentre.x(), m_cropCentre.y(), true, false, m_cropHalf);
}

void TDlgAlign::UpdatePreview(bool eraseFirst) {
  if (eraseFirst && m_previewShown) DrawPreview();
  m_previewShown = false;
  int size = 0, offsetX = 0, offsetY = 0;
  if (!ReadField(m_ctlTailleRecadrage, QString(), 1, kMaxCropSide, size, nullptr) ||
      !ReadField(m_OffsetX, QString(), -kMaxOffset, kMaxOffset, offsetX, nullptr) ||
      !ReadField(m_OffsetY, QString(), -kMaxOffset, kMaxOffset, offsetY, nullptr)) {
    return;
  }
  const rStarPos& star = m_workbench.FormMain->CurrentPoint();
  const CropPreview p = MakeCropPreview(star.X, star.Y, offsetX, offsetY, size);
  m_cropCentre = QPoint(p.cx, p.cy);
  m_cropHalf = p.half;
  DrawPreview();
  m_previewShown = true;
}

// ---- Handlers -------------------------------------------------------------------------------

void TDlgAlign::FormShow() {
  m_OffsetX->setText("0");
  m_OffsetY->setText("0");
  m_previewShown = false;
  UpdatePreview(false);
}

void TDlgAlign::FormClose() {
  // The preview is removed where it was drawn, even when a field was typed into since.
  if (m_previewShown) DrawPreview();
  m_previewShown = false;
}

void TDlgAlign::UpDown1Click() {
  UpdatePreview(true);
}

void TDlgAlign::UpDown3Click() {
  UpdatePreview(true);
}

void TDlgAlign::UpDown4Click() {
  UpdatePreview(true);
}

void TDlgAlign::CheckBox1Click() {
  m_UpDown1->SetIncrement(m_CheckBox1->isChecked() ? 16 : 1);
}

void TDlgAlign::CheckBox2Click() {
  m_UpDown3->SetIncrement(m_CheckBox2->isChecked() ? 10 : 1);
  m_UpDown4->SetIncrement(-m_UpDown3->Increment());
}

void TDlgAlign::Button1Click() {
  QString message;
  int size = 0, offsetX = 0, offsetY = 0;
  const QString sizeCaption =
      m_Label1->text().isEmpty() ? QString("Taille Image") : m_Label1->text();
  if (!ReadField(m_ctlTailleRecadrage, sizeCaption, 1, kMaxCropSide, size, &message) ||
      !ReadField(m_OffsetX, "Offset X", -kMaxOffset, kMaxOffset, offsetX, &message) ||
      !ReadField(m_OffsetY, "Offset Y", -kMaxOffset, kMaxOffset, offsetY, &message)) {
    m_workbench.prompter.Error(message);
    return;
  }
  const rStarPos& star = m_workbench.FormMain->CurrentPoint();
  const CropPreview p = MakeCropPreview(star.X, star.Y, offsetX, offsetY, size);
  m_Xcrop->setText(QString::number(p.cx));
  m_Ycrop->setText(QString::number(p.cy));
  accept();
}

void TDlgAlign::Button2Click() {
  reject();
}

void TDlgAlign::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  if (TFormMain* main = m_workbench.FormMain.get()) {
    const QRect owner = main->frameGeometry();
    move(owner.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
  FormShow();
}

void TDlgAlign::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (event->spontaneous()) return;
  FormClose();
}

}  // namespace orvek
