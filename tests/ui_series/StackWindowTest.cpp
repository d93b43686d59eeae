// "A&dditionner Liste", "Composita&ge automatique", "Compositer &Reductions" and "Bias"
// through the main window.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "SeriesUiSupport.h"
#include "core/Utils.h"
#include "series/Stacking.h"
#include "ui/SeriesCommands.h"
#include "ui/UdlgAlign.h"
#include "ui/UfrmCentroid.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

class StackWindowTest : public SeriesUiTest {
 protected:
  static OTrame Load(const std::string& path) {
    OTrame f;
    EXPECT_TRUE(f.LoadFile(path).ok()) << path;
    return f;
  }
  std::unique_ptr<ModalDriver> ConfirmWithSize(const QString& size) {
    return std::make_unique<ModalDriver>(&Dialog(), [this, size] {
      Dialog().findChild<QLineEdit*>("ctlTailleRecadrage")->setText(size);
      Dialog().findChild<QPushButton*>("Button1")->click();
    });
  }
  // A 40 x 30 frame of constant value v with a star of 1000 above it at (20, 15).
  static OTrame Level(double v, int width = 40) { return PlusStar(width, 30, 20, 15, 1000, v); }
  bool BiasLabelShown() { return Find<QLabel>("darkfile")->isVisible(); }
};

// ---- Addition ---------------------------------------------------------------------------------

TEST_F(StackWindowTest, AddingPositionsOneTwoFiveWritesAd0005AndShowsIt) {
  const double levels[] = {10, 20, 30, 40, 60};
  for (int i = 0; i < 5; ++i)
    WriteData("m57_00" + std::to_string(i + 1) + ".fit", Level(levels[i]));
  ListData("m57_*.fit");
  Main().SetTicked(2, false);
  Main().SetTicked(3, false);
  Main().RefreshSelection();
  // A composite of an earlier run is replaced.
  WriteBytes(Work("tempc") + "ad0009_old.orvc", {1, 2, 3});
  Main().Action("Additioner1")->trigger();

  const std::string composite = Work("tempc") + "ad0005_m57_001.orvc";
  EXPECT_EQ(ListFiles(Work("tempc"), "ad*.*"), std::vector<std::string>{"ad0005_m57_001.orvc"});
  EXPECT_EQ(Main().CurrentFrame().FileName, composite);
  const OTrame c = Load(composite);
  ASSERT_EQ(c.Width(), 40);
  // Mean of positions 1, 2 and 5: (10 + 20 + 60) / 3 = 30 in the background, and
  // (1010 + 1020 + 1060) / 3 = 1030 at the star.
  EXPECT_EQ(c.Px(3, 3), 30);
  EXPECT_EQ(c.Px(20, 15), 1030);
  EXPECT_EQ(Counter(), "Sel : 3");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
}

TEST_F(StackWindowTest, FramesOfAnotherSizeAreLeftOutAndNamedAtTheEnd) {
  WriteData("m57_001.fit", Level(10));
  WriteData("m57_002.fit", Level(20));
  WriteData("m57_003.fit", Level(40, 50));  // 50 x 30
  WriteData("m57_004.fit", Level(30));
  ListData("m57_*.fit");
  Main().Action("Additioner1")->trigger();
  const std::string composite = Work("tempc") + "ad0004_m57_001.orvc";
  ASSERT_EQ(Main().CurrentFrame().FileName, composite);
  // (10 + 20 + 30) / 3.
  EXPECT_EQ(Load(composite).Px(3, 3), 20);
  const QStringList infos = m_prompter.Texts(Kind::Info);
  ASSERT_EQ(infos.size(), 1);
  EXPECT_TRUE(infos[0].contains("m57_003.fit")) << infos[0].toStdString();
  EXPECT_FALSE(infos[0].contains("m57_004.fit"));
}

TEST_F(StackWindowTest, NothingTickedAddsNothing) {
  WriteData("m57_001.fit", Level(10));
  ListData("m57_*.fit");
  Main().CheckAllClick(false);
  EXPECT_FALSE(Main().Action("Additioner1")->isEnabled());
  EXPECT_FALSE(Series().AddList());
  EXPECT_TRUE(ListFiles(Work("tempc"), "*.*").empty());
}

// ---- Automatic compositing ---------------------------------------------------------------------

