#include "ui/UfrmVisu.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/Utils.h"
#include "series/Thumbnails.h"
#include "ui/Controls.h"
#include "ui/Langue.h"
#include "ui/StepArrows.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

namespace orvek {

namespace {

constexpr int kColumns = 10;
constexpr int kRows = kThumbnailsPerPage / kColumns;
constexpr int kGap = 4;
constexpr int kSheetMargin = 7;

// A thumbnail that cannot be read: a dark square crossed out, still clickable.
QImage Unreadable() {
  QImage image(kThumbnailSide, kThumbnailSide, QImage::Format_RGB32);
  image.fill(QColor(70, 70, 70));
  QPainter p(&image);
  p.setPen(QPen(QColor(140, 140, 140), 1));
  p.drawLine(0, 0, kThumbnailSide - 1, kThumbnailSide - 1);
  p.drawLine(kThumbnailSide - 1, 0, 0, kThumbnailSide - 1);
  return image;
}

QLineEdit* NumberBox(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setReadOnly(true);
  edit->setFocusPolicy(Qt::NoFocus);
  edit->setFixedWidth(54);
  edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return edit;
}

QLabel* Dot(const QColor& colour, QWidget* parent) {
  QImage image(12, 12, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawEllipse(1, 1, 10, 10);
  p.end();
  auto* label = new QLabel(parent);
  label->setPixmap(QPixmap::fromImage(image));
  return label;
}

}  // namespace

TfrmVisu::TfrmVisu(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TfrmVisu");
  setWindowTitle(QString::fromUtf8("BestOf Visual"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(1021, 590);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);

  // The thumbnails on a dark sheet, five rows of ten.
  auto* sheet = new QWidget(this);
  sheet->setObjectName("Sheet");
  sheet->setAutoFillBackground(true);
  QPalette dark = sheet->palette();
  dark.setColor(QPalette::Window, QColor(28, 28, 30));
  sheet->setPalette(dark);
  const int sheetHeight = 2 * kSheetMargin + kRows * kThumbnailSide + (kRows - 1) * kGap;
  sheet->setFixedHeight(sheetHeight);
  const int left = (1021 - (kColumns * kThumbnailSide + (kColumns - 1) * kGap)) / 2;
  QPalette slot = dark;
  slot.setColor(QPalette::Window, QColor(52, 52, 56));
  for (int n = 0; n < kThumbnailsPerPage; ++n) {
    const int r = n / kColumns, c = n % kColumns;
    auto* image = new ImageView(sheet);
    image->setObjectName(QString("Image%1").arg(n));
    image->setPalette(slot);
    image->setGeometry(left + c * (kThumbnailSide + kGap),
                       kSheetMargin + r * (kThumbnailSide + kGap), kThumbnailSide, kThumbnailSide);
    image->setFixedSize(kThumbnailSide, kThumbnailSide);
    image->setCursor(Qt::PointingHandCursor);
    image->setEnabled(false);
    connect(image, &ImageView::MousePressed, this, [this, n](Qt::MouseButton button, QPoint) {
      if (button == Qt::LeftButton) ImgClique(n);
    });
    m_images[static_cast<size_t>(n)] = image;
  }
  outer->addWidget(sheet);

  // The page bar: numbers of the page's first and last frames, the page arrows, the key to
  // the dots and the close button.
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(12, 8, 12, 10);
  row->setSpacing(6);
  m_Edit1 = new QLineEdit("0", bar);
  m_Edit1->setObjectName("Edit1");
  m_Edit1->hide();
  m_UpDown1 = new StepArrows(m_Edit1, Qt::Horizontal, 0, 0, kThumbnailsPerPage, bar);
  m_UpDown1->setObjectName("UpDown1");
  m_Edit2 = NumberBox("Edit2", bar);
  m_Edit4 = NumberBox("Edit4", bar);
  m_lblTotal = new QLabel(bar);
  m_lblTotal->setObjectName("lblTotal");
  for (QLabel*& label : m_captions) label = new QLabel(bar);
  row->addWidget(m_captions[0]);
  row->addWidget(m_Edit2);
  row->addWidget(m_captions[1]);
  row->addWidget(m_Edit4);
  row->addWidget(m_lblTotal);
  row->addSpacing(10);
  row->addWidget(m_captions[2]);
  row->addWidget(m_UpDown1);
  row->addSpacing(24);
  row->addWidget(Dot(QColor(0, 255, 0), bar));
  row->addWidget(m_captions[3]);
  row->addSpacing(8);
  row->addWidget(Dot(QColor(255, 0, 0), bar));
  row->addWidget(m_captions[4]);
  row->addStretch(1);
  m_btnClose = new QPushButton(bar);
  m_btnClose->setObjectName("btnClose");
  m_btnClose->setMinimumWidth(84);
  row->addWidget(m_btnClose);
  outer->addWidget(bar, 1);

  connect(m_UpDown1, &StepArrows::Clicked, this, [this] { UpDown1Click(); });
  connect(m_btnClose, &QPushButton::clicked, this, [this] { close(); });
  ApplyTexts();
}

void TfrmVisu::ApplyTexts() {
  const char* keys[] = {"visImages", "visTo", "visPage", "visKept", "visLeft"};
  for (size_t i = 0; i < m_captions.size(); ++i) m_captions[i]->setText(MainText(keys[i]));
  m_btnClose->setText(MainText("visClose"));
}

void TfrmVisu::ShowModal() {
  setWindowModality(Qt::ApplicationModal);
  show();
  raise();
  activateWindow();
  if (!isVisible()) return;
  QEventLoop loop;
  connect(this, &TfrmVisu::Hidden, &loop, &QEventLoop::quit);
  loop.exec();
}

int TfrmVisu::PageStart() const {
  return m_UpDown1->Position();
}

void TfrmVisu::FormShow() {
  const int count = m_workbench.FormMain->ItemCount();
  m_UpDown1->SetRange(0, VisuSelectorMax(count));
  m_UpDown1->SetPosition(0);
  ApplyTexts();
  m_lblTotal->setText(Fill(MainText("visOf"), {{"n", QString::number(count)}}));
  FillPage();
}

void TfrmVisu::FillPage() {
  TFormMain& main = *m_workbench.FormMain;
  const int count = main.ItemCount();
  const VisuPage page = MakeVisuPage(PageStart(), count);
  const std::string folder = WorkFolder("tempv");
  for (int n = 0; n < kThumbnailsPerPage; ++n) {
    ImageView* image = Picture(n);
    const int k = page.itemIndex[static_cast<size_t>(n)];
    if (k < 0) {
      image->SetPicture(QImage(), false);
      image->setToolTip(QString());
      image->setEnabled(false);
      continue;
    }
    main.SelectItem(k);
    const QString name = main.ItemText(k);
    QImage thumbnail(QString::fromStdString(ThumbnailPath(folder, name.toStdString())));
    if (thumbnail.isNull()) thumbnail = Unreadable();
    image->SetPicture(thumbnail, false);
    image->setToolTip(QString("%1  (%2)").arg(name).arg(k + 1));
    image->setEnabled(true);
    ImgMarque(n);
  }
  m_Edit4->setText(QString::number(page.lastNumber));
  m_Edit2->setText(QString::number(page.firstNumber));
}

void TfrmVisu::ImgMarque(int n) {
  if (n < 0 || n >= kThumbnailsPerPage) return;
  ImageView* image = Picture(n);
  QImage& picture = image->Picture();
  if (picture.isNull()) return;
  const bool ticked = m_workbench.FormMain->IsTicked(PageStart() + n);
  QPainter p(&picture);
  p.setPen(QPen(ticked ? QColor(0, 255, 0) : QColor(255, 0, 0), 10, Qt::SolidLine, Qt::RoundCap));
  p.drawPoint(10, 10);
  p.end();
  image->update();
}

void TfrmVisu::ImgClique(int n) {
  TFormMain& main = *m_workbench.FormMain;
  const int k = VisuClickIndex(PageStart(), n, main.ItemCount());
  if (k < 0) return;
  main.SetTicked(k, !main.IsTicked(k));
  ImgMarque(n);
}

void TfrmVisu::UpDown1Click() {
  FillPage();
}

void TfrmVisu::FormHide() {
  for (ImageView* image : m_images) {
    image->SetPicture(QImage(), false);
    image->setEnabled(false);
  }
  TFormMain& main = *m_workbench.FormMain;
  main.SelectItem(0);
  main.RefreshSelection();
  if (main.ItemCount() > 0) main.LoadAndShow(main.CurrentItemPath());
}

void TfrmVisu::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  if (TFormMain* main = m_workbench.FormMain.get()) {
    const QRect owner = main->frameGeometry();
    move(owner.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
  FormShow();
}

void TfrmVisu::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (event->spontaneous()) return;
  FormHide();
  emit Hidden();
}

}  // namespace orvek
