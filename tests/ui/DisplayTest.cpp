// Loading and showing an image, the display thresholds, the mouse read-out and the saves.

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest/QTest>

#include "UiFixture.h"
#include "core/Utils.h"
#include "ui/Controls.h"
#include "ui/UfrmFitsHeader.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

class DisplayTest : public UiTest {
 protected:
  QString Status() { return Find<QLabel>("lblFormatImage")->text(); }
  QString Text(const char* edit) { return Find<QLineEdit>(edit)->text(); }
  int Position(const char* bar) { return Find<QSlider>(bar)->value(); }
  QString LoadStar(const std::string& name = "star.fit") {
    WriteFits(StarFrame(), Data(name));
    const QString path = QData(name);
    EXPECT_TRUE(Main().LoadAndShow(path));
    return path;
  }
};

// The star frame's statistics by hand (cross sample of row 10 and column 10, 42 values:
// 1000 twice, 500 four times, 100 thirty-six times; h = 41):
//   Median = s[nearest(20.5)] = s[20] = 100; i0 = nearest(4.1) = 4, i1 = nearest(39.77) = 40,
//   37 values: Mean = (500 + 500 + 35 x 100) / 37 = 121.62..., Sigma = sqrt((2 x 378.38^2 +
//   35 x 21.62^2) / 38) = 89.2517 (independent computation), shown 89.25.
TEST_F(DisplayTest, OpenFitsShowsCaptionStatusAndThresholds) {
  const QString path = LoadStar();
  EXPECT_EQ(Main().windowTitle(), "Orvek : " + path + "  []");
  EXPECT_EQ(Status(), "21 x 21 pixels\nMax/Min :1000/100\nMoy / Sig :121 / 89.25\nMed :100");
  EXPECT_TRUE(Find<QWidget>("Image1")->isVisible());
  EXPECT_EQ(Main().Image1()->Picture().size(), QSize(21, 21));
  // AutoThresholds by hand: m = 100; top = nearest(1200) = 1200; min = nearest(80) = 80;
  // the window's peak w = 1000: upper = 100 + nearest(900 x 0.6) = 640;
  // TrackBar1 = nearest(100 x (640 - 80) / 1120) = 50; TrackBar2 = nearest(100 x 20 / 1120)
  // = nearest(1.79) = 2; niv1 = 50 / 100 x 1120 + 80 = 640; niv2 = 2 / 100 x 1120 + 80 = 102.4.
  EXPECT_EQ(Text("TrackBarsMax"), "1200");
  EXPECT_EQ(Text("TrackBarsMin"), "80");
  EXPECT_EQ(Position("TrackBar1"), 50);
  EXPECT_EQ(Position("TrackBar2"), 2);
  EXPECT_EQ(Text("niv1"), "640");
  EXPECT_EQ(Text("niv2"), "102.4");
  EXPECT_EQ(Main().Action("MaxMin1")->text(), "Max: 1200   Min: 80");
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
}

TEST_F(DisplayTest, ValueAndPositionConversions) {
  LoadStar();
  // Range 80 .. 1200.
  EXPECT_EQ(Main().ValueToPosition(80), 0);
  EXPECT_EQ(Main().ValueToPosition(1200), 100);
  EXPECT_EQ(Main().ValueToPosition(136), 5);  // 100 x 56 / 1120 = 5
  EXPECT_EQ(Main().ValueToPosition(108), 2);  // 100 x 28 / 1120 = 2.5 goes to the even 2
  EXPECT_DOUBLE_EQ(static_cast<double>(Main().PositionToValue(25)), 360.0);
  // An empty range counts the distance to min itself.
  Find<QLineEdit>("TrackBarsMax")->setText("80");
  EXPECT_EQ(Main().ValueToPosition(80.3L), 30);
}

TEST_F(DisplayTest, RenderedPictureFollowsTheThresholds) {
  LoadStar();
  // Grey display between niv2 = 102.4 and niv1 = 640: factor 255 / 537.6; the background
  // (100) gives nearest(-2.4 x 0.474) < 0 -> 0; the centre (1000) is above: 255.
  const QImage& picture = Main().Image1()->Picture();
  EXPECT_EQ(qGreen(picture.pixel(0, 20)), 0);
  EXPECT_EQ(qRed(picture.pixel(10, 10)) & 0xFF, 255);
  // A side pixel (500): nearest((500 - 102.4) x 255 / 537.6) = nearest(188.59) = 189.
  EXPECT_EQ(qBlue(picture.pixel(9, 10)), 189);
}

