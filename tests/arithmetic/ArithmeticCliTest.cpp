// orvek-cli's arithmetic, speckle-mask and peak-suppression verbs, run as a program: their
// files hold the same bytes as the library's, and bad input ends with the right status.

#include <gtest/gtest.h>

#include "core/Output.h"

#include <filesystem>
#include <random>

#include "core/Utils.h"
#include "fourier/FourierTestSupport.h"
#include "fourier/ImageArithmetic.h"
#include "fourier/SpeckleMask.h"
#include "support/CliSupport.h"
#include "support/TestSupport.h"

namespace orvek::fourier {
namespace {

class ArithmeticCli : public ::testing::Test {
 protected:
  test::TempHome home;
  std::string Frame(const std::string& name, int w, int h, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-5, 100);
    OTrame f = test::MakeFrame(w, h, 0);
    for (long double& v : f.Data()) v = u(rng);
    return test::WriteOrv(f, home.File(name));
  }
  std::string Run(const std::string& args, int& status) {
    const test::CliRun r = test::RunCli(args);
    status = r.status;
    return r.out + r.err;
  }
};

TEST_F(ArithmeticCli, QuadPxWritesTheLibraryResult) {
  const std::string in = Frame("img.orv", 12, 9, 1);
  const std::string out = home.File("q.orvc");
  const test::CliRun r = test::RunCli("quadpx " + in + " --k 0.4 --json --out " + out);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json["file"], out);
  EXPECT_EQ(r.json["width"], 23);
  EXPECT_EQ(r.json["height"], 17);
  OTrame q;
  ASSERT_TRUE(QuadPxFrame(test::LoadOrv(in), 0.4L, q).ok);
  EXPECT_EQ(test::LoadOrv(out).Data(), q.Data());
}

TEST_F(ArithmeticCli, DivMultAndLowPassWriteTheLibraryResults) {
  const std::string a = Frame("a.orv", 10, 8, 2), b = Frame("b.orv", 10, 8, 3);
  int status = -1;
  for (const char* verb : {"div", "mult"}) {
    const std::string out = home.File(std::string(verb) + ".orv");
    const std::string text = Run(std::string(verb) + " " + a + " " + b + " --out " + out, status);
    ASSERT_EQ(status, 0) << text;
    OTrame expected = test::LoadOrv(a);
    const OTrame second = test::LoadOrv(b);
    ASSERT_TRUE((verb == std::string("div") ? DivideFrame(expected, second)
                                            : MultiplyFrame(expected, second))
                    .ok);
    EXPECT_EQ(test::LoadOrv(out).Data(), expected.Data()) << verb;
  }
  const std::string out = home.File("lp.orv");
  const std::string text = Run("lowpass " + a + " --out " + out, status);
  ASSERT_EQ(status, 0) << text;
  OTrame expected = test::LoadOrv(a);
  LowPassFrame(expected);
  EXPECT_EQ(test::LoadOrv(out).Data(), expected.Data());
}

TEST_F(ArithmeticCli, SmallerSecondImageFailsWithBothSizes) {
  int status = -1;
  const std::string text = Run("div " + Frame("a.orv", 10, 8, 2) + " " + Frame("s.orv", 6, 8, 3) +
                                   " --out " + home.File("x.orv"),
                               status);
  EXPECT_EQ(status, 1);
  // Both sizes named (the settings file is installed in French on the first start).
  EXPECT_NE(text.find("6 x 8"), std::string::npos) << text;
  EXPECT_NE(text.find("10 x 8"), std::string::npos) << text;
  EXPECT_FALSE(FileExists(home.File("x.orv")));
}

TEST_F(ArithmeticCli, BadUsageExitsWithTwo) {
  int status = -1;
  Run("quadpx " + Frame("a.orv", 4, 4, 1), status);  // no --out
  EXPECT_EQ(status, 2);
  Run("suppress " + Frame("b.orv", 4, 4, 1) + " --ring 3 --out " + home.File("o.orv"), status);
  EXPECT_EQ(status, 2);
  Run("speckle-mask --dx 1 --out-dir " + home.File("d") + " " + Frame("c.orv", 4, 4, 1), status);
  EXPECT_EQ(status, 2);
  Run("quadpx " + home.File("a.orv") + " --k x --out " + home.File("o.orvc"), status);
  EXPECT_EQ(status, 2);
}

TEST_F(ArithmeticCli, SpeckleMaskWritesThreeFilesPerImageAndKeepsOtherFiles) {
  const std::string dir = home.File("out");
  std::filesystem::create_directories(dir);
  test::WriteBytes(dir + "/keep.orvm", {1, 2});
  const std::string a = Frame("a.orv", 30, 20, 4), b = Frame("b.orv", 30, 20, 5);
  const test::CliRun r =
      test::RunCli("speckle-mask --dx -3 --dy 2 --json --out-dir " + dir + " " + a + " " + b);
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.json["files"].size(), 6u);
  EXPECT_EQ(r.json["files"][5], dir + "/b.orvr");
  EXPECT_TRUE(FileExists(dir + "/keep.orvm"));
  // The same bytes as the library's command in the program's own folder.
  SeriesInput in;
  in.files = {a, b};
  const std::string folder = WorkFolder(kSpeckleMaskFolder);
  ASSERT_TRUE(SpeckleMaskCommand(in, {-3, 2}, ProgramOutput(folder)).ok());
  for (const char* name : {"a.orvo", "a.orvm", "a.orvr", "b.orvo", "b.orvm", "b.orvr"}) {
    EXPECT_EQ(test::ReadBytes(dir + "/" + name), test::ReadBytes(folder + name)) << name;
  }
}

TEST_F(ArithmeticCli, SpeckleMaskWithNoReadableImageFails) {
  int status = -1;
  const std::string text =
      Run("speckle-mask --dx 0 --dy 0 --out-dir " + home.File("o") + " " + home.File("none.orv"),
          status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(text.find("none.orv"), std::string::npos) << text;
}

TEST_F(ArithmeticCli, SuppressZeroesTheCentreBlock) {
  const OTrame f = test::MakeFrame(64, 64, 3);
  const std::string in = test::WriteOrv(f, home.File("s.orv"));
  const std::string out = home.File("o.orv");
  const test::CliRun r = test::RunCli("suppress " + in + " --ring 2 --json --out " + out);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json["centre"], 32);
  EXPECT_EQ(r.json["zeroed"], 25);
  const OTrame o = test::LoadOrv(out);
  int zeros = 0;
  for (long double v : o.Data()) zeros += v == 0;
  EXPECT_EQ(zeros, 25);
  EXPECT_EQ(o.Px(30, 34), 0);
  EXPECT_EQ(o.Px(29, 32), 3);
}

TEST_F(ArithmeticCli, ConvWritesTheSevenStages) {
  const std::string a = Frame("a.orv", 64, 64, 6), b = Frame("b.orv", 64, 64, 7);
  const std::string dir = home.File("conv");
  int status = -1;
  const std::string text = Run("conv " + a + " " + b + " --out-dir " + dir, status);
  ASSERT_EQ(status, 0) << text;
  for (const char* name : kConvStageFiles) EXPECT_TRUE(FileExists(dir + "/" + name)) << name;
  Run("conv " + a + " " + Frame("c.orv", 32, 32, 8) + " --out-dir " + home.File("conv2"), status);
  EXPECT_EQ(status, 1);
}

}  // namespace
}  // namespace orvek::fourier
