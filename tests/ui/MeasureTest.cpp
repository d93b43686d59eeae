// Measuring the pair on the image shown: the measurement at load, clicks (at 1:1 and zoomed),
// the window size, the exclusive-or marks, the captured positions, the profiles, the status
// bar's guidance, AutoOrvek and the interferometric fast measurement.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QWheelEvent>
#include <QtTest/QTest>

#include "UiFixture.h"
#include "core/IniFile.h"
#include "core/Rounding.h"
#include "ui/Controls.h"
#include "ui/ImageZoom.h"
#include "ui/Langue.h"
#include "ui/ReductionCommands.h"
#include "ui/UfrmCentroid.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

// A star of the StarFrame pattern (centre, sides, diagonals) added at (x, y).
void AddPattern(OTrame& f, int x, int y, Extended centre, Extended side, Extended diagonal) {
  f.Px(x, y) = centre;
  for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) f.Px(x + dx, y + dy) = side;
  for (auto [dx, dy] : {std::pair{-1, -1}, {1, -1}, {-1, 1}, {1, 1}}) {
    f.Px(x + dx, y + dy) = diagonal;
  }
}

class MeasureTest : public UiTest {
 protected:
  void LoadStar() {
    WriteFits(StarFrame(), Data("star.fit"));
    ASSERT_TRUE(Main().LoadAndShow(QData("star.fit")));
  }
  // A 100 x 80 frame with a bright star at (30.3, 40.6) and a fainter one at (60.2, 25.7).
  void WritePair() {
    OTrame f = MakeFrame(100, 80, 100);
    AddMoffat(f, 30.3, 40.6, 5000, 3.0);
    AddMoffat(f, 60.2, 25.7, 2000, 3.0);
    WriteFits(f, Data("pair.fit"));
  }
  QString Label(const char* name) { return Find<QLabel>(name)->text(); }
  const ReductionTable& Table() { return Wb().formCentroid->Table(); }
  std::string Cell(int row, int col) { return Table().Cell(row, col); }
};

