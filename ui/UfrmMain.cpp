// TFormMain: construction of the window, its menus and texts, the options, the pointers,
// help, and closing.

#include "ui/UfrmMain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/Utils.h"
#include "ui/Controls.h"
#include "ui/DocumentOpener.h"
#include "ui/ImageZoom.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"
#include "ui/UfrmAbout.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmFitsHeader.h"
#include "ui/UfrmHelp.h"
#include "ui/UfrmInfosLog.h"
#include "ui/Workbench.h"
#include "wording/Wording.h"

namespace orvek {

namespace {

// Every command of a later feature: it exists with its caption and stays disabled until the
// feature wires it (InstallCommand).
const MainCommand kLaterCommands[] = {
#define ORVEK_MAIN_COMMAND_ITEM(name) MainCommand::name,
    ORVEK_MAIN_COMMANDS(ORVEK_MAIN_COMMAND_ITEM)
#undef ORVEK_MAIN_COMMAND_ITEM
};

QFrame* Panel(QWidget* parent) {
  auto* frame = new QFrame(parent);
  frame->setFrameShape(QFrame::StyledPanel);
  frame->setFrameShadow(QFrame::Raised);
  return frame;
}

QLabel* Heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  return label;
}

}  // namespace

QString CommandName(MainCommand command) {
  switch (command) {
#define ORVEK_MAIN_COMMAND_NAME(name) \
  case MainCommand::name: return QStringLiteral(#name);
    ORVEK_MAIN_COMMANDS(ORVEK_MAIN_COMMAND_NAME)
#undef ORVEK_MAIN_COMMAND_NAME
  }
  return {};
}

TFormMain::TFormMain(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("FormMain");
  setWindowTitle("Orvek");
  m_frame = std::make_unique<OTrame>();
  m_crossPen = QPen(QColor(255, 0, 0), 0, Qt::DotLine);
  BuildControls();
  BuildMenus();
  BuildStatusBar();
  for (MainCommand c : kLaterCommands) {
    QObject* o = CommandObject(c);
    m_pending.insert(o);
    SetAllowed(o, m_allowed.value(o, true));
  }
  // Texts first; then the empty bias frame; then the caption's folder part.
  ChangeLangue();
  m_bias = std::make_unique<OTrame>();
  SetCaptionFolder(QString());
  resize(1280, 820);
}

TFormMain::~TFormMain() {
  // The controls outlive this part of the window by a moment (QWidget deletes them): none of
  // their last signals (focus leaving the list, ...) may reach the handlers here.
  for (QObject* child : findChildren<QObject*>())
    QObject::disconnect(child, nullptr, this, nullptr);
}

// ---- Construction ---------------------------------------------------------------------------

void TFormMain::BuildControls() {
  auto* central = new QWidget(this);
  central->setObjectName("Panel1");
  setCentralWidget(central);
  auto* columns = new QHBoxLayout(central);
  columns->setContentsMargins(6, 6, 6, 6);
  columns->setSpacing(6);

  // Left: the image list with its controls above it and the image status below it.
  auto* left = Panel(central);
  left->setFixedWidth(236);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(6, 6, 6, 6);
  auto* listBar = new QGridLayout;
  listBar->setHorizontalSpacing(4);
  m_CheckBox2 = new QCheckBox(left);
  m_CheckBox2->setObjectName("CheckBox2");
  m_CheckBox2->setChecked(true);
  m_Auto_Nb = new QLineEdit(left);
  m_Auto_Nb->setObjectName("Auto_Nb");
  m_Auto_Nb->setReadOnly(true);
  m_Auto_Nb->setFixedWidth(64);
  m_Auto_Nb->setFocusPolicy(Qt::NoFocus);
  m_Label3 = new QLabel("%", left);
  m_Label3->setObjectName("Label3");
  m_ComboBox1 = new QComboBox(left);
  m_ComboBox1->setObjectName("ComboBox1");
  m_ComboBox1->setEditable(true);
  m_ComboBox1->addItems({"100", "75", "50", "25", "10", " 5"});
  m_ComboBox1->setEditText("100%");
  m_ComboBox1->setMinimumWidth(60);
  m_btnSTOP = new QPushButton("STOP", left);
  m_btnSTOP->setObjectName("btnSTOP");
  m_btnSTOP->setStyleSheet("QPushButton { color: white; background: #c62828; font-weight: bold; }");
  m_btnSTOP->hide();
  m_Button1 = new QPushButton("Inv", left);
  m_Button1->setObjectName("Button1");
  m_Button1->setFixedWidth(40);
  listBar->addWidget(m_CheckBox2, 0, 0);
  listBar->addWidget(m_Auto_Nb, 0, 1);
  listBar->addWidget(m_Label3, 0, 2);
  listBar->addWidget(m_ComboBox1, 0, 3);
  listBar->addWidget(m_btnSTOP, 0, 3);  // placed over the percentage box while a loop runs
  listBar->addWidget(m_Button1, 0, 4);
  listBar->setColumnStretch(3, 1);
  leftLayout->addLayout(listBar);
  m_CheckListBox = new CheckListBox(left);
  m_CheckListBox->setObjectName("CheckListBox");
  leftLayout->addWidget(m_CheckListBox, 1);
  m_FileListBoxInter = new QListWidget(left);
  m_FileListBoxInter->setObjectName("FileListBoxInter");
  m_FileListBoxInter->hide();
  leftLayout->addWidget(m_FileListBoxInter, 1);
  m_btnListeInter = new QPushButton("<===>", left);
  m_btnListeInter->setObjectName("btnListeInter");
  m_btnListeInter->hide();
  leftLayout->addWidget(m_btnListeInter);
  auto* status = new QFrame(left);
  status->setFrameShape(QFrame::StyledPanel);
  status->setFrameShadow(QFrame::Sunken);
  auto* statusLayout = new QVBoxLayout(status);
  statusLayout->setContentsMargins(6, 4, 6, 4);
  m_lblFormatImage = new QLabel(status);
  m_lblFormatImage->setObjectName("lblFormatImage");
  m_lblFormatImage->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_lblFormatImage->setMinimumHeight(m_lblFormatImage->fontMetrics().lineSpacing() * 4 + 4);
  m_lblFormatImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_Label4 = new QLabel(status);
  m_Label4->setObjectName("Label4");
  m_Label4->setMinimumHeight(m_Label4->fontMetrics().lineSpacing() * 2 + 2);
  m_Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_darkfile = new QLabel("Bias", status);
  m_darkfile->setObjectName("darkfile");
  m_darkfile->setStyleSheet("QLabel { color: #1b7a1b; font-weight: bold; }");
  m_darkfile->hide();
  statusLayout->addWidget(m_lblFormatImage);
  statusLayout->addWidget(m_Label4);
  statusLayout->addWidget(m_darkfile);
  leftLayout->addWidget(status);
  columns->addWidget(left);

  // Middle: the image, at one screen pixel per image pixel until the zoom changes, with the
  // zoom's bar above it.
  auto* middle = new QWidget(central);
  auto* middleLayout = new QVBoxLayout(middle);
  middleLayout->setContentsMargins(0, 0, 0, 0);
  middleLayout->setSpacing(3);
  m_ScrollBox1 = new QScrollArea(middle);
  m_ScrollBox1->setObjectName("ScrollBox1");
  m_ScrollBox1->setWidgetResizable(false);
  m_ScrollBox1->setAlignment(Qt::AlignCenter);
  m_ScrollBox1->setBackgroundRole(QPalette::Dark);
  m_ScrollBox1->setMinimumSize(320, 240);
  m_Image1 = new ImageView;
  m_Image1->setObjectName("Image1");
  m_Image1->setCursor(Qt::CrossCursor);
  m_ScrollBox1->setWidget(m_Image1);
  m_Image1->hide();
  BuildZoom(middle);
  middleLayout->addWidget(m_ScrollBox1, 1);
  columns->addWidget(middle, 1);
  m_Image0 = new ImageView(central);
  m_Image0->setObjectName("Image0");
  m_Image0->hide();

  // Right, first column: the display thresholds.
  auto* thresholds = Panel(central);
  thresholds->setFixedWidth(132);
  auto* thLayout = new QVBoxLayout(thresholds);
  thLayout->setContentsMargins(6, 6, 6, 6);
  auto* bars = new QGridLayout;
  bars->addWidget(Heading("Max", thresholds), 0, 0, Qt::AlignHCenter);
  bars->addWidget(Heading("Min", thresholds), 0, 1, Qt::AlignHCenter);
  m_TrackBar1 = new QSlider(Qt::Vertical, thresholds);
  m_TrackBar1->setObjectName("TrackBar1");
  m_TrackBar2 = new QSlider(Qt::Vertical, thresholds);
  m_TrackBar2->setObjectName("TrackBar2");
  int column = 0;
  for (QSlider* bar : {m_TrackBar1, m_TrackBar2}) {
    bar->setRange(0, 100);
    bar->setValue(50);
    bar->setTickPosition(QSlider::TicksBothSides);
    bar->setTickInterval(10);
    bar->setMinimumHeight(180);
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    bars->addWidget(bar, 1, column++, Qt::AlignHCenter);
  }
  bars->setRowStretch(1, 1);
  thLayout->addLayout(bars, 1);
  m_niv1 = new QLineEdit(thresholds);
  m_niv1->setObjectName("niv1");
  m_niv2 = new QLineEdit(thresholds);
  m_niv2->setObjectName("niv2");
  for (QLineEdit* e : {m_niv1, m_niv2}) {
    e->setEnabled(false);
    e->setAlignment(Qt::AlignRight);
    thLayout->addWidget(e);
  }
  m_TrackBarsMax = new QLineEdit("255", thresholds);
  m_TrackBarsMax->setObjectName("TrackBarsMax");
  m_TrackBarsMax->hide();
  m_TrackBarsMin = new QLineEdit("0", thresholds);
  m_TrackBarsMin->setObjectName("TrackBarsMin");
  m_TrackBarsMin->hide();
  m_VisuAuto = new QCheckBox("Auto", thresholds);
  m_VisuAuto->setObjectName("VisuAuto");
  m_VisuAuto->setChecked(true);
  m_VisuLog = new QCheckBox("Log", thresholds);
  m_VisuLog->setObjectName("VisuLog");
  m_VisuColor = new QCheckBox("Color", thresholds);
  m_VisuColor->setObjectName("VisuColor");
  thLayout->addWidget(m_VisuAuto);
  thLayout->addWidget(m_VisuLog);
  thLayout->addWidget(m_VisuColor);
  auto* lutRow = new QHBoxLayout;
  lutRow->setSpacing(1);
  m_lut = new QLineEdit("10", thresholds);
  m_lut->setObjectName("lut");
  m_lut->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), m_lut));
  m_lut->setAlignment(Qt::AlignRight);
  m_lut->setFixedWidth(44);
  m_UpDown1 = new UpDownControl(m_lut, 0, 20, thresholds);
  m_UpDown1->setObjectName("UpDown1");
  lutRow->addWidget(new QLabel("lut", thresholds));
  lutRow->addStretch(1);
  lutRow->addWidget(m_lut);
  lutRow->addWidget(m_UpDown1);
  thLayout->addLayout(lutRow);
  columns->addWidget(thresholds);

  // Right, second column: the measurement panel.
  auto* measure = Panel(central);
  measure->setFixedWidth(236);
  auto* mLayout = new QVBoxLayout(measure);
  mLayout->setContentsMargins(6, 6, 6, 6);
  mLayout->setSpacing(5);
  auto* sizeRow = new QHBoxLayout;
  m_Label1 = new QLabel("13 x 13", measure);
  m_Label1->setObjectName("Label1");
  m_Label1->setMinimumWidth(54);
  m_HScroll1 = new QSlider(Qt::Horizontal, measure);
  m_HScroll1->setObjectName("HScroll1");
  m_HScroll1->setRange(1, 30);
  m_HScroll1->setValue(6);
  sizeRow->addWidget(m_Label1);
  sizeRow->addWidget(m_HScroll1, 1);
  mLayout->addLayout(sizeRow);
  m_Cadrage = new QGroupBox("Cadrage", measure);
  m_Cadrage->setObjectName("Cadrage");
  auto* cadLayout = new QHBoxLayout(m_Cadrage);
  cadLayout->setContentsMargins(6, 2, 6, 2);
  m_CadrageManuel = new QRadioButton("Manuel", m_Cadrage);
  m_CadrageManuel->setObjectName("Cadrage0");
  m_CadrageAuto = new QRadioButton("Automatique", m_Cadrage);
  m_CadrageAuto->setObjectName("Cadrage1");
  m_CadrageAuto->setChecked(true);
  m_CadrageGroup = new QButtonGroup(m_Cadrage);
  m_CadrageGroup->addButton(m_CadrageManuel, 0);
  m_CadrageGroup->addButton(m_CadrageAuto, 1);
  cadLayout->addWidget(m_CadrageManuel);
  cadLayout->addWidget(m_CadrageAuto);
  mLayout->addWidget(m_Cadrage);
  m_RadioGroup1 = new QGroupBox(QString::fromUtf8("Méthode"), measure);
  m_RadioGroup1->setObjectName("RadioGroup1");
  auto* methodLayout = new QVBoxLayout(m_RadioGroup1);
  m_MethodGroup = new QButtonGroup(m_RadioGroup1);
  const QStringList methods = {"Sans Filtre", "Mi-hauteur", "Sur fond"};
  for (int i = 0; i < methods.size(); ++i) {
    auto* b = new QRadioButton(methods[i], m_RadioGroup1);
    b->setObjectName(QString("RadioGroup1_%1").arg(i));
    m_MethodGroup->addButton(b, i);
    methodLayout->addWidget(b);
  }
  m_MethodGroup->button(1)->setChecked(true);
  m_RadioGroup1->hide();
  m_CtlAdj = new QCheckBox("Ctl Adj", measure);
  m_CtlAdj->setObjectName("CtlAdj");
  m_CtlAdj->setChecked(true);
  m_SubPixellaire = new QCheckBox("SubPixellaire", measure);
  m_SubPixellaire->setObjectName("SubPixellaire");
  m_SubPixellaire->setChecked(true);
  m_SubPixellaire->hide();
  mLayout->addWidget(m_CtlAdj);

  auto* profileRow = new QHBoxLayout;
  m_Image2 = new ImageView(measure);
  m_Image2->setObjectName("Image2");
  m_Image2->setFixedSize(77, 100);
  m_Image2->setCursor(Qt::SizeVerCursor);
  // Hidden until the first measurement; its place stays reserved.
  QSizePolicy keep = m_Image2->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  m_Image2->setSizePolicy(keep);
  m_Image2->hide();
  m_Label2 = new QLabel(measure);
  m_Label2->setObjectName("Label2");
  m_Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_Label2->setMinimumHeight(m_Label2->fontMetrics().lineSpacing() * 4 + 4);
  profileRow->addWidget(m_Image2, 0, Qt::AlignTop);
  profileRow->addWidget(m_Label2, 1);
  mLayout->addLayout(profileRow);

  auto* zoomRow = new QHBoxLayout;
  m_Image3 = new ImageView(measure);
  m_Image3->setObjectName("Image3");
  m_Image4 = new ImageView(measure);
  m_Image4->setObjectName("Image4");
  for (ImageView* v : {m_Image3, m_Image4}) {
    v->setFixedSize(100, 100);
    QImage blank(100, 100, QImage::Format_RGB32);
    blank.fill(QColor(0, 0, 0));
    v->SetPicture(blank, false);
    zoomRow->addWidget(v);
  }
  mLayout->addLayout(zoomRow);
  m_CheckBox1 = new QCheckBox("Inv", measure);
  m_CheckBox1->setObjectName("CheckBox1");
  mLayout->addWidget(m_CheckBox1);

  auto* captureRow = new QHBoxLayout;
  m_Capture_A = new QPushButton("comp A", measure);
  m_Capture_A->setObjectName("Capture_A");
  m_Capture_B = new QPushButton("comp B", measure);
  m_Capture_B->setObjectName("Capture_B");
  captureRow->addWidget(m_Capture_A);
  captureRow->addWidget(m_Capture_B);
  mLayout->addLayout(captureRow);
  m_AutoOrvek = new QPushButton("AutoOrvek", measure);
  m_AutoOrvek->setObjectName("AutoOrvek");
  mLayout->addWidget(m_AutoOrvek);
  m_lblTipFastMeasurement = new QLabel(measure);
  m_lblTipFastMeasurement->setObjectName("lblTipFastMeasurement");
  m_lblTipFastMeasurement->setWordWrap(true);
  m_lblTipFastMeasurement->setStyleSheet("QLabel { color: #0d47a1; font-weight: bold; }");
  m_lblTipFastMeasurement->hide();
  mLayout->addWidget(m_lblTipFastMeasurement);
  mLayout->addStretch(1);
  auto* driftRow = new QHBoxLayout;
  m_btnDriftSingle = new QPushButton("Drift Analysis", measure);
  m_btnDriftSingle->setObjectName("btnDriftSingle");
  m_btnDriftMulti = new QPushButton("Synthetic Drift", measure);
  m_btnDriftMulti->setObjectName("btnDriftMulti");
  driftRow->addWidget(m_btnDriftSingle);
  driftRow->addWidget(m_btnDriftMulti);
  mLayout->addLayout(driftRow);
  m_Button2 = new QPushButton("Bias", measure);
  m_Button2->setObjectName("Button2");
  mLayout->addWidget(m_Button2);
  m_hQuadPx = new QLineEdit("0", measure);
  m_hQuadPx->setObjectName("hQuadPx");
  m_hQuadPx->hide();
  columns->addWidget(measure);

  // ---- Signals of the controls ----
  connect(m_TrackBar1, &QSlider::valueChanged, this, [this] { Redisplay(); });
  connect(m_TrackBar2, &QSlider::valueChanged, this, [this] { Redisplay(); });
  connect(m_VisuLog, &QCheckBox::toggled, this, [this] { Redisplay(); });
  connect(m_VisuColor, &QCheckBox::toggled, this, [this] { Redisplay(); });
  connect(m_VisuAuto, &QCheckBox::clicked, this, [this] { AutoThresholds(); });
  connect(m_lut, &QLineEdit::textChanged, this, [this] {
    if (m_VisuColor->isChecked()) Redisplay();
  });
  connect(m_HScroll1, &QSlider::valueChanged, this, [this](int p) {
    m_Label1->setText(QString("%1 x %1").arg(2 * p + 1));
    if (m_imageShown) MeasureAt(m_currentPoint);
  });
  connect(m_CtlAdj, &QCheckBox::clicked, this, [this] { MeasureAt(m_currentPoint); });
  connect(m_Capture_A, &QPushButton::clicked, this, [this] { Capture_AClick(); });
  connect(m_Capture_B, &QPushButton::clicked, this, [this] { Capture_BClick(); });
  connect(m_Image1, &ImageView::MouseMoved, this, [this](QPoint p, Qt::MouseButtons) {
    ImageMouseMove(p.x(), p.y());
    UpdateLive(p.x(), p.y());
  });
  connect(m_Image1, &ImageView::MousePressed, this, [this](Qt::MouseButton b, QPoint p) {
    ImageClick(b, p.x(), p.y());
    m_HScroll1->setFocus();  // the arrow keys then change the window size
  });
  connect(m_Image2, &ImageView::MouseMoved, this, [this](QPoint p, Qt::MouseButtons buttons) {
    if (buttons & Qt::LeftButton) ProfileDrag(p.y());
  });
  connect(m_Image2, &ImageView::MousePressed, this, [this](Qt::MouseButton b, QPoint p) {
    if (b == Qt::RightButton) ImageClick(Qt::RightButton, p.x(), p.y());
  });

  connect(m_CheckListBox, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    // A tick box clicked (or toggled with the space bar).
    RefreshSelection();
    m_listeFic.DernierIndex = m_CheckListBox->row(item);
  });
  connect(m_CheckListBox, &CheckListBox::ItemChosen, this, [this](int i) { ListItemClicked(i); });
  connect(m_CheckListBox, &CheckListBox::DraggedOver, this, [this](int i) { ListDraggedOver(i); });
  connect(m_CheckListBox, &CheckListBox::ButtonReleased, this, [this] { RefreshSelection(); });
  connect(m_CheckListBox, &CheckListBox::FocusLeft, this, [this] { m_listeFic.DernierIndex = -1; });
  connect(m_Button1, &QPushButton::clicked, this, [this] { InvertTicks(); });
  connect(m_CheckBox2, &QCheckBox::clicked, this, [this](bool on) { CheckAllClick(on); });
  connect(m_ComboBox1, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { PercentageChanged(text); });
  connect(m_btnSTOP, &QPushButton::clicked, this, [this] { m_stopFlag = true; });
  connect(m_btnListeInter, &QPushButton::clicked, this, [this] { ShowInterList(false); });
}

