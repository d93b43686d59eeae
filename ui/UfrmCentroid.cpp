#include "ui/UfrmCentroid.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

#include "core/ObsTime.h"
#include "core/Utils.h"
#include "measure/Observation.h"
#include "ui/CalibrationBookWindow.h"
#include "ui/Controls.h"
#include "ui/KnownPairForm.h"
#include "ui/Langue.h"
#include "ui/MeasurePlot.h"
#include "ui/Prompter.h"
#include "ui/ReductionGrid.h"
#include "ui/UfrmCam.h"
#include "ui/UfrmInfosLog.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"
#include "wording/ReductionWords.h"
#include "wording/Wording.h"

namespace orvek {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

/// The labels beside the calibration, result and dispersion fields. The form shows "D=",
/// "q=", "E=", "r=", "s=" and "dM" in the Symbol font, which maps Latin letters to Greek
/// ones; that mapping exists only on Windows, so the Greek letters are written directly.
QLabel* GreekLabel(const char* name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  QFont f = label->font();
  f.setPointSizeF(f.pointSizeF() * 1.15);
  f.setBold(true);
  label->setFont(f);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

QFrame* Panel(QWidget* parent) {
  auto* frame = new QFrame(parent);
  frame->setFrameShape(QFrame::StyledPanel);
  frame->setFrameShadow(QFrame::Raised);
  return frame;
}

/// The smallest free screen area the table window is placed in: 1366 x 768 less a task bar.
constexpr QSize kSmallestPlaced(1366, 700);

QTableView* MakeGrid(const char* name, QWidget* parent) {
  auto* grid = new QTableView(parent);
  grid->setObjectName(name);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  // A compact font, so that positions such as 1234.567 fit the narrow columns of the grids.
  QFont font = grid->font();
  font.setPointSizeF(std::min(font.pointSizeF(), 7.5));
  grid->setFont(font);
  grid->horizontalHeader()->setFont(font);
  grid->setTextElideMode(Qt::ElideMiddle);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 6);
  grid->horizontalHeader()->setHighlightSections(false);
  grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  grid->horizontalHeader()->setMinimumSectionSize(16);
  grid->setWordWrap(false);
  grid->setContextMenuPolicy(Qt::CustomContextMenu);
  return grid;
}

}  // namespace

TformCentroid::TformCentroid(Workbench& workbench)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint),
      m_workbench(workbench),
      m_table(SettingsPath()) {
  setObjectName("TformCentroid");
  setWindowTitle(QString::fromUtf8("Réduction"));
  BuildControls();
  BuildMenus();
  // Creation order: texts, cameras, the stored camera, the stored parameters (the main
  // window's options among them), an empty table.
  ChangeLangue();
  const MainWindowParams params = m_table.Initialise();
  if (m_workbench.FormMain) m_workbench.FormMain->ApplyMainParams(params);
  // The first computation (RAZ, last of the creation order) names the window.
  setWindowTitle(Q(m_table.Caption()));
  m_shownCaption = m_table.Caption();
  UpdateView();
  resize(900, 500);
}

TformCentroid::~TformCentroid() {
  // The plot reads the table.
  m_plotWindow.reset();
  // The controls' last signals (focus leaving a field) must not reach the handlers.
  for (QObject* child : findChildren<QObject*>())
    QObject::disconnect(child, nullptr, this, nullptr);
  // The grids read the table, which goes before QWidget deletes its children.
  delete m_StringGrid1;
  delete m_StringGrid2;
  delete m_rawModel;
  delete m_resultModel;
}

// ---- Construction ---------------------------------------------------------------------------

QLineEdit* TformCentroid::AddField(const char* name, ReductionField field, bool editable,
                                   int width) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(name);
  edit->setFixedWidth(width);
  edit->setAlignment(Qt::AlignRight);
  if (editable) {
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this,
            [this, field](const QString& text) { EditField(field, text); });
  } else {
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);
  }
  m_fields.emplace_back(field, edit);
  return edit;
}