// The star frame measured with the default window (P = 6, automatic framing, half-height,
// connected region): the window 4..16 x 4..16 holds 160 pixels of 100, the centre 1000,
// four of 500 and four of 300: Sum = 20200, mean = 20200 / 169 = 119.5; Min = 100; the
// half-height threshold is (1000 - 100) / 2 + 100 = 550, so only the centre is used.
TEST_F(MeasureTest, TheStarIsMeasuredAtLoad) {
  LoadStar();
  EXPECT_EQ(Label("Label2"), "Max :1000\nMoy :119\nMin : 100\nSeuil :550");
  EXPECT_EQ(Main().CurrentPoint().X, 10);
  EXPECT_EQ(Main().CurrentPoint().Y, 10);
  EXPECT_EQ(Main().CurrentPoint().Count, 1);
  EXPECT_EQ(Main().CurrentPoint().Value, 900);  // peak minus the frame's median (100)
  EXPECT_EQ(Main().LastThreshold(), 550);
  EXPECT_TRUE(Find<QWidget>("Image2")->isVisible());
  // The region picture: the used pixel in white (level 255) on green.
  const QImage region = Find<ImageView>("Image4")->Picture();
  ASSERT_EQ(region.size(), QSize(100, 100));
  EXPECT_EQ(region.pixel(50, 50) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(region.pixel(2, 2) & 0xFFFFFF, 0x00C800u);
  // The table's read-out follows.
  EXPECT_EQ(Table().Field(ReductionField::CentroidX), "10");
  EXPECT_EQ(Table().Field(ReductionField::CentroidN), "1");
}

TEST_F(MeasureTest, WindowSizeOneGivesThreeByThreeAndMeasuresAgain) {
  LoadStar();
  EXPECT_EQ(Label("Label1"), "13 x 13");
  Find<QSlider>("HScroll1")->setValue(1);
  EXPECT_EQ(Label("Label1"), "3 x 3");
  // A 3 x 3 window uses all nine pixels: (1000 + 4 x 500 + 4 x 300) / 9 = 466.7; the
  // half-height (1000 - 300) / 2 + 300 = 650 is shown but not applied.
  EXPECT_EQ(Main().CurrentPoint().Count, 9);
  EXPECT_EQ(Main().CurrentPoint().X, 10);
  EXPECT_EQ(Label("Label2"), "Max :1000\nMoy :466\nMin : 300\nSeuil :650");
  Find<QSlider>("HScroll1")->setValue(30);
  EXPECT_EQ(Label("Label1"), "61 x 61");
}

TEST_F(MeasureTest, LeftClickMeasuresTheStarUnderThePointer) {
  WritePair();
  ASSERT_TRUE(Main().LoadAndShow(QData("pair.fit")));
  // At load: the brighter star.
  EXPECT_NEAR(static_cast<double>(Main().CurrentPoint().X), 30.3, 0.35);
  EXPECT_NEAR(static_cast<double>(Main().CurrentPoint().Y), 40.6, 0.35);
  QTest::mouseClick(Main().Image1(), Qt::LeftButton, {}, QPoint(62, 27));
  // Automatic framing finds B's peak within 6 pixels and centres on it.
  EXPECT_NEAR(static_cast<double>(Main().CurrentPoint().X), 60.2, 0.35);
  EXPECT_NEAR(static_cast<double>(Main().CurrentPoint().Y), 25.7, 0.35);
  EXPECT_GT(Main().CurrentPoint().Count, 1);
  // Manual framing centres the window exactly on the clicked pixel.
  Find<QRadioButton>("Cadrage0")->setChecked(true);
  QTest::mouseClick(Main().Image1(), Qt::MiddleButton, {}, QPoint(58, 24));
  EXPECT_EQ(Main().Mat().X0, 52);
  EXPECT_EQ(Main().Mat().Y0, 18);
  EXPECT_EQ(Main().Mat().NX, 12);
}

// At 3x every frame pixel is a 3 x 3 square of the screen: a real click inside the square of
// a pixel measures what a click on that pixel measures at 1:1, the read-out names the frame
// pixel, and the marks stay drawn in frame pixels, enlarged with them.
TEST_F(MeasureTest, ClickAtThreeTimesZoomMeasuresTheSameStar) {
  WritePair();
  ASSERT_TRUE(Main().LoadAndShow(QData("pair.fit")));
  QTest::mouseClick(Main().Image1(), Qt::LeftButton, {}, QPoint(62, 27));
  const rStarPos atOne = Main().CurrentPoint();
  ASSERT_NEAR(static_cast<double>(atOne.X), 60.2, 0.35);

  Main().Zoom().SetFactor(3);
  QApplication::processEvents();
  EXPECT_EQ(Main().Image1()->size(), QSize(300, 240));
  EXPECT_EQ(Main().Image1()->Picture().size(), QSize(100, 80));  // marks stay in frame pixels
  Main().ImageClick(Qt::LeftButton, 30, 40);                     // elsewhere first
  QTest::mouseClick(Main().Image1(), Qt::LeftButton, {}, QPoint(62 * 3 + 2, 27 * 3 + 1));
  EXPECT_EQ(Main().CurrentPoint().X, atOne.X);
  EXPECT_EQ(Main().CurrentPoint().Y, atOne.Y);
  EXPECT_EQ(Main().CurrentPoint().Count, atOne.Count);
  QTest::mouseMove(Main().Image1(), QPoint(62 * 3 + 2, 27 * 3 + 1));
  EXPECT_TRUE(Label("Label4").startsWith("(X,Y) : (62, 27)")) << Label("Label4").toStdString();
  // What the screen shows at (u, v) is frame pixel (u / 3, v / 3) of the picture, outline
  // included.
  const QImage picture = Main().Image1()->Picture();
  const QImage screen = Main().Image1()->grab().toImage();
  const QRect outline(Main().Mat().X0, Main().Mat().Y0, Main().Mat().NX, Main().Mat().NY);
  for (QPoint p : {outline.topLeft(), outline.center(), QPoint(60, 26), QPoint(0, 0)}) {
    for (QPoint d : {QPoint(0, 0), QPoint(2, 1)}) {
      EXPECT_EQ(screen.pixel(p * 3 + d) & 0xFFFFFF, picture.pixel(p) & 0xFFFFFF)
          << p.x() << "," << p.y();
    }
  }
}

// The wheel zooms one step about the pointer: the frame pixel under it stays under it; Ctrl+minus
// steps back.
// "Fit to pane" shows the whole frame as large as the pane allows.
TEST_F(MeasureTest, WheelZoomsAboutThePointerAndFitFillsThePane) {
  WriteFits(MakeFrame(700, 600, 100), Data("big.fit"));
  ASSERT_TRUE(Main().LoadAndShow(QData("big.fit")));
  const std::vector<unsigned char> settings = ReadBytes(Home() + "orvek.ini");
  auto* pane = Find<QScrollArea>("ScrollBox1");
  Main().Zoom().SetFactor(2);
  QApplication::processEvents();
  ImageView* view = Main().Image1();
  const QPoint at = pane->viewport()->rect().center() + QPoint(37, -21);
  const QPoint before = view->ImagePixelAt(view->mapFrom(pane->viewport(), at));
  QWheelEvent wheel(view->mapFrom(pane->viewport(), at), pane->viewport()->mapToGlobal(at),
                    QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                    false);
  QApplication::sendEvent(view, &wheel);
  QApplication::processEvents();
  EXPECT_EQ(Main().Zoom().Factor(), ImageZoom::NextStep(2, true));
  EXPECT_GT(Main().Zoom().Factor(), 2);
  const QPoint after = view->ImagePixelAt(view->mapFrom(pane->viewport(), at));
  EXPECT_LE((after - before).manhattanLength(), 1)
      << before.x() << "," << before.y() << " -> " << after.x() << "," << after.y();
  // Ctrl+minus goes one step back.
  QApplication::setActiveWindow(&Main());
  QTest::keyClick(&Main(), Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(Main().Zoom().Factor(), 2);
  Main().Action("ZoomFit1")->trigger();
  QApplication::processEvents();
  const QSize room = pane->maximumViewportSize();
  EXPECT_LE(view->width(), room.width());
  EXPECT_LE(view->height(), room.height());
  EXPECT_TRUE(std::abs(view->width() - room.width()) <= 1 ||
              std::abs(view->height() - room.height()) <= 1);
  EXPECT_TRUE(Main().Zoom().FitsPane());
  // A new frame is fitted too; the zoom is kept for the run and never written down.
  WriteFits(StarFrame(), Data("star.fit"));
  ASSERT_TRUE(Main().LoadAndShow(QData("star.fit")));
  QApplication::processEvents();
  EXPECT_NEAR(Main().Zoom().Factor(), std::min(room.width() / 21.0, room.height() / 21.0), 1e-9);
  EXPECT_EQ(ReadBytes(Home() + "orvek.ini"), settings);
}

// The status bar says what the next click does, names the entered A and the captured
// positions, and shows theta and rho from A to the star under the pointer: the figures the
// table then shows for that pair.
TEST_F(MeasureTest, StatusBarGuidesThroughAPair) {
  const IniFile ini(Home() + "orvek.ini");
  auto text = [&](const char* key) {
    return QString::fromStdString(ini.ReadString("FMain", key, ""));
  };
  QLabel* guide = Find<QLabel>("StatusGuide");
  EXPECT_TRUE(guide->text().contains(QString::fromUtf8("Charger Rép.")))
      << guide->text().toStdString();
  WritePair();
  m_prompter.QueueOpen({QData("pair.fit")});
  Main().OuvrirClick();
  EXPECT_EQ(guide->text(), text("sbEnterA"));
  EXPECT_TRUE(Find<QLabel>("StatusLive")->text().isEmpty());
  // comp A: the status bar and the button's tooltip name the position and the frame's size.
  QTest::mouseClick(Find<QPushButton>("Capture_A"), Qt::LeftButton);
  const QString a =
      "(" + QString::fromStdString(FormatFixed(static_cast<double>(Main().CapturedA().X), 2)) +
      ", " + QString::fromStdString(FormatFixed(static_cast<double>(Main().CapturedA().Y), 2)) +
      ")";
  EXPECT_TRUE(Find<QLabel>("StatusCaptures")->text().contains(a));
  EXPECT_TRUE(Find<QPushButton>("Capture_A")->toolTip().contains(a));
  EXPECT_TRUE(Find<QPushButton>("Capture_A")->toolTip().contains(QString::fromUtf8("100 × 80")));
  EXPECT_TRUE(Find<QPushButton>("Capture_B")->toolTip().contains(text("ttCapNone")));
  // A entered: the next right click enters B; A's coordinates are those of the table.
  QTest::mouseClick(Main().Image1(), Qt::RightButton, {}, QPoint(30, 40));
  ASSERT_TRUE(Table().LastRowOpen());
  EXPECT_EQ(guide->text(),
            Fill(text("sbEnterB"), {{"x", QString::fromStdString(Cell(1, kColXA))},
                                    {"y", QString::fromStdString(Cell(1, kColYA))}}));
  // The pointer over B: the live figures; then B measured there and entered.
  QTest::mouseMove(Main().Image1(), QPoint(61, 26));
  const QString live = Find<QLabel>("StatusLive")->text();
  EXPECT_FALSE(live.isEmpty());
  QTest::mouseClick(Main().Image1(), Qt::LeftButton, {}, QPoint(61, 26));
  QTest::mouseClick(Main().Image1(), Qt::RightButton, {}, QPoint(61, 26));
  ASSERT_EQ(Table().DataRows(), 1);
  ASSERT_FALSE(Table().LastRowOpen());
  EXPECT_EQ(live, Fill(text("sbLive"),
                       {{"theta", QString::fromStdString(Table().ResultCell(1, kResTheta))},
                        {"rho", QString::fromStdString(Table().ResultCell(1, kResRho))}}));
  EXPECT_EQ(guide->text(), text("sbEnterA"));
  EXPECT_TRUE(Find<QLabel>("StatusLive")->text().isEmpty());  // no A waits any more
  // The texts follow the interface language.
  Main().SelectLanguage("E");
  EXPECT_EQ(guide->text(), QString::fromStdString(ini.ReadString("EMain", "sbEnterA", "")));
  EXPECT_NE(guide->text(), text("sbEnterA"));
}

TEST_F(MeasureTest, OutlineIsDrawnOnceAndExclusiveOrTwiceLeavesThePicture) {
  LoadStar();
  const QImage shown = Main().Image1()->Picture();
  // Outline round (10, 10) with P = 6, on a black rendering: each outline pixel has its green
  // bit flipped exactly once, corners included; the inside is untouched.
  for (QPoint p : {QPoint(4, 4), QPoint(16, 16), QPoint(4, 16), QPoint(10, 4), QPoint(4, 10)}) {
    EXPECT_EQ(shown.pixel(p) & 0xFFFFFF, 0x008000u) << p.x() << "," << p.y();
  }
  EXPECT_EQ(shown.pixel(5, 5) & 0xFFFFFF, 0u);
  EXPECT_EQ(shown.pixel(3, 4) & 0xFFFFFF, 0u);
  // Erasing and drawing at the same point gives the same picture.
  Main().DrawWindowFrame(true);
  EXPECT_EQ(Main().Image1()->Picture(), shown);
  // A cross (with its square) drawn twice leaves the picture as it was.
  Main().DrawCross(10, 10, true, false, 5);
  EXPECT_NE(Main().Image1()->Picture(), shown);
  Main().DrawCross(10, 10, true, false, 5);
  EXPECT_EQ(Main().Image1()->Picture(), shown);
}

TEST_F(MeasureTest, CompACompBCaptureThePositionsAndSizes) {
  OTrame f = MakeFrame(60, 50, 100);
  AddPattern(f, 20, 20, 1000, 500, 300);
  AddPattern(f, 32, 27, 600, 300, 200);
  WriteFits(f, Data("pair.fit"));
  Main().SetItems({"pair.fit"}, {true});
  Main().ListeFic().Dossier = m_data->Path();
  Main().RefreshSelection();
  ASSERT_TRUE(Main().LoadAndShow(QData("pair.fit")));
  const QImage before = Main().Image1()->Picture();
  QTest::mouseClick(Find<QPushButton>("Capture_A"), Qt::LeftButton);
  EXPECT_EQ(Main().CapturedA().X, 20);
  EXPECT_EQ(Main().CapturedA().Y, 20);
  EXPECT_EQ(Main().SizeA(), 6);
  EXPECT_NE(Main().Image1()->Picture(), before);  // the cross of half-size 15
  QTest::mouseClick(Main().Image1(), Qt::LeftButton, {}, QPoint(31, 28));
  Main().SetHalfSize(4);
  QTest::mouseClick(Find<QPushButton>("Capture_B"), Qt::LeftButton);
  EXPECT_EQ(Main().CapturedB().X, 32);
  EXPECT_EQ(Main().CapturedB().Y, 27);
  EXPECT_EQ(Main().SizeB(), 4);
}

TEST_F(MeasureTest, DraggedThresholdAppliesToOneMeasurement) {
  LoadStar();
  // Profile scale 100 / (1000 + 1 - 100); at row 60 of 100: threshold
  // 100 - 1 + 40 x 901 / 100 = 459.4: the centre and its four sides (500) are used.
  Main().ProfileDrag(60);
  EXPECT_NEAR(static_cast<double>(Main().LastThreshold()), 459.4, 1e-9);
  EXPECT_EQ(Main().CurrentPoint().Count, 5);
  EXPECT_EQ(Label("Label2"), "Max :1000\nMoy :119\nMin : 100\nSeuil :459");
  // The next measurement uses the half-height again.
  Main().MeasureAt(Main().CurrentPoint());
  EXPECT_EQ(Main().CurrentPoint().Count, 1);
  EXPECT_EQ(Main().LastThreshold(), 550);
}

TEST_F(MeasureTest, ProfilesShowThresholdAndWindowEdges) {
  LoadStar();
  const QImage profile = Find<ImageView>("Image2")->Picture();
  ASSERT_EQ(profile.size(), QSize(77, 100));
  auto blackIn = [&](int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int x = x0; x <= x1; ++x) {
      for (int y = y0; y <= y1; ++y) n += (profile.pixel(x, y) & 0xFFFFFF) == 0 ? 1 : 0;
    }
    return n;
  };
  // Threshold 550 at row nearest(100 - 450 x 100 / 901) = 50; edges at columns
  // nearest(6 x 3.08) = 18 and nearest(18 x 3.08) = 55; dotted, so some pixels are black.
  EXPECT_GT(blackIn(0, 50, 76, 50), 10);
  EXPECT_GT(blackIn(18, 0, 18, 99), 10);
  EXPECT_GT(blackIn(55, 0, 55, 99), 10);
  EXPECT_LE(blackIn(0, 30, 76, 30), 2);                  // only the two edge lines cross row 30
  EXPECT_EQ(profile.pixel(5, 5) & 0xFFFFFF, 0xFFFF00u);  // yellow background
}

TEST_F(MeasureTest, MagnifierFollowsThePointerAndInverts) {
  LoadStar();
  Main().ImageMouseMove(10, 10);
  const QImage zoom = Find<ImageView>("Image3")->Picture();
  ASSERT_EQ(zoom.size(), QSize(100, 100));
  EXPECT_EQ(zoom.pixel(10, 51) & 0xFFFFFF, 0x0000FFu);  // blue line at row 100 / 2 + 1
  EXPECT_EQ(zoom.pixel(51, 10) & 0xFFFFFF, 0xFF0000u);  // red line at column 51
  EXPECT_EQ(zoom.pixel(0, 0) & 0xFFFFFF, 0u);           // (-5, -5) lies outside the image
  Find<QCheckBox>("CheckBox1")->setChecked(true);
  Main().ImageMouseMove(10, 10);
  EXPECT_EQ(Find<ImageView>("Image3")->Picture().pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(MeasureTest, RightClickEntersTheMeasurementIntoTheTable) {
  LoadStar();
  QTest::mouseClick(Main().Image1(), Qt::RightButton, {}, QPoint(3, 3));
  ASSERT_EQ(Table().DataRows(), 1);
  EXPECT_EQ(Cell(1, kColXA), "10");
  EXPECT_EQ(Cell(1, kColYA), "10");
  EXPECT_EQ(Cell(1, kColIntA), "900");
  EXPECT_TRUE(Table().LastRowOpen());
}

TEST_F(MeasureTest, FastMeasurementRefusesAFrameThatIsNotACentredSpectrum) {
  Main().Action("InterferometryFastmeasurement1")->trigger();
  EXPECT_TRUE(Find<QWidget>("lblTipFastMeasurement")->isVisible());
  EXPECT_EQ(Label("lblTipFastMeasurement"),
            QString::fromUtf8("Fast Measurement activé : Cliquez uniquement B"));
  for (auto [w, h] : {std::pair{200, 200}, {256, 128}}) {
    OTrame f = MakeFrame(w, h, 100);
    AddPattern(f, 50, 50, 1000, 500, 300);
    WriteFits(f, Data("spectrum.fit"));
    ASSERT_TRUE(Main().LoadAndShow(QData("spectrum.fit")));
    m_prompter.ClearCalls();
    Main().ImageClick(Qt::RightButton, 50, 50);
    EXPECT_EQ(m_prompter.Texts(Kind::Error),
              QStringList{QString::fromUtf8(
                  "Interferometric Fast Measurement inutilisable, le pic n'est pas centré")});
    EXPECT_EQ(Table().DataRows(), 0);
  }
  Main().Action("InterferometryFastmeasurement1")->trigger();
  EXPECT_FALSE(Find<QWidget>("lblTipFastMeasurement")->isVisible());
}

TEST_F(MeasureTest, FastMeasurementEntersTheCentreAsAAndThePeakAsB) {
  OTrame f = MakeFrame(512, 512, 100);
  AddPattern(f, 300, 220, 1000, 500, 300);
  WriteFits(f, Data("autocorr.fit"));
  ASSERT_TRUE(Main().LoadAndShow(QData("autocorr.fit")));
  Main().Action("InterferometryFastmeasurement1")->trigger();
  QTest::mouseClick(Main().Image1(), Qt::RightButton, {}, QPoint(299, 221));
  ASSERT_EQ(Table().DataRows(), 1);
  EXPECT_EQ(Cell(1, kColXA), "256");
  EXPECT_EQ(Cell(1, kColYA), "256");
  EXPECT_EQ(Cell(1, kColXB), "300");
  EXPECT_EQ(Cell(1, kColYB), "220");
  EXPECT_EQ(Cell(1, kColIntA), "900");  // Value and Count of the last measurement for both
  EXPECT_EQ(Cell(1, kColIntB), "900");
  EXPECT_EQ(Cell(1, kColImage), "autocorr.fit");
  EXPECT_EQ(Main().CurrentPoint().X, 300);  // the kept position is put back
  EXPECT_EQ(m_prompter.Count(Kind::Error), 0);
}

TEST_F(MeasureTest, AutoOrvekMeasuresEveryTickedFrame) {
  QStringList files;
  for (int i = 0; i < 3; ++i) {
    OTrame f = MakeFrame(60, 50, 100);
    AddPattern(f, 20 + i, 20, 1000, 500, 300);
    AddPattern(f, 32 + i, 27, 600, 300, 200);
    const std::string name = "frame" + std::to_string(i) + ".fit";
    WriteFits(f, Data(name));
    files << QData(name);
  }
  m_prompter.QueueOpen(files);
  Main().OuvrirClick();
  Main().Capture_AClick();                    // A of the first frame: (20, 20)
  Main().ImageClick(Qt::LeftButton, 33, 26);  // B: (32, 27)
  Main().Capture_BClick();
  Main().SetTicked(1, false);
  Wb().reductionCommands->AutoOrvekClick();
  // Two ticked frames, one row each: A at the frame's star, B where the offset (12, 7) leads.
  ASSERT_EQ(Table().DataRows(), 2);
  EXPECT_EQ(Cell(1, kColXA), "20");
  EXPECT_EQ(Cell(1, kColXB), "32");
  EXPECT_EQ(Cell(2, kColXA), "22");
  EXPECT_EQ(Cell(2, kColXB), "34");
  EXPECT_EQ(Cell(2, kColYB), "27");
  EXPECT_EQ(Cell(2, kColImage), "frame2.fit");
  EXPECT_EQ(Main().SelectedIndex(), 0);
  EXPECT_EQ(Main().CurrentFrame().FileName, files[0].toStdString());
}

}  // namespace
}  // namespace orvek::test
