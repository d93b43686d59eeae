// orvek-cli series and drift verbs, run as a program: bestof, align, stack, composite, bias,
// drift, drift-trail; and the bundled sample series composited then reduced.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/Utils.h"
#include "series_stack/SeriesStackSupport.h"
#include "support/CliSupport.h"

namespace orvek {
namespace {

using test::Join;
using test::Quote;
using test::StarFrame;
using test::TempHome;
using test::WriteFitsFrame;

constexpr double kPi = 3.14159265358979323846;

class SeriesCli : public ::testing::Test {
 protected:
  TempHome home;

  using Run = test::CliRun;
  Run Cli(const std::string& args) { return test::RunCli(args); }

  std::vector<std::string> Sample() {
    std::vector<std::string> files;
    const std::string dir = test::SourceDir() + "samples/ORV1/";
    for (const std::string& name : ListFiles(dir, "*.fit")) files.push_back(dir + name);
    return files;
  }

  std::map<std::string, std::string> Truth() {
    std::map<std::string, std::string> truth;
    std::ifstream in(test::SourceDir() + "samples/ORV1/truth.txt");
    std::string line;
    while (std::getline(in, line)) {
      const auto eq = line.find('=');
      if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
      truth[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return truth;
  }

  std::vector<std::string> Frames(const std::string& prefix, int n, double x0, double dx, double y0,
                                  double dy, int w = 160, int h = 120) {
    std::vector<std::string> files;
    for (int k = 0; k < n; ++k)
      files.push_back(
          WriteFitsFrame(StarFrame(w, h, x0 + dx * k, y0 + dy * k, 6000 + 500 * (k % 3)),
                         home.File(prefix + std::to_string(k + 1) + ".fit")));
    return files;
  }
};

TEST_F(SeriesCli, SampleSeriesCompositedThenReducedMatchesTheTruth) {
  const std::vector<std::string> files = Sample();
  ASSERT_EQ(files.size(), 12u) << "bundled samples missing";
  const auto truth = Truth();
  const double theta = std::stod(truth.at("theta"));
  const double rho = std::stod(truth.at("rho"));

  // The per-frame reduction, the reference tolerance: 0.3 degree and 1 %.
  const Run perFrame = Cli("reduce" + Join(files) + " --json");
  ASSERT_EQ(perFrame.status, 0) << perFrame.err;
  EXPECT_NEAR(perFrame.json["mean"]["theta"].get<double>(), theta, 0.3);
  EXPECT_NEAR(perFrame.json["mean"]["rho"].get<double>(), rho, rho * 0.01);

  const std::string out = home.File("composite");
  const Run composite = Cli("composite --size 128 --out " + Quote(out) + Join(files) + " --json");
  ASSERT_EQ(composite.status, 0) << composite.err;
  EXPECT_EQ(composite.json["frames"].get<double>(), 12);
  EXPECT_EQ(composite.json["crops"].size(), 12u);
  ASSERT_EQ(composite.json["order"].size(), 12u);
  for (size_t i = 1; i < 12; ++i)
    EXPECT_GE(composite.json["order"][i - 1]["score"].get<double>(),
              composite.json["order"][i]["score"].get<double>());
  const std::string path = composite.json["composite"].get<std::string>();
  // Named after the best crop, with the position of the last of the twelve.
  EXPECT_EQ(path, out + "/ad0012_" +
                      BaseNameOf(composite.json["order"][0]["file"].get<std::string>()) + ".orvc");
  ASSERT_TRUE(FileExists(path));

  const Run reduced = Cli("reduce " + Quote(path) + " --json");
  ASSERT_EQ(reduced.status, 0) << reduced.err;
  EXPECT_NEAR(reduced.json["mean"]["theta"].get<double>(), theta, 0.3);
  EXPECT_NEAR(reduced.json["mean"]["rho"].get<double>(), rho, rho * 0.01);
}

TEST_F(SeriesCli, BestOfOrdersTheFilesWithTheirScores) {
  const std::vector<std::string> files = Sample();
  ASSERT_FALSE(files.empty());
  const Run sn = Cli("bestof --mode sn" + Join(files) + " --json");
  ASSERT_EQ(sn.status, 0) << sn.err;
  const auto& list = sn.json["files"];
  ASSERT_EQ(list.size(), files.size());
  for (size_t i = 1; i < list.size(); ++i)
    EXPECT_GE(list[i - 1]["score"].get<double>(), list[i]["score"].get<double>());
  // A file that cannot be read comes last, with no score: null.
  std::vector<std::string> withUnreadable = files;
  withUnreadable.insert(withUnreadable.begin() + 1, home.File("absent.fit"));
  const Run max = Cli("bestof --mode max" + Join(withUnreadable) + " --json");
  ASSERT_EQ(max.status, 0);
  ASSERT_EQ(max.json["files"].size(), withUnreadable.size());
  EXPECT_EQ(max.json["files"].back()["file"], home.File("absent.fit"));
  EXPECT_TRUE(max.json["files"].back()["score"].is_null());
  EXPECT_EQ(max.json["warnings"].size(), 1u);
  EXPECT_EQ(Cli("bestof --mode best" + Join(files)).status, 2);
}

TEST_F(SeriesCli, AlignPrintsTheStarPositionsAndWritesTheCrops) {
  const std::vector<std::string> files = Frames("al", 3, 70.3, 2.1, 60.6, -1.3);
  const std::string out = home.File("crops");
  const Run r = Cli("align --size 48 --out " + Quote(out) + Join(files) + " --json");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto& crops = r.json["crops"];
  ASSERT_EQ(crops.size(), 3u);
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_NEAR(crops[k]["x"].get<double>(), 70.3 + 2.1 * k, 0.2);
    EXPECT_NEAR(crops[k]["y"].get<double>(), 60.6 - 1.3 * k, 0.2);
    EXPECT_EQ(crops[k]["crop"].get<std::string>(), out + "/al" + std::to_string(k + 1) + ".orva");
    EXPECT_EQ(crops[k]["left"].get<double>(), std::trunc(crops[k]["x"].get<double>()) - 24);
    EXPECT_TRUE(FileExists(crops[k]["crop"].get<std::string>()));
  }
  // Découpage: the fixed centre for every frame, no resampling.
  const Run fixed = Cli("align --size 32 --fixed 80,60 --overwrite --out " + Quote(out) +
                        Join(files) + " --json");
  ASSERT_EQ(fixed.status, 0) << fixed.err;
  for (const auto& c : fixed.json["crops"]) {
    EXPECT_EQ(c["x"].get<double>(), 80);
    EXPECT_EQ(c["left"].get<double>(), 64);
    EXPECT_FALSE(c["subpixel"].get<bool>());
  }
  EXPECT_EQ(Cli("align --out " + Quote(out) + Join(files)).status, 2);  // no --size
  EXPECT_EQ(
      Cli("align --size 32 --fixed 80,60 --offset 1,1 --out " + Quote(out) + Join(files)).status,
      2);
}

TEST_F(SeriesCli, StackWritesTheCompositeAndCountsTheFrames) {
  const std::vector<std::string> files = Frames("m57_00", 3, 70, 0, 60, 0);
  const std::string out = home.File("stack");
  const Run r = Cli("stack --out " + Quote(out) + Join(files) + " --json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json["composite"].get<std::string>(), out + "/ad0003_m57_001.orvc");
  EXPECT_EQ(r.json["frames"].get<double>(), 3);
  EXPECT_TRUE(FileExists(r.json["composite"].get<std::string>()));
  // A frame of another size is skipped and named.
  std::vector<std::string> mixed = files;
  mixed.push_back(WriteFitsFrame(StarFrame(100, 100, 50, 50, 5000), home.File("odd.fit")));
  const Run skipped = Cli("stack --out " + Quote(out) + Join(mixed) + " --json");
  ASSERT_EQ(skipped.status, 0);
  EXPECT_EQ(skipped.json["frames"].get<double>(), 3);
  ASSERT_EQ(skipped.json["skipped"].size(), 1u);
  EXPECT_EQ(skipped.json["skipped"][0].get<std::string>(), mixed.back());
  EXPECT_EQ(skipped.json["composite"].get<std::string>(), out + "/ad0004_m57_001.orvc");
}

TEST_F(SeriesCli, BiasThenStackWithTheBias) {
  std::vector<std::string> darks;
  const int values[3] = {30, 10, 20};
  for (int k = 0; k < 3; ++k)
    darks.push_back(WriteFitsFrame(test::MakeFrame(160, 120, values[k]),
                                   home.File("dark" + std::to_string(k) + ".fit")));
  const std::string bias = home.File("master.orvc");
  const Run made = Cli("bias --out " + Quote(bias) + Join(darks) + " --json");
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(made.json["bias"].get<std::string>(), bias);
  EXPECT_EQ(made.json["frames"].get<double>(), 3);
  OTrame master;
  ASSERT_TRUE(master.LoadFile(bias).ok());
  EXPECT_EQ(master.Px(5, 5), 20);

  const std::vector<std::string> files = {
      WriteFitsFrame(test::MakeFrame(160, 120, 120), home.File("light1.fit")),
      WriteFitsFrame(test::MakeFrame(160, 120, 140), home.File("light2.fit"))};
  const Run stacked = Cli("stack --bias " + Quote(bias) + " --out " + Quote(home.File("s")) +
                          Join(files) + " --json");
  ASSERT_EQ(stacked.status, 0) << stacked.err;
  OTrame composite;
  ASSERT_TRUE(composite.LoadFile(stacked.json["composite"].get<std::string>()).ok());
  EXPECT_EQ(composite.Px(7, 7), 110);  // (100 + 120) / 2

  // Darks of two sizes: the message, no file.
  darks.push_back(WriteFitsFrame(test::MakeFrame(10, 10, 1), home.File("small.fit")));
  const std::string bad = home.File("bad.orvc");
  const Run refused = Cli("bias --out " + Quote(bad) + Join(darks));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("small.fit: 10 x 10"), std::string::npos) << refused.err;
  EXPECT_FALSE(FileExists(bad));
  // A bias of the user's that the failing command was allowed to replace is left as it was.
  const std::vector<unsigned char> before = test::ReadBytes(bias);
  EXPECT_EQ(Cli("bias --overwrite --out " + Quote(bias) + Join(darks)).status, 1);
  EXPECT_EQ(test::ReadBytes(bias), before);
  EXPECT_EQ(Cli("bias --out " + Quote(home.File("b.fits")) + Join(darks)).status, 2);
}

TEST_F(SeriesCli, DriftGivesTheLineAndDelta) {
  // 7 degrees below due west, north up and east left: Delta = -7.
  const double t = std::tan(7 * kPi / 180);
  std::vector<std::string> files;
  for (int k = 0; k < 8; ++k)
    files.push_back(WriteFitsFrame(StarFrame(220, 120, 30.4 + 22 * k, 40.2 + 22 * k * t, 8000),
                                   home.File("dr" + std::to_string(k) + ".fit")));
  const Run r =
      Cli("drift" + Join(files) + " --image " + Quote(home.File("drift.orvc")) + " --json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NEAR(r.json["a"].get<double>(), t, 0.003);
  EXPECT_NEAR(r.json["b"].get<double>(), 40.2 - 30.4 * t, 0.3);
  EXPECT_EQ(r.json["points"].get<double>(), 8);
  EXPECT_NEAR(r.json["delta"].get<double>(), -7.0, 0.1);
  EXPECT_TRUE(FileExists(home.File("drift.orvc")));
  // North down and east right turn the image half a turn: the same path reads 180 further.
  const Run flipped = Cli("drift" + Join(files) + " --orient sn,we --image " +
                          Quote(home.File("d2.orvc")) + " --json");
  ASSERT_EQ(flipped.status, 0) << flipped.err;
  EXPECT_NEAR(flipped.json["delta"].get<double>(), -7.0, 0.1);
}

TEST_F(SeriesCli, DriftKeepsTheImageFileThatWasThereUntilItHasANewOne) {
  const std::string image = home.File("drift.orvc");
  test::WriteBytes(image, {'o', 'l', 'd'});
  const std::vector<std::string> files = {
      home.File("absent.fit"),
      WriteFitsFrame(StarFrame(160, 120, 80.3, 60.2, 6000), home.File("one.fit"))};
  // Refused at once without --overwrite; with it, the first frame cannot be read: either way
  // the file is what it was.
  EXPECT_EQ(Cli("drift" + Join(files) + " --image " + Quote(image)).status, 1);
  EXPECT_EQ(Cli("drift" + Join(files) + " --overwrite --image " + Quote(image)).status, 1);
  EXPECT_EQ(test::ReadBytes(image), (std::vector<unsigned char>{'o', 'l', 'd'}));
}

TEST_F(SeriesCli, DriftAtOneSpotIsImpossible) {
  // The shipped settings file, in French: the window's own words for it.
  test::WriteBytes(home.File("orvek.ini"),
                   test::ReadBytes(test::SourceDir() + "resources/orvek.ini"));
  std::vector<std::string> files;
  for (int k = 0; k < 5; ++k)
    files.push_back(WriteFitsFrame(StarFrame(160, 120, 80.3, 60.2, 6000),
                                   home.File("spot" + std::to_string(k) + ".fit")));
  const Run r = Cli("drift" + Join(files) + " --image " + Quote(home.File("d.orvc")) + " --json");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Calcul impossible"), std::string::npos);
}

TEST_F(SeriesCli, DriftTrailOfOneImage) {
  // A horizontal trail east (left) to west (right): Delta 0.
  OTrame f = test::MakeFrame(240, 100, 100);
  for (int s = 0; s <= 1800; ++s) test::AddMoffat(f, 30 + s * 0.1, 50.3, 300, 3.0);
  const std::string path = WriteFitsFrame(f, home.File("trail.fit"));
  const Run r = Cli("drift-trail " + Quote(path) + " --a 40,50.3 --b 200,50.3 --json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NEAR(r.json["a"].get<double>(), 0.0, 0.002);
  EXPECT_NEAR(r.json["delta"].get<double>(), 0.0, 0.1);
  EXPECT_EQ(r.json["columns"].get<double>(), 161);
  EXPECT_EQ(Cli("drift-trail " + Quote(path) + " --a 40,10 --b 40,90").status, 1);
  EXPECT_EQ(Cli("drift-trail " + Quote(path) + " --a 40,10").status, 2);
}

}  // namespace
}  // namespace orvek
