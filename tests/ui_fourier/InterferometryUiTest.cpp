// The interferometry menus driven through the main window: AutoCorrelation, Cross-Correlation,
// the Reference / Target power spectra and Result, the interferometry list, STOP, the size
// message, the hidden DEBUG menu, and the fast measurement on a result. Expected images are
// worked out by hand from sparse frames (the circular autocorrelation of two points), and the
// separation of a synthetic pair is known by construction.

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/IniFile.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "fourier/Interferometry.h"
#include "measure/ReductionTable.h"
#include "ui/AnalysisCommands.h"
#include "ui/Controls.h"
#include "ui/InterferometryCommands.h"
#include "ui/UdlgAlign.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmMain.h"
#include "ui/UiFixture.h"

namespace orvek::test {
namespace {

using fourier::FourierStatus;

// Two points of values p and q, the second (dx, dy) from the first, on a zero ground.
OTrame TwoPoints(int n, int x, int y, int dx, int dy, Extended p, Extended q) {
  OTrame f = MakeFrame(n, n, 0);
  f.Px(x, y) = p;
  f.Px(x + dx, y + dy) = q;
  return f;
}

class InterferometryUi : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    // The menu is an option: shown here as the user would show it.
    QAction* option = Main().Action("MenuInterfromtrie1");
    if (!option->isChecked()) option->trigger();
  }

  InterferometryCommands& Commands() { return Wb().analysisCommands->Interferometry(); }
  std::string Tempf() { return WorkFolder("tempf"); }
  std::vector<std::string> TempfFiles() { return ListFiles(Tempf(), "*.*"); }
  QListWidget* InterList() { return Find<QListWidget>("FileListBoxInter"); }
  QStringList InterEntries() {
    QStringList out;
    for (int i = 0; i < InterList()->count(); ++i) out << InterList()->item(i)->text();
    return out;
  }

  std::vector<std::string> OpenSeries(const std::vector<OTrame>& frames, const std::string& stem) {
    std::vector<std::string> paths;
    QStringList q;
    for (size_t k = 0; k < frames.size(); ++k) {
      paths.push_back(Data(stem + std::to_string(k) + ".fit"));
      WriteFits(frames[k], paths.back());
      q << QString::fromStdString(paths.back());
    }
    Main().OpenFiles(q);
    return paths;
  }

  void Trigger(const char* item) {
    QAction* a = Main().Action(item);
    ASSERT_NE(a, nullptr) << item;
    ASSERT_TRUE(a->isEnabled()) << item;
    a->trigger();
  }

  static QStringList SeriesNames(const QString& name) {
    QStringList out;
    for (int d = 0; d <= 9; ++d) out << QString("S%1_%2.orvc").arg(d).arg(name);
    return out;
  }

  OTrame Read(const std::string& path) {
    OTrame f;
    EXPECT_TRUE(f.LoadFile(path).ok()) << path;
    return f;
  }
};

// ---- Menus --------------------------------------------------------------------------------------

TEST_F(InterferometryUi, MenuShowsWhileItsOptionIsTickedAndIsStored) {
  QMenu* menu = Main().Menu("Interfromtrie1");
  QAction* option = Main().Action("MenuInterfromtrie1");
  EXPECT_TRUE(menu->menuAction()->isVisible());
  option->trigger();
  EXPECT_FALSE(option->isChecked());
  EXPECT_FALSE(menu->menuAction()->isVisible());
  option->trigger();
  EXPECT_TRUE(menu->menuAction()->isVisible());
  ASSERT_TRUE(Wb().formCentroid->SauveParams().ok);
  EXPECT_EQ(IniFile(SettingsPath()).ReadString("PARAMS", "MenuInterfromtrie1", "?"), "1");
}

TEST_F(InterferometryUi, ItemsAreWiredAndDebugMenuStaysHidden) {
  for (const char* item :
       {"AutocorrlationetSoustractionFond1", "InterCorrlationetSoustractionFond1",
        "PuissanceRfrence1", "PuissanceDouble1", "DivisionetRetourSpatial1",
        "LibrairieInterfromtrie1", "EnhancedPowerSpectrum1", "FFT1", "FFTdirecteargument1",
        "AutoCorrlation1", "InterCorrlation1", "SoustractionFond1", "DV01", "ClosePair1"}) {
    EXPECT_FALSE(Main().IsPending(item)) << item;
    EXPECT_TRUE(Main().Action(item)->isEnabled()) << item;
  }
  EXPECT_TRUE(Main().Action("EnhancedPowerSpectrum1")->isCheckable());
  EXPECT_FALSE(Main().Menu("mask1")->menuAction()->isVisible());
}

