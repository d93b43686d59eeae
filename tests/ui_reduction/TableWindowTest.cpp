// The measurement table window: its controls at start, field edits and their filters, a
// cell that is not a number, residual colours as drawn, sorting, rejection, deletion, the
// recall of a row's image, calibration mode, orientation, binning, camera choice, clearing,
// "Always on top", the parameters written at close, the Italian texts, the read-out and the
// grids showing whole values, and where the window opens.
//
// Expected angles and separations come from hand computation with the offsets used: with
// north up and east left, B 10 px left of A is at 90 degrees, 10 px left and 10 px up at 45,
// 10 px left and 5 up at 90 - atan(5 / 10) = 63.43; the separations are 10, sqrt(200) =
// 14.142 and sqrt(125) = 11.180 pixels.

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolTip>
#include <QtTest/QTest>
#include <ostream>

#include "ReductionUiSupport.h"
#include "core/IniFile.h"
#include "ui/Controls.h"
#include "ui/ReductionGrid.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

class TableWindowTest : public ReductionUiTest {
 protected:
  /// A at (50, 40) and B at (50 + dx, 40 + dy), both of value 1000 and 5 pixels.
  void Pair(Extended dx, Extended dy, Extended intB = 1000, int32_t nB = 5) {
    EnterPair(Star(50, 40), Star(50 + dx, 40 + dy, intB, nB));
  }
  /// The eight rows of the residual tests: six at 90 degrees (rows 1..6), then 45 (row 7)
  /// and 63.43 (row 8). Mean theta (540 + 45 + 63.43) / 8 = 81.05; theta residuals 8.95
  /// (x 6), -36.05 and -17.62; sigma sqrt((6 x 8.95^2 + 36.05^2 + 17.62^2) / 7) = 17.28.
  /// Separations 10 (x 6), 14.142 and 11.180: mean 10.665, residuals -0.665 (x 6), 3.477
  /// and 0.515, sigma 1.464.
  void EightRows() {
    LoadFrame();
    for (int i = 0; i < 6; ++i) Pair(-10, 0);
    Pair(-10, -10);
    Pair(-10, -5);
    ASSERT_EQ(Table().DataRows(), 8);
  }
  std::string Shipped(const char* section, const char* key) {
    return IniFile(Home() + "orvek.ini").ReadString(section, key, "<missing>");
  }
  QString ShippedQ(const char* section, const char* key) {
    return QString::fromStdString(Shipped(section, key));
  }
  QTableView* Grid1() { return W<QTableView>("StringGrid1"); }
  QTableView* Grid2() { return W<QTableView>("StringGrid2"); }
  /// Clicks a data row (1..n) of a grid, as the user does.
  void ClickRow(QTableView* grid, int row) {
    const QRect cell = grid->visualRect(grid->model()->index(row - 1, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  }
};

// ---- At start ---------------------------------------------------------------------------

TEST_F(TableWindowTest, ControlsAtStart) {
  // The last step of the creation order (RAZ) computes the empty table and names the window.
  EXPECT_EQ(Win().windowTitle(), "Reduction (0 images)");
  EXPECT_TRUE(Win().windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(W<QCheckBox>("CheckBox1")->isChecked());
  EXPECT_FALSE(W<QCheckBox>("Bin2x")->isChecked());
  auto* tabs = W<QTabBar>("TabControl1");
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(0), "Brutes");
  EXPECT_EQ(tabs->tabText(1), QString::fromUtf8("Réduites"));
  EXPECT_EQ(tabs->currentIndex(), 0);
  Win().ShowTable();
  EXPECT_TRUE(Grid1()->isVisible());
  EXPECT_FALSE(Grid2()->isVisible());
  // The grids' headers and widths as designed.
  const int rawWidths[] = {45, 45, 45, 45, 45, 45, 150, 20, 20, 20, 20};
  const char* rawHeaders[] = {"xA",    "yA",   "intA", "xB", "yB", "intB",
                              "Image", "Path", "nA",   "nB", "Bin"};
  ASSERT_EQ(Grid1()->model()->columnCount(), 11);
  for (int c = 0; c < 11; ++c) {
    EXPECT_EQ(Grid1()->columnWidth(c), rawWidths[c]) << c;
    EXPECT_EQ(Grid1()->model()->headerData(c, Qt::Horizontal).toString(), rawHeaders[c]);
  }
  const int resWidths[] = {54, 54, 54, 54, 54, 100};
  const char* resHeaders[] = {"Theta", "Rho", "dM", "rThe", "rRho", "Image"};
  ASSERT_EQ(Grid2()->model()->columnCount(), 6);
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(Grid2()->columnWidth(c), resWidths[c]) << c;
    EXPECT_EQ(Grid2()->model()->headerData(c, Qt::Horizontal).toString(), resHeaders[c]);
  }
  EXPECT_EQ(Grid1()->model()->rowCount(), 0);
  // Fields: the shipped parameters, the shipped camera 0 (5.6 x 5.6), the hidden factor.
  EXPECT_EQ(Text("txtDelta"), "0");
  EXPECT_EQ(Text("txtEps"), "1");
  EXPECT_EQ(Text("LPix"), "5.6");
  EXPECT_EQ(Text("HPix"), "5.6");
  EXPECT_EQ(Text("txtDm"), "delta M");
  EXPECT_EQ(Text("FacteurRejet"), "3");
  EXPECT_FALSE(Edit("FacteurRejet")->isVisible());
  // Measurement mode: calibration editable, results not.
  EXPECT_TRUE(W<QRadioButton>("option1_1")->isChecked());
  EXPECT_TRUE(Edit("txtDelta")->isEnabled());
  EXPECT_TRUE(Edit("txtEps")->isEnabled());
  EXPECT_FALSE(Edit("txtTheta")->isEnabled());
  EXPECT_FALSE(Edit("txtRho")->isEnabled());
  EXPECT_TRUE(Edit("sigTh")->isReadOnly());
  EXPECT_EQ(W<QPushButton>("Button1")->text(), "N");
  EXPECT_EQ(W<QPushButton>("Button4")->text(), "S");
  EXPECT_EQ(W<QPushButton>("Button2")->text(), "E");
  EXPECT_EQ(W<QPushButton>("Button3")->text(), "W");
  // The Greek labels (written as letters: the Symbol font does not exist here).
  EXPECT_EQ(W<QLabel>("lblDelta")->text(), QString::fromUtf8("Δ="));
  EXPECT_EQ(W<QLabel>("lblTheta")->text(), QString::fromUtf8("θ="));
  EXPECT_EQ(W<QLabel>("lblEps")->text(), QString::fromUtf8("ε="));
  EXPECT_EQ(W<QLabel>("lblRho")->text(), QString::fromUtf8("ρ="));
  EXPECT_EQ(W<QLabel>("lblSigTh")->text(), QString::fromUtf8("σ="));
  EXPECT_EQ(W<QLabel>("lblDm")->text(), QString::fromUtf8("ΔM"));
  // The shipped camera list: entries 0 to 12, the stored one (0) selected.
  auto* cams = W<QComboBox>("ComboBox1");
  EXPECT_EQ(cams->count(), 13);
  EXPECT_EQ(cams->currentIndex(), 0);
  EXPECT_EQ(cams->itemText(1), "Philips ToUcam Pro");
  // French texts of the shipped file.
  EXPECT_EQ(Act("AjouterauLog1")->text(), ShippedQ("FReduction", "mAL"));
  EXPECT_EQ(Act("Rejets1")->text(), "Rejets");
  EXPECT_EQ(W<QMenu>("Trier1")->title(), "&Trier");
  EXPECT_EQ(W<QMenu>("RsidusTheta1")->title(), QString::fromUtf8("RésidusTheta"));
  EXPECT_EQ(W<QMenu>("Theta1")->title(), "Theta");
  EXPECT_EQ(Act("Theta1Asc")->text(), "Ascendant");
  EXPECT_EQ(Act("Supprimerapartirdici1")->text(), QString::fromUtf8("Supprimer à partir d'ici"));
}

TEST_F(TableWindowTest, MainWindowMenusShowTheTableAndTheLog) {
  Win().showMinimized();
  Main().Action("CentroideMenuitem")->trigger();
  EXPECT_TRUE(Win().isVisible());
  EXPECT_FALSE(Win().isMinimized());
  EXPECT_FALSE(Log().isVisible());
  Main().Action("Rapport1")->trigger();
  EXPECT_TRUE(Log().isVisible());
  EXPECT_FALSE(Main().IsPending("AutoOrvek"));
}

// ---- Fields ---------------------------------------------------------------------------------

TEST_F(TableWindowTest, FieldEditsRecomputeAndFilterTheirKeys) {
  LoadFrame();
  Pair(-10, -10);  // theta 45, separation 14.142
  EXPECT_EQ(Text("txtTheta"), "45");
  EXPECT_EQ(Text("txtRho"), "14.142");
  Type(Edit("txtDelta"), "5");
  EXPECT_EQ(Text("txtTheta"), "40");
  EXPECT_EQ(Res(1, kResTheta), "40");
  // A comma is typed as a point: 0.5 x 14.1421 = 7.071.
  Type(Edit("txtEps"), "0,5");
  EXPECT_EQ(Text("txtEps"), "0.5");
  EXPECT_EQ(Text("txtRho"), "7.071");
  // Letters never reach the field; "-" reaches the calibration but not the pixel sizes.
  QTest::keyClicks(Edit("txtDelta"), "a");
  EXPECT_EQ(Text("txtDelta"), "5");
  Edit("LPix")->end(false);
  QTest::keyClicks(Edit("LPix"), "-x");
  EXPECT_EQ(Text("LPix"), "5.6");
  Type(Edit("txtDelta"), "-");
  EXPECT_EQ(Text("txtDelta"), "-");
  EXPECT_EQ(Text("txtTheta"), "40");  // "-" alone does not recompute
  QTest::keyClicks(Edit("txtDelta"), "5");
  EXPECT_EQ(Text("txtTheta"), "50");
  EXPECT_EQ(m_prompter.Count(Kind::Error), 0);
}

TEST_F(TableWindowTest, ACellThatIsNotANumberStopsTheRecomputationAndChangesNothing) {
  LoadFrame();
  Pair(-10, -10);
  Pair(-10, 0);
  const std::string caption = Table().Caption();
  const auto results = Table().ResultRows();
  const QString theta = Text("txtTheta"), rho = Text("txtRho"), sigma = Text("sigTh");
  // The user types "abc" over xB of row 2 in the raw grid.
  Win().ShowTable();
  QTableView* grid = Grid1();
  const QModelIndex cell = grid->model()->index(1, kColXB);
  grid->setCurrentIndex(cell);
  grid->edit(cell);
  QLineEdit* editor = OpenEditor(grid->viewport());
  ASSERT_NE(editor, nullptr);
  editor->selectAll();
  QTest::keyClicks(editor, "abc");
  QTest::keyClick(editor, Qt::Key_Return);
  QApplication::processEvents();  // the view commits an edit ended by Enter when it is idle
  EXPECT_EQ(Raw(2, kColXB), "abc");
  EXPECT_EQ(grid->model()->data(cell).toString(), "abc");
  // A calibration change recomputes: the message names the row and the column.
  Type(Edit("txtDelta"), "5");
  ASSERT_EQ(m_prompter.Count(Kind::Error), 1);
  // Worded from the shipped French text of NotANumber.
  EXPECT_EQ(m_prompter.Texts(Kind::Error).first(),
            QString::fromUtf8("Ligne 2, xB : « abc » n'est pas un nombre."));
  // Nothing else changed: results, means, dispersions, caption.
  EXPECT_EQ(Table().ResultRows(), results);
  EXPECT_EQ(Table().Caption(), caption);
  EXPECT_EQ(Text("txtTheta"), theta);
  EXPECT_EQ(Text("txtRho"), rho);
  EXPECT_EQ(Text("sigTh"), sigma);
  EXPECT_EQ(Grid2()->model()->data(Grid2()->model()->index(0, kResTheta)).toString(), "45");
  // A field holding only a point is named too.
  m_prompter.ClearCalls();
  Type(Edit("txtEps"), ".");
  ASSERT_EQ(m_prompter.Count(Kind::Error), 1);
  EXPECT_TRUE(m_prompter.Texts(Kind::Error).first().contains("txtEps"));
}

// ---- Residual colours --------------------------------------------------------------------------

TEST_F(TableWindowTest, ResidualCellsAreDrawnInTheirColours) {
  EightRows();
  EXPECT_EQ(Text("txtTheta"), "81.05");
  EXPECT_EQ(Text("sigTh"), "17.28");
  EXPECT_EQ(Text("sigRh"), "1.464");
  Win().ShowTable();
  QTest::mouseClick(W<QTabBar>("TabControl1"), Qt::LeftButton, {},
                    W<QTabBar>("TabControl1")->tabRect(1).center());
  ASSERT_TRUE(Grid2()->isVisible());
  EXPECT_FALSE(Grid1()->isVisible());
  Grid2()->clearSelection();
  Grid2()->setCurrentIndex(QModelIndex());
  QApplication::processEvents();
  QImage shot = Grid2()->viewport()->grab().toImage();
  auto colourAt = [&](int row, int col) {
    // A pixel near the cell's lower right corner, where no text reaches.
    const QRect r = Grid2()->visualRect(Grid2()->model()->index(row - 1, col));
    return QColor(shot.pixel(r.right() - 2, r.bottom() - 1));
  };
  const QColor green(0, 255, 0), blue(166, 202, 240), magenta(255, 0, 255);
  // Theta: 8.95 <= 0.674 x 17.28 = 11.65: green; 17.62 between 11.65 and 2 x 17.28 = 34.56:
  // light blue; 36.05 >= 34.56: magenta.
  EXPECT_EQ(colourAt(1, kResRThe), green);
  EXPECT_EQ(colourAt(8, kResRThe), blue);
  EXPECT_EQ(colourAt(7, kResRThe), magenta);
  // Rho: 0.665 and 0.515 <= 0.674 x 1.464 = 0.987: green; 3.477 >= 2.928: magenta.
  EXPECT_EQ(colourAt(1, kResRRho), green);
  EXPECT_EQ(colourAt(8, kResRRho), green);
  EXPECT_EQ(colourAt(7, kResRRho), magenta);
  // Other cells are not coloured.
  EXPECT_EQ(colourAt(1, kResTheta), Grid2()->palette().color(QPalette::Base));
  // The text starts 2 pixels right of and below the cell's corner: that band is plain green
  // and some darker text pixels follow inside the cell.
  const QRect r = Grid2()->visualRect(Grid2()->model()->index(0, kResRThe));
  for (int x = r.left(); x < r.left() + ResidualCellPainter::kTextOffset; ++x)
    for (int y = r.top(); y <= r.bottom(); ++y) EXPECT_EQ(QColor(shot.pixel(x, y)), green);
  int dark = 0;
  for (int x = r.left() + 2; x <= r.right(); ++x)
    for (int y = r.top() + 2; y <= r.bottom(); ++y) dark += qGray(shot.pixel(x, y)) < 100 ? 1 : 0;
  EXPECT_GT(dark, 5);
  // One row left: both dispersions are 0, and nothing is beyond 2 sigma of nothing: green.
  Win().CutFrom(2);
  ASSERT_EQ(Text("sigTh"), "0");
  Grid2()->clearSelection();
  Grid2()->setCurrentIndex(QModelIndex());
  QApplication::processEvents();
  shot = Grid2()->viewport()->grab().toImage();
  EXPECT_EQ(colourAt(1, kResRThe), green);
  EXPECT_EQ(colourAt(1, kResRRho), green);
}

// ---- Sorting, rejection, deletion ---------------------------------------------------------------

TEST_F(TableWindowTest, SortingFromTheMenu) {
  EightRows();
  // Theta ascending: 45 (B at y 30), 63.43 (y 35), then the six rows at 90 (y 40).
  Act("Theta1Asc")->trigger();
  EXPECT_EQ(Res(1, kResTheta), "45");
  EXPECT_EQ(Res(2, kResTheta), "63.43");
  for (int r = 3; r <= 8; ++r) EXPECT_EQ(Res(r, kResTheta), "90") << r;
  EXPECT_EQ(Raw(1, kColYB), "30");
  EXPECT_EQ(Raw(2, kColYB), "35");
  EXPECT_EQ(Raw(3, kColYB), "40");
  EXPECT_EQ(Grid1()->model()->data(Grid1()->model()->index(0, kColYB)).toString(), "30");
  // Theta descending: the six at 90 first, then 63.43 and 45.
  Act("Theta1Dsc")->trigger();
  EXPECT_EQ(Res(1, kResTheta), "90");
  EXPECT_EQ(Res(7, kResTheta), "63.43");
  EXPECT_EQ(Res(8, kResTheta), "45");
  // Rho residuals descending: |3.477| (the 45 row), |0.665| (x 6), |0.515| (the 63.43 row).
  Act("RsidusRho1Dsc")->trigger();
  EXPECT_EQ(Raw(1, kColYB), "30");
  EXPECT_EQ(Raw(8, kColYB), "35");
  // The means do not depend on the order.
  EXPECT_EQ(Text("txtTheta"), "81.05");
  EXPECT_EQ(m_prompter.Count(Kind::Error), 0);
}

TEST_F(TableWindowTest, RejetsFromTheMenuRemovesTheRowsThatFail) {
  LoadFrame();
  for (int i = 0; i < 6; ++i) Pair(-10, 0);
  Pair(-10, 0, 1000, 2);  // row 7: B of 2 pixels
  Pair(-10, 0, -1, 5);    // row 8: B with no signal (Value -1)
  Pair(-10, -10);         // row 9: theta 45, within 3 sigma of the others
  ASSERT_EQ(Table().DataRows(), 9);
  Act("Rejets1")->trigger();
  // Row 7 (nB < 3) and row 8 (intB not > 0) go; the others stay in their order. The window
  // says so in the interface language, and says it again when nothing goes.
  EXPECT_EQ(m_prompter.Texts(Kind::Info),
            QStringList{QString::fromUtf8("Rejets : 2 ligne(s) supprimée(s) sur 9")});
  ASSERT_EQ(Table().DataRows(), 7);
  for (int r = 1; r <= 7; ++r) {
    EXPECT_EQ(Raw(r, kColNB), "5") << r;
    EXPECT_NE(Raw(r, kColIntB), "-1") << r;
  }
  EXPECT_EQ(Raw(7, kColYB), "30");
  EXPECT_EQ(Win().windowTitle(), "Reduction (7 images)");
  EXPECT_EQ(Grid1()->model()->rowCount(), 7);
  EXPECT_EQ(Grid2()->model()->rowCount(), 7);
  m_prompter.ClearCalls();
  Main().SelectLanguage("E");
  Act("Rejets1")->trigger();
  EXPECT_EQ(m_prompter.Texts(Kind::Info), QStringList{"Rejection: no row removed out of 7"});
  EXPECT_EQ(Table().DataRows(), 7);
}

TEST_F(TableWindowTest, EffacerAsksBeforeClearing) {
  LoadFrame();
  Pair(-10, 0);
  m_prompter.QueueYesNo(false);
  Act("Effacer1")->trigger();
  ASSERT_EQ(m_prompter.Texts(Kind::YesNo), QStringList{ShippedQ("FReduction", "dDL")});
  EXPECT_EQ(Table().DataRows(), 1);
  m_prompter.QueueYesNo(true);
  Act("Effacer1")->trigger();
  EXPECT_EQ(Table().DataRows(), 0);
  EXPECT_EQ(Grid1()->model()->rowCount(), 0);
  EXPECT_EQ(Win().windowTitle(), "Reduction (0 images)");
  EXPECT_EQ(W<QTabBar>("TabControl1")->currentIndex(), 0);
}

TEST_F(TableWindowTest, PopupDeletesTheCurrentRowAndRecallsTheNext) {
  LoadFrame();
  Pair(-10, 0);    // row 1, B at y 40
  Pair(-10, -5);   // row 2, B at y 35
  Pair(-10, -10);  // row 3, B at y 30
  Win().ShowTable();
  ClickRow(Grid1(), 2);
  EXPECT_EQ(Win().CurrentGridRow(), 2);
  EXPECT_EQ(Main().CapturedB().Y, 35);
  Act("Supprimerlaligne1")->trigger();
  ASSERT_EQ(Table().DataRows(), 2);
  EXPECT_EQ(Raw(2, kColYB), "30");
  // The row that moved into the place is recalled.
  EXPECT_EQ(Main().CapturedB().Y, 30);
  EXPECT_EQ(Win().CurrentGridRow(), 2);
  EXPECT_EQ(Win().windowTitle(), "Reduction (2 images)");
  // "Supprimer à partir d'ici" on row 1 removes everything from there; no mean stays on
  // show for a table that has no row.
  ClickRow(Grid1(), 1);
  Act("Supprimerapartirdici1")->trigger();
  EXPECT_EQ(Table().DataRows(), 0);
  EXPECT_EQ(Grid1()->model()->rowCount(), 0);
  for (const char* field : {"txtTheta", "txtRho", "sigTh", "sigRh", "txtDm"})
    EXPECT_EQ(Text(field), "") << field;
  EXPECT_EQ(Win().windowTitle(), "Reduction (0 images)");
}

// ---- Recall -------------------------------------------------------------------------------------

TEST_F(TableWindowTest, AClickOnARowLoadsItsImageDrawsTheCrossesAndCapturesAB) {
  LoadFrame("pair.fit");
  const QImage plain = Main().Image1()->Picture();
  Pair(-10, -10);  // A (50, 40), B (40, 30)
  LoadFrame("other.fit");
  ASSERT_NE(Main().CurrentFrame().FileName, Data("pair.fit"));
  Win().ShowTable();
  ClickRow(Grid1(), 1);
  EXPECT_EQ(Main().CurrentFrame().FileName, Data("pair.fit"));
  EXPECT_EQ(Main().CapturedA().X, 50);
  EXPECT_EQ(Main().CapturedA().Y, 40);
  EXPECT_EQ(Main().CapturedB().X, 40);
  EXPECT_EQ(Main().CapturedB().Y, 30);
  EXPECT_EQ(Win().CurrentGridRow(), 1);
  EXPECT_EQ(Grid2()->currentIndex().row(), 0);  // both grids select the row
  // The crosses are exclusive-or marks: drawn again, they leave the picture of a plain load.
  const QImage recalled = Main().Image1()->Picture();
  EXPECT_NE(recalled, plain);
  Main().DrawCross(50, 40, false, false, 20);
  Main().DrawCross(40, 30, false, false, 10);
  EXPECT_EQ(Main().Image1()->Picture(), plain);
}

TEST_F(TableWindowTest, AnOpenRowRecallsNothing) {
  LoadFrame("pair.fit");
  RightClick(Star(50, 40));
  LoadFrame("other.fit");
  EXPECT_FALSE(Win().RecallFrame(1));
  EXPECT_EQ(Main().CurrentFrame().FileName, Data("other.fit"));
}

// ---- Calibration, orientation, binning, camera
// ----------------------------------------------------

TEST_F(TableWindowTest, CalibrationModeDerivesDeltaAndEpsilon) {
  LoadFrame();
  Pair(-10, -10);  // raw angle 45, separation 14.1421
  W<QRadioButton>("option1_0")->click();
  EXPECT_FALSE(Edit("txtDelta")->isEnabled());
  EXPECT_FALSE(Edit("txtEps")->isEnabled());
  EXPECT_TRUE(Edit("txtTheta")->isEnabled());
  EXPECT_TRUE(Edit("txtRho")->isEnabled());
  EXPECT_EQ(W<QTabBar>("TabControl1")->currentIndex(), 0);
  // Known theta 40: Delta = 45 - 40 = 5. Known rho 10: Epsilon = 10 / 14.1421 = 0.70711.
  Type(Edit("txtTheta"), "40");
  EXPECT_EQ(Text("txtDelta"), "5");
  Type(Edit("txtRho"), "10");
  EXPECT_EQ(Text("txtEps"), "0.70711");
  // The rho column holds the scale of each row.
  EXPECT_EQ(Res(1, kResRho), "0.707");
  // The tab stays on "Brutes" in this mode.
  QTest::mouseClick(W<QTabBar>("TabControl1"), Qt::LeftButton, {},
                    W<QTabBar>("TabControl1")->tabRect(1).center());
  EXPECT_EQ(W<QTabBar>("TabControl1")->currentIndex(), 0);
  // Back to measuring: theta 45 - 5 = 40, rho 0.70711 x 14.1421 = 10.00005 -> 10.
  W<QRadioButton>("option1_1")->click();
  EXPECT_TRUE(Edit("txtDelta")->isEnabled());
  EXPECT_FALSE(Edit("txtTheta")->isEnabled());
  EXPECT_EQ(Text("txtTheta"), "40");
  EXPECT_EQ(Text("txtRho"), "10");
}

TEST_F(TableWindowTest, CompassButtonsTurnTheOrientation) {
  LoadFrame();
  Pair(-10, -10);                      // up and left of A: 45 with north up, east left
  W<QPushButton>("Button1")->click();  // north at the bottom: 135
  EXPECT_EQ(W<QPushButton>("Button1")->text(), "S");
  EXPECT_EQ(W<QPushButton>("Button4")->text(), "N");
  EXPECT_EQ(Text("txtTheta"), "135");
  W<QPushButton>("Button4")->click();
  EXPECT_EQ(W<QPushButton>("Button1")->text(), "N");
  EXPECT_EQ(Text("txtTheta"), "45");
  W<QPushButton>("Button2")->click();  // east on the right: 315
  EXPECT_EQ(W<QPushButton>("Button2")->text(), "W");
  EXPECT_EQ(W<QPushButton>("Button3")->text(), "E");
  EXPECT_EQ(Text("txtTheta"), "315");
  W<QPushButton>("Button3")->click();
  EXPECT_EQ(Text("txtTheta"), "45");
  EXPECT_EQ(Table().OrientH(), "ew");
}

TEST_F(TableWindowTest, BinningDoublesEpsilonAndTheUnbinnedValueIsSavedAtClose) {
  LoadFrame();
  Pair(-10, -10);
  W<QCheckBox>("Bin2x")->click();
  EXPECT_EQ(Text("txtEps"), "2");
  EXPECT_EQ(Text("txtRho"), "28.284");  // 2 x 14.1421
  Type(Edit("txtDelta"), "3.5");
  // Closing the main window writes the parameters: Epsilon without the binning.
  Main().close();
  const IniFile ini(Home() + "orvek.ini");
  EXPECT_EQ(ini.ReadString("PARAMS", "Epsilon", ""), "1");
  EXPECT_EQ(ini.ReadString("PARAMS", "Delta", ""), "3.5");
  EXPECT_EQ(Text("txtEps"), "2");
  W<QCheckBox>("Bin2x")->click();
  EXPECT_EQ(Text("txtEps"), "1");
  EXPECT_EQ(Text("txtRho"), "14.142");
}

TEST_F(TableWindowTest, ChoosingACameraSetsThePixelSizesAndStoresItsIndex) {
  LoadFrame();
  Pair(-10, 0);
  auto* cams = W<QComboBox>("ComboBox1");
  cams->setCurrentIndex(3);
  emit cams->activated(3);
  EXPECT_EQ(Text("LPix"), "3.75");
  EXPECT_EQ(Text("HPix"), "3.75");
  EXPECT_EQ(IniFile(Home() + "orvek.ini").ReadString("CAMERA", "Camera", ""), "3");
  // Pixels twice as wide as high double horizontal offsets: 20 px, rho 20.
  Type(Edit("LPix"), "7.5");
  EXPECT_EQ(Text("txtRho"), "20");
}

TEST_F(TableWindowTest, AlwaysOnTopFollowsItsBox) {
  Win().ShowTable();
  W<QCheckBox>("CheckBox1")->click();
  EXPECT_FALSE(Win().windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(Win().isVisible());
  W<QCheckBox>("CheckBox1")->click();
  EXPECT_TRUE(Win().windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(Win().isVisible());
}

// ---- Language
// ------------------------------------------------------------------------------------

TEST_F(TableWindowTest, ItalianReloadsTheTextsOfTheThreeWindows) {
  Main().SelectLanguage("I");
  EXPECT_EQ(Win().windowTitle(), ShippedQ("IReduction", "tTIT"));
  EXPECT_EQ(Act("AjouterauLog1")->text(), ShippedQ("IReduction", "mAL"));
  EXPECT_EQ(Act("Effacer1")->text(), ShippedQ("IReduction", "mEF"));
  EXPECT_EQ(W<QMenu>("Trier1")->title(), ShippedQ("IReduction", "mTR"));
  EXPECT_EQ(W<QMenu>("RsidusRho1")->title(), ShippedQ("IReduction", "mTRRR"));
  EXPECT_EQ(W<QMenu>("DeltaMasc1")->title(), ShippedQ("IReduction", "mTRDM"));
  EXPECT_EQ(Act("RsidusTheta1Dsc")->text(), ShippedQ("IReduction", "dsc"));
  EXPECT_EQ(Act("Rejets1")->text(), ShippedQ("IReduction", "rejection"));
  EXPECT_EQ(Act("Supprimerlaligne1")->text(), ShippedQ("IReduction", "pSL"));
  EXPECT_EQ(W<QRadioButton>("option1_0")->text(), ShippedQ("IReduction", "O1_0"));
  EXPECT_EQ(W<QTabBar>("TabControl1")->tabText(1), ShippedQ("IReduction", "TC1_1"));
  EXPECT_EQ(W<QLabel>("L5")->text(), ShippedQ("IReduction", "L5"));
  EXPECT_EQ(W<QLabel>("Label13")->text(), ShippedQ("IReduction", "mPRE"));
  EXPECT_NE(ShippedQ("IReduction", "mAL"), ShippedQ("FReduction", "mAL"));
  // The log window.
  EXPECT_EQ(Log().windowTitle(), ShippedQ("ILog", "tTIT"));
  EXPECT_EQ(L<QPushButton>("Button1")->text(), ShippedQ("ILog", "B1"));
  EXPECT_EQ(L<QAction>("Enregistrer1")->text(), ShippedQ("ILog", "mFIC"));
  EXPECT_EQ(L<QAction>("Masquer1")->text(), ShippedQ("ILog", "mMAS"));
  EXPECT_EQ(L<QLabel>("lLieLabel")->text(), ShippedQ("ILog", "lLie"));
  EXPECT_EQ(L<QCheckBox>("checkech")->text(), ShippedQ("ILog", "cECH"));
  EXPECT_EQ(L<QTabWidget>("Notebook1")->tabText(1), ShippedQ("ILog", "tab1"));
  EXPECT_EQ(L<QTabWidget>("Notebook1")->tabText(3), "EZReport");
  // The camera editor's help button.
  EXPECT_EQ(Cam().findChild<QPushButton*>("BitBtn1")->text(), ShippedQ("ICam", "l1"));
  // The question asked before clearing is the Italian one.
  m_prompter.QueueYesNo(false);
  Act("Effacer1")->trigger();
  EXPECT_EQ(m_prompter.Texts(Kind::YesNo), QStringList{ShippedQ("IReduction", "dDL")});
}

// ---- Whole values, and where the window opens ------------------------------------------------

// The text area of a line edit as Qt's own style computes it, less the edit's margins of 2
// pixels a side.
int TextRoom(QLineEdit* edit) {
  QStyleOptionFrame option;
  option.initFrom(edit);
  option.rect = edit->rect();
  option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
  const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
  return contents.marginsRemoved(edit->textMargins()).width() - 2 * 2;
}

TEST_F(TableWindowTest, StandardErrorsAndTheRowTimeBesideTheDesignedFields) {
  EightRows();
  // sd / sqrt(8) of the unrounded values (see EightRows): 17.2815 / 2.8284 and 1.4643 / 2.8284.
  EXPECT_EQ(Text("semTh"), "6.11");
  EXPECT_EQ(Text("semRh"), "0.518");
  EXPECT_EQ(Text("rowTime"), "");  // no frame time
  FrameTime t;
  t.utc = {2024, 3, 10, 21, 0, 1.0};
  ASSERT_TRUE(Win().Table().SetRowTime(Table().DataRows(), t));
  Win().UpdateView();
  // Epoch: astropy Time("2024-03-10T21:00:01", scale="utc").tt.byear = 2024.19173481.
  EXPECT_EQ(Text("rowTime"), "2024-03-10T21:00:01.000 UTC  B2024.1917");
}

TEST_F(TableWindowTest, ReadOutFieldsShowTheirValuesWhole) {
  Win().ShowTable();
  Main().SetCurrentPoint(Star(1234.56789L, 98.7654321L, 123456.789012345L, 12345));
  Win().RefreshZoomCent();
  // X and Y rounded to 3 decimals as the table enters them, the value in full.
  const std::pair<const char*, const char*> shown[] = {{"CentroidX", "1234.568"},
                                                       {"CentroidY", "98.765"},
                                                       {"CentroidI", "123456.789012345"},
                                                       {"CentroidN", "12345"}};
  for (auto [name, text] : shown) {
    QLineEdit* edit = Edit(name);
    EXPECT_EQ(edit->text(), text);
    EXPECT_TRUE(edit->alignment() & Qt::AlignRight) << name;
    EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()), TextRoom(edit)) << name;
  }
}

TEST_F(TableWindowTest, ACellTooNarrowForItsTextShowsItWholeInATooltip) {
  LoadFrame("a_frame_with_a_rather_long_file_name_001.fit");
  Pair(-10, 0);
  Win().ShowTable();
  QApplication::processEvents();
  auto tipAt = [&](int col) {
    QToolTip::hideText();
    const QRect cell = Grid1()->visualRect(Grid1()->model()->index(0, col));
    QHelpEvent help(QEvent::ToolTip, cell.center(),
                    Grid1()->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(Grid1()->viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  };
  // "1" fits the "Bin" column: no tooltip. The folder in the 20-pixel "Path" column and the
  // long name in "Image" are cut; their tooltips hold them whole.
  EXPECT_EQ(tipAt(kColBin), "");
  EXPECT_EQ(tipAt(kColPath), QString::fromStdString(m_data->Path()));
  EXPECT_EQ(tipAt(kColImage), "a_frame_with_a_rather_long_file_name_001.fit");
  QToolTip::hideText();
}

TEST_F(TableWindowTest, TheWindowStaysWhereTheUserPutsIt) {
  Win().ShowTable();
  Win().move(123, 45);
  Win().hide();
  Win().ShowTable();
  EXPECT_EQ(Win().pos(), QPoint(123, 45));
  // Unticking "Always on top" shows the window again in the same place.
  W<QCheckBox>("CheckBox1")->click();
  EXPECT_EQ(Win().pos(), QPoint(123, 45));
}

struct Screen {
  const char* name;
  QRect available, mainFrame, image;
  QRect expected;
};

void PrintTo(const Screen& s, std::ostream* out) {
  *out << s.name;
}

class TablePlacement : public ::testing::TestWithParam<Screen> {};

// The table window (wanted 900 x 500, at least 600 x 360) beside the main window when the
// screen has room, else in the largest free part of the screen clear of the image.
TEST_P(TablePlacement, BesideTheMainWindowAndClearOfTheImage) {
  const Screen& s = GetParam();
  const QRect r = PlaceTableWindow(s.mainFrame, s.image, s.available, {900, 500}, {600, 360});
  EXPECT_EQ(r, s.expected);
  EXPECT_TRUE(s.available.contains(r));
}

INSTANTIATE_TEST_SUITE_P(
    Screens, TablePlacement,
    ::testing::Values(
        // Room right of the main window: at its right edge, level with its top.
        Screen{"RoomOnTheRight",
               {0, 0, 2560, 1400},
               {0, 0, 1280, 820},
               {500, 300, 256, 256},
               {1280, 0, 900, 500}},
        // The main window on the right of the screen: at its left edge (1200 - 900).
        Screen{"RoomOnTheLeft",
               {0, 0, 2560, 1400},
               {1200, 100, 1280, 820},
               {1700, 400, 256, 256},
               {300, 100, 900, 500}},
        // 1366 x 768 with the main window filling it and the 256-pixel image in its pane:
        // right of the image 1365 - 744 = 621 columns (left of it only 489), against the
        // screen's right edge, shrunk to 621 x 500.
        Screen{"Laptop1366x768",
               {0, 0, 1366, 740},
               {0, 0, 1366, 740},
               {489, 250, 256, 256},
               {745, 0, 621, 500}},
        // The image fills the pane: no free part takes 600 x 360; the screen's lower right
        // corner (1366 - 900, 740 - 500).
        Screen{"NoRoomLeft",
               {0, 0, 1366, 740},
               {0, 0, 1366, 740},
               {242, 60, 750, 640},
               {466, 240, 900, 500}}),
    [](const ::testing::TestParamInfo<Screen>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvek::test