TEST_F(DisplayTest, VisuAutoUntickedKeepsTheRange) {
  Main().SetItems({"star.fit"}, {true});  // a ticked item enables the display controls
  Main().RefreshSelection();
  LoadStar();
  Find<QCheckBox>("VisuAuto")->setChecked(false);
  Find<QSlider>("TrackBar1")->setValue(70);
  Find<QSlider>("TrackBar2")->setValue(10);
  OTrame other = MakeFrame(30, 20, 3000);
  other.Px(15, 10) = 9000;
  WriteFits(other, Data("other.fit"));
  ASSERT_TRUE(Main().LoadAndShow(QData("other.fit")));
  EXPECT_EQ(Text("TrackBarsMax"), "1200");
  EXPECT_EQ(Text("TrackBarsMin"), "80");
  EXPECT_EQ(Position("TrackBar1"), 70);
  EXPECT_EQ(Position("TrackBar2"), 10);
  // 70 / 100 x 1120 + 80 = 864; 10 / 100 x 1120 + 80 = 192.
  EXPECT_EQ(Text("niv1"), "864");
  EXPECT_EQ(Text("niv2"), "192");
  // The new image is drawn with these thresholds: 3000 is above 864.
  EXPECT_EQ(qRed(Main().Image1()->Picture().pixel(2, 2)), 255);
  // Ticking Auto again applies the new statistics.
  Find<QCheckBox>("VisuAuto")->click();
  EXPECT_EQ(Text("TrackBarsMin"), "2400");
}

TEST_F(DisplayTest, FourierResultsGetANarrowWindow) {
  const std::string tempf = WorkFolder("tempf");
  WriteFits(StarFrame(), tempf + "f0.fit");
  ASSERT_TRUE(Main().LoadAndShow(QString::fromStdString(tempf + "f0.fit")));
  // m = 100: TrackBar1 = nearest(100 x (110 - 80) / 1120) = nearest(2.68) = 3;
  // TrackBar2 = nearest(100 x (80 - 80) / 1120) = 0.
  EXPECT_EQ(Position("TrackBar1"), 3);
  EXPECT_EQ(Position("TrackBar2"), 0);
}

TEST_F(DisplayTest, MissingFileAndUnknownExtensionReachTheMessageInterface) {
  EXPECT_FALSE(Main().LoadAndShow(QData("nowhere.fit")));
  EXPECT_EQ(m_prompter.Texts(Kind::Info), QStringList{"File not found"});
  LoadStar();
  QFile other(QData("notes.txt"));
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.write("hello");
  other.close();
  m_prompter.ClearCalls();
  EXPECT_FALSE(Main().LoadAndShow(QData("notes.txt")));
  ASSERT_EQ(m_prompter.Texts(Kind::Info).size(), 1);
  EXPECT_EQ(m_prompter.Texts(Kind::Info).first(), Main().MessageText("msgExtInc"));
  EXPECT_TRUE(Main().MessageText("msgExtInc").startsWith("Extension de fichier inconnue"));
  EXPECT_FALSE(Find<QWidget>("Image1")->isVisible());
  EXPECT_FALSE(Main().HasImage());
}