TEST_F(StackWindowTest, AutomaticCompositingAlignsSortsAndAdds) {
  // Background 100, stars on whole pixels with peaks 300, 900, 500, 700 above it. In each
  // 32 x 32 crop Median = 100, so the star's Value is its peak, and Mean + Sigma of the cross
  // sample is 100 + k x peak for one k: the S/N score p / (100 + k p) grows with the peak.
  WriteData("c1.fit", PlusStar(160, 120, 60, 50, 300, 100));
  WriteData("c2.fit", PlusStar(160, 120, 75, 40, 900, 100));
  WriteData("c3.fit", PlusStar(160, 120, 90, 70, 500, 100));
  WriteData("c4.fit", PlusStar(160, 120, 50, 80, 700, 100));
  ListData("c*.fit");
  auto driver = ConfirmWithSize("32");
  Main().Action("Compositageautomatique1")->trigger();
  ASSERT_TRUE(driver->Ran());

  EXPECT_EQ(ListFiles(Work("temp"), "*.*"),
            (std::vector<std::string>{"c1.orva", "c2.orva", "c3.orva", "c4.orva"}));
  EXPECT_EQ(Names(), (QStringList{"c2.orva", "c4.orva", "c3.orva", "c1.orva"}));
  EXPECT_EQ(Ticks(), std::vector<bool>(4, true));
  EXPECT_TRUE(Main().ListIsBlue());
  // Four frames averaged, the best first: its name names the composite.
  const std::string composite = Work("tempc") + "ad0004_c2.orvc";
  ASSERT_EQ(Main().CurrentFrame().FileName, composite);
  const OTrame c = Load(composite);
  ASSERT_EQ(c.Width(), 32);
  // Every star on the crop's pixel (16, 16): 100 + (300 + 900 + 500 + 700) / 4.
  EXPECT_EQ(c.Px(16, 16), 700);
  EXPECT_EQ(c.Px(2, 2), 100);
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
}

TEST_F(StackWindowTest, AutomaticCompositingKeepsTheCompositeTheTableRefersTo) {
  WriteData("c1.fit", PlusStar(160, 120, 60, 50, 300, 100));
  WriteData("c2.fit", PlusStar(160, 120, 75, 40, 900, 100));
  ListData("c*.fit");
  // A row of the table was measured on the composite of an earlier run, whose name the new
  // composite would take.
  WriteBytes(Work("tempc") + "ad0002_c2.orvc", {9});
  WriteBytes(Work("tempc") + "ad0007_old.orvc", {1});
  ReductionTable& table = Wb().formCentroid->Table();
  while (table.DataRows() < 1) table.AddRow();
  table.SetCell(1, kColPath, Work("tempc"));
  table.SetCell(1, kColImage, "ad0002_c2.orvc");
  auto driver = ConfirmWithSize("32");
  Main().Action("Compositageautomatique1")->trigger();
  ASSERT_TRUE(driver->Ran());

  EXPECT_EQ(ReadBytes(Work("tempc") + "ad0002_c2.orvc"), std::vector<unsigned char>{9});
  EXPECT_EQ(ListFiles(Work("tempc"), "ad*.*"),
            (std::vector<std::string>{"ad0002_c2-2.orvc", "ad0002_c2.orvc"}));
  EXPECT_EQ(Main().CurrentFrame().FileName, Work("tempc") + "ad0002_c2-2.orvc");
  // Said once, naming both files.
  const QStringList infos = m_prompter.Texts(Kind::Info);
  ASSERT_EQ(infos.size(), 1);
  EXPECT_TRUE(infos[0].contains("ad0002_c2.orvc")) << infos[0].toStdString();
  EXPECT_TRUE(infos[0].contains("ad0002_c2-2.orvc")) << infos[0].toStdString();
}

TEST_F(StackWindowTest, AutomaticCompositingCancelledDoesNothing) {
  WriteData("c1.fit", PlusStar(160, 120, 60, 50, 300, 100));
  ListData("c*.fit");
  ModalDriver driver(&Dialog(), [&] { Dialog().findChild<QPushButton*>("Button2")->click(); });
  Main().Action("Compositageautomatique1")->trigger();
  ASSERT_TRUE(driver.Ran());
  EXPECT_TRUE(ListFiles(Work("temp"), "*.*").empty());
  EXPECT_TRUE(ListFiles(Work("tempc"), "*.*").empty());
  EXPECT_EQ(Names(), QStringList{"c1.fit"});
}

// ---- Compositing the measurement table's images ----------------------------------------------

