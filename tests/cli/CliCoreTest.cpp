// orvek-cli info, convert and measure, run as a user would run them.

#include <gtest/gtest.h>

#include "core/OTrame.h"
#include "core/Rounding.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

std::string Cli() {
  return test::BuildDir() + "cli/orvek-cli";
}

std::string RunCli(const std::string& args, int* status) {
  return test::Capture("'" + Cli() + "' " + args + " 2>/dev/null", status);
}

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
  int status = -1;
  const std::string out = RunCli("info '" + path + "' --json", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("\"format\":\"Format FIT\""), std::string::npos) << out;
  EXPECT_NE(out.find("\"width\":40,\"height\":30"), std::string::npos) << out;
  EXPECT_NE(out.find("\"bias_applied\":false"), std::string::npos);
  EXPECT_NE(out.find("\"star\":{\"x\":22,\"y\":12,"), std::string::npos) << out;
  const std::string median = "\"median\":" + FormatRoundTrip(static_cast<double>(f.Median)) + ",";
  EXPECT_NE(out.find(median), std::string::npos) << out;
}

TEST_F(CliCore, InfoWithBiasAndSwap) {
  const std::string path = StarFile();
  const std::string bias = home.File("bias.fit");
  ASSERT_TRUE(test::MakeFrame(40, 30, 60).SaveFits(bias, 2, 0, 0).ok);
  int status = -1;
  std::string out = RunCli("info '" + path + "' --bias '" + bias + "' --swap-v --json", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("\"bias_applied\":true"), std::string::npos) << out;
  OTrame biasFrame, f;
  ASSERT_TRUE(biasFrame.LoadFile(bias).ok());
  ASSERT_TRUE(f.LoadFile(path, &biasFrame, {true, false}).ok());
  const std::string median = "\"median\":" + FormatRoundTrip(static_cast<double>(f.Median)) + ",";
  EXPECT_NE(out.find(median), std::string::npos) << out;
  EXPECT_NE(out.find("\"star\":{\"x\":22,\"y\":17,"), std::string::npos) << out;  // 29 - 12
}

TEST_F(CliCore, ErrorsGoToStderrWithStatusOneAndUsageWithTwo) {
  int status = -1;
  RunCli("info '" + home.File("missing.fit") + "'", &status);
  EXPECT_EQ(status, 1);
  const std::string broken = home.File("broken.fit");
  test::WriteBytes(broken, {'S', 'I', 'M', 'P', 'L', 'E'});
  const std::string err =
      test::Capture("'" + Cli() + "' info '" + broken + "' 2>&1 >/dev/null", &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(err.find("broken.fit"), std::string::npos) << err;
  RunCli("info", &status);
  EXPECT_EQ(status, 2);
  RunCli("measure x.fit --at 1", &status);
  EXPECT_EQ(status, 2);
  RunCli("nosuchverb", &status);
  EXPECT_EQ(status, 2);
  RunCli("info a.fit --bogus", &status);
  EXPECT_EQ(status, 2);
}

TEST_F(CliCore, ConvertWritesEveryFormat) {
  const std::string path = StarFile();
  int status = -1;
  RunCli("convert '" + path + "' '" + home.File("out.orvc") + "'", &status);
  EXPECT_EQ(status, 0);
  OTrame a, b;
  ASSERT_TRUE(a.LoadFile(path).ok());
  ASSERT_TRUE(b.LoadFile(home.File("out.orvc")).ok());
  EXPECT_EQ(b.Px(22, 12), a.Px(22, 12));

  RunCli("convert '" + path + "' '" + home.File("out.bmp") + "' --low 100 --high 355", &status);
  EXPECT_EQ(status, 0);
  OTrame bmp;
  ASSERT_TRUE(bmp.LoadFile(home.File("out.bmp")).ok());
  EXPECT_EQ(bmp.FormatText, "24 bits");
  EXPECT_EQ(bmp.Px(0, 0), 0);  // the background at the low end is black

  RunCli("convert '" + path + "' '" + home.File("out.fits") + "' --mode 2", &status);
  EXPECT_EQ(status, 0);
  OTrame fits;
  ASSERT_TRUE(fits.LoadFile(home.File("out.fits")).ok());
  EXPECT_EQ(fits.Px(22, 12), a.Px(22, 12));
  if (test::Run("command -v fitsverify > /dev/null") == 0) {
    const std::string report =
        test::Capture("fitsverify -q '" + home.File("out.fits") + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << report;
    EXPECT_NE(report.find("verification OK"), std::string::npos) << report;
  }
  RunCli("convert '" + path + "' '" + home.File("out.png") + "'", &status);
  EXPECT_EQ(status, 2);
}

TEST_F(CliCore, MeasureReportsTheCentroidAndItsWindow) {
  const std::string path = StarFile();
  int status = -1;
  const std::string out =
      RunCli("measure '" + path + "' --at 20,10 --half 4 --framing manual --json", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("\"window\":{"), std::string::npos) << out;
  EXPECT_NE(out.find("\"count\":81}"), std::string::npos) << out;  // 9 x 9 window
  EXPECT_NE(out.find("\"peak\":{\"x\":22,\"y\":12,"), std::string::npos) << out;
  const std::string autoOut = RunCli("measure '" + path + "' --at 20,10 --json", &status);
  EXPECT_NE(autoOut.find("\"x\":22.4"), std::string::npos) << autoOut;
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

}  // namespace
}  // namespace orvek

namespace orvek {
namespace {

TEST(CliSettings, FirstStartInstallsTheShippedSettingsFileAndNeverReplacesIt) {
  test::TempHome home;
  int status = -1;
  // The first start speaks the locale's language (here Italian); the rest is the shipped file.
  test::Capture("LC_ALL=it_IT.UTF-8 '" + Cli() + "' info '" + test::SourceDir() +
                    "samples/ORV1/orv1_001.fit' 2>&1",
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
  test::Capture("'" + Cli() + "' info '" + test::SourceDir() + "samples/ORV1/orv1_001.fit' 2>&1",
                &status);
  EXPECT_EQ(test::ReadBytes(home.File("orvek.ini")),
            (std::vector<unsigned char>{'[', 'P', ']', '\n'}));
}

}  // namespace
}  // namespace orvek