QMenu* TFormMain::AddMenu(QMenu* parent, const QString& name, const QString& caption) {
  QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
  menu->setObjectName(name);
  return menu;
}

QAction* TFormMain::AddItem(QMenu* menu, const QString& name, const QString& caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}

void TFormMain::BuildMenus() {
  menuBar()->setObjectName("MainMenu1");

  QMenu* fichier = AddMenu(nullptr, "Fichier1", "&Fichier");
  connect(AddItem(fichier, "Ouvrir", "&Ouvrir"), &QAction::triggered, this,
          [this] { OuvrirClick(); });
  connect(AddItem(fichier, "ChargerRp1", QString::fromUtf8("Charger Rép.")), &QAction::triggered,
          this, [this] { ChargerRp1Click(); });
  AddItem(fichier, "avi", "AVI");
  QMenu* save = AddMenu(fichier, "Sauvegarder1", "&Sauvegarder");
  connect(AddItem(save, "FITS1", "&FITS"), &QAction::triggered, this, [this] { SaveFitsClick(); });
  connect(AddItem(save, "BMP1", "&BMP"), &QAction::triggered, this, [this] { SaveBmpClick(); });
  connect(AddItem(save, "ORV1", "ORV"), &QAction::triggered, this, [this] { SaveOrvClick(); });
  save->addSeparator();
  connect(AddItem(save, "FITS2", "FITS ....."), &QAction::triggered, this,
          [this] { SaveSeries(SeriesKind::Fits); });
  connect(AddItem(save, "BMP2", "BMP......"), &QAction::triggered, this,
          [this] { SaveSeries(SeriesKind::Bmp); });
  connect(AddItem(save, "ORV2", "ORV......"), &QAction::triggered, this,
          [this] { SaveSeries(SeriesKind::Orv); });
  fichier->addSeparator();
  connect(AddItem(fichier, "Quitter", "&Quitter"), &QAction::triggered, this,
          [this] { QuitterClick(); });

  QMenu* traitement = AddMenu(nullptr, "raitement1", "&Traitement");
  AddItem(traitement, "BestOfsn", "BestOf (S/N)");
  AddItem(traitement, "BestOfMax1", "BestOf (Max)");
  AddItem(traitement, "SlectionManuelle1", "BestOf (Vis)");
  traitement->addSeparator();
  AddItem(traitement, "Dcoupage1", QString::fromUtf8("Découpage"));
  AddItem(traitement, "Retailler1", "&Aligner Liste");
  AddItem(traitement, "Additioner1", "A&dditionner Liste");
  AddItem(traitement, "Compositageautomatique1", "Composita&ge automatique");
  AddItem(traitement, "AdditionnerReductions1", "Compositer &Reductions");

  QMenu* special = AddMenu(nullptr, "Spcial1", "Special");
  AddItem(special, "Quad1", "QuadPx");
  AddItem(special, "Surface1", "Surface");
  AddItem(special, "SurfaceImage1", "Math Image");

  QMenu* debug = AddMenu(nullptr, "mask1", "DEBUG");
  AddItem(debug, "FFT1", QString::fromUtf8("FFT directe, partie réelle"));
  AddItem(debug, "FFTdirecteargument1", "FFT directe, module");
  AddItem(debug, "AutoCorrlation1", QString::fromUtf8("Auto Corrélation"));
  AddItem(debug, "InterCorrlation1", QString::fromUtf8("Inter Corrélation"));
  AddItem(debug, "SoustractionFond1", "Soustraction Fond");
  AddItem(debug, "DV01", "DVA");
  debug->menuAction()->setVisible(false);  // a development menu, never shown

  QMenu* inter = AddMenu(nullptr, "Interfromtrie1", QString::fromUtf8("Interférométrie"));
  QAction* fast =
      AddItem(inter, "InterferometryFastmeasurement1", "Interferometry Fast measurement");
  fast->setCheckable(true);
  connect(fast, &QAction::toggled, this, [this](bool on) {
    m_lblTipFastMeasurement->setVisible(on);
    RefreshGuidance();
  });
  inter->addSeparator();
  AddItem(inter, "AutocorrlationetSoustractionFond1", "AutoCorrelation");
  AddItem(inter, "InterCorrlationetSoustractionFond1", "Cross-Correlation");
  AddItem(inter, "PuissanceRfrence1", "Reference Power Spectrum");
  AddItem(inter, "PuissanceDouble1", "Target Power Spectrum");
  AddItem(inter, "DivisionetRetourSpatial1", "Result");
  AddItem(inter, "LibrairieInterfromtrie1", "Interferometry Folder");
  AddItem(inter, "ClosePair1", "Measure close pair");
  AddItem(inter, "SpeckleMask1", "Speckle Mask")->setVisible(false);
  inter->addSeparator();
  AddItem(inter, "EnhancedPowerSpectrum1", "Enhanced Power Spectrum")->setCheckable(true);

  QMenu* maths = AddMenu(nullptr, "Outils1", "Maths");
  for (const auto& [name, caption] :
       std::initializer_list<std::pair<const char*, const char*>>{{"Div1", "Div"},
                                                                  {"Mult1", "Mult"},
                                                                  {"LowPass1", "LowPass"},
                                                                  {"Conv1", "Conv"},
                                                                  {"supprPic1", "suppr Pic"},
                                                                  {"supprautour1", "suppr +1"},
                                                                  {"suppr21", "suppr +2"},
                                                                  {"fftd1", "test"}}) {
    AddItem(maths, name, caption);
  }
  maths->menuAction()->setVisible(false);  // a development menu, never shown

  QMenu* fenetre = AddMenu(nullptr, "Aide1", QString::fromUtf8("Fe&nêtre"));
  AddItem(fenetre, "CentroideMenuitem", QString::fromUtf8("R&éduction"));
  AddItem(fenetre, "Rapport1", "&Log");

  QMenu* options = AddMenu(nullptr, "Options1", "Options");
  QAction* swapV = AddItem(options, "SwapVert", "Swap Vertical (fits)");
  QAction* swapH = AddItem(options, "SwapHoriz", "Swap Horizontal (fits)");
  for (QAction* a : {swapV, swapH}) {
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this] { ReloadCurrent(); });
  }
  connect(AddItem(options, "ShowFITSHeader1", "FITS Header"), &QAction::triggered, this, [this] {
    m_workbench.frmFitsHeader->show();
    m_workbench.frmFitsHeader->raise();
  });
  QMenu* cursor = AddMenu(options, "Cursor1", "Cursor");
  m_cursorGroup = new QActionGroup(this);
  m_cursorGroup->setExclusive(true);
  const QStringList cursorNames = {"cu0",  "cu1",  "cu2",  "cu3",  "cur0", "cur1",
                                   "cur2", "cur3", "cub0", "cub1", "cub2", "cub3"};
  for (int slot = 0; slot < cursorNames.size(); ++slot) {
    QAction* a = AddItem(cursor, cursorNames[slot], QString());
    a->setCheckable(true);
    a->setIcon(QIcon(m_workbench.cursors.Picture(slot)));
    a->setIconVisibleInMenu(true);
    a->setToolTip(CursorSlots::SourceName(slot));
    m_cursorGroup->addAction(a);
    connect(a, &QAction::triggered, this, [this, slot] { SetCursorSlot(slot); });
  }
  cursor->setToolTipsVisible(true);
  m_cursorGroup->actions().first()->setChecked(true);
  QMenu* langage = AddMenu(options, "Langage1", "Langage");
  m_languageGroup = new QActionGroup(this);
  m_languageGroup->setExclusive(true);
  for (const auto& [name, caption, letter] :
       std::initializer_list<std::tuple<const char*, const char*, const char*>>{
           {"Franais1", "Français", "F"},
           {"English1", "English", "E"},
           {"Espanol1", "Español", "S"},
           {"Italian1", "Italiano", "I"}}) {
    QAction* a = AddItem(langage, name, QString::fromUtf8(caption));
    a->setCheckable(true);
    a->setData(QString(letter));
    m_languageGroup->addAction(a);
    const QString l(letter);
    connect(a, &QAction::triggered, this, [this, l] { SelectLanguage(l); });
  }
  QAction* menuInter =
      AddItem(options, "MenuInterfromtrie1", QString::fromUtf8("Menu Interférométrie"));
  menuInter->setCheckable(true);
  connect(menuInter, &QAction::toggled, this,
          [inter](bool on) { inter->menuAction()->setVisible(on); });
  inter->menuAction()->setVisible(false);

  QMenu* zoom = AddMenu(nullptr, "Zoom1", "&Zoom");
  const std::initializer_list<std::tuple<const char*, QKeySequence, std::function<void()>>>
      zoomItems = {
          {"ZoomIn1", QKeySequence::ZoomIn, [this] { m_zoom->Step(true); }},
          {"ZoomOut1", QKeySequence::ZoomOut, [this] { m_zoom->Step(false); }},
          {"ZoomFit1", QKeySequence(Qt::CTRL | Qt::Key_0), [this] { m_zoom->FitToPane(); }},
          {"Zoom1x1", QKeySequence(Qt::CTRL | Qt::Key_1), [this] { m_zoom->SetFactor(1); }},
          {"Zoom2x1", QKeySequence(Qt::CTRL | Qt::Key_2), [this] { m_zoom->SetFactor(2); }},
          {"Zoom4x1", QKeySequence(Qt::CTRL | Qt::Key_4), [this] { m_zoom->SetFactor(4); }},
          {"Zoom8x1", QKeySequence(Qt::CTRL | Qt::Key_8), [this] { m_zoom->SetFactor(8); }}};
  for (const auto& [name, keys, run] : zoomItems) {
    QAction* a = AddItem(zoom, name, QString());
    QList<QKeySequence> shortcuts{keys};
    // Ctrl with the key "=" (unshifted "+" on many keyboards) zooms in as well.
    if (QString(name) == "ZoomIn1") shortcuts << QKeySequence(Qt::CTRL | Qt::Key_Equal);
    a->setShortcuts(shortcuts);
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, run);
    if (QString(name) == "ZoomOut1") zoom->addSeparator();
  }
  for (const char* bar :
       {"ZoomOut1", "ZoomIn1", "ZoomFit1", "Zoom1x1", "Zoom2x1", "Zoom4x1", "Zoom8x1"}) {
    if (auto* button = findChild<QToolButton*>(QString(bar) + "Button")) {
      button->setDefaultAction(Action(bar));
    }
  }

  QMenu* apropos = AddMenu(nullptr, "Apropos1", "&?");
  QAction* aide2 = AddItem(apropos, "Aide2", "Aide");
  aide2->setShortcut(QKeySequence::HelpContents);
  aide2->setShortcutContext(Qt::WindowShortcut);
  connect(aide2, &QAction::triggered, this, [this] { Aide2Click(); });
  connect(AddItem(apropos, "About1", "About ..."), &QAction::triggered, this,
          [this] { m_workbench.frmAbout->open(); });

  // The popup menu of both threshold track bars.
  m_PopupMenu1 = new QMenu(this);
  m_PopupMenu1->setObjectName("PopupMenu1");
  AddItem(m_PopupMenu1, "MaxMin1", "Max:    Min:")->setEnabled(false);
  m_PopupMenu1->addSeparator();
  connect(AddItem(m_PopupMenu1, "Stretch1", "Max >>"), &QAction::triggered, this,
          [this] { Stretch1Click(); });
  connect(AddItem(m_PopupMenu1, "N9", "<< Max"), &QAction::triggered, this, [this] { N9Click(); });
  connect(AddItem(m_PopupMenu1, "N13", "|<-- Max"), &QAction::triggered, this,
          [this] { N13Click(); });
  m_PopupMenu1->addSeparator();
  connect(AddItem(m_PopupMenu1, "N10", "Min >>"), &QAction::triggered, this,
          [this] { N10Click(); });
  connect(AddItem(m_PopupMenu1, "N11", "<< Min"), &QAction::triggered, this,
          [this] { N11Click(); });
  connect(AddItem(m_PopupMenu1, "N12", "Min -->|"), &QAction::triggered, this,
          [this] { N12Click(); });
  for (QSlider* bar : {m_TrackBar1, m_TrackBar2}) {
    connect(bar, &QWidget::customContextMenuRequested, this,
            [this, bar](const QPoint& p) { m_PopupMenu1->popup(bar->mapToGlobal(p)); });
  }
}

