#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/Utils.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

TEST(PadText, PadsThenCuts) {
  EXPECT_EQ(PadText("7", '0', 3, true), "007");
  EXPECT_EQ(PadText("12345", '0', 3, true), "123");
  EXPECT_EQ(PadText("ab", ' ', 5, false), "ab   ");
  EXPECT_EQ(PadText("abc", ' ', 3, false), "abc");
  EXPECT_EQ(PadText("x", ' ', 0, false), "");
  // Accented letters count as one character each.
  EXPECT_EQ(PadText("Système", ' ', 9, false), "Système  ");
  EXPECT_EQ(PadText("Éèêëàâ", ' ', 3, false), "Éèê");
}

TEST(LastFolderName, WithAndWithoutTrailingSeparator) {
  EXPECT_EQ(LastFolderName("C:\\images\\serie1\\"), "serie1");
  EXPECT_EQ(LastFolderName("C:\\images\\serie1"), "serie1");
  EXPECT_EQ(LastFolderName("C:\\"), "");
  EXPECT_EQ(LastFolderName("/data/obs/2011/"), "2011");
  EXPECT_EQ(LastFolderName("/data/obs/2011"), "2011");
  EXPECT_EQ(LastFolderName("/"), "");
  EXPECT_EQ(LastFolderName("nofolder"), "");
}

TEST(PathParts, FolderNameAndExtension) {
  EXPECT_EQ(FolderOf("/a/b/c.fit"), "/a/b/");
  EXPECT_EQ(FileNameOf("/a/b/c.fit"), "c.fit");
  EXPECT_EQ(BaseNameOf("/a/b/m57_001.fit"), "m57_001");
  EXPECT_EQ(ChangeExtension("/a/b.x/c.fit", ".orva"), "/a/b.x/c.orva");
  EXPECT_EQ(ChangeExtension("/a/noext", ".bmp"), "/a/noext.bmp");
}

TEST(WorkFolders, LiveInTheProgramFolderAndAreCreatedOnce) {
  test::TempHome home;
  EXPECT_EQ(WorkingFolder(), home.Path());
  EXPECT_EQ(ResourceFolder(), home.Path());
  EXPECT_EQ(SettingsPath(), home.Path() + "orvek.ini");
  const std::string f = WorkFolder("tempf");
  EXPECT_EQ(f, home.Path() + "tempf/");
  EXPECT_TRUE(std::filesystem::is_directory(f));
  test::WriteBytes(f + "keep.orvc", {1});
  EXPECT_EQ(WorkFolder("tempf"), f);
  EXPECT_TRUE(FileExists(f + "keep.orvc"));  // a second call creates nothing and clears nothing
}

TEST(ClearFolder, DeletesMatchingPlainFilesOnly) {
  test::TempDir dir;
  for (const char* n : {"a.orva", "b.ORVA", "c.orvr", "dark.orvc", ".hidden.orva", "ad0001_x.orvc"})
    test::WriteBytes(dir.File(n), {0});
  std::filesystem::create_directory(dir.File("sub.orva"));
  EXPECT_EQ(ClearFolder(dir.Path(), "*.orva"), 2);
  EXPECT_FALSE(FileExists(dir.File("a.orva")));
  EXPECT_FALSE(FileExists(dir.File("b.ORVA")));
  EXPECT_TRUE(FileExists(dir.File(".hidden.orva")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("sub.orva")));
  EXPECT_EQ(ClearFolder(dir.Path(), "ad*.*"), 1);
  EXPECT_EQ(ClearFolder(dir.Path(), "dark.orvc"), 1);
  EXPECT_EQ(ClearFolder(dir.Path(), "*.*"), 1);  // c.orvr
  EXPECT_EQ(ClearFolder(dir.File("missing/"), "*.*"), 0);
}

TEST(RenameExtensions, ReplacesTheExtensionInPlace) {
  test::TempDir dir;
  test::WriteBytes(dir.File("f1.orvr"), {1});
  test::WriteBytes(dir.File("f2.orvr"), {2});
  test::WriteBytes(dir.File("f3.orva"), {3});
  EXPECT_EQ(RenameExtensions(dir.Path(), ".orvr", ".orva"), 2);
  EXPECT_TRUE(FileExists(dir.File("f1.orva")));
  EXPECT_TRUE(FileExists(dir.File("f2.orva")));
  EXPECT_FALSE(FileExists(dir.File("f1.orvr")));
}

TEST(FileOrder, NaturalOrderPutsFrame2BeforeFrame10) {
  std::vector<std::string> names = {"frame10.fit", "frame2.fit", "Frame1.fit",
                                    "frame02.fit", "a.fit",      "frame2b.fit"};
  std::sort(names.begin(), names.end(), NaturalLess);
  const std::vector<std::string> expected = {"a.fit",      "Frame1.fit",  "frame02.fit",
                                             "frame2.fit", "frame2b.fit", "frame10.fit"};
  EXPECT_EQ(names, expected);
  test::TempDir dir;
  for (const char* n : {"img10.fit", "img9.fit", "img1.fit", "x.bmp"})
    test::WriteBytes(dir.File(n), {0});
  const std::vector<std::string> listed = ListFiles(dir.Path(), "*.fit");
  EXPECT_EQ(listed, (std::vector<std::string>{"img1.fit", "img9.fit", "img10.fit"}));
}

TEST(Masks, WildcardsIgnoreCase) {
  EXPECT_TRUE(MatchesMask("M57_001.FIT", "*.fit"));
  EXPECT_TRUE(MatchesMask("S3_AutoSous.orvc", "S?_*.orvc"));
  EXPECT_FALSE(MatchesMask("S3_AutoSous.orva", "*.orvc"));
  EXPECT_TRUE(MatchesMask("anything", "*.*"));
}

}  // namespace
}  // namespace orvek
