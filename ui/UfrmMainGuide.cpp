// TFormMain: what helps a user find the gestures: the zoom's bar and menu texts, the status
// bar that says what the next click does, the live theta and rho between the entered A and
// the star under the pointer, and the captured positions of comp A and comp B (also on the
// buttons' tooltips). Every text comes from the main window's section of the settings file.

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "core/Rounding.h"
#include "measure/Measurement.h"
#include "measure/ReductionTable.h"
#include "ui/Controls.h"
#include "ui/ImageZoom.h"
#include "ui/Langue.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

namespace orvek {

namespace {

// A position as the status bar shows it: two decimals.
QString Coordinate(Extended v) {
  return QString::fromStdString(FormatFixed(static_cast<double>(v), 2));
}

QString Position(Extended x, Extended y) {
  return "(" + Coordinate(x) + ", " + Coordinate(y) + ")";
}

}  // namespace

// ---- Construction ---------------------------------------------------------------------------

void TFormMain::BuildZoom(QWidget* pane) {
  m_zoom = new ImageZoom(m_ScrollBox1, m_Image1, this);
  auto* bar = new QWidget(pane);
  bar->setObjectName("ZoomBar");
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  // The buttons take their actions from the "Zoom" menu once it exists (BuildMenus).
  for (const char* name :
       {"ZoomOut1", "ZoomIn1", "ZoomFit1", "Zoom1x1", "Zoom2x1", "Zoom4x1", "Zoom8x1"}) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QString(name) + "Button");
    button->setAutoRaise(true);
    row->addWidget(button);
  }
  m_zoomLabel = new QLabel(bar);
  m_zoomLabel->setObjectName("ZoomLabel");
  row->addSpacing(8);
  row->addWidget(m_zoomLabel);
  row->addStretch(1);
  static_cast<QVBoxLayout*>(pane->layout())->addWidget(bar);
  connect(m_zoom, &ImageZoom::Changed, this, [this](double factor) {
    m_zoomLabel->setText(
        Fill(MainText("zLabel"), {{"pct", QString::number(std::lround(factor * 100))}}));
  });
}

void TFormMain::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar1");
  m_guide = new QLabel(bar);
  m_guide->setObjectName("StatusGuide");
  m_live = new QLabel(bar);
  m_live->setObjectName("StatusLive");
  m_captures = new QLabel(bar);
  m_captures->setObjectName("StatusCaptures");
  bar->addWidget(m_guide, 1);
  bar->addPermanentWidget(m_live);
  bar->addPermanentWidget(m_captures);
}

// ---- Texts ----------------------------------------------------------------------------------

void TFormMain::ChangeLangueExtra() {
  m_VisuColor->setText(MainText("cbColor"));
  Menu("Zoom1")->setTitle(MainText("mZoom"));
  Action("ZoomIn1")->setText(MainText("zIn"));
  Action("ZoomIn1")->setIconText("+");
  Action("ZoomOut1")->setText(MainText("zOut"));
  Action("ZoomOut1")->setIconText(QString::fromUtf8("\u2212"));
  Action("ZoomFit1")->setText(MainText("zFit"));
  Action("ZoomFit1")->setIconText(MainText("zFitShort"));
  for (const auto& [name, caption] : {std::pair{"Zoom1x1", "&1:1"},
                                      {"Zoom2x1", "&2\u00d7"},
                                      {"Zoom4x1", "&4\u00d7"},
                                      {"Zoom8x1", "&8\u00d7"}}) {
    Action(name)->setText(QString::fromUtf8(caption));
  }
  // The bar's tooltips name the item and its keys.
  for (QAction* a : Menu("Zoom1")->actions()) {
    if (a->isSeparator()) continue;
    a->setToolTip(WithoutMnemonic(a->text()) + "  (" +
                  a->shortcut().toString(QKeySequence::NativeText) + ")");
  }
  m_zoomLabel->setText(
      Fill(MainText("zLabel"), {{"pct", QString::number(std::lround(m_zoom->Factor() * 100))}}));
  Action("Aide2")->setToolTip(WithoutMnemonic(Action("Aide2")->text()) + "  (F1)");
  m_AutoOrvek->setToolTip(MainText("ttAutoOrvek"));
  RefreshGuidance();
}

