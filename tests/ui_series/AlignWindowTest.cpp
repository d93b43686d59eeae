// "&Aligner Liste" and "Découpage" through the main window and the alignment dialog: crops
// in "temp", the list refilled (blue) with its first crop shown, re-alignment dropping the
// unticked crops, fixed-centre cutting without resampling.

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "SeriesUiSupport.h"
#include "core/Utils.h"
#include "series/Stacking.h"
#include "ui/SeriesCommands.h"
#include "ui/StepArrows.h"
#include "ui/UdlgAlign.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

class AlignWindowTest : public SeriesUiTest {
 protected:
  // s1, s2, s3: 160 x 120 frames of background 100 with a plus star of 800 whose centroid is
  // a whole pixel: (70, 50), (80, 55), (65, 62).
  void WriteWholePixelStars() {
    WriteData("s1.fit", PlusStar(160, 120, 70, 50, 800, 100));
    WriteData("s2.fit", PlusStar(160, 120, 80, 55, 800, 100));
    WriteData("s3.fit", PlusStar(160, 120, 65, 62, 800, 100));
    ListData("s*.fit");
  }
  // Confirms the dialog with crop side `size` once it shows.
  std::unique_ptr<ModalDriver> ConfirmWithSize(const QString& size) {
    return std::make_unique<ModalDriver>(&Dialog(), [this, size] {
      Dialog().findChild<QLineEdit*>("ctlTailleRecadrage")->setText(size);
      Dialog().findChild<QPushButton*>("Button1")->click();
    });
  }
  static OTrame Load(const std::string& path) {
    OTrame f;
    EXPECT_TRUE(f.LoadFile(path).ok()) << path;
    return f;
  }
  // Every pixel of `crop` is the pixel (left + i, top + j) of `source`.
  static bool IsWindowOf(const OTrame& crop, const OTrame& source, int left, int top) {
    for (int i = 0; i < crop.Width(); ++i) {
      for (int j = 0; j < crop.Height(); ++j) {
        if (crop.Px(i, j) != source.Px(left + i, top + j)) return false;
      }
    }
    return true;
  }
};

TEST_F(AlignWindowTest, AlignListWritesCropsInTempAndShowsThemAsTheBlueList) {
  WriteWholePixelStars();
  Main().SetTicked(1, false);  // s2 is left out
  Main().RefreshSelection();
  QStringList progress;
  QObject::connect(Find<QLineEdit>("Auto_Nb"), &QLineEdit::textChanged,
                   [&](const QString& t) { progress << t; });
  auto driver = ConfirmWithSize("64");
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(driver->Ran());

  EXPECT_EQ(ListFiles(Work("temp"), "*.*"), (std::vector<std::string>{"s1.orva", "s3.orva"}));
  EXPECT_EQ(Names(), (QStringList{"s1.orva", "s3.orva"}));
  EXPECT_EQ(Ticks(), (std::vector<bool>{true, true}));
  EXPECT_TRUE(Main().ListIsBlue());
  EXPECT_EQ(Main().ListeFic().Dossier, Work("temp"));
  EXPECT_EQ(Main().SelectedIndex(), 0);
  EXPECT_EQ(Main().CurrentFrame().FileName, Work("temp") + "s1.orva");
  EXPECT_TRUE(progress.contains("1/2"));
  EXPECT_TRUE(progress.contains("2/2"));

  // S = 64 round a star on whole pixels (no shift from the resampling): left = x - 32,
  // top = y - 32, the star on the crop's pixel (32, 32).
  const OTrame c1 = Load(Work("temp") + "s1.orva");
  ASSERT_EQ(c1.Width(), 64);
  ASSERT_EQ(c1.Height(), 64);
  EXPECT_EQ(c1.Px(32, 32), 900);
  EXPECT_TRUE(IsWindowOf(c1, Load(Data("s1.fit")), 38, 18));
  const OTrame c3 = Load(Work("temp") + "s3.orva");
  EXPECT_TRUE(IsWindowOf(c3, Load(Data("s3.fit")), 33, 30));
}

TEST_F(AlignWindowTest, OddCropSidesGiveCropsOfExactlyThatSide) {
  WriteWholePixelStars();
  auto driver = ConfirmWithSize("33");
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(driver->Ran());
  const OTrame c1 = Load(Work("temp") + "s1.orva");
  EXPECT_EQ(c1.Width(), 33);
  EXPECT_EQ(c1.Height(), 33);
  // left = 70 - 33 div 2 = 54, top = 50 - 16 = 34.
  EXPECT_TRUE(IsWindowOf(c1, Load(Data("s1.fit")), 54, 34));
}

TEST_F(AlignWindowTest, SecondAlignmentOverTheTempListDeletesTheUntickedCrops) {
  WriteWholePixelStars();
  auto first = ConfirmWithSize("64");
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(first->Ran());
  ASSERT_EQ(Names(), (QStringList{"s1.orva", "s2.orva", "s3.orva"}));

  Main().SetTicked(1, false);
  Main().RefreshSelection();
  ASSERT_TRUE(Main().Action("Retailler1")->isEnabled());
  auto second = ConfirmWithSize("64");
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(second->Ran());

  EXPECT_FALSE(QFile::exists(QString::fromStdString(Work("temp") + "s2.orva")));
  EXPECT_EQ(ListFiles(Work("temp"), "*.*"), (std::vector<std::string>{"s1.orva", "s3.orva"}));
  EXPECT_EQ(Names(), (QStringList{"s1.orva", "s3.orva"}));
  EXPECT_TRUE(Main().ListIsBlue());
  // The kept crops were cut again round their star, which already stood on (32, 32).
  const OTrame c1 = Load(Work("temp") + "s1.orva");
  EXPECT_EQ(c1.Width(), 64);
  EXPECT_EQ(c1.Px(32, 32), 900);
  EXPECT_TRUE(IsWindowOf(c1, Load(Data("s1.fit")), 38, 18));
}

