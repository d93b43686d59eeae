// orvek-cli's interferometry verbs, run as a program.

#include <gtest/gtest.h>

#include <filesystem>

#include "core/Utils.h"
#include "fourier/FourierTestSupport.h"
#include "fourier/Interferometry.h"
#include "support/TestSupport.h"

namespace orvek::fourier {
namespace {

std::string Cli() {
  return test::BuildDir() + "cli/orvek-cli";
}

class FourierCli : public ::testing::Test {
 protected:
  test::TempHome home;
  std::string Frame(const std::string& name, int n, int bright) {
    OTrame f = test::MakeFrame(n, n, 10);
    f.Px(20, 20) = bright;
    f.Px(26, 17) = bright / 2;
    return test::WriteOrv(f, home.File(name));
  }
};

TEST_F(FourierCli, AutocorrWritesTheSpectrumAndTheTenFiles) {
  const std::string out = home.File("out");
  const std::string a = Frame("a.orv", 64, 1000), b = Frame("b.orv", 64, 800);
  // A file of the user's in the output folder is left alone.
  std::filesystem::create_directories(out);
  test::WriteBytes(out + "/keep.orva", {1, 2, 3});
  int status = -1;
  const std::string text =
      test::Capture(Cli() + " autocorr --json --out-dir " + out + " " + a + " " + b, &status);
  ASSERT_EQ(status, 0) << text;
  EXPECT_NE(text.find("\"frames\":2"), std::string::npos) << text;
  EXPECT_NE(text.find(out + "/PuisDouble.orvc"), std::string::npos) << text;
  EXPECT_NE(text.find(out + "/S9_AutoSous.orvc"), std::string::npos) << text;
  EXPECT_EQ(ListFiles(out + "/", "*.orvc").size(), 11u);
  EXPECT_TRUE(FileExists(out + "/keep.orva"));
  // Same bits as the library's own command.
  SeriesInput in;
  in.files = {a, b};
  const std::string folder = WorkFolder(kInterferometryFolder);
  ASSERT_TRUE(SumPowerSpectra(in, folder, "PuisDouble", false).ok());
  EXPECT_EQ(test::ReadBytes(out + "/PuisDouble.orvc"), test::ReadBytes(folder + "PuisDouble.orvc"));
}

TEST_F(FourierCli, WrongSizeFailsWithTheMessage) {
  int status = -1;
  const std::string text = test::Capture(
      Cli() + " autocorr --out-dir " + home.File("o") + " " + Frame("odd.orv", 100, 500) + " 2>&1",
      &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(text.find("Image size = 64x64, 128x128, 256x256, 512x512"), std::string::npos);
  EXPECT_TRUE(ListFiles(home.File("o/"), "*.orvc").empty());
}

TEST_F(FourierCli, RefpowerThenAutocorrThenResult) {
  const std::string out = home.File("out");
  int status = -1;
  test::Capture(Cli() + " refpower --out-dir " + out + " " + Frame("r.orv", 64, 900), &status);
  ASSERT_EQ(status, 0);
  test::Capture(Cli() + " autocorr --out-dir " + out + " " + Frame("t.orv", 64, 700), &status);
  ASSERT_EQ(status, 0);
  const std::string text = test::Capture(Cli() + " result --json --out-dir " + out, &status);
  ASSERT_EQ(status, 0) << text;
  EXPECT_NE(text.find(out + "/S0_Div.orvc"), std::string::npos);
  EXPECT_TRUE(FileExists(out + "/S9_Div.orvc"));
}

TEST_F(FourierCli, ResultWithoutReferenceFails) {
  const std::string out = home.File("out");
  int status = -1;
  test::Capture(Cli() + " autocorr --out-dir " + out + " " + Frame("t.orv", 64, 700), &status);
  ASSERT_EQ(status, 0);
  const std::string text = test::Capture(Cli() + " result --out-dir " + out + " 2>&1", &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(text.find("PuisRef.orvc not found in " + out), std::string::npos) << text;
  EXPECT_FALSE(FileExists(out + "/S0_Div.orvc"));
}

TEST_F(FourierCli, FftAndCrosscorrAndDva) {
  int status = -1;
  const std::string in = Frame("a.orv", 64, 1000);
  test::Capture(Cli() + " fft " + in + " --modulus --out " + home.File("m.orvc"), &status);
  ASSERT_EQ(status, 0);
  OTrame m = test::LoadOrv(home.File("m.orvc"));
  EXPECT_NEAR(static_cast<double>(m.MaxValue), 32766.0, 1e-9);
  test::Capture(Cli() + " crosscorr --out-dir " + home.File("x") + " " + in, &status);
  ASSERT_EQ(status, 0);
  EXPECT_TRUE(FileExists(home.File("x/S0_InterSous.orvc")));
  const std::string text =
      test::Capture(Cli() + " dva --json --out-dir " + home.File("d") + " " + in, &status);
  ASSERT_EQ(status, 0) << text;
  EXPECT_TRUE(FileExists(home.File("d/DV_tampon.orvv")));
  EXPECT_TRUE(FileExists(home.File("d/S9_DV.orvc")));
}

TEST_F(FourierCli, PeakMeasuresTheSecondaryPeak) {
  // A centred 64 x 64 "autocorrelation" with a secondary peak of 3 x 3 pixels centred at
  // (40, 32): 8 columns right of the centre (32, 32). With the default calibration (Delta 0,
  // Epsilon 1, "ns" and "ew", square pixels) the angle is 360 - atan2(8, 0) = 270 degrees and
  // rho = 8 pixels.
  OTrame f = test::MakeFrame(64, 64, 0);
  f.Px(32, 32) = 65535;
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy) f.Px(40 + dx, 32 + dy) = (dx == 0 && dy == 0) ? 900 : 300;
  const std::string path = test::WriteOrv(f, home.File("ac.orvc"));
  int status = -1;
  const std::string text = test::Capture(Cli() + " peak " + path + " --at 40,32 --json", &status);
  ASSERT_EQ(status, 0) << text;
  EXPECT_NE(text.find("\"theta\":270"), std::string::npos) << text;
  EXPECT_NE(text.find("\"rho\":8"), std::string::npos) << text;
  // Delta 10 turns theta to 260; Epsilon 0.5 halves rho.
  const std::string cal = test::Capture(
      Cli() + " peak " + path + " --at 40,32 --delta 10 --epsilon 0.5 --json", &status);
  ASSERT_EQ(status, 0) << cal;
  EXPECT_NE(cal.find("\"theta\":260"), std::string::npos) << cal;
  EXPECT_NE(cal.find("\"rho\":4"), std::string::npos) << cal;
  // Not a centred spectrum.
  const std::string odd = test::WriteOrv(test::MakeFrame(100, 100, 1), home.File("odd.orvc"));
  test::Capture(Cli() + " peak " + odd + " --at 5,5 2>&1", &status);
  EXPECT_EQ(status, 1);
}

}  // namespace
}  // namespace orvek::fourier