TEST_F(InterferometryUi, FastMeasurementTipFollowsItsTick) {
  QAction* fast = Main().Action("InterferometryFastmeasurement1");
  auto* tip = Find<QLabel>("lblTipFastMeasurement");
  EXPECT_FALSE(tip->isVisible());
  fast->trigger();
  EXPECT_TRUE(fast->isChecked());
  EXPECT_TRUE(tip->isVisible());
  fast->trigger();
  EXPECT_FALSE(tip->isVisible());
}

// ---- AutoCorrelation
// ------------------------------------------------------------------------------

TEST_F(InterferometryUi, OneFrameGivesItsCentredAutocorrelationAndTheTenBackgroundFiles) {
  // Points 1000 and 500, the second (5, 3) from the first. The circular autocorrelation is
  // 1000^2 + 500^2 at zero shift and 1000 x 500 at (5, 3) and (-5, -3), 0 elsewhere; scaled to
  // 65535 at the centre [64][64], the side peaks are 65535 x 0.5e6 / 1.25e6 = 26214.
  OpenSeries({TwoPoints(128, 40, 50, 5, 3, 1000, 500)}, "pair");
  Main().SetHalfSize(7);
  Trigger("AutocorrlationetSoustractionFond1");
  EXPECT_EQ(Commands().LastStatus(), FourierStatus::Written);
  EXPECT_EQ(m_prompter.Calls().size(), 0u);

  // The list shows exactly the ten files of the AutoSous series, S0 first, none opened.
  EXPECT_TRUE(InterList()->isVisible());
  EXPECT_FALSE(Find<QWidget>("CheckListBox")->isVisible());
  EXPECT_EQ(InterEntries(), SeriesNames("AutoSous"));
  EXPECT_EQ(InterList()->currentRow(), 0);
  // PuisDouble was written, read for the series, then deleted; Back.orva stays.
  EXPECT_FALSE(FileExists(Tempf() + "PuisDouble.orvc"));
  EXPECT_TRUE(FileExists(Tempf() + "Back.orva"));

  // S0 is the autocorrelation itself, and it is the frame shown.
  const std::string s0 = Tempf() + "S0_AutoSous.orvc";
  EXPECT_EQ(Main().CurrentFrame().FileName, s0);
  const OTrame a = Read(s0);
  ASSERT_EQ(a.Width(), 128);
  const Extended side = 65535.0L * 500000 / 1250000;
  for (int x = 0; x < 128; ++x) {
    for (int y = 0; y < 128; ++y) {
      Extended expected = 0;
      if (x == 64 && y == 64) expected = 65535;
      if ((x == 69 && y == 67) || (x == 59 && y == 61)) expected = side;
      ASSERT_NEAR(static_cast<double>(a.GetPixel(x, y)), static_cast<double>(expected), 1e-6)
          << x << "," << y;
    }
  }
  // The measurement window is back to its size, STOP hidden.
  EXPECT_EQ(Main().HalfSize(), 7);
  EXPECT_FALSE(Find<QPushButton>("btnSTOP")->isVisible());

  // "<===>" shows the image list again.
  Find<QPushButton>("btnListeInter")->click();
  EXPECT_FALSE(InterList()->isVisible());
  EXPECT_TRUE(Find<QWidget>("CheckListBox")->isVisible());
}

