// The failure texts of the shipped settings file and how they are filled.

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "core/IniFile.h"
#include "support/TestSupport.h"
#include "wording/Wording.h"

namespace orvek {
namespace {
using test::SourceDir;
using test::TempDir;

IniFile Shipped() {
  return IniFile(SourceDir() + "resources/orvek.ini");
}

std::set<std::string> Placeholders(const std::string& text) {
  std::set<std::string> out;
  static const std::regex kPlaceholder(R"(\{([a-z0-9]+)\})");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), kPlaceholder);
       it != std::sregex_iterator(); ++it)
    out.insert((*it)[1]);
  return out;
}

// Every failure code is worded in the four languages, and every translation fills the same
// placeholders as the English text (a translator who drops {path} hides the file's name).
TEST(Wording, EveryCodeIsWordedAlikeInFourLanguages) {
  const IniFile ini = Shipped();
  const std::set<std::string> known = {"path", "field", "row", "text", "detail",
                                       "v1",   "v2",    "v3",  "v4"};
  for (int c = 0; c < kErrorCodeCount; ++c) {
    const std::string name = ErrorCodeName(static_cast<ErrorCode>(c));
    const std::string english = ini.ReadString("EErrors", name, "");
    ASSERT_FALSE(english.empty()) << name;
    for (const std::string& p : Placeholders(english))
      EXPECT_TRUE(known.count(p)) << name << " {" << p << "}";
    for (const char* lang : {"F", "S", "I"}) {
      const std::string own = ini.ReadString(std::string(lang) + "Errors", name, "");
      EXPECT_FALSE(own.empty()) << lang << " " << name;
      EXPECT_EQ(Placeholders(own), Placeholders(english)) << lang << " " << name;
    }
  }
}

// The texts of the command line and of the series commands: the same keys in the four
// languages, each filling the same placeholders ({...} and the windows' %1, %2).
TEST(Wording, CommandLineAndSeriesTextsAreAlikeInFourLanguages) {
  const IniFile ini = Shipped();
  static const std::regex kArgument(R"(%[0-9])");
  auto arguments = [](const std::string& text) {
    std::set<std::string> out = Placeholders(text);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kArgument);
         it != std::sregex_iterator(); ++it)
      out.insert(it->str());
    return out;
  };
  for (const char* section : {"Cli", "Series"}) {
    const std::vector<std::string> keys = ini.ReadKeys(std::string("E") + section);
    ASSERT_FALSE(keys.empty()) << section;
    for (const char* lang : {"F", "S", "I"}) {
      EXPECT_EQ(ini.ReadKeys(std::string(lang) + section), keys) << lang << section;
      for (const std::string& key : keys) {
        EXPECT_EQ(arguments(ini.ReadString(std::string(lang) + section, key, "")),
                  arguments(ini.ReadString(std::string("E") + section, key, "")))
            << lang << section << " " << key;
      }
    }
  }
}

TEST(Wording, FillsFieldsAndFallsBackToEnglishThenToTheFieldList) {
  TempDir dir;
  const IniFile ini(dir.File("orvek.ini"));
  ASSERT_TRUE(ini.WriteString("EErrors", "NotANumber",
                              "Row {row}, {field}: \"{text}\" ({v1}/{v2}) {nope}"));
  ASSERT_TRUE(ini.WriteString("Langage", "Langue", "I"));
  const Error e = Error(ErrorCode::NotANumber).Row(3).Field("xA").Text("1,2.").Values({0.5, 12});
  EXPECT_EQ(InterfaceLanguage(ini), 'I');
  // Italian has no text here: English is used, unknown placeholders stay as they are.
  EXPECT_EQ(Describe(e, ini, 'I'), "Row 3, xA: \"1,2.\" (0.5/12) {nope}");
  // No language words FileOpen in this file: the developer's field list, never an empty text.
  const std::string plain = Describe(Error(ErrorCode::FileOpen).Path("/x/a.fits"), ini, 'F');
  EXPECT_NE(plain.find("FileOpen"), std::string::npos);
  EXPECT_NE(plain.find("/x/a.fits"), std::string::npos);
  // A Status made with an old sentence keeps it.
  EXPECT_EQ(Describe(Status::Error("as it was"), ini, 'F'), "as it was");
}

}  // namespace
}  // namespace orvek
