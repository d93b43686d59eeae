// "BestOf (Vis)": the thumbnails written from the display, the visual window with its pages
// of fifty, the dots, the clicks that toggle ticks, and closing it.

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "SeriesUiSupport.h"
#include "series/Thumbnails.h"
#include "ui/Controls.h"
#include "ui/StepArrows.h"
#include "ui/UfrmVisu.h"

namespace orvek::test {
namespace {

constexpr QRgb kGreen = 0xff00ff00;
constexpr QRgb kRed = 0xffff0000;

class VisuWindowTest : public SeriesUiTest {
 protected:
  // n frames v001.fit ... of 48 x 48 pixels, a star in the middle.
  void WriteFrames(int n) {
    for (int i = 1; i <= n; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "v%03d.fit", i);
      WriteData(name, PlusStar(48, 48, 24, 24, 300 + i));
    }
    ListData("v*.fit");
    ASSERT_EQ(Main().ItemCount(), n);
  }
  QString Edit(const char* name) { return Visu().findChild<QLineEdit*>(name)->text(); }
  StepArrows* Pages() { return Visu().findChild<StepArrows*>("UpDown1"); }
  QRgb Dot(int n) { return Visu().Picture(n)->Picture().pixel(10, 10); }
  int EnabledPictures() {
    int k = 0;
    for (int n = 0; n < kThumbnailsPerPage; ++n) k += Visu().Picture(n)->isEnabled() ? 1 : 0;
    return k;
  }
};

TEST_F(VisuWindowTest, ThumbnailsAreTheDisplayRoundTheStarWithoutTheOutline) {
  WriteFrames(3);
  ModalDriver driver(&Visu(), [&] { Visu().close(); });
  Main().Action("SlectionManuelle1")->trigger();
  EXPECT_TRUE(driver.Ran());
  for (const char* name : {"v001.bmp", "v002.bmp", "v003.bmp"}) {
    const QImage thumbnail(QString::fromStdString(Work("tempv") + name));
    ASSERT_FALSE(thumbnail.isNull()) << name;
    EXPECT_EQ(thumbnail.size(), QSize(97, 97));
    // The display is grey: the green measurement outline drawn on it by the load would leave
    // pixels whose red and green differ.
    bool grey = true;
    for (int y = 0; y < 97; ++y) {
      for (int x = 0; x < 97; ++x) {
        const QRgb p = thumbnail.pixel(x, y);
        grey = grey && qRed(p) == qGreen(p) && qGreen(p) == qBlue(p);
      }
    }
    EXPECT_TRUE(grey) << name;
    // The middle of the thumbnail is the star's centre, above the upper threshold: white.
    EXPECT_EQ(thumbnail.pixel(48, 48), 0xffffffff) << name;
  }
}

TEST_F(VisuWindowTest, ThirtyFramesMakeOnePage) {
  WriteFrames(30);
  QStringList seen;
  int enabled = -1;
  ModalDriver driver(&Visu(), [&] {
    EXPECT_EQ(Pages()->Maximum(), 0);
    Pages()->NextButton()->click();  // no second page to go to
    seen << Edit("Edit2") << Edit("Edit4");
    enabled = EnabledPictures();
    Visu().close();
  });
  Main().Action("SlectionManuelle1")->trigger();
  ASSERT_TRUE(driver.Ran());
  EXPECT_EQ(seen, (QStringList{"1", "30"}));
  EXPECT_EQ(enabled, 30);
}

TEST_F(VisuWindowTest, FiftyOneFramesMakeTwoPagesTheSecondWithOneThumbnail) {
  WriteFrames(51);
  QStringList first, second;
  int enabledFirst = -1, enabledSecond = -1;
  bool blanksEmpty = true;
  int start = -1;
  ModalDriver driver(&Visu(), [&] {
    EXPECT_EQ(Pages()->Maximum(), 50);
    first << Edit("Edit2") << Edit("Edit4");
    enabledFirst = EnabledPictures();
    Pages()->NextButton()->click();
    start = Visu().PageStart();
    second << Edit("Edit2") << Edit("Edit4");
    enabledSecond = EnabledPictures();
    for (int n = 1; n < kThumbnailsPerPage; ++n) {
      blanksEmpty = blanksEmpty && Visu().Picture(n)->Picture().isNull();
    }
    Visu().close();
  });
  Main().Action("SlectionManuelle1")->trigger();
  ASSERT_TRUE(driver.Ran());
  EXPECT_EQ(first, (QStringList{"1", "50"}));
  EXPECT_EQ(enabledFirst, 50);
  EXPECT_EQ(start, 50);
  EXPECT_EQ(second, (QStringList{"51", "51"}));
  EXPECT_EQ(enabledSecond, 1);  // Image0 only: 49 blank disabled pictures
  EXPECT_TRUE(blanksEmpty);
}

TEST_F(VisuWindowTest, DotsShowTheTicks) {
  WriteFrames(5);
  Main().SetTicked(3, false);
  Main().RefreshSelection();
  QRgb dots[5] = {};
  ModalDriver driver(&Visu(), [&] {
    for (int n = 0; n < 5; ++n) dots[n] = Dot(n);
    Visu().close();
  });
  Main().Action("SlectionManuelle1")->trigger();
  ASSERT_TRUE(driver.Ran());
  EXPECT_EQ(dots[0], kGreen);
  EXPECT_EQ(dots[2], kGreen);
  EXPECT_EQ(dots[3], kRed);
  EXPECT_EQ(dots[4], kGreen);
}

TEST_F(VisuWindowTest, ClickingThumbnailSevenOfTheSecondPageTogglesItemFiftySeven) {
  WriteFrames(60);
  bool afterFirstClick = true, afterSecondClick = false, afterThirdClick = true;
  QRgb dotFirst = 0, dotSecond = 0;
  QStringList pageNumbers;
  ModalDriver driver(&Visu(), [&] {
    Pages()->NextButton()->click();
    pageNumbers << Edit("Edit2") << Edit("Edit4");
    QTest::mouseClick(Visu().Picture(7), Qt::LeftButton, {}, QPoint(48, 48));
    afterFirstClick = Main().IsTicked(57);
    dotFirst = Dot(7);
    QTest::mouseClick(Visu().Picture(7), Qt::LeftButton, {}, QPoint(48, 48));
    afterSecondClick = Main().IsTicked(57);
    dotSecond = Dot(7);
    QTest::mouseClick(Visu().Picture(7), Qt::LeftButton, {}, QPoint(48, 48));
    afterThirdClick = Main().IsTicked(57);
    Visu().findChild<QPushButton*>("btnClose")->click();
  });
  Main().Action("SlectionManuelle1")->trigger();
  ASSERT_TRUE(driver.Ran());
  EXPECT_EQ(pageNumbers, (QStringList{"51", "60"}));
  EXPECT_FALSE(afterFirstClick);
  EXPECT_EQ(dotFirst, kRed);
  EXPECT_TRUE(afterSecondClick);
  EXPECT_EQ(dotSecond, kGreen);
  EXPECT_FALSE(afterThirdClick);
  // Only item 57 changed.
  for (int i = 0; i < 60; ++i) EXPECT_EQ(Main().IsTicked(i), i != 57) << i;
}

TEST_F(VisuWindowTest, ClosingSelectsAndShowsTheFirstItemAndUpdatesTheCounter) {
  WriteFrames(60);
  ModalDriver driver(&Visu(), [&] {
    Pages()->NextButton()->click();
    QTest::mouseClick(Visu().Picture(7), Qt::LeftButton, {}, QPoint(48, 48));
    QTest::mouseClick(Visu().Picture(9), Qt::LeftButton, {}, QPoint(48, 48));
    // The page filling moved the list's selection to the page's items.
    EXPECT_NE(Main().SelectedIndex(), 0);
    Visu().close();
  });
  Main().Action("SlectionManuelle1")->trigger();
  ASSERT_TRUE(driver.Ran());
  EXPECT_FALSE(Visu().isVisible());
  EXPECT_EQ(Main().SelectedIndex(), 0);
  EXPECT_EQ(Main().CurrentFrame().FileName, Data("v001.fit"));
  EXPECT_EQ(Counter(), "Sel : 58");
  EXPECT_FALSE(Main().IsTicked(57));
  EXPECT_FALSE(Main().IsTicked(59));
  // Every picture is cleared.
  for (int n = 0; n < kThumbnailsPerPage; ++n) EXPECT_TRUE(Visu().Picture(n)->Picture().isNull());
}

TEST_F(VisuWindowTest, AnEmptyListOpensNothing) {
  EXPECT_EQ(Main().ItemCount(), 0);
  Main().Action("SlectionManuelle1")->trigger();
  EXPECT_FALSE(Visu().isVisible());
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
}

TEST_F(VisuWindowTest, WindowHasItsCaptionAndSize) {
  EXPECT_EQ(Visu().windowTitle(), "BestOf Visual");
  EXPECT_EQ(Visu().size(), QSize(1021, 590));
  for (int n = 0; n < kThumbnailsPerPage; ++n) {
    ImageView* picture = Visu().findChild<ImageView*>(QString("Image%1").arg(n));
    ASSERT_NE(picture, nullptr) << n;
    EXPECT_EQ(picture->size(), QSize(97, 97));
  }
  // Five rows of ten: Image(10r + c) in row r, column c.
  EXPECT_EQ(Visu().Picture(9)->y(), Visu().Picture(0)->y());
  EXPECT_GE(Visu().Picture(9)->x(), Visu().Picture(0)->x() + 9 * 97);
  EXPECT_EQ(Visu().Picture(10)->x(), Visu().Picture(0)->x());
  EXPECT_GT(Visu().Picture(10)->y(), Visu().Picture(9)->y());
  EXPECT_EQ(Visu().Picture(49)->y(), Visu().Picture(40)->y());
  EXPECT_GT(Visu().Picture(49)->x(), Visu().Picture(40)->x());
}

}  // namespace
}  // namespace orvek::test