TEST_F(InterferometryUi, AClickOnAnEntryOpensIt) {
  OpenSeries({TwoPoints(64, 20, 20, 3, 2, 800, 400)}, "click");
  Trigger("AutocorrlationetSoustractionFond1");
  ASSERT_EQ(InterList()->count(), 10);
  // The selected first entry is opened by a click on it, another by a click on it.
  const QRect third = InterList()->visualItemRect(InterList()->item(3));
  QTest::mouseClick(InterList()->viewport(), Qt::LeftButton, {}, third.center());
  EXPECT_EQ(Main().CurrentFrame().FileName, Tempf() + "S3_AutoSous.orvc");
  Main().LoadAndShow(QString::fromStdString(Tempf() + "Back.orva"));
  QTest::mouseClick(InterList()->viewport(), Qt::LeftButton, {}, third.center());
  EXPECT_EQ(Main().CurrentFrame().FileName, Tempf() + "S3_AutoSous.orvc");
  const QRect first = InterList()->visualItemRect(InterList()->item(0));
  QTest::mouseClick(InterList()->viewport(), Qt::LeftButton, {}, first.center());
  EXPECT_EQ(Main().CurrentFrame().FileName, Tempf() + "S0_AutoSous.orvc");
  // The keyboard moves to the next entry and opens it.
  QTest::keyClick(InterList(), Qt::Key_Down);
  EXPECT_EQ(Main().CurrentFrame().FileName, Tempf() + "S1_AutoSous.orvc");
}

TEST_F(InterferometryUi, NonSquareSeriesIsCroppedTo128AfterTheSizeMessage) {
  // Frames of 200 x 160 with a star: the size message, the alignment dialog with "128", and on
  // OK the crops of "temp" are correlated.
  std::vector<OTrame> frames;
  for (int k = 0; k < 2; ++k) {
    OTrame f = MakeFrame(200, 160, 100);
    AddMoffat(f, 90.3 + k, 70.6 - k, 3000, 3);
    frames.push_back(f);
  }
  OpenSeries(frames, "wide");
  DialogAnswer ok(Wb().DlgAlign.get(), "Button1");
  Trigger("AutocorrlationetSoustractionFond1");
  EXPECT_TRUE(ok.shown);
  EXPECT_EQ(m_prompter.Texts(ScriptedPrompter::Kind::Error),
            QStringList{"Image size = 64x64, 128x128, 256x256, 512x512"});
  auto* crop = Wb().DlgAlign->findChild<QLineEdit*>("ctlTailleRecadrage");
  ASSERT_NE(crop, nullptr);
  EXPECT_EQ(crop->text(), "128");
  EXPECT_EQ(ListFiles(WorkFolder("temp"), "*.orva").size(), 2u);
  EXPECT_EQ(InterEntries(), SeriesNames("AutoSous"));
  EXPECT_EQ(Read(Tempf() + "S0_AutoSous.orvc").Width(), 128);
}

TEST_F(InterferometryUi, CancelledCropEndsWithTheWindowAtItsSmallestSize) {
  OpenSeries({MakeFrame(100, 100, 10)}, "cancel");
  Main().SetHalfSize(5);
  DialogAnswer cancel(Wb().DlgAlign.get(), "Button2");
  Trigger("AutocorrlationetSoustractionFond1");
  EXPECT_TRUE(cancel.shown);
  EXPECT_TRUE(TempfFiles().empty());
  // As designed: a run that ends early leaves the measurement window at 1.
  EXPECT_EQ(Main().HalfSize(), 1);
}

// ---- Power spectra, STOP, Result
// -------------------------------------------------------------------

TEST_F(InterferometryUi, WrongSizeFirstFrameGivesTheSizeMessageAndWritesNothing) {
  OpenSeries({MakeFrame(100, 100, 10), TwoPoints(128, 40, 50, 5, 3, 1000, 500)}, "size");
  Trigger("PuissanceDouble1");
  EXPECT_EQ(Commands().LastStatus(), FourierStatus::WrongSize);
  EXPECT_EQ(m_prompter.Texts(ScriptedPrompter::Kind::Error),
            QStringList{"Image size = 64x64, 128x128, 256x256, 512x512"});
  EXPECT_TRUE(TempfFiles().empty());
  EXPECT_FALSE(Find<QPushButton>("btnSTOP")->isVisible());
}