void TformCentroid::BuildControls() {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(6, 6, 6, 6);
  outer->setSpacing(6);
  m_MainMenu1 = new QMenuBar(this);
  m_MainMenu1->setObjectName("MainMenu1");
  outer->setMenuBar(m_MainMenu1);

  auto* columns = new QHBoxLayout;
  columns->setSpacing(6);
  outer->addLayout(columns, 1);

  // Left: the tabs and the two grids.
  auto* left = new QVBoxLayout;
  left->setSpacing(0);
  m_TabControl1 = new QTabBar(this);
  m_TabControl1->setObjectName("TabControl1");
  m_TabControl1->addTab("Brutes");
  m_TabControl1->addTab(QString::fromUtf8("Réduites"));
  m_TabControl1->setDrawBase(false);
  m_TabControl1->setExpanding(false);
  left->addWidget(m_TabControl1);
  m_StringGrid1 = MakeGrid("StringGrid1", this);
  m_StringGrid2 = MakeGrid("StringGrid2", this);
  m_StringGrid1->setEditTriggers(QAbstractItemView::DoubleClicked |
                                 QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::AnyKeyPressed);
  m_StringGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_rawModel = new ReductionGridModel(
      [this]() -> const ReductionGridModel::Rows& { return m_table.RawRows(); }, kRawColumnCount,
      this);
  m_rawModel->SetEditor([this](int row, int col, const std::string& text) {
    return m_table.SetCell(row, col, text);
  });
  m_resultModel = new ReductionGridModel(
      [this]() -> const ReductionGridModel::Rows& { return m_table.ResultRows(); },
      kResultColumnCount, this);
  m_StringGrid1->setModel(m_rawModel);
  // Both grids write their cells' text 2 pixels right of and below the corner.
  m_StringGrid1->setItemDelegate(
      new ResidualCellPainter([](int, int) { return std::optional<CellColour>(); }, m_StringGrid1));
  m_StringGrid2->setModel(m_resultModel);
  m_StringGrid2->setItemDelegate(new ResidualCellPainter(
      [this](int row, int col) { return m_table.ResidualColour(row, col); }, m_StringGrid2));
  for (int c = 0; c < kRawColumnCount; ++c) m_StringGrid1->setColumnWidth(c, kRawWidths[c]);
  for (int c = 0; c < kResultColumnCount; ++c) m_StringGrid2->setColumnWidth(c, kResultWidths[c]);
  left->addWidget(m_StringGrid1, 1);
  left->addWidget(m_StringGrid2, 1);
  columns->addLayout(left, 1);

  for (QTableView* grid : {m_StringGrid1, m_StringGrid2}) {
    // A row chosen by the user (mouse or keyboard) recalls its image; the window's own
    // selection changes do not.
    connect(grid, &QTableView::clicked, this, [this](const QModelIndex& index) {
      if (!m_moving && index.isValid()) RecallFrame(index.row() + 1);
    });
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, grid](const QModelIndex& current, const QModelIndex&) {
              if (m_moving || m_updating || !current.isValid()) return;
              if (QApplication::mouseButtons() != Qt::NoButton || !grid->hasFocus()) return;
              RecallFrame(current.row() + 1);
            });
    connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint& p) {
      m_PopupMenu1->popup(grid->viewport()->mapToGlobal(p));
    });
  }
  connect(m_TabControl1, &QTabBar::currentChanged, this, [this](int tab) {
    if (!m_updating) SelectTab(tab);
  });

  // Right: calibration, results, mode, camera, read-out.
  auto* right = new QVBoxLayout;
  right->setSpacing(6);
  columns->addLayout(right);

  // Orientation compass.
  auto* compass = Panel(this);
  auto* compassLayout = new QGridLayout(compass);
  compassLayout->setContentsMargins(6, 4, 6, 4);
  compassLayout->setSpacing(2);
  m_lblPre = new QLabel("Pre-orientation", compass);
  m_lblPre->setObjectName("Label13");
  m_lblPre->setAlignment(Qt::AlignCenter);
  auto compassButton = [compass](const char* name, const char* text) {
    auto* b = new QPushButton(text, compass);
    b->setObjectName(name);
    b->setFixedSize(32, 26);
    QFont f = b->font();
    f.setBold(true);
    b->setFont(f);
    return b;
  };
  m_Button1 = compassButton("Button1", "N");
  m_Button4 = compassButton("Button4", "S");
  m_Button2 = compassButton("Button2", "E");
  m_Button3 = compassButton("Button3", "W");
  compassLayout->addWidget(m_lblPre, 0, 0, 1, 3);
  compassLayout->addWidget(m_Button1, 1, 1, Qt::AlignCenter);
  compassLayout->addWidget(m_Button2, 2, 0, Qt::AlignCenter);
  compassLayout->addWidget(m_Button3, 2, 2, Qt::AlignCenter);
  compassLayout->addWidget(m_Button4, 3, 1, Qt::AlignCenter);
  auto* rose = new QLabel(QString::fromUtf8("✛"), compass);
  rose->setAlignment(Qt::AlignCenter);
  rose->setStyleSheet("QLabel { color: #808080; }");
  compassLayout->addWidget(rose, 2, 1, Qt::AlignCenter);
  connect(m_Button1, &QPushButton::clicked, this, [this] { ToggleNS(); });
  connect(m_Button4, &QPushButton::clicked, this, [this] { ToggleNS(); });
  connect(m_Button2, &QPushButton::clicked, this, [this] { ToggleEW(); });
  connect(m_Button3, &QPushButton::clicked, this, [this] { ToggleEW(); });

  // Mode.
  m_option1 = new QGroupBox(this);
  m_option1->setObjectName("option1");
  auto* modeLayout = new QVBoxLayout(m_option1);
  modeLayout->setContentsMargins(8, 4, 8, 4);
  m_optionGroup = new QButtonGroup(m_option1);
  const char* modes[2] = {"Etalonnage", "Mesure"};
  for (int i = 0; i < 2; ++i) {
    m_option1Items[i] = new QRadioButton(modes[i], m_option1);
    m_option1Items[i]->setObjectName(QString("option1_%1").arg(i));
    m_optionGroup->addButton(m_option1Items[i], i);
    modeLayout->addWidget(m_option1Items[i]);
  }
  m_option1Items[1]->setChecked(true);
  connect(m_optionGroup, &QButtonGroup::idClicked, this,
          [this](int id) { SetMode(id == 0 ? ReductionMode::Etalonnage : ReductionMode::Mesure); });

  auto* top = new QHBoxLayout;
  top->setSpacing(6);
  top->addWidget(compass);
  top->addWidget(m_option1, 1);
  right->addLayout(top);

  // Calibration and results.
  auto* values = Panel(this);
  auto* grid = new QGridLayout(values);
  grid->setContentsMargins(8, 6, 8, 6);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  const int w = 78;
  m_txtDelta = AddField("txtDelta", ReductionField::txtDelta, true, w);
  m_txtEps = AddField("txtEps", ReductionField::txtEps, true, w);
  m_txtTheta = AddField("txtTheta", ReductionField::txtTheta, true, w);
  m_txtRho = AddField("txtRho", ReductionField::txtRho, true, w);
  QLineEdit* sigTh = AddField("sigTh", ReductionField::sigTh, false, w);
  QLineEdit* sigRh = AddField("sigRh", ReductionField::sigRh, false, w);
  QLineEdit* txtDm = AddField("txtDm", ReductionField::txtDm, false, w);
  grid->addWidget(GreekLabel("lblDelta", QString::fromUtf8("Δ="), values), 0, 0);
  grid->addWidget(m_txtDelta, 0, 1);
  grid->addWidget(GreekLabel("lblEps", QString::fromUtf8("ε="), values), 0, 2);
  grid->addWidget(m_txtEps, 0, 3);
  grid->addWidget(GreekLabel("lblTheta", QString::fromUtf8("θ="), values), 1, 0);
  grid->addWidget(m_txtTheta, 1, 1);
  grid->addWidget(GreekLabel("lblSigTh", QString::fromUtf8("σ="), values), 1, 2);
  grid->addWidget(sigTh, 1, 3);
  grid->addWidget(GreekLabel("lblRho", QString::fromUtf8("ρ="), values), 2, 0);
  grid->addWidget(m_txtRho, 2, 1);
  grid->addWidget(GreekLabel("lblSigRh", QString::fromUtf8("σ="), values), 2, 2);
  grid->addWidget(sigRh, 2, 3);
  // Beside the dispersions: the standard errors of the means; below: the row's time.
  auto readOut = [values](const char* name, int width) {
    auto* edit = new QLineEdit(values);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setFixedWidth(width);
    return edit;
  };
  m_semTh = readOut("semTh", w);
  m_semRh = readOut("semRh", w);
  m_rowTime = readOut("rowTime", 2 * w + 80);
  for (int i = 0; i < 2; ++i) {
    m_lblSem[i] = new QLabel(values);
    m_lblSem[i]->setObjectName(i == 0 ? "lblSemTh" : "lblSemRh");
    grid->addWidget(m_lblSem[i], i + 1, 4);
  }
  grid->addWidget(m_semTh, 1, 5);
  grid->addWidget(m_semRh, 2, 5);
  m_lblRowTime = new QLabel(values);
  m_lblRowTime->setObjectName("lblRowTime");
  grid->addWidget(m_lblRowTime, 4, 0);
  grid->addWidget(m_rowTime, 4, 1, 1, 5, Qt::AlignLeft);
  grid->addWidget(GreekLabel("lblDm", QString::fromUtf8("ΔM"), values), 3, 0);
  grid->addWidget(txtDm, 3, 1);
  m_Bin2x = new QCheckBox("2x Binning", values);
  m_Bin2x->setObjectName("Bin2x");
  grid->addWidget(m_Bin2x, 3, 2, 1, 2, Qt::AlignRight);
  connect(m_Bin2x, &QCheckBox::clicked, this, [this](bool on) { SetBinning(on); });
  grid->setColumnStretch(6, 1);
  right->addWidget(values);

  // Camera.
  auto* camera = Panel(this);
  auto* camLayout = new QGridLayout(camera);
  camLayout->setContentsMargins(8, 6, 8, 6);
  camLayout->setHorizontalSpacing(6);
  m_L5 = new QLabel(QString::fromUtf8("Caméra"), camera);
  m_L5->setObjectName("L5");
  m_ComboBox1 = new QComboBox(camera);
  m_ComboBox1->setObjectName("ComboBox1");
  m_ComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  m_ComboBox1->setMinimumContentsLength(18);
  m_Button5 = new QPushButton("...", camera);
  m_Button5->setObjectName("Button5");
  m_Button5->setFixedWidth(32);
  m_L15 = new QLabel("Pixels   (L x H) ", camera);
  m_L15->setObjectName("L15");
  m_LPix = AddField("LPix", ReductionField::LPix, true, 56);
  m_HPix = AddField("HPix", ReductionField::HPix, true, 56);
  camLayout->addWidget(m_L5, 0, 0);
  camLayout->addWidget(m_ComboBox1, 0, 1, 1, 3);
  camLayout->addWidget(m_Button5, 0, 4);
  camLayout->addWidget(m_L15, 1, 0);
  camLayout->addWidget(m_LPix, 1, 1);
  camLayout->addWidget(new QLabel("x", camera), 1, 2, Qt::AlignCenter);
  camLayout->addWidget(m_HPix, 1, 3, Qt::AlignLeft);
  camLayout->setColumnStretch(3, 1);
  connect(m_ComboBox1, &QComboBox::activated, this, [this](int index) { SelectCamera(index); });
  connect(m_Button5, &QPushButton::clicked, this, [this] { EditCameras(); });
  right->addWidget(camera);

  // The current measurement of the main window.
  auto* readout = Panel(this);
  auto* roLayout = new QGridLayout(readout);
  roLayout->setContentsMargins(8, 6, 8, 6);
  roLayout->setHorizontalSpacing(6);
  const char* names[4] = {"CentroidX", "CentroidY", "CentroidI", "CentroidN"};
  const ReductionField readFields[4] = {ReductionField::CentroidX, ReductionField::CentroidY,
                                        ReductionField::CentroidI, ReductionField::CentroidN};
  const char* captions[4] = {"X", "Y", "I", "N"};
  for (int i = 0; i < 4; ++i) {
    QLineEdit* e = AddField(names[i], readFields[i], false, 70);
    auto* l = new QLabel(captions[i], readout);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    roLayout->addWidget(l, i / 2, (i % 2) * 2);
    roLayout->addWidget(e, i / 2, (i % 2) * 2 + 1);
  }
  roLayout->setColumnStretch(4, 1);
  right->addWidget(readout);

  // Hidden rejection factor.
  QLineEdit* factor = AddField("FacteurRejet", ReductionField::FacteurRejet, false, 40);
  factor->hide();

  right->addStretch(1);
  m_CheckBox1 = new QCheckBox("Always on top", this);
  m_CheckBox1->setObjectName("CheckBox1");
  m_CheckBox1->setChecked(true);
  connect(m_CheckBox1, &QCheckBox::clicked, this, [this](bool on) { SetAlwaysOnTop(on); });
  right->addWidget(m_CheckBox1);

  // Disabled fields still show values the user reads (the means): keep their text dark.
  for (QLineEdit* e : {m_txtDelta, m_txtEps, m_txtTheta, m_txtRho})
    e->setStyleSheet("QLineEdit:disabled { color: #202020; background: #ececec; }");
}

