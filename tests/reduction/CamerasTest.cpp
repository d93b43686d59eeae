// The camera list and its editor: reading from index 0 or 1, the ten empty rows, the OK
// rewrite with consecutive indices, the typing filter of the size columns.

#include <gtest/gtest.h>

#include "core/IniFile.h"
#include "core/Utils.h"
#include "measure/Cameras.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

class CamerasTest : public ::testing::Test {
 protected:
  test::TempHome home;
  IniFile ini{SettingsPath()};
  void Put(int i, const std::string& name, const std::string& w, const std::string& h) {
    ini.WriteString(kCamerasSection, CameraNameKey(i), name);
    ini.WriteString(kCamerasSection, CameraWidthKey(i), w);
    ini.WriteString(kCamerasSection, CameraHeightKey(i), h);
  }
};

TEST_F(CamerasTest, KeysAreDecimalWithoutLeadingZeros) {
  EXPECT_EQ(CameraNameKey(0), "cam0");
  EXPECT_EQ(CameraWidthKey(12), "lar12");
  EXPECT_EQ(CameraHeightKey(7), "hau7");
}

TEST_F(CamerasTest, TableListStartsAtZeroAndStopsAtTheFirstGap) {
  Put(0, "Zero", "5.6", "5.6");
  Put(1, "One", "8.6", "8.3");
  Put(3, "Three", "1", "1");  // after the gap at 2: not read
  const TArrayCam cams = LoadCameras(ini);
  ASSERT_EQ(cams.size(), 2u);
  EXPECT_EQ(cams[0].Name, "Zero");
  EXPECT_EQ(cams[1].Width, "8.6");
  EXPECT_EQ(cams[1].Height, "8.3");
}

TEST_F(CamerasTest, EditorShowsFromIndexOnePlusTenEmptyRows) {
  Put(0, "Zero", "5.6", "5.6");
  Put(1, "One", "8.6", "8.3");
  Put(2, "Two", "3.75", "3.75");
  CameraEditor ed;
  EXPECT_EQ(ed.ColumnWidth(0), 140);
  ed.Show(ini);
  EXPECT_EQ(ed.ColumnWidth(0), 180);
  EXPECT_EQ(ed.ColumnWidth(1), 40);
  ASSERT_EQ(ed.RowCount(), 1 + 2 + 10);
  EXPECT_EQ(ed.Cell(0, 0), "Camera");
  EXPECT_EQ(ed.Cell(0, 1), "Horiz.");
  EXPECT_EQ(ed.Cell(0, 2), "Vert.");
  EXPECT_EQ(ed.Cell(1, 0), "One");
  EXPECT_EQ(ed.Cell(2, 2), "3.75");
  EXPECT_EQ(ed.Cell(3, 0), "");
}

TEST_F(CamerasTest, EditorWithoutCamerasKeepsRowOneEmpty) {
  CameraEditor ed;
  ed.Show(ini);
  EXPECT_EQ(ed.RowCount(), 2 + 10);  // header, the emptied row 1, ten new rows
}

TEST_F(CamerasTest, RemovingANameMovesTheFollowingOnesDown) {
  Put(0, "Zero", "5.6", "5.6");
  Put(1, "One", "1", "1");
  Put(2, "Two", "2", "2");
  Put(3, "Three", "3", "3");
  CameraEditor ed;
  ed.Show(ini);
  ASSERT_TRUE(ed.SetCell(2, 0, "  "));  // blank after trimming
  ASSERT_TRUE(ed.Ok(ini).ok);
  const TArrayCam cams = ReadCameras(ini, 1);
  ASSERT_EQ(cams.size(), 2u);
  EXPECT_EQ(cams[0].Name, "One");
  EXPECT_EQ(cams[1].Name, "Three");
  EXPECT_EQ(cams[1].Width, "3");
  EXPECT_FALSE(ini.KeyExists(kCamerasSection, "cam3"));
  EXPECT_FALSE(ini.KeyExists(kCamerasSection, "hau3"));
  // Entry 0 is neither shown nor changed by the editor, and still comes first in the table.
  EXPECT_EQ(ini.ReadString(kCamerasSection, "cam0", ""), "Zero");
  EXPECT_EQ(LoadCameras(ini).front().Name, "Zero");
}