TEST_F(InterferometryUi, StopDuringTargetPowerSpectrumKeepsTheOlderOne) {
  const std::string older = Tempf() + "PuisDouble.orvc";
  ASSERT_TRUE(MakeFrame(64, 64, 7).SaveOrv(0, 0, 63, 63, older).ok);
  std::vector<unsigned char> before = ReadBytes(older);
  OpenSeries(std::vector<OTrame>(4, TwoPoints(128, 40, 50, 5, 3, 1000, 500)), "stop");
  // STOP is clicked as soon as it shows.
  bool stopSeen = false;
  QTimer poll;
  poll.setInterval(0);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* stop = Find<QPushButton>("btnSTOP");
    if (stop->isVisible()) {
      stopSeen = true;
      stop->click();
      poll.stop();
    }
  });
  poll.start();
  Trigger("PuissanceDouble1");
  poll.stop();
  EXPECT_TRUE(stopSeen);
  EXPECT_EQ(Commands().LastStatus(), FourierStatus::Stopped);
  EXPECT_EQ(ReadBytes(older), before);
  EXPECT_FALSE(Find<QPushButton>("btnSTOP")->isVisible());
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
}

TEST_F(InterferometryUi, TargetAndReferenceThenResult) {
  // Target: the pair; reference: a single point. Result = target autocorrelation - reference
  // autocorrelation, both scaled to 65535 at the centre: 0 at the centre, 26214 at the side
  // peaks, 0 elsewhere (S0_Div).
  OpenSeries({MakeFrame(64, 64, 0)}, "placeholder");
  const auto ref = OpenSeries({TwoPoints(64, 20, 20, 0, 1, 900, 0)}, "ref");
  Trigger("PuissanceRfrence1");
  ASSERT_EQ(Commands().LastStatus(), FourierStatus::Written);
  EXPECT_TRUE(FileExists(Tempf() + "PuisRef.orvc"));
  EXPECT_EQ(Main().CurrentFrame().FileName, Tempf() + "PuisRef.orvc");
  OpenSeries({TwoPoints(64, 20, 20, 5, 3, 1000, 500)}, "target");
  Trigger("PuissanceDouble1");
  ASSERT_EQ(Commands().LastStatus(), FourierStatus::Written);
  EXPECT_TRUE(FileExists(Tempf() + "PuisRef.orvc")) << "Target does not empty the folder";
  Trigger("DivisionetRetourSpatial1");
  ASSERT_EQ(Commands().LastStatus(), FourierStatus::Written);
  // Result empties nothing: the two spectra stay listed before the Div series.
  EXPECT_EQ(InterEntries(), QStringList({"PuisDouble.orvc", "PuisRef.orvc"}) + SeriesNames("Div"));
  const OTrame d = Read(Tempf() + "S0_Div.orvc");
  EXPECT_NEAR(static_cast<double>(d.GetPixel(32, 32)), 0.0, 1e-6);
  EXPECT_NEAR(static_cast<double>(d.GetPixel(37, 35)), 26214.0, 1e-6);
  EXPECT_NEAR(static_cast<double>(d.GetPixel(10, 50)), 0.0, 1e-6);
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
}

TEST_F(InterferometryUi, ResultWithoutReferenceSaysSoAndWritesNothing) {
  OpenSeries({TwoPoints(64, 20, 20, 5, 3, 1000, 500)}, "target");
  Trigger("PuissanceDouble1");
  ASSERT_EQ(Commands().LastStatus(), FourierStatus::Written);
  const std::vector<std::string> before = TempfFiles();
  Trigger("DivisionetRetourSpatial1");
  EXPECT_EQ(Commands().LastStatus(), FourierStatus::MissingInput);
  ASSERT_EQ(m_prompter.Count(ScriptedPrompter::Kind::Error), 1);
  EXPECT_TRUE(m_prompter.Texts(ScriptedPrompter::Kind::Error).first().contains("PuisRef.orvc"));
  EXPECT_EQ(TempfFiles(), before);
}

TEST_F(InterferometryUi, ResultWithSpectraOfTwoSizesSaysSoAndWritesNothing) {
  ASSERT_TRUE(MakeFrame(64, 64, 1).SaveOrv(0, 0, 63, 63, Tempf() + "PuisRef.orvc").ok);
  ASSERT_TRUE(MakeFrame(128, 128, 1).SaveOrv(0, 0, 127, 127, Tempf() + "PuisDouble.orvc").ok);
  OpenSeries({MakeFrame(64, 64, 0)}, "any");
  const std::vector<std::string> before = TempfFiles();
  Trigger("DivisionetRetourSpatial1");
  EXPECT_EQ(Commands().LastStatus(), FourierStatus::MissingInput);
  ASSERT_EQ(m_prompter.Count(ScriptedPrompter::Kind::Error), 1);
  EXPECT_TRUE(m_prompter.Texts(ScriptedPrompter::Kind::Error).first().contains("128 x 128"));
  EXPECT_EQ(TempfFiles(), before);
}

