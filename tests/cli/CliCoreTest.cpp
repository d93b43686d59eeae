// orvek-cli info, convert and measure, run as a user would run them; its usage rules, its help
// and the language of its messages.

#include <gtest/gtest.h>

#include "core/IniFile.h"
#include "core/OTrame.h"
#include "core/Rounding.h"
#include "support/CliSupport.h"
#include "support/TestSupport.h"
#include "wording/Wording.h"

namespace orvek {
namespace {

using test::Quote;
using test::RunCli;

class CliCore : public ::testing::Test {
 protected:
  test::TempHome home;
  std::string StarFile() {
    OTrame f = test::MakeFrame(40, 30, 100);
    test::AddMoffat(f, 22.4, 11.6, 5000, 3.5);
    const std::string path = home.File("star.fit");
    EXPECT_TRUE(f.SaveFits(path, 2, 0, 0).ok);
    return path;
  }
};

TEST_F(CliCore, InfoPrintsTheFrameAsJson) {
  const std::string path = StarFile();
  OTrame f;
  ASSERT_TRUE(f.LoadFile(path).ok());
  const test::CliRun r = RunCli("info " + Quote(path) + " --json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json["format"], "Format FIT");
  EXPECT_EQ(r.json["width"], 40);
  EXPECT_EQ(r.json["height"], 30);
  EXPECT_EQ(r.json["bias_applied"], false);
  EXPECT_EQ(r.json["star"]["x"], 22);
  EXPECT_EQ(r.json["star"]["y"], 12);
  // Numbers read back to the very doubles the program holds.
  EXPECT_EQ(r.json["median"].get<double>(), static_cast<double>(f.Median));
  EXPECT_EQ(r.json["sigma"].get<double>(), static_cast<double>(f.Sigma));
}

TEST_F(CliCore, InfoWithBiasAndSwap) {
  const std::string path = StarFile();
  const std::string bias = home.File("bias.fit");
  ASSERT_TRUE(test::MakeFrame(40, 30, 60).SaveFits(bias, 2, 0, 0).ok);
  const test::CliRun r =
      RunCli("info " + Quote(path) + " --bias " + Quote(bias) + " --swap-v --json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json["bias_applied"], true);
  OTrame biasFrame, f;
  ASSERT_TRUE(biasFrame.LoadFile(bias).ok());
  ASSERT_TRUE(f.LoadFile(path, &biasFrame, {true, false}).ok());
  EXPECT_EQ(r.json["median"].get<double>(), static_cast<double>(f.Median));
  EXPECT_EQ(r.json["star"]["y"], 17);  // 29 - 12
}

// Exit statuses: 0 for help, 1 for a failure of the work, 2 for bad usage (with the usage).
struct UsageCase {
  std::string args;
  int status;
  std::string printed;  ///< expected in stdout (status 0) or stderr
};

class CliUsage : public ::testing::TestWithParam<UsageCase> {
 protected:
  test::TempHome home;
};

TEST_P(CliUsage, StatusAndWhatIsPrinted) {
  test::WriteBytes(home.File("broken.fit"), {'S', 'I', 'M', 'P', 'L', 'E'});
  std::string args = GetParam().args;
  const size_t at = args.find("HOME/");
  if (at != std::string::npos) args.replace(at, 5, home.Path());
  const test::CliRun r = RunCli(args);
  EXPECT_EQ(r.status, GetParam().status) << r.out << r.err;
  EXPECT_NE((r.status == 0 ? r.out : r.err).find(GetParam().printed), std::string::npos)
      << r.out << r.err;
  if (r.status == 2 && !GetParam().args.empty() && GetParam().args != "nosuchverb") {
    // The verb's usage line follows the reason.
    const std::string verb = GetParam().args.substr(0, GetParam().args.find(' '));
    EXPECT_NE(r.err.find("orvek-cli " + verb + " "), std::string::npos) << r.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Rules, CliUsage,
                         ::testing::Values(UsageCase{"", 2, "orvek-cli align --size S"},
                                           UsageCase{"--help", 0, "drift-trail"},
                                           UsageCase{"info --help", 0, "--swap-v"},
                                           UsageCase{"align --help", 0, "--overwrite"},
                                           UsageCase{"info", 2, "FILE"},
                                           UsageCase{"measure x.fit --at 1", 2, "--at"},
                                           UsageCase{"nosuchverb", 2, "nosuchverb"},
                                           UsageCase{"info a.fit --bogus", 2, "--bogus"},
                                           UsageCase{"info a.fit --json=yes", 2, "--json"},
                                           UsageCase{"align --size", 2, "--size"},
                                           UsageCase{"measure a.fit --at 1,1 --half 31", 2, "31"},
                                           UsageCase{"info HOME/missing.fit", 1, "missing.fit"},
                                           UsageCase{"info HOME/broken.fit", 1, "broken.fit"}));

TEST(CliLanguage, MessagesFollowTheInterfaceLanguageAndJsonDoesNot) {
  test::TempHome home;
  const IniFile shipped(test::SourceDir() + "resources/orvek.ini");
  const IniFile settings(home.File("orvek.ini"));
  const std::string missing = home.File("missing.fit");
  OTrame f = test::MakeFrame(20, 10, 3);
  ASSERT_TRUE(f.SaveFits(home.File("f.fit"), 2, 0, 0).ok);
  std::string json;
  for (const char* lang : {"E", "F", "S", "I"}) {
    ASSERT_TRUE(settings.WriteString("Langage", "Langue", lang));
    // orvek-cli's own words: an unknown option.
    const test::CliRun usage = RunCli("info a.fit --bogus");
    EXPECT_EQ(usage.status, 2);
    const std::string unknown =
        FillPlaceholders(Words(shipped, lang[0], "Cli", "UnknownOption"), Error().Field("--bogus"));
    EXPECT_NE(usage.err.find(unknown), std::string::npos) << lang << ": " << usage.err;
    // A failure of the library, worded from its code.
    const test::CliRun failed = RunCli("info " + Quote(missing));
    EXPECT_EQ(failed.status, 1);
    const std::string notFound =
        Describe(Error(ErrorCode::FileNotFound).Path(missing), shipped, lang[0]);
    EXPECT_NE(failed.err.find(notFound), std::string::npos) << lang << ": " << failed.err;
    // JSON keys and values are the same in every language.
    const test::CliRun info = RunCli("info " + Quote(home.File("f.fit")) + " --json");
    ASSERT_EQ(info.status, 0);
    if (json.empty()) json = info.out;
    EXPECT_EQ(info.out, json) << lang;
  }
}

TEST_F(CliCore, ConvertWritesEveryFormat) {
  const std::string path = StarFile();
  EXPECT_EQ(RunCli("convert " + Quote(path) + " " + Quote(home.File("out.orvc"))).status, 0);
  OTrame a, b;
  ASSERT_TRUE(a.LoadFile(path).ok());
  ASSERT_TRUE(b.LoadFile(home.File("out.orvc")).ok());
  EXPECT_EQ(b.Px(22, 12), a.Px(22, 12));

  EXPECT_EQ(
      RunCli("convert " + Quote(path) + " " + Quote(home.File("out.bmp")) + " --low 100 --high 355")
          .status,
      0);
  OTrame bmp;
  ASSERT_TRUE(bmp.LoadFile(home.File("out.bmp")).ok());
  EXPECT_EQ(bmp.FormatText, "24 bits");
  EXPECT_EQ(bmp.Px(0, 0), 0);  // the background at the low end is black

  EXPECT_EQ(
      RunCli("convert " + Quote(path) + " " + Quote(home.File("out.fits")) + " --mode 2").status,
      0);
  OTrame fits;
  ASSERT_TRUE(fits.LoadFile(home.File("out.fits")).ok());
  EXPECT_EQ(fits.Px(22, 12), a.Px(22, 12));
  if (test::Run("command -v fitsverify > /dev/null") == 0) {
    int status = -1;
    const std::string report =
        test::Capture("fitsverify -q '" + home.File("out.fits") + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << report;
    EXPECT_NE(report.find("verification OK"), std::string::npos) << report;
  }
  EXPECT_EQ(RunCli("convert " + Quote(path) + " " + Quote(home.File("out.png"))).status, 2);
}

TEST_F(CliCore, MeasureReportsTheCentroidAndItsWindow) {
  const std::string path = StarFile();
  const test::CliRun manual =
      RunCli("measure " + Quote(path) + " --at 20,10 --half 4 --framing manual --json");
  ASSERT_EQ(manual.status, 0) << manual.err;
  EXPECT_EQ(manual.json["window"]["count"], 81);  // 9 x 9 window
  EXPECT_EQ(manual.json["peak"]["x"], 22);
  EXPECT_EQ(manual.json["peak"]["y"], 12);
  const test::CliRun automatic = RunCli("measure " + Quote(path) + " --at 20,10 --json");
  ASSERT_EQ(automatic.status, 0) << automatic.err;
  EXPECT_NEAR(automatic.json["x"].get<double>(), 22.4, 0.1);  // the thresholded centroid
}

TEST(SampleSeries, CommittedFilesMatchTheirGenerator) {
  test::TempDir dir;
  ASSERT_EQ(test::Run("'" + test::BuildDir() + "tools/make_samples/orvek_make_samples' '" +
                      dir.Path() + "'"),
            0);
  for (int k = 1; k <= 12; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "orv1_%03d.fit", k);
    EXPECT_EQ(test::ReadBytes(dir.File(name)),
              test::ReadBytes(test::SourceDir() + "samples/ORV1/" + name))
        << name;
  }
  EXPECT_EQ(test::ReadBytes(dir.File("truth.txt")),
            test::ReadBytes(test::SourceDir() + "samples/ORV1/truth.txt"));
}

TEST(CliSettings, FirstStartSpeaksTheLanguageOfTheSettingsFileItWrites) {
  // The words of the very first run are those of every later run in the file's language.
  test::TempHome home;
  const std::string run = "LC_ALL=it_IT.UTF-8 " + Quote(test::BuildDir() + "cli/orvek-cli") +
                          " info " + Quote(home.File("missing.fit")) + " 2>&1";
  int status = -1;
  const std::string first = test::Capture(run, &status);
  EXPECT_EQ(status, 1);
  const std::vector<unsigned char> written = test::ReadBytes(home.File("orvek.ini"));
  ASSERT_NE(std::string(written.begin(), written.end()).find("Langue=I"), std::string::npos);
  EXPECT_EQ(test::Capture(run, &status), first);
  EXPECT_EQ(test::Capture("LC_ALL=C.UTF-8 " + run.substr(std::string("LC_ALL=it_IT.UTF-8 ").size()),
                          &status),
            first);
}

TEST(CliSettings, FirstStartInstallsTheShippedSettingsFileAndNeverReplacesIt) {
  test::TempHome home;
  const std::string sample = test::SourceDir() + "samples/ORV1/orv1_001.fit";
  int status = -1;
  // The first start speaks the locale's language (here Italian); the rest is the shipped file.
  test::Capture("LC_ALL=it_IT.UTF-8 " + Quote(test::BuildDir() + "cli/orvek-cli") + " info " +
                    Quote(sample) + " 2>&1",
                &status);
  EXPECT_EQ(status, 0);
  const std::vector<unsigned char> shipped =
      test::ReadBytes(test::SourceDir() + "resources/orvek.ini");
  std::string expected(shipped.begin(), shipped.end());
  const size_t at = expected.find("Langue=F");
  ASSERT_NE(at, std::string::npos);
  expected[at + 7] = 'I';
  const std::vector<unsigned char> written = test::ReadBytes(home.File("orvek.ini"));
  EXPECT_EQ(std::string(written.begin(), written.end()), expected);
  test::WriteBytes(home.File("orvek.ini"), {'[', 'P', ']', '\n'});
  RunCli("info " + Quote(sample));
  EXPECT_EQ(test::ReadBytes(home.File("orvek.ini")),
            (std::vector<unsigned char>{'[', 'P', ']', '\n'}));
}

}  // namespace
}  // namespace orvek
