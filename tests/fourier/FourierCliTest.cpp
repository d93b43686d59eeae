// orvek-cli's interferometry verbs, run as a program.

#include <gtest/gtest.h>

#include <filesystem>

#include "core/Utils.h"
#include "fourier/FourierTestSupport.h"
#include "fourier/Interferometry.h"
#include "support/CliSupport.h"
#include "support/TestSupport.h"

namespace orvek::fourier {
namespace {

using test::RunCli;

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
  const test::CliRun r = RunCli("autocorr --json --out-dir " + out + " " + a + " " + b);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json["frames"], 2);
  ASSERT_EQ(r.json["files"].size(), 11u);
  EXPECT_EQ(r.json["files"][0], out + "/PuisDouble.orvc");
  EXPECT_EQ(r.json["files"][10], out + "/S9_AutoSous.orvc");
  EXPECT_TRUE(r.json["warnings"].empty());
  EXPECT_EQ(ListFiles(out + "/", "*.orvc").size(), 11u);
  EXPECT_TRUE(FileExists(out + "/keep.orva"));
  // Same bits as the library's own command.
  SeriesInput in;
  in.files = {a, b};
  const std::string folder = WorkFolder(kInterferometryFolder);
  ASSERT_TRUE(SumPowerSpectra(in, ProgramOutput(folder), "PuisDouble", false).ok());
  EXPECT_EQ(test::ReadBytes(out + "/PuisDouble.orvc"), test::ReadBytes(folder + "PuisDouble.orvc"));
}

TEST_F(FourierCli, WrongSizeFailsWithTheMessage) {
  const test::CliRun r =
      RunCli("autocorr --out-dir " + home.File("o") + " " + Frame("odd.orv", 100, 500));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Image size = 64x64, 128x128, 256x256, 512x512"), std::string::npos);
  EXPECT_TRUE(ListFiles(home.File("o/"), "*.orvc").empty());
}

TEST_F(FourierCli, RefpowerThenAutocorrThenResult) {
  const std::string out = home.File("out");
  ASSERT_EQ(RunCli("refpower --out-dir " + out + " " + Frame("r.orv", 64, 900)).status, 0);
  ASSERT_EQ(RunCli("autocorr --out-dir " + out + " " + Frame("t.orv", 64, 700)).status, 0);
  const test::CliRun r = RunCli("result --json --out-dir " + out);
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.json["files"].size(), 10u);
  EXPECT_EQ(r.json["files"][0], out + "/S0_Div.orvc");
  EXPECT_TRUE(FileExists(out + "/S9_Div.orvc"));
}

TEST_F(FourierCli, ResultWithoutReferenceFails) {
  const std::string out = home.File("out");
  ASSERT_EQ(RunCli("autocorr --out-dir " + out + " " + Frame("t.orv", 64, 700)).status, 0);
  const test::CliRun r = RunCli("result --out-dir " + out);
  EXPECT_EQ(r.status, 1);
  // The file is named where the user looks for it, not in the command's working copy.
  EXPECT_NE(r.err.find(out + "/PuisRef.orvc"), std::string::npos) << r.err;
  EXPECT_FALSE(FileExists(out + "/S0_Div.orvc"));
}

TEST_F(FourierCli, FftAndCrosscorrAndDva) {
  const std::string in = Frame("a.orv", 64, 1000);
  ASSERT_EQ(RunCli("fft " + in + " --modulus --out " + home.File("m.orvc")).status, 0);
  OTrame m = test::LoadOrv(home.File("m.orvc"));
  EXPECT_NEAR(static_cast<double>(m.MaxValue), 32766.0, 1e-9);
  ASSERT_EQ(RunCli("crosscorr --out-dir " + home.File("x") + " " + in).status, 0);
  EXPECT_TRUE(FileExists(home.File("x/S0_InterSous.orvc")));
  const test::CliRun dva = RunCli("dva --json --out-dir " + home.File("d") + " " + in);
  ASSERT_EQ(dva.status, 0) << dva.err;
  EXPECT_EQ(dva.json["frames"], 1);
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
  const test::CliRun r = RunCli("peak " + path + " --at 40,32 --json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json["theta"], 270);
  EXPECT_EQ(r.json["rho"], 8);
  EXPECT_EQ(r.json["a"]["x"], 32);
  // Delta 10 turns theta to 260; Epsilon 0.5 halves rho.
  const test::CliRun cal = RunCli("peak " + path + " --at 40,32 --delta 10 --epsilon 0.5 --json");
  ASSERT_EQ(cal.status, 0) << cal.err;
  EXPECT_EQ(cal.json["theta"], 260);
  EXPECT_EQ(cal.json["rho"], 4);
  // Not a centred spectrum.
  const std::string odd = test::WriteOrv(test::MakeFrame(100, 100, 1), home.File("odd.orvc"));
  EXPECT_EQ(RunCli("peak " + odd + " --at 5,5").status, 1);
}

}  // namespace
}  // namespace orvek::fourier