TEST_F(StackWindowTest, CompositeReductionsCropsRoundEachRowsComponentA) {
  WriteData("r1.fit", PlusStar(160, 120, 60, 45, 800, 100));
  WriteData("r2.fit", PlusStar(160, 120, 70, 50, 800, 100));
  WriteData("r3.fit", PlusStar(160, 120, 80, 55, 800, 100));
  ListData("r*.fit");
  // The rows' A lies 2 columns left of and 1 row above each star: the crops are centred on
  // the rows, not on the stars measured at load.
  ReductionTable& table = Wb().formCentroid->Table();
  const int xs[] = {58, 68, 78}, ys[] = {44, 49, 54};
  while (table.DataRows() < 3) table.AddRow();
  for (int r = 1; r <= 3; ++r) {
    table.SetCell(r, kColPath, m_data->Path());
    table.SetCell(r, kColImage, "r" + std::to_string(r) + ".fit");
    table.SetCell(r, kColXA, std::to_string(xs[r - 1]));
    table.SetCell(r, kColYA, std::to_string(ys[r - 1]));
  }
  QPoint centre;
  ModalDriver driver(&Dialog(), [&] {
    centre = Dialog().CropCentre();
    Dialog().findChild<QLineEdit*>("ctlTailleRecadrage")->setText("32");
    Dialog().findChild<QPushButton*>("Button1")->click();
  });
  Main().Action("AdditionnerReductions1")->trigger();
  ASSERT_TRUE(driver.Ran());
  // The preview stands on row 1's A.
  EXPECT_EQ(centre, QPoint(58, 44));
  // Crops written as ".orvr" and renamed ".orva" at the end.
  EXPECT_EQ(ListFiles(Work("temp"), "*.*"),
            (std::vector<std::string>{"r1.orva", "r2.orva", "r3.orva"}));
  EXPECT_EQ(Names(), (QStringList{"r1.orva", "r2.orva", "r3.orva"}));
  EXPECT_TRUE(Main().ListIsBlue());
  const std::string composite = Work("tempc") + "ad0003_r1.orvc";
  ASSERT_EQ(Main().CurrentFrame().FileName, composite);
  // Window left = xA - 16, top = yA - 16: every star on the crop's pixel (18, 17).
  const OTrame c = Load(composite);
  EXPECT_EQ(c.Px(18, 17), 900);
  EXPECT_EQ(c.Px(16, 16), 100);
}

TEST_F(StackWindowTest, CompositeReductionsWithABadCellNamesIt) {
  WriteData("r1.fit", PlusStar(160, 120, 60, 45, 800, 100));
  ListData("r*.fit");
  ReductionTable& table = Wb().formCentroid->Table();
  while (table.DataRows() < 1) table.AddRow();
  table.SetCell(1, kColPath, m_data->Path());
  table.SetCell(1, kColImage, "r1.fit");
  table.SetCell(1, kColXA, "abc");
  table.SetCell(1, kColYA, "44");
  Main().Action("AdditionnerReductions1")->trigger();
  ASSERT_EQ(m_prompter.Count(Kind::Error), 1);
  EXPECT_TRUE(m_prompter.Texts(Kind::Error)[0].contains("abc"));
  EXPECT_FALSE(Dialog().isVisible());
}

// ---- Bias --------------------------------------------------------------------------------------

class BiasWindowTest : public StackWindowTest {
 protected:
  // Dark frames of a constant value with another value at (5, 5).
  std::string Dark(const std::string& name, double v, double at55, int width = 40) {
    OTrame f = MakeFrame(width, 30, v);
    f.Px(5, 5) = at55;
    return WriteData(name, f);
  }
  void ShowLight() {
    WriteData("l1.fit", Level(500));
    WriteData("l2.fit", Level(700));
    ListData("l*.fit");
    ASSERT_EQ(Main().CurrentFrame().Px(3, 3), 500);
    ASSERT_FALSE(BiasLabelShown());
  }
  void Bias(const std::vector<std::string>& files) {
    QStringList list;
    for (const std::string& f : files) list << QString::fromStdString(f);
    m_prompter.QueueOpen(list);
    Find<QPushButton>("Button2")->click();
  }
};

