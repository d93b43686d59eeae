// orvek-cli surface, run as a user would run it, against the library on the same file.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/OTrame.h"
#include "core/Rounding.h"
#include "fit/PairFrames.h"
#include "fit/SurfaceFit.h"
#include "support/CliSupport.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

std::string Cli() {
  return test::BuildDir() + "cli/orvek-cli";
}

std::string RunCli(const std::string& args, int* status) {
  return test::Capture("'" + Cli() + "' " + args + " 2>/dev/null", status);
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class SurfaceCli : public ::testing::Test {
 protected:
  test::TempHome home;

  // The synthetic pair saved as ORV, which keeps every value.
  std::string PairFile(double bx) {
    test::PairSpec s;
    s.ax = 100.3;
    s.ay = 100.6;
    s.bx = bx;
    s.by = 115.2;
    s.right = -1;
    const OTrame f = test::PairFrame(400, 300, s);
    const std::string path = home.File("pair.orv");
    EXPECT_TRUE(f.SaveOrv(0, 0, f.LastX, f.LastY, path).ok);
    return path;
  }
};

TEST_F(SurfaceCli, JsonGivesTheFitOfTheLibrary) {
  const std::string path = PairFile(118.8);
  OTrame frame;
  ASSERT_TRUE(frame.LoadFile(path).ok());
  const SurfaceFitResult r = SurfaceFit(frame, Point(100, 101), Point(119, 115));
  ASSERT_TRUE(r.ok());
  const std::string model = home.File("model.orvc");
  const test::CliRun run =
      test::RunCli("surface '" + path + "' --a 100,101 --b 119,115 --json --model '" + model + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json& j = run.json;
  // Every number is the library's double, read back exactly.
  auto d = [](Extended v) { return static_cast<double>(v); };
  EXPECT_EQ(j["passes"], 1);
  EXPECT_EQ(j["a_fit"], (std::vector<double>{d(r.fit.xA), d(r.fit.yA)}));
  EXPECT_EQ(j["b_fit"], (std::vector<double>{d(r.fit.xB), d(r.fit.yB)}));
  EXPECT_EQ(j["a_pixel"], (std::vector<double>{d(r.fit.xA - 1), d(r.fit.yA - 1)}));
  EXPECT_EQ(j["hA"].get<double>(), d(r.fit.hA));
  EXPECT_EQ(j["theta"].get<double>(), d(r.theta));
  EXPECT_EQ(j["rho"].get<double>(), d(r.rho));
  EXPECT_EQ(j["log"], r.log);
  EXPECT_EQ(j["iterations"].size(), r.iterations.size());
  EXPECT_EQ(j["model"], model);
  // The model image is the library's, byte for byte.
  const std::string mine = home.File("mine.orvc");
  ASSERT_TRUE(WriteSurfaceModel(r, mine).ok);
  EXPECT_EQ(test::ReadBytes(model), test::ReadBytes(mine));
}

TEST_F(SurfaceCli, TextShowsPositionsInBothCoordinatesAndTheLog) {
  const std::string path = PairFile(118.8);
  int status = -1;
  const std::string out = RunCli("surface '" + path + "' --a 100,101 --b 119,115", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_TRUE(Contains(out, "passes=1\n")) << out;
  // "A=X,Y pixel=X-1,Y-1": star A at pixel (100.3, 100.6), found within 0.006.
  const size_t at = out.find("\nA=");
  ASSERT_NE(at, std::string::npos) << out;
  double x = 0, y = 0, px = 0, py = 0;
  ASSERT_EQ(std::sscanf(out.c_str() + at, "\nA=%lf,%lf pixel=%lf,%lf", &x, &y, &px, &py), 4);
  EXPECT_NEAR(x, 101.3, 0.006);
  EXPECT_NEAR(y, 101.6, 0.006);
  EXPECT_NEAR(px, x - 1, 1e-12);
  EXPECT_NEAR(py, y - 1, 1e-12);
  EXPECT_TRUE(Contains(out, "\nNb passes : 1\nINIT\nxA: 100.00   yA: 101.00  xB: 119.00")) << out;
}

TEST_F(SurfaceCli, FailuresAndBadUsage) {
  int status = -1;
  // B 100 pixels from A: a window of 201 points.
  const std::string path = PairFile(200.3);
  RunCli("surface '" + path + "' --a 100,101 --b 200,115", &status);
  EXPECT_EQ(status, 1);
  RunCli("surface '" + path + "' --a 100,101", &status);
  EXPECT_EQ(status, 2);
  RunCli("surface '" + path + "' --a 100,101 --b x,2", &status);
  EXPECT_EQ(status, 2);
  RunCli("surface '" + path + "' --a 100,101 --b 119,115 --model '" + home.File("m.fit") + "'",
         &status);
  EXPECT_EQ(status, 2);
  RunCli("surface '" + home.File("missing.fit") + "' --a 100,101 --b 119,115", &status);
  EXPECT_EQ(status, 1);
}

}  // namespace
}  // namespace orvek