void TformCentroid::BuildMenus() {
  m_AjouterauLog1 = m_MainMenu1->addAction("Ajouter au &Log");
  m_AjouterauLog1->setObjectName("AjouterauLog1");
  connect(m_AjouterauLog1, &QAction::triggered, this, [this] { AjouterAuLog(); });
  m_Effacer1 = m_MainMenu1->addAction("&Effacer");
  m_Effacer1->setObjectName("Effacer1");
  connect(m_Effacer1, &QAction::triggered, this, [this] { Effacer(); });
  m_Trier1 = m_MainMenu1->addMenu("&Trier");
  m_Trier1->setObjectName("Trier1");
  const char* sortNames[5] = {"Theta1", "Rho1", "DeltaMasc1", "RsidusTheta1", "RsidusRho1"};
  const QString sortCaptions[5] = {"Theta", "Rho", "Delta M (asc)",
                                   QString::fromUtf8("RésidusTheta"),
                                   QString::fromUtf8("Résidus Rho")};
  for (int c = 0; c < 5; ++c) {
    QMenu* sub = m_Trier1->addMenu(sortCaptions[c]);
    sub->setObjectName(sortNames[c]);
    QAction* asc = sub->addAction("Ascendant");
    asc->setObjectName(QString(sortNames[c]) + "Asc");
    QAction* dsc = sub->addAction("Descendant");
    dsc->setObjectName(QString(sortNames[c]) + "Dsc");
    connect(asc, &QAction::triggered, this, [this, c] { SortGrid(c, false); });
    connect(dsc, &QAction::triggered, this, [this, c] { SortGrid(c, true); });
    m_sortMenus << sub;
    m_ascending << asc;
    m_descending << dsc;
  }
  m_Rejets1 = m_MainMenu1->addAction("Rejets");
  m_Rejets1->setObjectName("Rejets1");
  connect(m_Rejets1, &QAction::triggered, this, [this] { RejectOutliers(); });

  m_Publication1 = m_MainMenu1->addMenu("&Publication");
  m_Publication1->setObjectName("Publication1");
  m_CoupleConnu1 = m_Publication1->addAction("Couple &connu...");
  m_CoupleConnu1->setObjectName("CoupleConnu1");
  connect(m_CoupleConnu1, &QAction::triggered, this, [this] { OpenKnownPair(); });
  m_CarnetEtalonnage1 = m_Publication1->addAction(QString::fromUtf8("Carnet d'é&talonnage..."));
  m_CarnetEtalonnage1->setObjectName("CarnetEtalonnage1");
  connect(m_CarnetEtalonnage1, &QAction::triggered, this, [this] { OpenCalibrationBook(); });
  m_InscrireCarnet1 = m_Publication1->addAction("&Inscrire au carnet");
  m_InscrireCarnet1->setObjectName("InscrireCarnet1");
  connect(m_InscrireCarnet1, &QAction::triggered, this, [this] { EnterInBook(); });
  m_Graphique1 = m_Publication1->addAction(QString::fromUtf8("&Graphique thêta et rho..."));
  m_Graphique1->setObjectName("Graphique1");
  connect(m_Graphique1, &QAction::triggered, this, [this] { OpenPlot(); });

  m_PopupMenu1 = new QMenu(this);
  m_PopupMenu1->setObjectName("PopupMenu1");
  m_Supprimerlaligne1 = m_PopupMenu1->addAction("Supprimer la ligne");
  m_Supprimerlaligne1->setObjectName("Supprimerlaligne1");
  m_Supprimerapartirdici1 = m_PopupMenu1->addAction(QString::fromUtf8("Supprimer à partir d'ici"));
  m_Supprimerapartirdici1->setObjectName("Supprimerapartirdici1");
  connect(m_Supprimerlaligne1, &QAction::triggered, this,
          [this] { DeleteRow(CurrentGridRow(), true); });
  connect(m_Supprimerapartirdici1, &QAction::triggered, this,
          [this] { CutFrom(CurrentGridRow()); });
}

