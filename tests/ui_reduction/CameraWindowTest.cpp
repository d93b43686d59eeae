// The camera editor opened from the table's "..." button: the shipped cameras from index 1
// with ten empty rows, typing with the size filter, OK writing the list and the table
// reloading it, Cancel writing nothing, a removed name, a moved row and the help page.
// The modal editor is driven by a timer that acts once it is open.

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

#include "ReductionUiSupport.h"
#include "core/IniFile.h"

namespace orvek::test {
namespace {

class CameraWindowTest : public ReductionUiTest {
 protected:
  QTableWidget* Grid() { return Cam().findChild<QTableWidget*>("StringGrid1"); }
  QPushButton* CamButton(const char* name) { return Cam().findChild<QPushButton*>(name); }
  /// Presses "..." and runs `inside` once the modal editor is shown.
  void RunEditor(std::function<void()> inside) {
    bool ran = false;
    QTimer::singleShot(0, &Cam(), [&] {
      EXPECT_TRUE(Cam().isVisible());
      EXPECT_TRUE(Cam().isModal());
      inside();
      ran = true;
      if (Cam().isVisible()) Cam().reject();  // never leave the test blocked
    });
    QTest::mouseClick(W<QPushButton>("Button5"), Qt::LeftButton);
    EXPECT_TRUE(ran);
  }
  /// Types `text` into cell (row, col) (0-based grid rows: row 0 is camera 1) and commits
  /// it with Enter.
  void TypeCell(int row, int col, const QString& text, bool enter = true) {
    QTableWidget* grid = Grid();
    grid->setCurrentCell(row, col);
    grid->editItem(grid->item(row, col));
    QLineEdit* editor = ReductionUiTest::OpenEditor(grid->viewport());
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, text);
    if (!enter) return;
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();  // the view commits an edit ended by Enter when it is idle
  }
  std::string Ini(const char* section, const std::string& key) {
    return IniFile(Home() + "orvek.ini").ReadString(section, key, "<missing>");
  }
};

TEST_F(CameraWindowTest, TheEditorShowsTheCamerasFromIndexOneWithTenEmptyRows) {
  RunEditor([&] {
    QTableWidget* grid = Grid();
    // The shipped file holds cameras 0 to 12: rows for 1..12, then ten empty ones.
    ASSERT_EQ(grid->rowCount(), 22);
    ASSERT_EQ(grid->columnCount(), 3);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "Camera");
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), "Horiz.");
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), "Vert.");
    EXPECT_EQ(grid->columnWidth(0), 180);
    EXPECT_EQ(grid->columnWidth(1), 40);
    EXPECT_EQ(grid->columnWidth(2), 40);
    EXPECT_EQ(grid->item(0, 0)->text(), "Philips ToUcam Pro");
    EXPECT_EQ(grid->item(2, 1)->text(), "3.75");
    EXPECT_EQ(grid->item(11, 0)->text(), "SBIG ST-7");
    EXPECT_EQ(grid->item(12, 0)->text(), "");
    EXPECT_EQ(grid->item(21, 2)->text(), "");
    EXPECT_TRUE(grid->verticalHeader()->sectionsMovable());
    EXPECT_TRUE(grid->horizontalHeader()->sectionsMovable());
    EXPECT_EQ(CamButton("Button1")->text(), "Ok");
    EXPECT_EQ(CamButton("BitBtn1")->text(), "Aide");
  });
}