TEST_F(CamerasTest, OkDeletesTheKeysOfEveryGridRow) {
  Put(1, "One", "1", "1");
  Put(2, "Two", "2", "2");
  Put(3, "Three", "3", "3");
  Put(13, "Stale13", "9", "9");  // behind a gap: not shown, but within the 13 grid rows
  Put(14, "Stale14", "9", "9");  // beyond them
  CameraEditor ed;
  ed.Show(ini);
  ASSERT_EQ(ed.RowCount(), 14);  // 3 cameras + 10 empty rows + header: indices 1..13
  ASSERT_TRUE(ed.Ok(ini).ok);
  EXPECT_FALSE(ini.KeyExists(kCamerasSection, "cam13"));
  EXPECT_FALSE(ini.KeyExists(kCamerasSection, "lar13"));
  EXPECT_TRUE(ini.KeyExists(kCamerasSection, "cam14"));
  EXPECT_EQ(ini.ReadString(kCamerasSection, "cam3", ""), "Three");
}

TEST_F(CamerasTest, NewCameraTypedWithACommaIsStoredWithAPoint) {
  CameraEditor ed;
  ed.Show(ini);
  ASSERT_TRUE(ed.SetCell(1, 0, "New, camera"));  // the name column keeps its comma
  ASSERT_TRUE(ed.SetCell(1, 1, "5,6"));
  ASSERT_TRUE(ed.SetCell(1, 2, "4,8"));
  ASSERT_TRUE(ed.Ok(ini).ok);
  EXPECT_EQ(ini.ReadString(kCamerasSection, "cam1", ""), "New, camera");
  EXPECT_EQ(ini.ReadString(kCamerasSection, "lar1", ""), "5.6");
  EXPECT_EQ(ini.ReadString(kCamerasSection, "hau1", ""), "4.8");
}

TEST_F(CamerasTest, KeyFilterOfTheSizeColumns) {
  EXPECT_EQ(CameraEditor::FilterKey(1, ','), '.');
  EXPECT_EQ(CameraEditor::FilterKey(2, '7'), '7');
  EXPECT_EQ(CameraEditor::FilterKey(1, '-'), '-');
  EXPECT_EQ(CameraEditor::FilterKey(1, '\b'), '\b');
  EXPECT_FALSE(CameraEditor::FilterKey(1, 'x').has_value());
  EXPECT_FALSE(CameraEditor::FilterKey(2, ' ').has_value());
  EXPECT_EQ(CameraEditor::FilterKey(0, 'x'), 'x');  // the name column takes every key
  EXPECT_EQ(CameraEditor::FilterText(1, "5,6 um"), "5.6");
}

TEST_F(CamerasTest, HeaderRowIsNotEditable) {
  CameraEditor ed;
  ed.Show(ini);
  EXPECT_FALSE(ed.SetCell(0, 0, "X"));
  EXPECT_FALSE(ed.SetCell(1, 3, "X"));
  EXPECT_EQ(ed.Cell(0, 0), "Camera");
}

TEST_F(CamerasTest, MovedRowsAreWrittenInGridOrder) {
  Put(1, "One", "1", "1");
  Put(2, "Two", "2", "2");
  CameraEditor ed;
  ed.Show(ini);
  ASSERT_TRUE(ed.MoveRow(2, 1));
  ASSERT_TRUE(ed.Ok(ini).ok);
  EXPECT_EQ(ini.ReadString(kCamerasSection, "cam1", ""), "Two");
  EXPECT_EQ(ini.ReadString(kCamerasSection, "cam2", ""), "One");
}

TEST_F(CamerasTest, HelpPageAndCaption) {
  EXPECT_EQ(CameraEditor::HelpPage(), home.Path() + "pixel.htm");
  ini.WriteString("Langage", "Langue", "E");
  ini.WriteString("ECam", "l1", "Help");
  EXPECT_EQ(CameraEditor::HelpCaption(ini), "Help");
}

}  // namespace
}  // namespace orvek