// ---- Texts ----------------------------------------------------------------------------------

void TformCentroid::ChangeLangue() {
  auto text = [](const char* key) { return LangText("Reduction", key); };
  setWindowTitle(text("tTIT"));
  m_questionDDL = text("dDL");
  m_AjouterauLog1->setText(text("mAL"));
  m_Effacer1->setText(text("mEF"));
  m_Trier1->setTitle(text("mTR"));
  m_sortMenus[2]->setTitle(text("mTRDM"));
  m_sortMenus[3]->setTitle(text("mTRRT"));
  m_sortMenus[4]->setTitle(text("mTRRR"));
  for (QAction* a : m_ascending) a->setText(text("asc"));
  for (QAction* a : m_descending) a->setText(text("dsc"));
  m_Rejets1->setText(text("rejection"));
  m_lblPre->setText(text("mPRE"));
  m_Supprimerlaligne1->setText(text("pSL"));
  m_Supprimerapartirdici1->setText(text("pSI"));
  m_L5->setText(text("L5"));
  m_L15->setText(text("L15"));
  m_option1Items[0]->setText(text("O1_0"));
  m_option1Items[1]->setText(text("O1_1"));
  m_TabControl1->setTabText(0, text("TC1_0"));
  m_TabControl1->setTabText(1, text("TC1_1"));
  for (QLabel* l : m_lblSem) l->setText(LangText("Publish", "seLabel"));
  m_lblRowTime->setText(LangText("Publish", "rowTime"));
  m_Publication1->setTitle(LangText("Publish", "mPUB"));
  m_CoupleConnu1->setText(LangText("Publish", "mKP"));
  m_CarnetEtalonnage1->setText(LangText("Publish", "mBOOK"));
  m_InscrireCarnet1->setText(LangText("Publish", "mENTER"));
  m_Graphique1->setText(LangText("Publish", "mPLOT"));
  if (m_bookWindow != nullptr) m_bookWindow->ChangeLangue();
  if (m_plotWindow) m_plotWindow->ChangeLangue();
  if (m_knownPairForm != nullptr) {
    m_knownPairForm->ChangeLangue();
    m_knownPairWindow->setWindowTitle(LangText("Publish", "kpTIT"));
  }
}