// ---- Enabling and later commands -------------------------------------------------------------

void TFormMain::SetAllowed(QObject* object, bool allowed) {
  if (object == nullptr) return;
  m_allowed[object] = allowed;
  const bool on = allowed && !m_pending.contains(object);
  if (auto* menu = qobject_cast<QMenu*>(object)) {
    menu->menuAction()->setEnabled(on);
  } else if (auto* action = qobject_cast<QAction*>(object)) {
    action->setEnabled(on);
  } else if (auto* widget = qobject_cast<QWidget*>(object)) {
    widget->setEnabled(on);
  }
}

void TFormMain::SetAllowed(const QString& objectName, bool allowed) {
  SetAllowed(findChild<QObject*>(objectName), allowed);
}

QObject* TFormMain::CommandObject(MainCommand command) const {
  return findChild<QObject*>(CommandName(command));
}

void TFormMain::MarkBuilt(MainCommand command) {
  QObject* o = CommandObject(command);
  m_pending.remove(o);
  SetAllowed(o, m_allowed.value(o, true));
}

void TFormMain::InstallCommand(MainCommand command, std::function<void()> handler) {
  QObject* o = CommandObject(command);
  if (auto* action = qobject_cast<QAction*>(o)) {
    connect(action, &QAction::triggered, this, [handler] { handler(); });
  } else if (auto* button = qobject_cast<QAbstractButton*>(o)) {
    connect(button, &QAbstractButton::clicked, this, [handler] { handler(); });
  }
  MarkBuilt(command);
}