QString TFormMain::GuidanceText() const {
  if (!HasImage()) {
    return Fill(MainText("sbOpen"), {{"file", WithoutMnemonic(Menu("Fichier1")->title())},
                                     {"open", WithoutMnemonic(Action("Ouvrir")->text())},
                                     {"folder", WithoutMnemonic(Action("ChargerRp1")->text())}});
  }
  if (FastMeasurement()) return MainText("sbFast");
  const TformCentroid* table = m_workbench.formCentroid.get();
  if (table != nullptr && table->Table().DataRows() > 0 && table->Table().LastRowOpen()) {
    const ReductionTable& t = table->Table();
    const int row = t.DataRows();
    return Fill(MainText("sbEnterB"), {{"x", QString::fromStdString(t.Cell(row, kColXA))},
                                       {"y", QString::fromStdString(t.Cell(row, kColYA))}});
  }
  return MainText("sbEnterA");
}

QString TFormMain::LiveText() const {
  return m_liveText;
}

QString TFormMain::CapturesText() const {
  auto one = [](const QString& key, const CapturedComponent& c) {
    return Fill(MainText(key),
                {{"pos", c.Taken() ? Position(c.point.X, c.point.Y) : MainText("sbCapNone")}});
  };
  return one("sbCapA", CaptureA()) + "   " + one("sbCapB", CaptureB());
}

void TFormMain::RefreshGuidance() {
  m_guide->setText(GuidanceText());
  // The live figures belong to the pointer and the A waiting for its B: they are worked out
  // again at the pointer's next move, and go with the A once it has its B.
  const TformCentroid* table = m_workbench.formCentroid.get();
  if (table == nullptr || table->Table().DataRows() == 0 || !table->Table().LastRowOpen()) {
    m_liveText.clear();
  }
  m_livePixel = QPoint(-1, -1);
  m_live->setText(m_liveText);
  m_captures->setText(CapturesText());
  auto tip = [](const QString& key, const CapturedComponent& c) {
    const QString state = c.Taken() ? Fill(MainText("ttCapTaken"),
                                           {{"pos", Position(c.point.X, c.point.Y)},
                                            {"w", QString::number(c.frameWidth)},
                                            {"h", QString::number(c.frameHeight)},
                                            {"size", QString("%1 x %1").arg(2 * c.halfSize + 1)}})
                                    : MainText("ttCapNone");
    return MainText(key) + "\n" + state;
  };
  m_Capture_A->setToolTip(tip("ttCapA", CaptureA()));
  m_Capture_B->setToolTip(tip("ttCapB", CaptureB()));
}

// ---- Captured positions ---------------------------------------------------------------------

CapturedComponent TFormMain::CaptureA() const {
  return CapturedComponent{m_capturedA, m_sizeA, m_capturedAFrame.width(),
                           m_capturedAFrame.height()};
}

CapturedComponent TFormMain::CaptureB() const {
  return CapturedComponent{m_capturedB, m_sizeB, m_capturedBFrame.width(),
                           m_capturedBFrame.height()};
}

// ---- Live figures ---------------------------------------------------------------------------

void TFormMain::UpdateLive(int x, int y) {
  const QPoint pixel(x, y);
  if (pixel == m_livePixel) return;
  m_livePixel = pixel;
  QString text;
  const TformCentroid* table = m_workbench.formCentroid.get();
  const bool inside = HasImage() && x >= 0 && y >= 0 && x <= m_frame->LastX && y <= m_frame->LastY;
  if (inside && !FastMeasurement() && table != nullptr && table->Table().DataRows() > 0 &&
      table->Table().LastRowOpen()) {
    // The star under the pointer, measured as a click would measure it, entered as B into a
    // copy of the table: its row then shows what a right click would give, with the table's
    // calibration, rounding and mode.
    OMat scratch;
    const MeasurePass pass =
        orvek::MeasureAt(*m_frame, scratch, Point(x, y), CurrentMeasureSettings());
    ReductionTable trial = table->Table();
    const RecomputeResult computed = trial.SaveCentroid(pass.point, m_frame->FileName);
    const int row = trial.DataRows();
    if (computed.status && row < trial.ResultRowCount()) {
      const QString theta = QString::fromStdString(trial.ResultCell(row, kResTheta));
      const QString rho = QString::fromStdString(trial.ResultCell(row, kResRho));
      const bool calibrating = trial.Mode() == ReductionMode::Etalonnage;
      text = Fill(MainText(calibrating ? "sbLiveCal" : "sbLive"), {{"theta", theta}, {"rho", rho}});
    }
  }
  if (text != m_liveText) {
    m_liveText = text;
    m_live->setText(text);
  }
  // The table may have changed in its own window since the last refresh.
  m_guide->setText(GuidanceText());
}

}  // namespace orvek