TEST_F(InterferometryUi, CrossCorrelationListsItsSeries) {
  OpenSeries({TwoPoints(64, 20, 20, 5, 3, 1000, 500)}, "cross");
  Main().SetHalfSize(4);
  Trigger("InterCorrlationetSoustractionFond1");
  EXPECT_EQ(Commands().LastStatus(), FourierStatus::Written);
  EXPECT_EQ(InterEntries(), SeriesNames("InterSous"));
  EXPECT_FALSE(FileExists(Tempf() + "PuisDouble.orvc"));
  EXPECT_EQ(Main().HalfSize(), 4);
}

// ---- DEBUG menu
// -----------------------------------------------------------------------------------

TEST_F(InterferometryUi, DebugTransformsWriteTheirFiles) {
  OpenSeries({TwoPoints(64, 20, 20, 5, 3, 1000, 500)}, "dbg");
  Trigger("FFT1");
  EXPECT_TRUE(FileExists(Tempf() + "Fourier.orvc"));
  EXPECT_EQ(Main().CurrentFrame().FileName, Tempf() + "Fourier.orvc");
  // The modulus of the transform of two points is largest at zero frequency: 32766.
  Main().LoadAndShow(QString::fromStdString(Data("dbg0.fit")));
  Trigger("FFTdirecteargument1");
  EXPECT_NEAR(static_cast<double>(Read(Tempf() + "Fourier.orvc").MaxValue), 32766.0, 1e-9);
  Main().LoadAndShow(QString::fromStdString(Data("dbg0.fit")));
  Trigger("AutoCorrlation1");
  const OTrame ac = Read(Tempf() + "Fourier.orvc");
  EXPECT_NEAR(static_cast<double>(ac.GetPixel(32, 32)), 65535.0, 1e-6);
  EXPECT_NEAR(static_cast<double>(ac.GetPixel(37, 35)), 26214.0, 1e-6);
  Main().LoadAndShow(QString::fromStdString(Data("dbg0.fit")));
  Trigger("InterCorrlation1");
  EXPECT_TRUE(FileExists(Tempf() + "InterCorr.orvc"));
  EXPECT_EQ(Main().CurrentFrame().FileName, Tempf() + "InterCorr.orvc");
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
  // The window's own frame is not the one transformed: the file it came from is unchanged.
  EXPECT_EQ(Read(Data("dbg0.fit")).GetPixel(20, 20), 1000);
}

TEST_F(InterferometryUi, DebugTransformsOfAWrongSizeGiveTheSizeMessage) {
  OpenSeries({MakeFrame(100, 100, 10)}, "odd");
  Trigger("FFT1");
  EXPECT_FALSE(FileExists(Tempf() + "Fourier.orvc"));
  EXPECT_EQ(m_prompter.Texts(ScriptedPrompter::Kind::Error),
            QStringList{"Image size = 64x64, 128x128, 256x256, 512x512"});
  // "Inter Corrélation" writes the unchanged frame all the same.
  Trigger("InterCorrlation1");
  EXPECT_EQ(m_prompter.Count(ScriptedPrompter::Kind::Error), 2);
  ASSERT_TRUE(FileExists(Tempf() + "InterCorr.orvc"));
  EXPECT_EQ(Read(Tempf() + "InterCorr.orvc").Width(), 100);
}

TEST_F(InterferometryUi, BackgroundSeriesIsNamedAfterTheImage) {
  OpenSeries({TwoPoints(64, 20, 20, 5, 3, 1000, 500)}, "m57_");
  Trigger("SoustractionFond1");
  EXPECT_EQ(InterEntries(), SeriesNames("m57_0"));
  EXPECT_EQ(Main().CurrentFrame().FileName, Tempf() + "S0_m57_0.orvc");
}

