// Checks of the files shipped in resources/: the settings file with the interface texts of
// the four languages, the calibration defaults and the camera list; the help pages; the
// cursor files, the built-in pointer pictures and the about picture.
//
// The key lists below are those each window reads when it loads its texts; the French
// captions are the windows' own default captions, which the shipped French texts repeat.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "core/IniFile.h"
#include "core/Utils.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

namespace fs = std::filesystem;

const std::string kMissing = "\x01<missing>";

struct WindowKeys {
  std::string window;
  std::vector<std::string> keys;
};

// Keys every language section must hold, grouped by window. The numbered lines of the
// about box (M1_0..) and of the surface help (L1..) are checked against their counts apart.
const std::vector<WindowKeys>& TranslatedWindows() {
  static const std::vector<WindowKeys> windows = {
      {"Main",
       {"m1",
        "m2",
        "m3",
        "m4",
        "m5",
        "m51",
        "Sauvegarder1",
        "m6",
        "m7",
        "m8",
        "m9",
        "raitement1",
        "Dcoupage1",
        "Retailler1",
        "Additioner1",
        "Compositageautomatique1",
        "AdditionnerReductions1",
        "r1",
        "r10",
        "r11",
        "msgExtInc",
        "msgRef",
        "msgWng",
        "aide2",
        "msgErrSurface",
        "Interfromtrie1",
        "MenuInterfromtrie1",
        "lblTipFastMeasurement"}},
      {"Reduction", {"tTIT",  "dDL",   "mAL",     "mEF",     "mTR",           "mTRRR",
                     "mTRRT", "mTRDM", "asc",     "dsc",     "rejection",     "mPRE",
                     "pSL",   "pSI",   "L5",      "L15",     "O1_0",          "O1_1",
                     "TC1_0", "TC1_1", "rejSome", "rejNone", "msgAutoNoPair", "msgAutoSkipped"}},
      {"Log", {"tTIT", "B1",     "cBRU",   "cDEL", "cDET", "cECH", "mFIC", "mMAS",
               "lCam", "lLie",   "lOpt",   "lPri", "lSys", "lDat", "lCon", "lIns",
               "lNot", "dlgSAV", "dlgDAT", "tab0", "tab1", "tab2"}},
      {"Cam", {"l1"}},
      {"DlgAlign", {"DlgAlign", "Label1", "Button2"}},
      {"Surface", {"L1_lines"}},
      {"About", {"B1", "M1_lines"}},
  };
  return windows;
}

// Help page opened for each language letter.
const std::map<std::string, std::string>& HelpPages() {
  static const std::map<std::string, std::string> pages = {
      {"F", "tutoriel.htm"}, {"E", "tutorial.htm"}, {"S", "manual.htm"}, {"I", "Tutoriit.htm"}};
  return pages;
}

// The source tree: ORVEK_SOURCE_DIR when the test runner sets it, else the folder the build
// was configured from, so that a missing variable cannot turn into a search of "./".
std::string SourceRoot() {
  const char* fromEnvironment = std::getenv("ORVEK_SOURCE_DIR");
  if (fromEnvironment != nullptr && *fromEnvironment != '\0') return test::SourceDir();
#ifdef ORVEK_CONFIGURED_SOURCE_DIR
  return ORVEK_CONFIGURED_SOURCE_DIR;
#else
  return test::SourceDir();
#endif
}

std::string ResourcePath(const std::string& name) {
  return SourceRoot() + "resources/" + name;
}

std::string ShippedIniPath() {
  return ResourcePath("orvek.ini");
}

std::vector<unsigned char> ReadFile(const std::string& path) {
  return test::ReadBytes(path);
}