bool TFormMain::IsPending(MainCommand command) const {
  return m_pending.contains(CommandObject(command));
}

bool TFormMain::IsPending(const QString& objectName) const {
  QObject* o = findChild<QObject*>(objectName);
  return o != nullptr && m_pending.contains(o);
}

QAction* TFormMain::Action(const QString& objectName) const {
  return findChild<QAction*>(objectName);
}

QMenu* TFormMain::Menu(const QString& objectName) const {
  return findChild<QMenu*>(objectName);
}

QString TFormMain::QuadPxWeightText() const {
  return m_hQuadPx->text();
}

bool TFormMain::SubPixel() const {
  return m_SubPixellaire->isChecked();
}

void TFormMain::SetSubPixel(bool on) {
  m_SubPixellaire->setChecked(on);
}

bool TFormMain::EnhancedPowerSpectrum() const {
  return Action("EnhancedPowerSpectrum1")->isChecked();
}

// ---- Texts ----------------------------------------------------------------------------------

void TFormMain::ChangeLangue() {
  setWindowTitle("Orvek V4.6");
  const QString lang = Langue();
  const QString section = lang + "Main";
  auto text = [&](const char* key) { return SettingText(section, key); };
  Menu("Aide1")->setTitle(text("m1"));
  Menu("Apropos1")->setTitle(text("m2"));
  Action("CentroideMenuitem")->setText(text("m3"));
  Menu("Fichier1")->setTitle(text("m4"));
  Action("Ouvrir")->setText(text("m5"));
  Action("ChargerRp1")->setText(text("m51"));
  Menu("Sauvegarder1")->setTitle(text("Sauvegarder1"));
  Action("Quitter")->setText(text("m6"));
  Menu("Langage1")->setTitle(text("m7"));
  Menu("Spcial1")->setTitle(text("m8"));
  Menu("Options1")->setTitle(text("m9"));
  Menu("raitement1")->setTitle(text("raitement1"));
  for (const char* key : {"Dcoupage1", "Retailler1", "Additioner1", "Compositageautomatique1",
                          "AdditionnerReductions1"}) {
    Action(key)->setText(text(key));
  }
  m_Cadrage->setTitle(text("r1"));
  m_CadrageManuel->setText(text("r10"));
  m_CadrageAuto->setText(text("r11"));
  m_messages.clear();
  for (const char* key : {"msgExtInc", "msgRef", "msgWng", "msgErrSurface"}) {
    m_messages.insert(key, text(key));
  }
  Action("Aide2")->setText(text("aide2"));
  Menu("Interfromtrie1")->setTitle(text("Interfromtrie1"));
  Action("MenuInterfromtrie1")->setText(text("MenuInterfromtrie1"));
  Action("ClosePair1")->setText(text("ClosePair1"));
  m_lblTipFastMeasurement->setText(text("lblTipFastMeasurement"));
  for (QAction* a : m_languageGroup->actions()) a->setChecked(a->data().toString() == lang);
  ChangeLangueExtra();
  RefreshSelection();
}