TEST_F(AlignWindowTest, DecoupageCutsEveryFrameAtTheSameWindowWithoutResampling) {
  // Stars off whole pixels: any resampling would change the pixels of the cut.
  OTrame f1 = PlusStar(160, 120, 70, 50, 800, 100);
  OTrame f2 = MakeFrame(160, 120, 100);
  AddMoffat(f2, 80.3, 55.6, 900, 3);
  OTrame f3 = MakeFrame(160, 120, 100);
  AddMoffat(f3, 64.7, 61.2, 700, 3);
  WriteData("t1.fit", f1);
  WriteData("t2.fit", f2);
  WriteData("t3.fit", f3);
  ListData("t*.fit");
  QCheckBox* subPixel = Find<QCheckBox>("SubPixellaire");
  bool tickedDuring = true;
  ModalDriver driver(&Dialog(), [&] {
    tickedDuring = subPixel->isChecked();
    Dialog().findChild<QLineEdit*>("ctlTailleRecadrage")->setText("64");
    StepArrows* x = Dialog().findChild<StepArrows*>("UpDown3");
    StepArrows* y = Dialog().findChild<StepArrows*>("UpDown4");
    x->NextButton()->click();
    x->NextButton()->click();
    y->NextButton()->click();
    Dialog().findChild<QPushButton*>("Button1")->click();
  });
  Main().Action("Dcoupage1")->trigger();
  ASSERT_TRUE(driver.Ran());
  EXPECT_FALSE(tickedDuring);
  EXPECT_TRUE(subPixel->isChecked());
  // Centre confirmed: (70 + 2, 50 - 1) from t1's star; window left = 72 - 32 = 40,
  // top = 49 - 32 = 17, the same for every frame, offsets not applied again.
  for (const char* name : {"t1", "t2", "t3"}) {
    const OTrame crop = Load(Work("temp") + name + ".orva");
    ASSERT_EQ(crop.Width(), 64) << name;
    EXPECT_TRUE(IsWindowOf(crop, Load(Data(std::string(name) + ".fit")), 40, 17)) << name;
  }
  EXPECT_EQ(Names(), (QStringList{"t1.orva", "t2.orva", "t3.orva"}));
}

TEST_F(AlignWindowTest, DecoupageCancelledTicksSubPixellaireAgain) {
  WriteWholePixelStars();
  ModalDriver driver(&Dialog(), [&] { Dialog().findChild<QPushButton*>("Button2")->click(); });
  Main().Action("Dcoupage1")->trigger();
  ASSERT_TRUE(driver.Ran());
  EXPECT_TRUE(Find<QCheckBox>("SubPixellaire")->isChecked());
  EXPECT_TRUE(ListFiles(Work("temp"), "*.*").empty());
}

TEST_F(AlignWindowTest, SubPixelCropsAreThoseOfTheLibraryWithTheWindowsSettings) {
  OTrame f1 = MakeFrame(160, 120, 100);
  AddMoffat(f1, 70.3, 50.7, 900, 3);
  OTrame f2 = MakeFrame(160, 120, 100);
  AddMoffat(f2, 81.6, 44.2, 800, 3);
  WriteData("u1.fit", f1);
  WriteData("u2.fit", f2);
  ListData("u*.fit");
  // The library on its own, into a folder of the test, with what the window loads with.
  AlignSettings settings;
  settings.size = 48;
  const OutputFolder output = UserOutput(Data("lib/"), false);
  const AlignResult library =
      AlignList(Series().ListItems(), settings, Series().CurrentLoadContext(), output);
  ASSERT_TRUE(library.status.ok);
  ASSERT_EQ(library.frames.size(), 2u);

  auto driver = ConfirmWithSize("48");
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(driver->Ran());
  for (const char* name : {"u1.orva", "u2.orva"}) {
    EXPECT_EQ(ReadBytes(Work("temp") + name), ReadBytes(Data("lib/") + name)) << name;
  }
  // After resampling the star lies on the crop's column and row 24 (S div 2): its brightest
  // pixel is there.
  const OTrame crop = Load(Work("temp") + "u1.orva");
  Extended best = -1;
  int bx = -1, by = -1;
  for (int i = 0; i < crop.Width(); ++i) {
    for (int j = 0; j < crop.Height(); ++j) {
      if (crop.Px(i, j) > best) {
        best = crop.Px(i, j);
        bx = i;
        by = j;
      }
    }
  }
  EXPECT_EQ(bx, 24);
  EXPECT_EQ(by, 24);
}

TEST_F(AlignWindowTest, AFrameThatCannotBeReadIsReportedAndTheRunGoesOn) {
  WriteWholePixelStars();
  QFile::remove(QData("s2.fit"));
  auto driver = ConfirmWithSize("64");
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(driver->Ran());
  const QStringList errors = m_prompter.Texts(Kind::Error);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains("s2.fit")) << errors[0].toStdString();
  EXPECT_EQ(m_prompter.Count(Kind::Info), 0);
  EXPECT_EQ(Names(), (QStringList{"s1.orva", "s3.orva"}));
}

TEST_F(AlignWindowTest, LoadingAnotherFolderTurnsTheListWhiteAgain) {
  WriteWholePixelStars();
  auto driver = ConfirmWithSize("64");
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(driver->Ran());
  ASSERT_TRUE(Main().ListIsBlue());
  ListData("s*.fit");
  EXPECT_FALSE(Main().ListIsBlue());
}

}  // namespace
}  // namespace orvek::test