uint16_t U16(const std::vector<unsigned char>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t U32(const std::vector<unsigned char>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint32_t U32BigEndian(const std::vector<unsigned char>& b, size_t at) {
  return (static_cast<uint32_t>(b[at]) << 24) | (static_cast<uint32_t>(b[at + 1]) << 16) |
         (static_cast<uint32_t>(b[at + 2]) << 8) | static_cast<uint32_t>(b[at + 3]);
}

// CRC-32 of PNG chunks (polynomial 0xEDB88320), computed bit by bit.
uint32_t Crc32(const unsigned char* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return crc ^ 0xFFFFFFFFu;
}

bool IsValidUtf8(const std::vector<unsigned char>& b) {
  size_t i = 0;
  while (i < b.size()) {
    const unsigned char c = b[i];
    size_t extra = 0;
    if (c < 0x80)
      extra = 0;
    else if ((c & 0xE0) == 0xC0 && c >= 0xC2)
      extra = 1;
    else if ((c & 0xF0) == 0xE0)
      extra = 2;
    else if ((c & 0xF8) == 0xF0 && c <= 0xF4)
      extra = 3;
    else
      return false;
    if (i + extra >= b.size() && extra > 0) return false;
    for (size_t k = 1; k <= extra; ++k)
      if ((b[i + k] & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

// prefix followed by n in decimal, as the windows name their numbered text lines.
std::string Numbered(const std::string& prefix, long long n) {
  std::string key = prefix;
  key += std::to_string(n);
  return key;
}

std::string WithoutAmpersand(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), '&'), s.end());
  return s;
}

std::string CollapseSpaces(const std::string& s) {
  std::string out;
  bool space = false;
  for (char c : s) {
    if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
      space = true;
      continue;
    }
    if (space && !out.empty()) out += ' ';
    space = false;
    out += c;
  }
  return out;
}

// Every listed key of every window present and not blank in one language; returns the
// number of failures so that callers can assert on a file after it was rewritten.
int CountMissingTexts(const IniFile& ini, const std::string& language) {
  int failures = 0;
  for (const WindowKeys& w : TranslatedWindows()) {
    for (const std::string& key : w.keys) {
      const std::string value = ini.ReadString(language + w.window, key, kMissing);
      const bool ok = value != kMissing && !Trim(value).empty();
      EXPECT_TRUE(ok) << "[" << language << w.window << "] " << key;
      if (!ok) ++failures;
    }
  }
  return failures;
}

// Every test runs with ORVEK_HOME in a fresh temporary folder, so nothing here can read or
// change the settings of the machine it runs on.
class ShippedResources : public ::testing::Test {
 protected:
  test::TempHome home;
  IniFile ini{ShippedIniPath()};
};

class LanguageTexts : public ShippedResources, public ::testing::WithParamInterface<std::string> {};

TEST_P(LanguageTexts, EveryWindowKeyIsPresentAndNotBlank) {
  ASSERT_TRUE(FileExists(ShippedIniPath())) << ShippedIniPath();
  EXPECT_EQ(CountMissingTexts(ini, GetParam()), 0);
}

TEST_P(LanguageTexts, SectionsHoldTheSameKeysAsFrenchWithoutDuplicates) {
  for (const WindowKeys& w : TranslatedWindows()) {
    std::vector<std::string> keys = ini.ReadKeys(GetParam() + w.window);
    std::vector<std::string> french = ini.ReadKeys("F" + w.window);
    std::sort(keys.begin(), keys.end());
    std::sort(french.begin(), french.end());
    EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end())
        << "duplicate key in [" << GetParam() << w.window << "]";
    EXPECT_EQ(keys, french) << "[" << GetParam() << w.window << "]";
  }
}

TEST_P(LanguageTexts, AboutLinesMatchTheirCount) {
  const std::string section = GetParam() + "About";
  const long long n = ini.ReadInteger(section, "M1_lines", -1);
  ASSERT_GE(n, 2) << section;
  bool namesVersion = false;
  for (long long i = 0; i <= n; ++i) {
    const std::string line = ini.ReadString(section, Numbered("M1_", i), kMissing);
    EXPECT_NE(line, kMissing) << section << " M1_" << i;
    EXPECT_FALSE(Trim(line).empty()) << section << " M1_" << i;
    if (line.find("Orvek V4.6") != std::string::npos) namesVersion = true;
  }
  EXPECT_FALSE(ini.KeyExists(section, Numbered("M1_", n + 1)))
      << section << ": more lines than M1_lines announces";
  EXPECT_TRUE(namesVersion) << section << " never names Orvek V4.6";
  // B1, M1_lines and the n + 1 lines: nothing else.
  EXPECT_EQ(ini.ReadKeys(section).size(), static_cast<size_t>(n + 3)) << section;
}

TEST_P(LanguageTexts, SurfaceHelpLinesMatchTheirCount) {
  const std::string section = GetParam() + "Surface";
  const long long n = ini.ReadInteger(section, "L1_lines", -1);
  ASSERT_GE(n, 3) << section;
  for (long long i = 1; i <= n; ++i) {
    const std::string line = ini.ReadString(section, Numbered("L", i), kMissing);
    EXPECT_NE(line, kMissing) << section << " L" << i;
    EXPECT_FALSE(Trim(line).empty()) << section << " L" << i;
  }
  EXPECT_FALSE(ini.KeyExists(section, Numbered("L", n + 1)))
      << section << ": more lines than L1_lines announces";
  EXPECT_EQ(ini.ReadKeys(section).size(), static_cast<size_t>(n + 1)) << section;
}

TEST_P(LanguageTexts, MenuCaptionsKeepOneAcceleratorWhereFrenchHasOne) {
  for (const WindowKeys& w : TranslatedWindows()) {
    for (const std::string& key : w.keys) {
      const std::string french = ini.ReadString("F" + w.window, key, "");
      const std::string text = ini.ReadString(GetParam() + w.window, key, "");
      const auto count = [](const std::string& s) { return std::count(s.begin(), s.end(), '&'); };
      EXPECT_EQ(count(text), count(french)) << "[" << GetParam() << w.window << "] " << key;
    }
  }
}

TEST_P(LanguageTexts, SaveDialogFiltersAreDescriptionAndPattern) {
  const std::regex filter(R"(^[^|]*\S[^|]*\(\*\.txt\)\|\*\.txt$)");
  for (const char* key : {"dlgSAV", "dlgDAT"}) {
    const std::string value = ini.ReadString(GetParam() + "Log", key, "");
    EXPECT_TRUE(std::regex_match(value, filter)) << GetParam() << "Log " << key << " = " << value;
  }
}

TEST_P(LanguageTexts, HelpPageUsesTheTranslatedMenuCaptions) {
  const std::string page = ResourcePath(HelpPages().at(GetParam()));
  const std::vector<unsigned char> bytes = ReadFile(page);
  ASSERT_FALSE(bytes.empty()) << page;
  const std::string html = CollapseSpaces(std::string(bytes.begin(), bytes.end()));
  for (const char* key : {"m51", "Retailler1", "Additioner1", "Compositageautomatique1",
                          "Interfromtrie1", "MenuInterfromtrie1", "lblTipFastMeasurement"}) {
    const std::string caption = WithoutAmpersand(ini.ReadString(GetParam() + "Main", key, ""));
    ASSERT_FALSE(caption.empty()) << key;
    EXPECT_NE(html.find(caption), std::string::npos)
        << HelpPages().at(GetParam()) << " never shows the caption \"" << caption << "\"";
  }
}

INSTANTIATE_TEST_SUITE_P(FourLanguages, LanguageTexts, ::testing::Values("F", "E", "S", "I"));

TEST_F(ShippedResources, SettingsFileIsUtf8AndStartsInFrench) {
  const std::vector<unsigned char> bytes = ReadFile(ShippedIniPath());
  ASSERT_FALSE(bytes.empty());
  EXPECT_TRUE(IsValidUtf8(bytes));
  EXPECT_EQ(ini.ReadString("Langage", "Langue", kMissing), "F");
}

TEST_F(ShippedResources, FrenchTextsRepeatTheWindowsOwnCaptions) {
  // Captions as the windows show them before any text is loaded.
  const std::vector<std::array<std::string, 3>> expected = {
      {"FMain", "m1", "Fe&nêtre"},
      {"FMain", "m2", "&?"},
      {"FMain", "m3", "R&éduction"},
      {"FMain", "m4", "&Fichier"},
      {"FMain", "m5", "&Ouvrir"},
      {"FMain", "m51", "Charger Rép."},
      {"FMain", "Sauvegarder1", "&Sauvegarder"},
      {"FMain", "m6", "&Quitter"},
      {"FMain", "m7", "Langage"},
      {"FMain", "m8", "Special"},
      {"FMain", "m9", "Options"},
      {"FMain", "raitement1", "&Traitement"},
      {"FMain", "Dcoupage1", "Découpage"},
      {"FMain", "Retailler1", "&Aligner Liste"},
      {"FMain", "Additioner1", "A&dditionner Liste"},
      {"FMain", "Compositageautomatique1", "Composita&ge automatique"},
      {"FMain", "AdditionnerReductions1", "Compositer &Reductions"},
      {"FMain", "r1", "Cadrage"},
      {"FMain", "r10", "Manuel"},
      {"FMain", "r11", "Automatique"},
      {"FMain", "aide2", "Aide"},
      {"FMain", "Interfromtrie1", "Interférométrie"},
      {"FMain", "MenuInterfromtrie1", "Menu Interférométrie"},
      {"FMain", "lblTipFastMeasurement", "Fast Measurement activé : Cliquez uniquement B"},
      {"FReduction", "tTIT", "Réduction"},
      {"FReduction", "mAL", "Ajouter au &Log"},
      {"FReduction", "mEF", "&Effacer"},
      {"FReduction", "mTR", "&Trier"},
      {"FReduction", "mTRRR", "Résidus Rho"},
      {"FReduction", "mTRRT", "RésidusTheta"},
      {"FReduction", "mTRDM", "Delta M (asc)"},
      {"FReduction", "asc", "Ascendant"},
      {"FReduction", "dsc", "Descendant"},
      {"FReduction", "rejection", "Rejets"},
      {"FReduction", "mPRE", "Pre-orientation"},
      {"FReduction", "pSL", "Supprimer la ligne"},
      {"FReduction", "pSI", "Supprimer à partir d'ici"},
      {"FReduction", "L5", "Caméra"},
      {"FReduction", "O1_0", "Etalonnage"},
      {"FReduction", "O1_1", "Mesure"},
      {"FReduction", "TC1_0", "Brutes"},
      {"FReduction", "TC1_1", "Réduites"},
      {"FLog", "tTIT", "Log Infos"},
      {"FLog", "B1", "Ajouter au log"},
      {"FLog", "mFIC", "&Enregistrer"},
      {"FLog", "mMAS", "&Masquer"},
      {"FLog", "tab0", "AutoInfo"},
      {"FLog", "tab1", "Log Texte"},
      {"FLog", "tab2", "Log Data"},
      {"FLog", "lDat", "Date"},
      {"FLog", "lSys", "Système"},
      {"FLog", "lLie", "Lieu"},
      {"FLog", "lCon", "Conditions"},
      {"FLog", "lIns", "Instrument"},
      {"FLog", "lOpt", "Optique"},
      {"FLog", "lCam", "Caméra"},
      {"FLog", "lPri", "Prise de vue"},
      {"FLog", "lNot", "Notes"},
      {"FDlgAlign", "DlgAlign", "Alignement et Recadrage"},
      {"FDlgAlign", "Label1", "Taille Image"},
      {"FDlgAlign", "Button2", "Annuler"},
  };
  for (const auto& [section, key, caption] : expected)
    EXPECT_EQ(ini.ReadString(section, key, kMissing), caption) << "[" << section << "] " << key;
}

TEST_F(ShippedResources, CalibrationAndOptionDefaults) {
  const std::vector<std::pair<std::string, std::string>> params = {
      {"Delta", "0"},     {"Epsilon", "1"},   {"OrientV", "ns"},           {"OrientH", "ew"},
      {"FitsSwapV", "0"}, {"FitsSwapH", "0"}, {"MenuInterfromtrie1", "1"}, {"FacteurRejet", "3"},
      {"HScroll1", "6"}};
  for (const auto& [key, value] : params)
    EXPECT_EQ(ini.ReadString("PARAMS", key, kMissing), value) << "PARAMS " << key;
  EXPECT_EQ(ini.ReadKeys("PARAMS").size(), params.size());
  EXPECT_EQ(ini.ReadString("CAMERA", "Camera", kMissing), "0");
}

TEST_F(ShippedResources, CameraListIsConsecutiveWithPositiveDecimalSizes) {
  const std::regex decimal(R"(^[0-9]+(\.[0-9]+)?$)");
  int count = 0;
  while (ini.KeyExists("CUSTOMCAMERAS", "cam" + std::to_string(count))) {
    const std::string i = std::to_string(count);
    EXPECT_FALSE(Trim(ini.ReadString("CUSTOMCAMERAS", "cam" + i, "")).empty()) << "cam" << i;
    for (const std::string& key : {"lar" + i, "hau" + i}) {
      const std::string value = ini.ReadString("CUSTOMCAMERAS", key, kMissing);
      ASSERT_TRUE(std::regex_match(value, decimal)) << key << " = " << value;
      const double micrometres = std::stod(value);
      EXPECT_GE(micrometres, 1.0) << key;
      EXPECT_LE(micrometres, 30.0) << key;
    }
    ++count;
  }
  EXPECT_GE(count, 9) << "entry 0 and at least eight cameras";
  // Nothing beyond the first missing index: three keys per camera, no stray ones.
  EXPECT_EQ(ini.ReadKeys("CUSTOMCAMERAS").size(), static_cast<size_t>(3 * count));
  EXPECT_EQ(ini.ReadString("CUSTOMCAMERAS", "lar0", ""), "5.6");
  EXPECT_EQ(ini.ReadString("CUSTOMCAMERAS", "hau0", ""), "5.6");
  std::set<std::string> names;
  for (int i = 0; i < count; ++i)
    EXPECT_TRUE(names.insert(ini.ReadString("CUSTOMCAMERAS", "cam" + std::to_string(i), "")).second)
        << "camera " << i << " listed twice";
}

TEST_F(ShippedResources, TextsSurviveTheProgramWritingItsParameters) {
  // The program writes PARAMS, CAMERA and CUSTOMCAMERAS into this very file at run time;
  // the translations and comments around them must come through untouched.
  const std::string copy = SettingsPath();
  fs::copy_file(ShippedIniPath(), copy, fs::copy_options::overwrite_existing);
  const IniFile settings(copy);
  ASSERT_TRUE(settings.WriteString("PARAMS", "Delta", "-1.25").ok);
  ASSERT_TRUE(settings.WriteString("CAMERA", "Camera", "4").ok);
  ASSERT_TRUE(settings.WriteString("CUSTOMCAMERAS", "cam13", "Test camera").ok);
  ASSERT_TRUE(settings.DeleteKey("CUSTOMCAMERAS", "cam13").ok);
  EXPECT_EQ(settings.ReadString("PARAMS", "Delta", ""), "-1.25");
  EXPECT_EQ(settings.ReadString("CAMERA", "Camera", ""), "4");
  for (const std::string language : {"F", "E", "S", "I"})
    EXPECT_EQ(CountMissingTexts(settings, language), 0) << language;
  EXPECT_EQ(settings.ReadString("FMain", "m51", ""), "Charger Rép.");
  EXPECT_EQ(settings.ReadString("PARAMS", "HScroll1", ""), "6");
}

TEST_F(ShippedResources, HelpPagesArePresentAndSelfContained) {
  std::vector<std::string> pages = {"pixel.htm"};
  for (const auto& [language, page] : HelpPages()) pages.push_back(page);
  for (const std::string& page : pages) {
    const std::vector<unsigned char> bytes = ReadFile(ResourcePath(page));
    ASSERT_GT(bytes.size(), 2000u) << page;
    EXPECT_TRUE(IsValidUtf8(bytes)) << page;
    const std::string html(bytes.begin(), bytes.end());
    EXPECT_NE(html.find("<html"), std::string::npos) << page;
    EXPECT_NE(html.find("</html>"), std::string::npos) << page;
    EXPECT_NE(html.find("charset=\"utf-8\""), std::string::npos) << page;
    // Opened from the program folder, possibly off-line: nothing is fetched from elsewhere.
    EXPECT_EQ(html.find("http://"), std::string::npos) << page;
    EXPECT_EQ(html.find("https://"), std::string::npos) << page;
    EXPECT_EQ(html.find("src="), std::string::npos) << page;
    EXPECT_EQ(html.find("<link"), std::string::npos) << page;
  }
  const std::vector<unsigned char> pixel = ReadFile(ResourcePath("pixel.htm"));
  const std::string text = CollapseSpaces(std::string(pixel.begin(), pixel.end()));
  for (const char* word : {"Horiz.", "Vert.", "comma", "virgule", "ratio", "rapport"})
    EXPECT_NE(text.find(word), std::string::npos) << "pixel.htm lacks " << word;
}

// One cursor file: ICONDIR (type 2), one ICONDIRENTRY whose planes and bit-count fields hold
// the hot spot, and a BITMAPINFOHEADER image of 32 x 64 rows (colour rows + AND mask).
void ExpectValidCursor(const std::string& name) {
  const std::vector<unsigned char> b = ReadFile(ResourcePath(name));
  ASSERT_GE(b.size(), 6u + 16u + 40u) << name;
  EXPECT_EQ(U16(b, 0), 0) << name << ": reserved";
  EXPECT_EQ(U16(b, 2), 2) << name << ": type (2 = cursor)";
  ASSERT_GE(U16(b, 4), 1) << name << ": image count";
  const int width = b[6] == 0 ? 256 : b[6];
  const int height = b[7] == 0 ? 256 : b[7];
  EXPECT_EQ(width, 32) << name;
  EXPECT_EQ(height, 32) << name;
  const int hotX = U16(b, 10);
  const int hotY = U16(b, 12);
  EXPECT_TRUE(hotX >= 0 && hotX < width && hotY >= 0 && hotY < height)
      << name << ": hot spot " << hotX << "," << hotY;
  EXPECT_TRUE(hotX >= 15 && hotX <= 16 && hotY >= 15 && hotY <= 16)
      << name << ": hot spot not at the centre";
  const uint32_t size = U32(b, 14);
  const uint32_t offset = U32(b, 18);
  ASSERT_LE(static_cast<uint64_t>(offset) + size, b.size()) << name << ": image past the end";
  ASSERT_GE(size, 40u) << name;
  EXPECT_EQ(U32(b, offset), 40u) << name << ": BITMAPINFOHEADER size";
  EXPECT_EQ(static_cast<int32_t>(U32(b, offset + 4)), 32) << name << ": bitmap width";
  EXPECT_EQ(static_cast<int32_t>(U32(b, offset + 8)), 64) << name << ": colour + mask rows";
  EXPECT_EQ(U16(b, offset + 12), 1) << name << ": planes";
  const int bits = U16(b, offset + 14);
  EXPECT_EQ(bits, 32) << name;
  EXPECT_EQ(U32(b, offset + 16), 0u) << name << ": compression";
  // 32 rows of 32 pixels of 4 bytes, then 32 mask rows of 4 bytes.
  EXPECT_EQ(size, 40u + 32u * 32u * 4u + 32u * 4u) << name;
  // Not an empty picture: some pixel is opaque, and the AND mask leaves it visible.
  size_t opaque = 0;
  for (size_t p = 0; p < 32 * 32; ++p)
    if (b[offset + 40 + p * 4 + 3] != 0) ++opaque;
  EXPECT_GT(opaque, 20u) << name;
  EXPECT_LT(opaque, 32u * 32u) << name;
}

TEST_F(ShippedResources, CursorFilesAreThirtyTwoPixelCursorsWithCentredHotSpots) {
  std::set<std::string> distinct;  // file contents as byte strings
  for (const char* colour : {"red", "blu"}) {
    for (int design = 0; design < 4; ++design) {
      const std::string name = std::string(colour) + std::to_string(design) + ".cur";
      SCOPED_TRACE(name);
      ExpectValidCursor(name);
      const std::vector<unsigned char> bytes = ReadFile(ResourcePath(name));
      distinct.emplace(bytes.begin(), bytes.end());
    }
  }
  EXPECT_EQ(distinct.size(), 8u) << "eight different pictures";
}

TEST_F(ShippedResources, BuiltInPointerPicturesAreThirtyTwoPixelRgbaPngs) {
  const std::vector<unsigned char> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::set<std::string> distinct;  // file contents as byte strings
  for (int n = 1; n <= 3; ++n) {
    const std::string name = "MONCU" + std::to_string(n) + ".png";
    const std::vector<unsigned char> b = ReadFile(ResourcePath(name));
    ASSERT_GE(b.size(), 8u + 25u + 12u) << name;
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), b.begin())) << name;
    EXPECT_EQ(U32BigEndian(b, 8), 13u) << name << ": IHDR length";
    EXPECT_EQ(std::string(b.begin() + 12, b.begin() + 16), "IHDR") << name;
    EXPECT_EQ(U32BigEndian(b, 16), 32u) << name << ": width";
    EXPECT_EQ(U32BigEndian(b, 20), 32u) << name << ": height";
    EXPECT_EQ(b[24], 8) << name << ": bit depth";
    EXPECT_EQ(b[25], 6) << name << ": colour type RGBA";
    EXPECT_EQ(U32BigEndian(b, 29), Crc32(b.data() + 12, 17)) << name << ": IHDR CRC";
    // Walk the chunks up to IEND, checking every CRC.
    size_t at = 8;
    bool ended = false;
    while (at + 12 <= b.size()) {
      const uint32_t length = U32BigEndian(b, at);
      ASSERT_LE(at + 12 + static_cast<size_t>(length), b.size()) << name;
      EXPECT_EQ(U32BigEndian(b, at + 8 + length), Crc32(b.data() + at + 4, length + 4)) << name;
      if (std::string(b.begin() + at + 4, b.begin() + at + 8) == "IEND") {
        ended = at + 12 == b.size();
        break;
      }
      at += 12 + length;
    }
    EXPECT_TRUE(ended) << name << ": IEND is not the last chunk";
    distinct.emplace(b.begin(), b.end());
  }
  EXPECT_EQ(distinct.size(), 3u);
}

TEST_F(ShippedResources, AboutPictureIsA320By200Jpeg) {
  const std::vector<unsigned char> b = ReadFile(ResourcePath("about.jpg"));
  ASSERT_GE(b.size(), 1000u);
  EXPECT_EQ(b[0], 0xFF);
  EXPECT_EQ(b[1], 0xD8);
  EXPECT_EQ(b[b.size() - 2], 0xFF);
  EXPECT_EQ(b[b.size() - 1], 0xD9);
  // Walk the markers to the frame header (SOF0 .. SOF2).
  size_t at = 2;
  int width = 0;
  int height = 0;
  int components = 0;
  while (at + 4 <= b.size() && b[at] == 0xFF) {
    const unsigned char marker = b[at + 1];
    const size_t length = (static_cast<size_t>(b[at + 2]) << 8) | b[at + 3];
    if (marker >= 0xC0 && marker <= 0xC2) {
      ASSERT_LE(at + 10, b.size());
      height = (b[at + 5] << 8) | b[at + 6];
      width = (b[at + 7] << 8) | b[at + 8];
      components = b[at + 9];
      break;
    }
    at += 2 + length;
  }
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 200);
  EXPECT_EQ(components, 3) << "a colour picture";
}

}  // namespace
}  // namespace orvek