void TFormMain::SelectLanguage(const QString& letter) {
  SetLangue(letter);
  m_workbench.ChangeLangueAll();
}

// ---- Options --------------------------------------------------------------------------------

MainWindowParams TFormMain::MainParams() const {
  MainWindowParams p;
  p.fitsSwapV = Action("SwapVert")->isChecked();
  p.fitsSwapH = Action("SwapHoriz")->isChecked();
  p.menuInterferometry = Action("MenuInterfromtrie1")->isChecked();
  p.halfSize = m_HScroll1->value();
  return p;
}

void TFormMain::ApplyMainParams(const MainWindowParams& params) {
  Action("SwapVert")->setChecked(params.fitsSwapV);
  Action("SwapHoriz")->setChecked(params.fitsSwapH);
  Action("MenuInterfromtrie1")->setChecked(params.menuInterferometry);
  Menu("Interfromtrie1")->menuAction()->setVisible(params.menuInterferometry);
  SetHalfSize(params.halfSize);
}

FitsOptions TFormMain::CurrentFitsOptions() const {
  FitsOptions f;
  f.swapVert = Action("SwapVert")->isChecked();
  f.swapHoriz = Action("SwapHoriz")->isChecked();
  return f;
}

void TFormMain::SetCursorSlot(int slot) {
  if (slot < 0 || slot >= CursorSlots::kCount) return;
  m_cursorSlot = slot;
  const auto& cursor = m_workbench.cursors.Cursor(slot);
  m_Image1->setCursor(cursor ? *cursor : QCursor(Qt::ArrowCursor));
  const QList<QAction*> items = m_cursorGroup->actions();
  if (slot < items.size()) items[slot]->setChecked(true);
}