// ---- Showing the model ------------------------------------------------------------------------

RecomputeResult TformCentroid::Apply(const RecomputeResult& result) {
  if (result.ran) {
    // A computation sets the caption, even when it writes the same one again.
    setWindowTitle(Q(m_table.Caption()));
    m_shownCaption = m_table.Caption();
  }
  UpdateView();
  if (!result.status) m_workbench.prompter.Error(Worded(result.status));
  return result;
}

void TformCentroid::ShowFields() {
  for (auto& [field, edit] : m_fields) {
    const QString text = Q(m_table.Field(field));
    if (edit->text() != text) {
      const bool focused = edit->hasFocus();
      const int cursor = edit->cursorPosition();
      edit->setText(text);
      if (focused) edit->setCursorPosition(std::min<int>(cursor, text.size()));
    }
    if (edit->isReadOnly()) FitReadOut(edit);
  }
}

void TformCentroid::ShowObservation() {
  QString semTh, semRh, when;
  const Result<std::vector<MeasuredPair>> pairs = m_table.Pairs();
  const Result<Reduction> reduction = m_table.ComputeReduction();
  if (pairs && reduction && !pairs->empty()) {
    const Result<std::vector<ObservedRow>> rows = ObservedRows(*pairs, *reduction);
    const Result<ObservationSummary> s =
        rows ? Summarize(*rows) : Result<ObservationSummary>(Unexpected(rows.error()));
    // To the decimals of the dispersions beside them.
    if (s && s->all.thetaSemDeg) semTh = QString::number(*s->all.thetaSemDeg, 'f', 2);
    if (s && s->all.rhoSemArcsec) semRh = QString::number(*s->all.rhoSemArcsec, 'f', 3);
  }
  const int row = m_table.CurrentRow() >= 1 ? m_table.CurrentRow() : m_table.DataRows();
  if (const std::optional<FrameTime> t = m_table.RowTime(row)) {
    when = QString::fromStdString(FormatIsoTime(t->utc)) + " UTC";
    if (const Result<double> epoch = BesselianEpoch(t->utc))
      when += QString("  B%1").arg(*epoch, 0, 'f', 4);
  }
  m_semTh->setText(semTh);
  m_semRh->setText(semRh);
  m_rowTime->setText(when);
}