TEST_F(BiasWindowTest, MedianOfThreeIsSubtractedAtEveryLoadAndShowsTheLabel) {
  ShowLight();
  // Medians by hand: of 10, 30, 20 -> 20; at (5, 5) of 50, 20, 40 -> 40.
  Bias({Dark("d1.fit", 10, 50), Dark("d2.fit", 30, 20), Dark("d3.fit", 20, 40)});
  ASSERT_NE(Main().BiasFrame(), nullptr);
  EXPECT_EQ(Main().BiasFrame()->Px(3, 3), 20);
  EXPECT_EQ(Main().BiasFrame()->Px(5, 5), 40);
  EXPECT_TRUE(QFile::exists(QString::fromStdString(Work("temps") + "dark.orvc")));
  // The frame shown was loaded again, with the bias.
  EXPECT_EQ(Main().CurrentFrame().FileName, Data("l1.fit"));
  EXPECT_EQ(Main().CurrentFrame().Px(3, 3), 480);
  EXPECT_EQ(Main().CurrentFrame().Px(5, 5), 460);
  EXPECT_TRUE(BiasLabelShown());
  // The next load subtracts it too.
  Main().ListItemClicked(1);
  EXPECT_EQ(Main().CurrentFrame().Px(3, 3), 680);
  EXPECT_TRUE(BiasLabelShown());
  // An ORV file is taken as it is.
  ASSERT_TRUE(Load(Data("l2.fit")).SaveOrv(0, 0, 39, 29, Data("l2.orv")).ok);
  ASSERT_TRUE(Main().LoadAndShow(QData("l2.orv")));
  EXPECT_EQ(Main().CurrentFrame().Px(3, 3), 700);
  EXPECT_FALSE(BiasLabelShown());
  EXPECT_EQ(m_prompter.Count(Kind::Info) + m_prompter.Count(Kind::Error), 0);
}

TEST_F(BiasWindowTest, MedianOfFourIsTheMeanOfTheMiddleTwo) {
  ShowLight();
  // 10, 40, 20, 30 sorted: 10 20 30 40 -> (20 + 30) / 2 = 25; at (5, 5): 1, 2, 3, 5 -> 2.5.
  Bias(
      {Dark("d1.fit", 10, 1), Dark("d2.fit", 40, 2), Dark("d3.fit", 20, 3), Dark("d4.fit", 30, 5)});
  ASSERT_NE(Main().BiasFrame(), nullptr);
  EXPECT_EQ(Main().BiasFrame()->Px(3, 3), 25);
  EXPECT_EQ(Main().BiasFrame()->Px(5, 5), 2.5L);
  EXPECT_EQ(Main().CurrentFrame().Px(3, 3), 475);
  EXPECT_TRUE(BiasLabelShown());
}

TEST_F(BiasWindowTest, FramesOfTwoSizesGiveTheMessageAndNoBias) {
  ShowLight();
  Bias({Dark("d1.fit", 10, 50), Dark("d2.fit", 30, 20, 41), Dark("d3.fit", 20, 40)});
  EXPECT_EQ(m_prompter.Texts(Kind::Info),
            QStringList{QString::fromUtf8("Les images doivent toutes avoir la même taille")});
  EXPECT_EQ(Main().BiasFrame(), nullptr);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(Work("temps") + "dark.orvc")));
  EXPECT_EQ(Main().CurrentFrame().Px(3, 3), 500);
  EXPECT_FALSE(BiasLabelShown());
}

TEST_F(BiasWindowTest, ASingleFileIsTheBiasAndCancellingRemovesIt) {
  ShowLight();
  Bias({Dark("d1.fit", 10, 50)});
  ASSERT_NE(Main().BiasFrame(), nullptr);
  EXPECT_EQ(Main().CurrentFrame().Px(3, 3), 490);
  EXPECT_EQ(Main().CurrentFrame().Px(5, 5), 450);
  // "Bias" again, dialog cancelled: no bias any more, the frame shown without it.
  m_prompter.QueueOpen({});
  Find<QPushButton>("Button2")->click();
  EXPECT_EQ(Main().BiasFrame(), nullptr);
  EXPECT_EQ(Main().CurrentFrame().Px(3, 3), 500);
  EXPECT_FALSE(BiasLabelShown());
  EXPECT_EQ(m_prompter.Unscripted(), 0);
}

TEST_F(BiasWindowTest, AdditionSubtractsTheBiasFromEveryFrame) {
  Bias({Dark("d1.fit", 10, 10)});
  WriteData("m57_001.fit", Level(110));
  WriteData("m57_002.fit", Level(130));
  ListData("m57_*.fit");
  Main().Action("Additioner1")->trigger();
  // ((110 - 10) + (130 - 10)) / 2.
  EXPECT_EQ(Load(Work("tempc") + "ad0002_m57_001.orvc").Px(3, 3), 110);
}

TEST_F(BiasWindowTest, TheBiasButtonIsEnabledWithoutAList) {
  EXPECT_TRUE(Find<QPushButton>("Button2")->isEnabled());
  EXPECT_EQ(Find<QPushButton>("Button2")->text(), "Bias");
}

}  // namespace
}  // namespace orvek::test