TEST_F(CameraWindowTest, RoundTripThroughTheTable) {
  RunEditor([&] {
    TypeCell(12, 0, "My Cam");
    TypeCell(12, 1, "7,4");  // the comma becomes a point
    TypeCell(12, 2, "x8a");  // letters are refused in the size columns
    EXPECT_EQ(Grid()->item(12, 1)->text(), "7.4");
    EXPECT_EQ(Grid()->item(12, 2)->text(), "8");
    QTest::mouseClick(CamButton("Button1"), Qt::LeftButton);
  });
  EXPECT_FALSE(Cam().isVisible());
  EXPECT_EQ(Ini("CUSTOMCAMERAS", "cam13"), "My Cam");
  EXPECT_EQ(Ini("CUSTOMCAMERAS", "lar13"), "7.4");
  EXPECT_EQ(Ini("CUSTOMCAMERAS", "hau13"), "8");
  EXPECT_EQ(Ini("CUSTOMCAMERAS", "cam0"), "Pixels carrés 5.6 µm");  // entry 0 untouched
  // The table reloads its list; choosing the new camera applies its pixel sizes.
  auto* cams = W<QComboBox>("ComboBox1");
  ASSERT_EQ(cams->count(), 14);
  EXPECT_EQ(cams->itemText(13), "My Cam");
  EXPECT_EQ(cams->currentIndex(), 0);
  cams->setCurrentIndex(13);
  emit cams->activated(13);
  EXPECT_EQ(Text("LPix"), "7.4");
  EXPECT_EQ(Text("HPix"), "8");
  EXPECT_EQ(Ini("CAMERA", "Camera"), "13");
  // Shown again, the editor holds the new camera.
  RunEditor([&] {
    EXPECT_EQ(Grid()->item(12, 0)->text(), "My Cam");
    EXPECT_EQ(Grid()->rowCount(), 23);
  });
}

TEST_F(CameraWindowTest, OkKeepsACellStillBeingTyped) {
  RunEditor([&] {
    TypeCell(13, 0, "Typed", false);
    CamButton("Button1")->click();
  });
  EXPECT_EQ(Ini("CUSTOMCAMERAS", "cam13"), "Typed");
}

TEST_F(CameraWindowTest, CancelWritesNothing) {
  const QByteArray before = [&] {
    QFile f(QHome() + "orvek.ini");
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  RunEditor([&] {
    TypeCell(0, 0, "Renamed");
    QTest::mouseClick(CamButton("Button2"), Qt::LeftButton);
  });
  QFile f(QHome() + "orvek.ini");
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
  EXPECT_EQ(W<QComboBox>("ComboBox1")->itemText(1), "Philips ToUcam Pro");
}

TEST_F(CameraWindowTest, ARemovedNameMovesTheFollowingCamerasDown) {
  RunEditor([&] {
    TypeCell(0, 0, "");
    CamButton("Button1")->click();
  });
  EXPECT_EQ(Ini("CUSTOMCAMERAS", "cam1"), "The Imaging Source DMK 21AU04");
  EXPECT_EQ(Ini("CUSTOMCAMERAS", "cam11"), "SBIG ST-7");
  EXPECT_EQ(Ini("CUSTOMCAMERAS", "lar11"), "9.0");
  EXPECT_EQ(Ini("CUSTOMCAMERAS", "cam12"), "<missing>");
  EXPECT_EQ(W<QComboBox>("ComboBox1")->count(), 12);
}

TEST_F(CameraWindowTest, ADraggedRowMovesItsCamera) {
  RunEditor([&] {
    // Camera 1 dragged to the third place: cameras 2 and 3 move up.
    Grid()->verticalHeader()->moveSection(0, 2);
    EXPECT_EQ(Grid()->item(0, 0)->text(), "The Imaging Source DMK 21AU04");
    EXPECT_EQ(Grid()->item(2, 0)->text(), "Philips ToUcam Pro");
    EXPECT_EQ(Grid()->verticalHeader()->logicalIndex(2), 2);
    EXPECT_EQ(Cam().Editor().Cell(3, 0), "Philips ToUcam Pro");
    CamButton("Button1")->click();
  });
  EXPECT_EQ(Ini("CUSTOMCAMERAS", "cam1"), "The Imaging Source DMK 21AU04");
  EXPECT_EQ(Ini("CUSTOMCAMERAS", "cam3"), "Philips ToUcam Pro");
}

TEST_F(CameraWindowTest, TheHelpButtonOpensThePixelPage) {
  RunEditor([&] { CamButton("BitBtn1")->click(); });
  ASSERT_EQ(m_opener.opened.size(), 1);
  EXPECT_EQ(m_opener.opened.first(), QHome() + "pixel.htm");
}

}  // namespace
}  // namespace orvek::test