TEST_F(InterferometryUi, DvaSkipsAndReportsALargerFrame) {
  // Two pixels above the 97th percentile, 10 and 4, the fainter 3 columns right of the
  // brighter: the buffer gets 10 + 4 = 14 at [X + 3][Y] and 2 x 10 + 2 x 4 = 28 at [X][Y].
  OTrame a = MakeFrame(32, 32, 1);
  a.Px(10, 12) = 10;
  a.Px(13, 12) = 4;
  OpenSeries({a, MakeFrame(48, 48, 1)}, "dva");
  Trigger("DV01");
  EXPECT_EQ(Commands().LastStatus(), FourierStatus::Written);
  ASSERT_EQ(m_prompter.Count(ScriptedPrompter::Kind::Info), 1);
  EXPECT_TRUE(m_prompter.Texts(ScriptedPrompter::Kind::Info).first().contains("dva1.fit"));
  EXPECT_EQ(InterEntries(), SeriesNames("DV"));
  const OTrame buffer = Read(Tempf() + "DV_tampon.orvv");
  ASSERT_EQ(buffer.Width(), 64);
  EXPECT_EQ(buffer.GetPixel(31 + 3, 31), 14);
  EXPECT_EQ(buffer.GetPixel(31, 31), 28);
  EXPECT_FALSE(Find<QPushButton>("btnSTOP")->isVisible());
}

// ---- Fast measurement on a result
// -----------------------------------------------------------------

TEST_F(InterferometryUi, FastMeasurementOnS3GivesTheSeparationOfASyntheticPair) {
  // Six frames of a pair 5 columns right and 3 rows up (separation sqrt(34) = 5.831 px),
  // wandering together by up to 4 pixels as seeing moves them, with a little noise.
  std::mt19937 random(20261208);
  std::uniform_real_distribution<double> wander(-4, 4);
  std::normal_distribution<double> noise(0, 3);
  std::vector<OTrame> frames;
  for (int k = 0; k < 6; ++k) {
    OTrame f = MakeFrame(128, 128, 100);
    const double x = 60.3 + wander(random), y = 66.8 + wander(random);
    AddMoffat(f, x, y, 3000, 2.2);
    AddMoffat(f, x + 5, y - 3, 1800, 2.2);
    for (Extended& v : f.Data()) v = std::round(static_cast<double>(v) + noise(random));
    frames.push_back(f);
  }
  OpenSeries(frames, "close");
  Trigger("AutocorrlationetSoustractionFond1");
  ASSERT_EQ(Commands().LastStatus(), FourierStatus::Written);
  // Open S3 from the list.
  const QRect s3 = InterList()->visualItemRect(InterList()->item(3));
  QTest::mouseClick(InterList()->viewport(), Qt::LeftButton, {}, s3.center());
  ASSERT_EQ(Main().CurrentFrame().FileName, Tempf() + "S3_AutoSous.orvc");

  // Epsilon 1 and square pixels: rho is the separation in pixels.
  ReductionTable& table = Wb().formCentroid->Table();
  ASSERT_TRUE(table.EditField(ReductionField::txtEps, "1").status.ok);
  ASSERT_TRUE(table.EditField(ReductionField::LPix, table.Field(ReductionField::HPix)).status.ok);
  Main().Action("InterferometryFastmeasurement1")->trigger();
  Main().SetHalfSize(2);
  // The user clicks on the secondary peak (B), then right-clicks to enter the pair.
  auto* image = Main().Image1();
  QTest::mouseClick(image, Qt::LeftButton, {}, QPoint(64 + 5, 64 - 3));
  QTest::mouseClick(image, Qt::RightButton, {}, QPoint(64 + 5, 64 - 3));
  ASSERT_EQ(table.DataRows(), 1);
  EXPECT_EQ(table.Cell(1, kColXA), "64");
  EXPECT_EQ(table.Cell(1, kColYA), "64");
  Extended rho = 0;
  ASSERT_TRUE(ParseNumber(table.Field(ReductionField::txtRho), rho));
  EXPECT_NEAR(static_cast<double>(rho), std::sqrt(34.0), 0.3);
}

}  // namespace
}  // namespace orvek::test
