#include <gtest/gtest.h>

#include <string>

#include "core/IniFile.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

std::string Text(const std::string& path) {
  const auto b = test::ReadBytes(path);
  return std::string(b.begin(), b.end());
}

TEST(IniFile, MissingFileSectionOrKeyGivesTheDefault) {
  test::TempDir dir;
  IniFile ini(dir.File("orvek.ini"));
  EXPECT_EQ(ini.ReadString("Langage", "Langue", "F"), "F");
  EXPECT_EQ(ini.ReadInteger("PARAMS", "HScroll1", 6), 6);
  test::WriteBytes(dir.File("orvek.ini"), {'[', 'A', ']', '\n', 'k', '=', '1', '\n'});
  EXPECT_EQ(ini.ReadString("B", "k", "d"), "d");
  EXPECT_EQ(ini.ReadString("A", "x", "d"), "d");
  EXPECT_EQ(ini.ReadString("A", "k", "d"), "1");
}

TEST(IniFile, NamesCompareWithoutCaseAndValuesAreTrimmed) {
  test::TempDir dir;
  const std::string path = dir.File("orvek.ini");
  const std::string content = "[FMain]\r\nm1 = &Fenêtre \r\nQuoted=\" a b \"\r\n";
  test::WriteBytes(path, std::vector<unsigned char>(content.begin(), content.end()));
  IniFile ini(path);
  EXPECT_EQ(ini.ReadString("fmain", "M1", ""), "&Fenêtre");
  EXPECT_EQ(ini.ReadString("FMAIN", "quoted", ""), " a b ");
  EXPECT_TRUE(ini.KeyExists("FMain", "m1"));
  EXPECT_EQ(ini.ReadKeys("FMain"), (std::vector<std::string>{"m1", "Quoted"}));
}

TEST(IniFile, WritingKeepsEverythingElse) {
  test::TempDir dir;
  const std::string path = dir.File("orvek.ini");
  const std::string content =
      "; shipped settings\r\n[Langage]\r\nLangue=F\r\n\r\n[PARAMS]\r\nDelta=0\r\nEpsilon=1\r\n\r\n"
      "[EMain]\r\nm1=&Window\r\n";
  test::WriteBytes(path, std::vector<unsigned char>(content.begin(), content.end()));
  IniFile ini(path);
  ASSERT_TRUE(ini.WriteString("langage", "LANGUE", "I").ok);
  ASSERT_TRUE(ini.WriteString("PARAMS", "OrientV", "sn").ok);
  ASSERT_TRUE(ini.WriteString("CAMERA", "Camera", "2").ok);
  EXPECT_EQ(ini.ReadString("Langage", "Langue", "F"), "I");
  EXPECT_EQ(ini.ReadString("PARAMS", "OrientV", ""), "sn");
  EXPECT_EQ(ini.ReadString("PARAMS", "Epsilon", ""), "1");
  EXPECT_EQ(ini.ReadString("EMain", "m1", ""), "&Window");
  EXPECT_EQ(ini.ReadString("CAMERA", "Camera", ""), "2");
  const std::string after = Text(path);
  EXPECT_EQ(after.find("; shipped settings\r\n"), 0u);
  EXPECT_NE(after.find("Epsilon=1\r\nOrientV=sn\r\n\r\n[EMain]"), std::string::npos) << after;
  ASSERT_TRUE(ini.DeleteKey("PARAMS", "Delta").ok);
  EXPECT_FALSE(ini.KeyExists("PARAMS", "Delta"));
  EXPECT_TRUE(ini.DeleteKey("PARAMS", "Absent").ok);
}

// Both found by fuzzing the settings file: a second byte-order mark became a section once the
// first was dropped on writing, and a repeated key came back after the editor deleted it.
TEST(IniFile, KeepsTheByteOrderMarkAndDeletesEveryLineOfAKey) {
  test::TempDir dir;
  const std::string path = dir.File("orvek.ini");
  const std::string bom = "\xEF\xBB\xBF";
  const std::string content = bom + bom + "[PARAMS]\nDelta=0.25\n[CUSTOMCAMERAS]\ncam1=A\ncam1=B\n";
  test::WriteBytes(path, std::vector<unsigned char>(content.begin(), content.end()));
  IniFile ini(path);
  ASSERT_TRUE(ini.WriteString("PARAMS", "Delta", "12.5").ok);
  EXPECT_EQ(ini.ReadString("PARAMS", "Delta", ""), "12.5");
  EXPECT_EQ(Text(path).rfind(bom + bom + "[PARAMS]\n", 0), 0u) << Text(path);
  ASSERT_TRUE(ini.DeleteKey("CUSTOMCAMERAS", "cam1").ok);
  EXPECT_FALSE(ini.KeyExists("CUSTOMCAMERAS", "cam1"));
}

TEST(IniFile, CreatesTheFileAndKeepsUtf8) {
  test::TempDir dir;
  IniFile ini(dir.File("new.ini"));
  ASSERT_TRUE(ini.WriteString("CUSTOMCAMERAS", "cam1", "Caméra µ 5,6").ok);
  EXPECT_EQ(ini.ReadString("customcameras", "CAM1", ""), "Caméra µ 5,6");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"CUSTOMCAMERAS"}));
  IniFile bad(dir.File("no/such/dir/x.ini"));
  EXPECT_FALSE(bad.WriteString("A", "b", "c").ok);
}

}  // namespace
}  // namespace orvek
