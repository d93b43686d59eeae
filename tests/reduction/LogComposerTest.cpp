// The log window's model: the three logs composed from the measurement table, the median,
// the table dumps, saving with CR LF and the logs-saved flag. Expected lines are written out
// by hand from the layout rules.

#include <gtest/gtest.h>

#include <algorithm>

#include "core/Utils.h"
#include "measure/LogComposer.h"
#include "measure/ReductionTable.h"
#include "reduction/ReductionTestSupport.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

using test::AddPair;

std::string ReadText(const std::string& path) {
  const auto bytes = test::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

class LogTest : public ::testing::Test {
 protected:
  test::TempHome home;
  ReductionTable table{SettingsPath()};
  LogComposer log;
  void SetUp() override {
    table.RAZ();
    log.labels.lDat = "Date";
    log.labels.lLie = "Lieu";
    log.labels.lCon = "Conditions";
    log.labels.lIns = "Instrument";
    log.labels.lCam = "Camera";
    log.labels.checkech = "Ech";
    log.labels.checkdel = "Del";
    log.labels.checkdet = "Det";
    log.labels.CheckBru = "Bru";
  }
};

TEST(LogMedian, EvenAndOddCounts) {
  // Sorted 1.5, 2, 3.25, 7: mean of the 2nd and 3rd = (2 + 3.25) / 2 = 2.625.
  EXPECT_EQ(LogComposer::Median({1.5L, 3.25L, 2, 7}), 2.625L);
  EXPECT_EQ(LogComposer::Median({5, 1, 3}), 3);  // middle of 1, 3, 5
  EXPECT_EQ(LogComposer::Median({9, 8, 7, 6, 5, 4, 3, 2, 1}), 5);
  EXPECT_EQ(LogComposer::Median({4, 4, 1, 1, 9}), 4);
}

TEST(LogDump, CellsTakeAtLeastEightColumnsPlusASpace) {
  EXPECT_EQ(LogComposer::DumpRow({"abc"}), "     abc ");                    // 8 + 1
  EXPECT_EQ(LogComposer::DumpRow({"123456789012"}), "123456789012 ");       // 12 + 1
  EXPECT_EQ(LogComposer::DumpRow({"", "12345678"}), "         12345678 ");  // 8 + 1, 8 + 1
  // Characters, not bytes: "étoilé.fit" is 10 characters (12 bytes).
  EXPECT_EQ(LogComposer::DumpRow({"étoilé.fit"}), "étoilé.fit ");
  EXPECT_EQ(LogComposer::DumpRow({"é"}), "       é ");
}

TEST_F(LogTest, CompleteEntryOfOneRow) {
  // B 5 px left of A: theta 90, rho 5, dM 2.5 |ln 10| / ln 10 = 2.5, residuals 0.
  AddPair(table, 100, 100, 95, 100, "/d/a.fit", 1000, 100, 10, 9);
  log.fields.lDat = "2024-05-01";
  log.fields.lSys = "STF 1234";
  log.fields.lLie = "Paris";
  log.fields.lCon = "   ";  // blank after trimming: no line
  log.fields.WDSid = "12345+6789";
  log.fields.MG1 = "7.5";
  log.fields.MG2 = "9.1";
  log.fields.lnot = "good seeing";
  ASSERT_TRUE(log.LogsSaved());
  ASSERT_TRUE(log.AddToLog(table).ok);
  EXPECT_FALSE(log.LogsSaved());
  EXPECT_TRUE(log.NeedsCloseQuestion());
  EXPECT_EQ(log.ActivePage(), LogComposer::kLogData);

  const std::string stars(80, '*'), dashes(80, '-');
  const std::vector<std::string> expected = {
      stars,
      "Date : 2024-05-01  ",  // date padded to 12
      "Lieu : Paris",
      "Ech : 1",
      "Del : 0",
      "",
      "-=-= STF 1234 =-=-",
      "theta =      90",  // two rows or fewer: no medians
      "rho   =       5",
      "deltaM=2.5",
      "Nb : 1",
      "good seeing",
      dashes,
      "Det : ",
      dashes,
      "   Theta      Rho       dM     rThe     rRho    Image ",
      "      90        5      2.5        0        0    a.fit ",
      dashes,
      dashes,
      "Bru : ",
      dashes,
      "      xA       yA     intA       xB       yB     intB    Image     Path       nA       nB "
      "     Bin ",
      "     100      100     1000       95      100      100    a.fit      /d/       10        9 "
      "       1 ",
  };
  EXPECT_EQ(log.Memo1(), expected);
  ASSERT_EQ(log.Memo2().size(), 1u);
  EXPECT_EQ(log.Memo2()[0],
            "STF 1234       ;2024-05-01  ;      90;       5;2.5;1;0     / 0    ;good seeing");
  ASSERT_EQ(log.Memo3().size(), 1u);
  EXPECT_EQ(log.Memo3()[0],
            "12345+6789     STF 1234          7.5   9.1     2024-05-01        90"
            "       5     1     good seeing");
}

// A series of four frames as a measurer enters it, with the shipped French labels: the
// three saved files, byte for byte. Every line below is written by hand from the layouts of
// the readable log, the data line and the report line; the numbers were worked out apart
// (double precision) with the table's rules: B is 11.5 px right of and 9.6 px above A,
// raw angles 309.91, 309.90, 309.83, 309.89, less Delta 1.5; rho = 0.25 x separation;
// dM = 2.5 log10(intA / intB); mean theta 308.3825 -> 308.38; residuals in single
// precision; sigma theta sqrt(0.0039 / 3) = 0.036 -> 0.04, sigma rho 0.0060 -> 0.006;
// overall dM 2.5 log10(60827.25 / 16859.25) = 1.393 -> 1.39; medians (308.39 + 308.4) / 2
// and (3.742 + 3.746) / 2.
TEST_F(LogTest, RealisticSeriesGivesTheThreeFilesByteForByte) {
  log.LoadTexts(IniFile(test::SourceDir() + "resources/orvek.ini"));
  table.EditField(ReductionField::txtDelta, "1.5");
  table.EditField(ReductionField::txtEps, "0.25");
  struct Row {
    Extended xA, yA, intA;
    int nA;
    Extended xB, yB, intB;
    int nB;
    const char* file;
  };
  const Row rows[] = {
      {120.412L, 88.731L, 15234.5L, 31, 131.905L, 79.118L, 4211.25L, 17, "orv1_001.fit"},
      {121.030L, 88.205L, 14980, 30, 132.511L, 78.604L, 4102.5L, 16, "orv1_002.fit"},
      {119.877L, 89.402L, 15510.75L, 32, 131.402L, 79.791L, 4355, 18, "orv1_003.fit"},
      {120.655L, 88.964L, 15102, 31, 132.127L, 79.377L, 4190.5L, 17, "orv1_004.fit"},
  };
  for (const Row& r : rows) {
    const std::string path = std::string("/data/ORV1/") + r.file;
    table.SaveCentroid(test::Meas(r.xA, r.yA, r.intA, r.nA), path);
    ASSERT_TRUE(table.SaveCentroid(test::Meas(r.xB, r.yB, r.intB, r.nB), path).status.ok);
  }
  log.fields.lDat = "2024-05-01";
  log.fields.lSys = "STF 2455";
  log.fields.lLie = "Paris";
  log.fields.lCon = "Bon seeing";
  log.fields.lIns = "T 203";
  log.fields.lOpt = "Barlow 2x";
  log.RefreshCamera("Philips ToUcam Pro", "5.6", "5.6");
  log.fields.lPri = "1/25 s, gain 50%";
  log.fields.WDSid = "01234+5678";
  log.fields.MG1 = "8.2";
  log.fields.MG2 = "9.6";
  log.fields.lnot = "4 images";
  ASSERT_TRUE(log.AddToLog(table).ok);
  test::TempDir dir;
  ASSERT_TRUE(
      log.Save({dir.File("OrvekLog.txt"), dir.File("OrvekDat.txt"), dir.File("OrvekEZReport.txt")})
          .allWritten);

  const std::string stars(80, '*'), dashes(80, '-');
  const std::vector<std::string> logLines = {
      stars,
      "Date : 2024-05-01  ",
      "Lieu : Paris",
      "Conditions : Bon seeing",
      "Instrument : T 203",
      "            Barlow 2x",
      "Caméra : Philips ToUcam Pro      (pixels : 5.6 x 5.6)",
      "        1/25 s, gain 50%",
      "Echantillonnage (arcsec/pixel) : 0.25",
      "Delta (degrés) : 1.5",
      "",
      "-=-= STF 2455 =-=-",
      "  308.38  (sigma theta : 0.04)  Med: 308.395",
      "   3.744  (sigma rho : 0.006)  Med: 3.744",
      "deltaM=1.39",
      "Nb : 4",
      "4 images",
      dashes,
      "Détail des mesures : ",
      dashes,
      "   Theta      Rho       dM     rThe     rRho    Image ",
      "  308.41    3.746      1.4     0.03    0.002 orv1_001.fit ",
      "   308.4    3.742     1.41     0.02   -0.003 orv1_002.fit ",
      "  308.33    3.752     1.38    -0.05    0.007 orv1_003.fit ",
      "  308.39    3.738     1.39     0.01   -0.007 orv1_004.fit ",
      dashes,
      dashes,
      "Mesures brutes : ",
      dashes,
      "      xA       yA     intA       xB       yB     intB    Image     Path       nA       nB "
      "     Bin ",
      " 120.412   88.731  15234.5  131.905   79.118  4211.25 orv1_001.fit /data/ORV1/       31 "
      "      17        1 ",
      "  121.03   88.205    14980  132.511   78.604   4102.5 orv1_002.fit /data/ORV1/       30 "
      "      16        1 ",
      " 119.877   89.402 15510.75  131.402   79.791     4355 orv1_003.fit /data/ORV1/       32 "
      "      18        1 ",
      " 120.655   88.964    15102  132.127   79.377   4190.5 orv1_004.fit /data/ORV1/       31 "
      "      17        1 ",
  };
  auto file = [](const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
  };
  EXPECT_EQ(ReadText(dir.File("OrvekLog.txt")), file(logLines));
  EXPECT_EQ(ReadText(dir.File("OrvekDat.txt")),
            file({"STF 2455       ;2024-05-01  ;  308.38;   3.744;1.39;4;0.04  / 0.006;4 images"}));
  EXPECT_EQ(ReadText(dir.File("OrvekEZReport.txt")),
            file({"01234+5678     STF 2455          8.2   9.6     2024-05-01    308.38   3.744"
                  "     4     4 images"}));
}

TEST_F(LogTest, OptionalLinesAppearOnlyWhenFilled) {
  AddPair(table, 100, 100, 95, 100);
  log.fields.lOpt = "C8";
  log.fields.lPri = "1/100 s";
  log.fields.lIns = "SC 203";
  log.RefreshCamera("ToUcam", "5.6", "5.6");
  ASSERT_TRUE(log.AddToLog(table).ok);
  const auto& m = log.Memo1();
  // After the date: instrument (labelled), optics (12 spaces), camera (labelled), acquisition
  // (8 spaces), then the scale line.
  EXPECT_EQ(m[2], "Instrument : SC 203");
  EXPECT_EQ(m[3], "            C8");
  EXPECT_EQ(m[4], "Camera : ToUcam      (pixels : 5.6 x 5.6)");
  EXPECT_EQ(m[5], "        1/100 s");
  EXPECT_EQ(m[6], "Ech : 1");
}

TEST_F(LogTest, TwoRowsShowNoMedians) {
  for (int d : {1, 2}) AddPair(table, 50, 500, 50, 500 - d);
  ASSERT_TRUE(log.AddToLog(table).ok);
  const auto& m = log.Memo1();
  EXPECT_NE(std::find(m.begin(), m.end(), "theta =     360"), m.end());
  EXPECT_NE(std::find(m.begin(), m.end(), "rho   =     1.5"), m.end());
  for (const auto& line : m) EXPECT_EQ(line.find("Med:"), std::string::npos) << line;
}

TEST_F(LogTest, LongSystemNameIsCutInDataAndReportOnly) {
  AddPair(table, 100, 100, 95, 100);
  log.fields.lSys = "ÅBCDEFGHIJKLMNOPQRS";  // 19 characters, the first of two bytes
  ASSERT_TRUE(log.AddToLog(table).ok);
  EXPECT_EQ(log.Memo2()[0].substr(0, std::string("ÅBCDEFGHIJKLMNO;").size()), "ÅBCDEFGHIJKLMNO;");
  EXPECT_EQ(log.Memo3()[0].substr(15, std::string("ÅBCDEFGHIJKLMNO   ").size()),
            "ÅBCDEFGHIJKLMNO   ");  // after the 15 WDS columns, then MG1 padded to 6
  const auto& m = log.Memo1();
  EXPECT_NE(std::find(m.begin(), m.end(), "-=-= ÅBCDEFGHIJKLMNOPQRS =-=-"), m.end());
}

TEST_F(LogTest, SaveWritesCrLfAndSetsTheFlagOnlyWhenAllThreeAreWritten) {
  AddPair(table, 100, 100, 95, 100);
  ASSERT_TRUE(log.AddToLog(table).ok);
  test::TempDir dir;
  // Second dialog cancelled: two files written, the logs are not safe yet.
  LogSaveResult r = log.Save({dir.File("OrvekLog.txt"), std::nullopt, dir.File("OrvekEZ.txt")});
  EXPECT_TRUE(r.written[0]);
  EXPECT_FALSE(r.written[1]);
  EXPECT_TRUE(r.files[1].ok);  // cancelled, not failed
  EXPECT_FALSE(r.allWritten);
  EXPECT_FALSE(log.LogsSaved());

  // Every dialog cancelled: still unsaved, so the exit question still comes.
  r = log.Save({std::nullopt, std::nullopt, std::nullopt});
  EXPECT_FALSE(log.LogsSaved());

  r = log.Save({dir.File("a.txt"), dir.File("b.txt"), dir.File("c.txt")});
  EXPECT_TRUE(r.allWritten);
  EXPECT_TRUE(log.LogsSaved());
  EXPECT_FALSE(log.NeedsCloseQuestion());
  std::string expected;
  for (const auto& line : log.Memo2()) expected += line + "\r\n";
  EXPECT_EQ(ReadText(dir.File("b.txt")), expected);
  const std::string text = ReadText(dir.File("a.txt"));
  EXPECT_EQ(text.substr(0, 82), std::string(80, '*') + "\r\n");
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  // No bare LF anywhere.
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "at " << i;
    }
  }
}