QString TFormMain::HelpPage() {
  const QString lang = SettingText("Langage", "Langue", "F");
  QString page = "tutorial";
  if (lang == "F")
    page = "tutoriel";
  else if (lang == "S")
    page = "manual";
  else if (lang == "I")
    page = "Tutoriit";
  return QString::fromStdString(ResourceFolder()) + page + ".htm";
}

void TFormMain::Aide2Click() {
  OpenHelpPage(m_workbench, HelpPage());
}

// ---- Showing and closing --------------------------------------------------------------------

void TFormMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!m_firstShow) return;
  m_firstShow = false;
  setWindowTitle("Orvek V4.6");
  m_mat = OMat();
  if (m_workbench.frmInfosLog) m_workbench.frmInfosLog->SetLogsSaved(true);
  m_listeFic.Dossier.clear();
}

void TFormMain::closeEvent(QCloseEvent* event) {
  bool allowed = true;
  if (m_workbench.frmInfosLog && !m_workbench.frmInfosLog->LogsSaved()) {
    allowed = m_workbench.prompter.AskYesNo(MessageText("msgWng"));
  }
  // The parameters are written whether or not the close goes ahead.
  if (m_workbench.formCentroid) {
    const Status saved = m_workbench.formCentroid->SauveParams();
    if (!saved) m_workbench.prompter.Error(Worded(saved));
  }
  if (!allowed) {
    event->ignore();
    return;
  }
  event->accept();
  emit Closed();
}

QStringList TFormMain::QuitFolders() {
  return {"temps", "tempc", "temp", "tempv", "tempf", "tempr"};
}

bool TFormMain::QuitterClick() {
  const bool closed = close();
  // The working folders hold composites, crops and interferometry results that the list and
  // the display may still show: they are emptied only when the program really ends.
  if (!closed) return false;
  const QString home = QString::fromStdString(WorkingFolder());
  for (const QString& name : QuitFolders()) {
    ClearFolder((home + name + "/").toStdString(), "*.*");
  }
  for (const QString& name : QuitFolders()) {
    QDir().rmdir(home + name);  // stays when it still holds something
  }
  return true;
}

}  // namespace orvek
