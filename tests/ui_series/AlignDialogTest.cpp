// The alignment dialog: its preview on the main image (drawn, moved by the arrows, removed),
// its steps, the offsets restarting at 0, the values OK confirms, the texts, and a crop side
// that is not a whole number.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "SeriesUiSupport.h"
#include "core/Utils.h"
#include "ui/Controls.h"
#include "ui/StepArrows.h"
#include "ui/UdlgAlign.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

class AlignDialogTest : public SeriesUiTest {
 protected:
  void SetUp() override {
    SeriesUiTest::SetUp();
    // The star's centroid is (70, 50) exactly, by symmetry.
    WriteData("d1.fit", PlusStar(160, 120, 70, 50, 800));
    WriteData("d2.fit", PlusStar(160, 120, 90, 60, 800));
    ListData("d*.fit");
    ASSERT_EQ(static_cast<double>(Main().CurrentPoint().X), 70.0);
    ASSERT_EQ(static_cast<double>(Main().CurrentPoint().Y), 50.0);
    m_before = Main().Image1()->Picture().copy();
  }
  template <class T>
  T* D(const char* name) {
    T* w = Dialog().findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QString Text(const char* name) { return D<QLineEdit>(name)->text(); }
  void Arrow(const char* name, bool next) {
    StepArrows* a = D<StepArrows>(name);
    (next ? a->NextButton() : a->PrevButton())->click();
  }
  bool PictureIsAsBefore() { return Main().Image1()->Picture() == m_before; }

  QImage m_before;
};

TEST_F(AlignDialogTest, PreviewIsDrawnRoundTheStarAndRemovedWhenTheDialogCloses) {
  bool shown = false, changed = false;
  QPoint centre;
  int half = 0;
  ModalDriver driver(&Dialog(), [&] {
    shown = Dialog().PreviewShown();
    centre = Dialog().CropCentre();
    half = Dialog().CropHalf();
    changed = !PictureIsAsBefore();
    D<QPushButton>("Button2")->click();  // Annuler
  });
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(driver.Ran());
  EXPECT_TRUE(shown);
  // Centre: offsets 0 + the star rounded; half-side 128 / 2.
  EXPECT_EQ(centre, QPoint(70, 50));
  EXPECT_EQ(half, 64);
  EXPECT_TRUE(changed);
  // Exclusive-or: drawing it again at the same place gave the picture back.
  EXPECT_TRUE(PictureIsAsBefore());
  EXPECT_FALSE(Dialog().PreviewShown());
  // Cancelled: nothing cropped.
  EXPECT_TRUE(ListFiles(Work("temp"), "*.*").empty());
  EXPECT_EQ(Names(), (QStringList{"d1.fit", "d2.fit"}));
}

TEST_F(AlignDialogTest, ArrowsStepTheFieldsAndRedrawThePreview) {
  QStringList texts;
  std::vector<QPoint> centres;
  std::vector<int> halves;
  auto note = [&] {
    texts << Text("ctlTailleRecadrage") + " " + Text("OffsetX") + " " + Text("OffsetY");
    centres.push_back(Dialog().CropCentre());
    halves.push_back(Dialog().CropHalf());
  };
  ModalDriver driver(&Dialog(), [&] {
    Arrow("UpDown1", true);  // 129
    note();
    D<QCheckBox>("CheckBox1")->click();  // X 16
    Arrow("UpDown1", true);              // 145
    note();
    Arrow("UpDown3", true);  // Offset X 1
    note();
    D<QCheckBox>("CheckBox2")->click();  // X 10
    Arrow("UpDown3", true);              // 11
    Arrow("UpDown4", true);              // the up arrow decreases: -10
    note();
    Arrow("UpDown4", false);  // 0
    Arrow("UpDown3", false);  // 1
    D<QCheckBox>("CheckBox2")->click();
    Arrow("UpDown4", true);  // -1
    note();
    D<QPushButton>("Button2")->click();
  });
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(driver.Ran());
  EXPECT_EQ(texts, (QStringList{"129 0 0", "145 0 0", "145 1 0", "145 11 -10", "145 1 -1"}));
  // Half-sides: 129 / 2 = 64.5 rounds to the even 64; 145 / 2 = 72.5 rounds to 72.
  EXPECT_EQ(halves, (std::vector<int>{64, 72, 72, 72, 72}));
  EXPECT_EQ(centres, (std::vector<QPoint>{{70, 50}, {70, 50}, {71, 50}, {81, 40}, {71, 49}}));
  // Each redraw erased the previous preview first: closing leaves the picture as it was.
  EXPECT_TRUE(PictureIsAsBefore());
}

TEST_F(AlignDialogTest, TheSizeArrowsStayWithinSixtyFourToFiveHundredTwelve) {
  QStringList texts;
  ModalDriver driver(&Dialog(), [&] {
    D<QLineEdit>("ctlTailleRecadrage")->setText("510");
    D<QCheckBox>("CheckBox1")->click();
    Arrow("UpDown1", true);
    texts << Text("ctlTailleRecadrage");
    D<QLineEdit>("ctlTailleRecadrage")->setText("70");
    Arrow("UpDown1", false);
    texts << Text("ctlTailleRecadrage");
    D<QCheckBox>("CheckBox1")->click();
    D<QPushButton>("Button2")->click();
  });
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(driver.Ran());
  EXPECT_EQ(texts, (QStringList{"512", "64"}));
}

TEST_F(AlignDialogTest, OffsetsRestartAtZeroAndTheSizeIsKept) {
  ModalDriver first(&Dialog(), [&] {
    D<QLineEdit>("ctlTailleRecadrage")->setText("96");
    Arrow("UpDown3", true);
    Arrow("UpDown4", false);
    D<QPushButton>("Button2")->click();
  });
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(first.Ran());
  QStringList texts;
  int half = 0;
  ModalDriver second(&Dialog(), [&] {
    texts << Text("ctlTailleRecadrage") << Text("OffsetX") << Text("OffsetY");
    half = Dialog().CropHalf();
    D<QPushButton>("Button2")->click();
  });
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(second.Ran());
  EXPECT_EQ(texts, (QStringList{"96", "0", "0"}));
  EXPECT_EQ(half, 48);
  EXPECT_TRUE(PictureIsAsBefore());
}

TEST_F(AlignDialogTest, OkConfirmsTheCentreOfThePreview) {
  ModalDriver driver(&Dialog(), [&] {
    Arrow("UpDown3", true);
    Arrow("UpDown3", true);
    Arrow("UpDown4", true);
    D<QPushButton>("Button1")->click();
  });
  EXPECT_TRUE(Dialog().Execute());
  ASSERT_TRUE(driver.Ran());
  EXPECT_EQ(Text("Xcrop"), "72");
  EXPECT_EQ(Text("Ycrop"), "49");
  AlignSettings s;
  ASSERT_TRUE(Dialog().ReadSettings(s).ok);
  EXPECT_EQ(s.size, 128);
  EXPECT_EQ(s.offsetX, 2);
  EXPECT_EQ(s.offsetY, -1);
  EXPECT_EQ(s.cropX, 72);
  EXPECT_EQ(s.cropY, 49);
  EXPECT_TRUE(PictureIsAsBefore());
}

TEST_F(AlignDialogTest, TypingDoesNotRedrawButClosingStillRemovesThePreview) {
  QPoint centre;
  ModalDriver driver(&Dialog(), [&] {
    D<QLineEdit>("OffsetX")->setText("7");
    D<QLineEdit>("ctlTailleRecadrage")->setText("100");
    centre = Dialog().CropCentre();
    D<QPushButton>("Button1")->click();
  });
  EXPECT_TRUE(Dialog().Execute());
  ASSERT_TRUE(driver.Ran());
  EXPECT_EQ(centre, QPoint(70, 50));
  // OK takes the values typed: 70 + 7.
  EXPECT_EQ(Text("Xcrop"), "77");
  EXPECT_TRUE(PictureIsAsBefore());
}

TEST_F(AlignDialogTest, ACropSideThatIsNotAWholeNumberIsReportedAndNothingIsCropped) {
  QStringList errors;
  bool stillOpen = false;
  ModalDriver driver(&Dialog(), [&] {
    for (const char* bad : {"12a", "0", "5000", "64.5"}) {
      D<QLineEdit>("ctlTailleRecadrage")->setText(bad);
      D<QPushButton>("Button1")->click();
    }
    errors = m_prompter.Texts(Kind::Error);
    stillOpen = Dialog().isVisible();
    D<QPushButton>("Button2")->click();
  });
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(driver.Ran());
  ASSERT_EQ(errors.size(), 4);
  EXPECT_TRUE(errors[0].contains("12a")) << errors[0].toStdString();
  EXPECT_TRUE(errors[0].contains("Taille Image")) << errors[0].toStdString();
  EXPECT_TRUE(errors[3].contains("64.5"));
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(ListFiles(Work("temp"), "*.*").empty());
  EXPECT_EQ(Names(), (QStringList{"d1.fit", "d2.fit"}));
  EXPECT_FALSE(Main().ListIsBlue());
  EXPECT_TRUE(PictureIsAsBefore());
}

TEST_F(AlignDialogTest, TextsFollowTheLanguage) {
  // Shipped texts of sections "EDlgAlign" and "FDlgAlign".
  Main().SelectLanguage("E");
  EXPECT_EQ(Dialog().windowTitle(), "Alignment and Cropping");
  EXPECT_EQ(D<QLabel>("Label1")->text(), "Image Size");
  EXPECT_EQ(D<QPushButton>("Button2")->text(), "Cancel");
  Main().SelectLanguage("F");
  EXPECT_EQ(Dialog().windowTitle(), "Alignement et Recadrage");
  EXPECT_EQ(D<QLabel>("Label1")->text(), "Taille Image");
  EXPECT_EQ(D<QPushButton>("Button2")->text(), "Annuler");
  EXPECT_EQ(D<QPushButton>("Button1")->text(), "OK");
  EXPECT_EQ(D<QCheckBox>("CheckBox1")->text(), "X 16");
  EXPECT_EQ(D<QCheckBox>("CheckBox2")->text(), "X 10");
  EXPECT_EQ(Text("ctlTailleRecadrage"), "128");
  EXPECT_FALSE(D<QLineEdit>("Xcrop")->isVisibleTo(&Dialog()));
  EXPECT_FALSE(D<QLineEdit>("Ycrop")->isVisibleTo(&Dialog()));
}

TEST_F(AlignDialogTest, FixedSizeAndCentredOnTheMainWindow) {
  QPoint dialogCentre, mainCentre;
  QSize minimum, maximum;
  ModalDriver driver(&Dialog(), [&] {
    dialogCentre = Dialog().frameGeometry().center();
    mainCentre = Main().frameGeometry().center();
    minimum = Dialog().minimumSize();
    maximum = Dialog().maximumSize();
    D<QPushButton>("Button2")->click();
  });
  Main().Action("Retailler1")->trigger();
  ASSERT_TRUE(driver.Ran());
  EXPECT_LE((dialogCentre - mainCentre).manhattanLength(), 2);
  EXPECT_EQ(minimum, maximum);
}

}  // namespace
}  // namespace orvek::test