void TformCentroid::FitReadOut(QLineEdit* edit) {
  // The text, the frame and the line edit's own margins of 2 pixels a side, and room for
  // the cursor; the field only grows, so that it does not jump from one measurement to
  // the next.
  const QMargins m = edit->textMargins();
  const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
  const int needed = edit->fontMetrics().horizontalAdvance(edit->text()) + m.left() + m.right() +
                     2 * frame + 2 * 2 + 4;
  if (needed > edit->width()) edit->setFixedWidth(needed);
}

void TformCentroid::ShowCameras() {
  std::vector<std::string> names;
  for (const rTableauCam& cam : m_table.Cameras()) names.push_back(cam.Name);
  if (names != m_cameraNames || m_ComboBox1->count() != static_cast<int>(names.size())) {
    m_ComboBox1->clear();
    for (const std::string& n : names) m_ComboBox1->addItem(Q(n));
    m_cameraNames = names;
  }
  m_ComboBox1->setCurrentIndex(m_table.CameraIndex());
}

void TformCentroid::UpdateView() {
  m_updating = true;
  if (m_table.Caption() != m_shownCaption) {
    setWindowTitle(Q(m_table.Caption()));
    m_shownCaption = m_table.Caption();
  }
  ShowFields();
  ShowObservation();
  const bool measuring = m_table.Mode() == ReductionMode::Mesure;
  m_option1Items[measuring ? 1 : 0]->setChecked(true);
  m_txtDelta->setEnabled(m_table.CalibrationFieldsEnabled());
  m_txtEps->setEnabled(m_table.CalibrationFieldsEnabled());
  m_txtTheta->setEnabled(m_table.KnownValueFieldsEnabled());
  m_txtRho->setEnabled(m_table.KnownValueFieldsEnabled());
  m_Button1->setText(Q(m_table.Button1()));
  m_Button4->setText(Q(m_table.Button4()));
  m_Button2->setText(Q(m_table.Button2()));
  m_Button3->setText(Q(m_table.Button3()));
  m_Bin2x->setChecked(m_table.Bin2x());
  m_CoupleConnu1->setEnabled(!measuring);
  m_InscrireCarnet1->setEnabled(!measuring);
  ShowCameras();

  m_moving = true;
  m_rawModel->Reload();
  m_resultModel->Reload();
  m_TabControl1->setCurrentIndex(m_table.Tab());
  m_StringGrid1->setVisible(m_table.RawGridVisible());
  m_StringGrid2->setVisible(m_table.ResultsGridVisible());
  SelectGridRow(m_table.CurrentRow());
  m_moving = false;
  m_updating = false;
  if (m_plotWindow && m_plotWindow->isVisible()) m_plotWindow->Refresh();
}

void TformCentroid::SelectGridRow(int row) {
  const bool moving = m_moving;
  m_moving = true;
  for (QTableView* grid : {m_StringGrid1, m_StringGrid2}) {
    const int r = row - 1;
    if (r >= 0 && r < grid->model()->rowCount()) {
      const int col = std::max(0, grid->currentIndex().column());
      grid->setCurrentIndex(grid->model()->index(r, col));
      grid->selectRow(r);
    } else {
      grid->clearSelection();
    }
  }
  m_moving = moving;
}