// The busy pointer shows while a frame loads (seen here as the FITS header window receives
// the frame's cards, a step of the load) and is gone once the load has ended, also when the
// file could not be read.
TEST_F(DisplayTest, BusyPointerWhileAFrameLoadsAndUnreadableFileIsReported) {
  std::vector<int> shapes;
  QObject::connect(Wb().frmFitsHeader->Memo1(), &QPlainTextEdit::textChanged, [&shapes] {
    const QCursor* c = QApplication::overrideCursor();
    shapes.push_back(c != nullptr ? c->shape() : -1);
  });
  LoadStar();
  ASSERT_FALSE(shapes.empty());
  EXPECT_EQ(shapes.back(), Qt::WaitCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  QFile bad(QData("broken.fit"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("SIMPLE  =                    T");
  bad.close();
  EXPECT_FALSE(Main().LoadAndShow(QData("broken.fit")));
  EXPECT_EQ(m_prompter.Count(Kind::Error), 1);
  EXPECT_FALSE(Find<QWidget>("Image1")->isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DisplayTest, QuadQuadFilesDisableQuadPx) {
  // QuadPx is wired as its feature would wire it.
  Main().InstallCommand(MainCommand::Quad1, [] {});
  const OTrame f = StarFrame();
  ASSERT_TRUE(f.SaveOrv(0, 0, f.LastX, f.LastY, Data("quad_quad_x.orv")).ok);
  ASSERT_TRUE(f.SaveOrv(0, 0, f.LastX, f.LastY, Data("quad_x.orv")).ok);
  ASSERT_TRUE(Main().LoadAndShow(QData("quad_quad_x.orv")));
  EXPECT_FALSE(Main().Action("Quad1")->isEnabled());
  ASSERT_TRUE(Main().LoadAndShow(QData("quad_x.orv")));
  EXPECT_TRUE(Main().Action("Quad1")->isEnabled());
  Main().LoadAndShow(QData("quad_quad_missing.orv"));
  EXPECT_FALSE(Main().Action("Quad1")->isEnabled());
}

TEST_F(DisplayTest, MouseReadOutOverTheLastColumnAndBeyond) {
  LoadStar();
  Main().ImageMouseMove(20, 10);
  EXPECT_EQ(Find<QLabel>("Label4")->text(), "(X,Y) : (20, 10)\nLum : 100.00");
  Main().ImageMouseMove(21, 10);
  EXPECT_EQ(Find<QLabel>("Label4")->text(), "(X,Y) : (21, 10)\nLum : 0.00");
  // Through a real mouse move over the picture.
  QTest::mouseMove(Main().Image1(), QPoint(10, 9));
  EXPECT_EQ(Find<QLabel>("Label4")->text(), "(X,Y) : (10, 9)\nLum : 500.00");
}

TEST_F(DisplayTest, SavingAsUpperCaseFitWritesDotFitAppended) {
  LoadStar();
  m_prompter.QueueSave(QData("x.FIT"));
  Main().Action("FITS1")->trigger();
  EXPECT_TRUE(QFile::exists(QData("x.FIT.fit")));
  EXPECT_FALSE(QFile::exists(QData("x.FIT")));
  m_prompter.QueueSave(QData("y.fit"));
  Main().Action("FITS1")->trigger();
  EXPECT_TRUE(QFile::exists(QData("y.fit")));
  EXPECT_FALSE(QFile::exists(QData("y.fit.fit")));
  // Mode 1 of a frame whose maximum is below 32767 keeps the values.
  OTrame back;
  ASSERT_TRUE(back.LoadFile(Data("y.fit")).ok());
  EXPECT_EQ(back.Px(10, 10), 1000);
  EXPECT_EQ(back.Px(9, 9), 300);
}

TEST_F(DisplayTest, SaveDialogsProposeTheSeriesName) {
  WriteFits(StarFrame(), Data("a.fit"));
  m_prompter.QueueOpen({QData("a.fit")});
  Main().Action("Ouvrir")->trigger();
  Main().Action("BMP1")->trigger();  // cancelled
  Main().Action("ORV1")->trigger();  // cancelled
  const QStringList proposed = m_prompter.Texts(Kind::Save);
  ASSERT_EQ(proposed.size(), 2);
  const QString folderName = QString::fromStdString(LastFolderName(m_data->Path()));
  EXPECT_EQ(proposed[0], folderName + ".bmp");
  EXPECT_EQ(proposed[1], folderName + ".orv");
}

TEST_F(DisplayTest, OrvSaveReplacesTheExtension) {
  LoadStar();
  m_prompter.QueueSave(QData("z.fits"));
  Main().Action("ORV1")->trigger();
  EXPECT_TRUE(QFile::exists(QData("z.orv")));
  EXPECT_EQ(QFileInfo(QData("z.orv")).size(), 10 * (21 * 21 + 2));
}

TEST_F(DisplayTest, BmpSaveLeavesTheOutlineOut) {
  LoadStar();
  const QImage shown = Main().Image1()->Picture();
  m_prompter.QueueSave(QData("pic.bmp"));
  Main().Action("BMP1")->trigger();
  QImage saved(QData("pic.bmp"));
  ASSERT_EQ(saved.size(), QSize(21, 21));
  // Outline round (10, 10) with P = 6: corners (4, 4) and (16, 16). The file holds the
  // rendering (background 0) there; the screen holds it with the green bit flipped.
  EXPECT_EQ(saved.pixel(4, 4) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(shown.pixel(4, 4) & 0xFFFFFF, 0x008000u);
  EXPECT_EQ(Main().Image1()->Picture(), shown);  // the outline is back on screen
}

class SeriesTest : public DisplayTest {
 protected:
  // Four frames of widths 11, 12, 13, 14, listed and shown through Open.
  void ListFour() {
    QStringList files;
    for (int i = 0; i < 4; ++i) {
      OTrame f = MakeFrame(11 + i, 9, 100);
      f.Px(5, 4) = 900;
      const std::string name = "f" + std::to_string(i) + ".fit";
      WriteFits(f, Data(name));
      files << QData(name);
    }
    m_prompter.QueueOpen(files);
    Main().Action("Ouvrir")->trigger();
    ASSERT_EQ(Main().ItemCount(), 4);
  }
};

TEST_F(SeriesTest, SeriesSaveWritesS1S2S3ForThreeTickedFiles) {
  ListFour();
  Main().SetTicked(1, false);
  m_prompter.QueueSave(QData("s"));
  Main().Action("FITS2")->trigger();
  EXPECT_TRUE(QFile::exists(QData("s1.fit")));
  EXPECT_TRUE(QFile::exists(QData("s2.fit")));
  EXPECT_TRUE(QFile::exists(QData("s3.fit")));
  EXPECT_FALSE(QFile::exists(QData("s4.fit")));
  // s2 is the second ticked item (list position 2, width 13).
  OTrame s2;
  ASSERT_TRUE(s2.LoadFile(Data("s2.fit")).ok());
  EXPECT_EQ(s2.Width(), 13);
  EXPECT_FALSE(Find<QWidget>("btnSTOP")->isVisible());

  m_prompter.QueueSave(QData("o"));
  Main().Action("ORV2")->trigger();
  m_prompter.QueueSave(QData("b"));
  Main().Action("BMP2")->trigger();
  for (const char* name : {"o1.orv", "o2.orv", "o3.orv", "b1.bmp", "b2.bmp", "b3.bmp"}) {
    EXPECT_TRUE(QFile::exists(QData(name))) << name;
  }
  EXPECT_EQ(QImage(QData("b3.bmp")).width(), 14);
  EXPECT_EQ(m_prompter.Unscripted(), 0);
}

TEST_F(SeriesTest, SeriesSaveSkipsAFrameThatCannotBeRead) {
  ListFour();
  QFile::remove(QData("f1.fit"));
  m_prompter.QueueSave(QData("s"));
  Main().Action("ORV2")->trigger();
  EXPECT_EQ(m_prompter.Texts(Kind::Info), QStringList{"File not found"});
  EXPECT_TRUE(QFile::exists(QData("s3.orv")));
  EXPECT_FALSE(QFile::exists(QData("s4.orv")));
  OTrame s2;
  ASSERT_TRUE(s2.LoadFile(Data("s2.orv")).ok());
  EXPECT_EQ(s2.Width(), 13);
}

TEST_F(SeriesTest, StopEndsTheFitsSeriesAfterTheCurrentLoad) {
  ListFour();
  QPushButton* stop = Find<QPushButton>("btnSTOP");
  // The click arrives while the loop lets pending events run after its first load.
  QTimer::singleShot(0, stop, [stop] { stop->click(); });
  m_prompter.QueueSave(QData("s"));
  Main().Action("FITS2")->trigger();
  EXPECT_FALSE(QFile::exists(QData("s1.fit")));
  EXPECT_FALSE(stop->isVisible());
  EXPECT_FALSE(Main().StopFlag());
  EXPECT_EQ(Main().SelectedIndex(), 0);
}

TEST_F(SeriesTest, NothingTickedNoSeriesDialog) {
  ListFour();
  Main().CheckAllClick(false);
  Main().SaveSeries(TFormMain::SeriesKind::Fits);
  EXPECT_EQ(m_prompter.Count(Kind::Save), 0);
}

TEST_F(DisplayTest, SwapVerticalReloadsUpsideDown) {
  OTrame f = MakeFrame(8, 6, 10);
  f.Px(3, 0) = 700;
  WriteFits(f, Data("swap.fit"));
  ASSERT_TRUE(Main().LoadAndShow(QData("swap.fit")));
  EXPECT_EQ(Main().CurrentFrame().Px(3, 0), 700);
  Main().Action("SwapVert")->trigger();
  EXPECT_TRUE(Main().Action("SwapVert")->isChecked());
  EXPECT_EQ(Main().CurrentFrame().Px(3, 5), 700);
  EXPECT_EQ(Main().CurrentFrame().Px(3, 0), 10);
  Main().Action("SwapHoriz")->trigger();
  EXPECT_EQ(Main().CurrentFrame().Px(4, 5), 700);
}

TEST_F(DisplayTest, ThresholdPopupCommands) {
  LoadStar();  // range 80 .. 1200, d = 224
  Main().Action("Stretch1")->trigger();
  EXPECT_EQ(Text("TrackBarsMax"), "1424");
  EXPECT_EQ(Position("TrackBar1"), 100);
  EXPECT_EQ(Text("niv1"), "1424");
  // "<< Max": d = (1424 - 80) x 0.2 = 268.8, nearest 269: 1155; the bar goes to
  // ValueToPosition(1155) = 100.
  Main().Action("N9")->trigger();
  EXPECT_EQ(Text("TrackBarsMax"), "1155");
  EXPECT_EQ(Position("TrackBar1"), 100);
  // "Min >>": d = (1155 - 80) x 0.2 = 215: min 295; TrackBar2 to ValueToPosition(215),
  // below the new min: clamped to 0.
  Main().Action("N10")->trigger();
  EXPECT_EQ(Text("TrackBarsMin"), "295");
  EXPECT_EQ(Position("TrackBar2"), 0);
  EXPECT_EQ(Text("niv2"), "295");
  // "<< Min": d = (1155 - 295) x 0.2 = 172: min 123.
  Main().Action("N11")->trigger();
  EXPECT_EQ(Text("TrackBarsMin"), "123");
  EXPECT_EQ(Position("TrackBar2"), 0);
  // "|<-- Max": max = the larger threshold (niv1 = 1155).
  Find<QSlider>("TrackBar1")->setValue(50);  // niv1 = 0.5 x 1032 + 123 = 639
  EXPECT_EQ(Text("niv1"), "639");
  Main().Action("N13")->trigger();
  EXPECT_EQ(Text("TrackBarsMax"), "639");
  EXPECT_EQ(Text("niv1"), "639");
  // "Min -->|": min = the smaller threshold (niv2 = 123 at position 0).
  Find<QSlider>("TrackBar2")->setValue(10);  // 0.1 x 516 + 123 = 174.6
  Main().Action("N12")->trigger();
  EXPECT_EQ(Text("TrackBarsMin"), "174.6");
  EXPECT_EQ(Main().Action("MaxMin1")->text(), "Max: 639   Min: 174.6");
}

TEST_F(DisplayTest, OpenListsEveryChosenFileTicked) {
  QStringList files;
  for (const char* name : {"c.fit", "a.fit", "b.fit"}) {
    WriteFits(StarFrame(), Data(name));
    files << QData(name);
  }
  m_prompter.QueueOpen(files);
  Main().Action("Ouvrir")->trigger();
  ASSERT_EQ(Main().ItemCount(), 3);
  EXPECT_EQ(Main().ItemText(0), "c.fit");  // the dialog's order
  EXPECT_EQ(Main().ItemText(2), "b.fit");
  EXPECT_TRUE(Main().IsTicked(1));
  EXPECT_EQ(Main().ListeFic().Dossier, m_data->Path());
  const QString folder = QString::fromStdString(LastFolderName(m_data->Path()));
  EXPECT_EQ(Main().SeriesName(), folder);
  EXPECT_EQ(Main().windowTitle(), "Orvek : " + files[0] + "  [" + folder + "]");
  EXPECT_EQ(Find<QLineEdit>("Auto_Nb")->text(), "Sel : 3");
  EXPECT_EQ(Main().CurrentFrame().FileName, files[0].toStdString());
}

TEST_F(DisplayTest, OpenThatFailsKeepsTheList) {
  Main().SetItems({"old.fit"}, {true});
  m_prompter.QueueOpen({QData("gone.fit")});
  Main().Action("Ouvrir")->trigger();
  EXPECT_EQ(Main().ItemCount(), 1);
  EXPECT_EQ(Main().ItemText(0), "old.fit");
}

}  // namespace
}  // namespace orvek::test