TEST_F(LogTest, FileThatCannotBeWrittenIsReported) {
  AddPair(table, 100, 100, 95, 100);
  ASSERT_TRUE(log.AddToLog(table).ok);
  test::TempDir dir;
  const std::string bad = dir.Path() + "missing/folder/OrvekDat.txt";
  const LogSaveResult r = log.Save({dir.File("a.txt"), bad, dir.File("c.txt")});
  EXPECT_FALSE(r.files[1].ok);
  EXPECT_EQ(r.files[1].error.code, ErrorCode::FileWrite);
  EXPECT_EQ(r.files[1].error.path, bad);
  EXPECT_EQ(r.Failure().error.path, bad);
  EXPECT_FALSE(r.allWritten);
  EXPECT_FALSE(log.LogsSaved());
  EXPECT_TRUE(r.written[0]);
  EXPECT_TRUE(r.written[2]);
}

TEST_F(LogTest, LabelsComeFromTheLanguageSection) {
  const IniFile ini(SettingsPath());
  ini.WriteString("Langage", "Langue", "E");
  ini.WriteString("ELog", "lDat", "Date");
  ini.WriteString("ELog", "cECH", "Scale");
  ini.WriteString("ELog", "tab1", "Text log");
  log.LoadTexts(ini);
  EXPECT_EQ(log.labels.lDat, "Date");
  EXPECT_EQ(log.labels.checkech, "Scale");
  EXPECT_EQ(log.texts.tabs[1], "Text log");
  EXPECT_EQ(log.texts.tabs[3], "EZReport");  // the fourth page keeps its caption
  EXPECT_EQ(log.labels.lLie, "");            // a missing key empties its text
}

TEST_F(LogTest, CameraLineWhenShown) {
  const IniFile ini(SettingsPath());
  ini.WriteString("CUSTOMCAMERAS", "cam0", "DMK");
  ini.WriteString("CUSTOMCAMERAS", "lar0", "4.65");
  ini.WriteString("CUSTOMCAMERAS", "hau0", "4.65");
  table.LoadCameras();
  table.SelectCamera(0);
  log.RefreshCamera(table);
  EXPECT_EQ(log.fields.lCam, "DMK      (pixels : 4.65 x 4.65)");
}

}  // namespace
}  // namespace orvek