QRect PlaceTableWindow(const QRect& mainFrame, const QRect& image, const QRect& available,
                       const QSize& wanted, const QSize& minimum) {
  const QSize size = wanted.boundedTo(available.size());
  auto clampY = [&](int y, int h) {
    return std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - h));
  };
  auto clampX = [&](int x, int w) {
    return std::clamp(x, available.left(), std::max(available.left(), available.right() + 1 - w));
  };
  // Beside the main window, when the screen has room on one side.
  if (mainFrame.right() + size.width() <= available.right())
    return QRect(QPoint(mainFrame.right() + 1, clampY(mainFrame.top(), size.height())), size);
  if (mainFrame.left() - size.width() >= available.left())
    return QRect(QPoint(mainFrame.left() - size.width(), clampY(mainFrame.top(), size.height())),
                 size);
  // Over the main window, in the largest part of the screen the image leaves free.
  const QRect clear = image.intersected(available);
  // The free parts right of, left of, below and above the image.
  const QRect rooms[] = {
      QRect(QPoint(clear.right() + 1, available.top()), available.bottomRight()),
      QRect(available.topLeft(), QPoint(clear.left() - 1, available.bottom())),
      QRect(QPoint(available.left(), clear.bottom() + 1), available.bottomRight()),
      QRect(available.topLeft(), QPoint(available.right(), clear.top() - 1)),
  };
  QRect best;
  long long bestArea = 0;
  for (int side = 0; side < 4; ++side) {
    const QRect& room = rooms[side];
    const QSize fits = size.boundedTo(room.size());
    if (!room.isValid() || fits.width() < minimum.width() || fits.height() < minimum.height())
      continue;
    const long long area = static_cast<long long>(fits.width()) * fits.height();
    if (area <= bestArea) continue;
    bestArea = area;
    // Against the screen's edge, away from the image, and level with the main window.
    int x = clampX(mainFrame.left(), fits.width());
    int y = clampY(mainFrame.top(), fits.height());
    if (side == 0) x = room.right() + 1 - fits.width();
    if (side == 1) x = room.left();
    if (side == 2) y = room.bottom() + 1 - fits.height();
    if (side == 3) y = room.top();
    best = QRect(QPoint(x, y), fits);
  }
  if (bestArea > 0) return best;
  return QRect(available.bottomRight() - QPoint(size.width() - 1, size.height() - 1), size);
}

QRect TformCentroid::ImageOnScreen() const {
  const TFormMain* main = m_workbench.FormMain.get();
  if (main == nullptr) return {};
  const QWidget* image = main->Image1();
  const QWidget* pane = image->parentWidget();
  const QRect paneRect(pane->mapToGlobal(QPoint(0, 0)), pane->size());
  if (!main->HasImage()) return paneRect;
  return QRect(image->mapToGlobal(QPoint(0, 0)), image->size()).intersected(paneRect);
}

void TformCentroid::ShowTable() {
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  const TFormMain* main = m_workbench.FormMain.get();
  const QScreen* screen = main ? main->screen() : nullptr;
  std::optional<QRect> placed;
  // On a screen smaller than 1366 x 768 there is no room beside anything: the window opens
  // where the platform puts it.
  if (!m_place && screen != nullptr &&
      screen->availableGeometry().width() >= kSmallestPlaced.width() &&
      screen->availableGeometry().height() >= kSmallestPlaced.height()) {
    placed = PlaceTableWindow(main->frameGeometry(), ImageOnScreen(), screen->availableGeometry(),
                              size(), minimumSizeHint());
    resize(placed->size());
    move(placed->topLeft());
    m_place = *placed;
  }
  show();
  if (placed) {
    // The frame round the window is known once it is shown: it too stays in the place chosen.
    const QSize frame = frameGeometry().size() - size();
    if (!frame.isEmpty()) resize(placed->size() - frame);
  }
  // From now on the window stays where it is put.
  if (!m_place) m_place = QRect(pos(), size());
  raise();
  activateWindow();
}

void TformCentroid::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (m_place && isVisible()) m_place = QRect(pos(), size());
}

void TformCentroid::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (m_place && isVisible()) m_place = QRect(pos(), size());
}

// ---- Calls of the other windows -----------------------------------------------------------------

RecomputeResult TformCentroid::SaveCentroid(PairKind kind) {
  TFormMain& main = *m_workbench.FormMain;
  const OTrame& frame = main.CurrentFrame();
  return Apply(m_table.SaveCentroid(main.CurrentPoint(), frame.FileName, kind, frame.Time));
}

void TformCentroid::RefreshZoomCent() {
  m_table.RefreshZoomCent(m_workbench.FormMain->CurrentPoint());
  m_updating = true;
  ShowFields();
  m_updating = false;
}

RecomputeResult TformCentroid::RAZ() {
  return Apply(m_table.RAZ());
}

Status TformCentroid::SauveParams() {
  return m_table.SauveParams(m_workbench.FormMain->MainParams());
}

// ---- Commands ---------------------------------------------------------------------------------

RecomputeResult TformCentroid::EditField(ReductionField field, const QString& text) {
  if (m_updating) return {};
  return Apply(m_table.EditField(field, text.toStdString()));
}

RecomputeResult TformCentroid::SetMode(ReductionMode mode) {
  return Apply(m_table.SetMode(mode));
}

RecomputeResult TformCentroid::ToggleNS() {
  return Apply(m_table.ToggleNS());
}

RecomputeResult TformCentroid::ToggleEW() {
  return Apply(m_table.ToggleEW());
}

RecomputeResult TformCentroid::SetBinning(bool ticked) {
  return Apply(m_table.SetBinning(ticked));
}

void TformCentroid::SelectTab(int tab) {
  m_table.SelectTab(tab);
  UpdateView();
}

RecomputeResult TformCentroid::SortGrid(int column, bool descending) {
  return Apply(m_table.SortGrid(column, descending));
}

RejectReport TformCentroid::RejectOutliers() {
  RejectReport report = m_table.RejectOutliers();
  RecomputeResult shown;
  shown.ran = report.status.ok && report.removed > 0;
  shown.status = report.status ? report.recompute : report.status;
  Apply(shown);
  if (report.status) {
    m_workbench.prompter.Info(
        Q(RejectionSummary(report.removed, static_cast<int>(report.rows.size()), SettingsPath())));
  }
  return report;
}

bool TformCentroid::Effacer() {
  if (!m_workbench.prompter.AskYesNo(m_questionDDL)) return false;
  RAZ();
  return true;
}

int TformCentroid::CurrentGridRow() const {
  const QTableView* grid = m_table.ResultsGridVisible() ? m_StringGrid2 : m_StringGrid1;
  const QModelIndex current = grid->currentIndex();
  return current.isValid() ? current.row() + 1 : 0;
}

RecomputeResult TformCentroid::DeleteRow(int row, bool recall) {
  if (row < 1 || row > m_table.DataRows()) return {};
  const RecomputeResult res = Apply(m_table.DeleteRow(row));
  if (recall) {
    const int next = std::min(row, m_table.DataRows());
    if (next >= 1) RecallFrame(next);
  }
  return res;
}

RecomputeResult TformCentroid::CutFrom(int row) {
  if (row < 1 || row > m_table.DataRows()) return {};
  return Apply(m_table.CutFrom(row));
}

bool TformCentroid::RecallFrame(int row) {
  if (row < 1 || row > m_table.DataRows()) return false;
  const RecallData data = m_table.RecallFrame(row);
  SelectGridRow(row);
  if (!data.load) return false;
  TFormMain& main = *m_workbench.FormMain;
  if (!main.LoadAndShow(Q(data.path))) return false;
  if (data.positionsValid) {
    main.DrawCross(data.crossAX, data.crossAY, false, false, 20);
    main.DrawCross(data.crossBX, data.crossBY, false, false, 10);
    main.SetCapturedA(data.xA, data.yA);
    main.SetCapturedB(data.xB, data.yB);
  }
  return true;
}

void TformCentroid::AjouterAuLog() {
  TfrmInfosLog* log = m_workbench.frmInfosLog.get();
  if (log == nullptr) return;
  log->ShowForSystem(m_workbench.FormMain->SeriesName().toUpper());
}

RecomputeResult TformCentroid::SelectCamera(int index) {
  return Apply(m_table.SelectCamera(index));
}

bool TformCentroid::EditCameras() {
  TformCam* editor = m_workbench.formCam.get();
  if (editor == nullptr) return false;
  if (!editor->Execute(this)) return false;
  m_table.LoadCameras();
  UpdateView();
  return true;
}

void TformCentroid::SetAlwaysOnTop(bool onTop) {
  m_CheckBox1->setChecked(onTop);
  const bool visible = isVisible();
  const std::optional<QRect> place = m_place;
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  // Changing the flags hides a shown window; it comes back where it stood.
  if (place) move(place->topLeft());
  if (visible) show();
}

// ---- Events -------------------------------------------------------------------------------------

bool TformCentroid::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    const auto it = std::find_if(m_fields.begin(), m_fields.end(),
                                 [edit](const auto& f) { return f.second == edit; });
    if (edit != nullptr && it != m_fields.end()) {
      auto* key = static_cast<QKeyEvent*>(event);
      const QString typed = key->text();
      // Keys that type nothing (arrows, Delete) and shortcuts (copy, paste) pass; a typed
      // character goes through the field's filter.
      if (typed.size() != 1 || (typed[0].unicode() < 0x20 && typed[0] != QChar('\b'))) return false;
      const char16_t c = typed[0].unicode();
      if (c > 0x7F) return true;
      const std::optional<char> accepted =
          ReductionTable::FilterKey(it->first, static_cast<char>(c));
      if (!accepted) return true;
      if (*accepted != static_cast<char>(c)) {
        edit->insert(QString(QChar(*accepted)));
        EditField(it->first, edit->text());
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace orvek
