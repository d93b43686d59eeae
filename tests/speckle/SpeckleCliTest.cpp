// orvek-cli on a speckle video: the series verbs read the video's frames as they read the same
// frames converted first; speckle measures the pair; bad videos end with exit status 1 and
// nothing written.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "speckle/SyntheticSpeckle.h"
#include "support/CliSupport.h"
#include "support/TestSupport.h"

namespace orvek::speckletest {
namespace {

namespace fs = std::filesystem;
using test::Quote;
using test::RunCli;

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

SpeckleScene SmallScene() {
  SpeckleScene s;
  s.width = s.height = 64;
  s.ax = s.ay = 32;
  s.seed = 4;
  return s;
}

struct VerbCase {
  const char* verb;
  const char* options;  // before the frames; "OUT" is the output folder
};

class VideoInPlaceOfFrames : public ::testing::TestWithParam<VerbCase> {};

// Frames 2 to 9 of a 16-bit SER, given as the video with --frames and as the ORV files that
// `orvek-cli video` writes: the same printout (but for the folders) and the same files, byte
// for byte.
TEST_P(VideoInPlaceOfFrames, GiveWhatTheConvertedFramesGive) {
  const VerbCase c = GetParam();
  test::TempHome home;
  const std::string video = home.File("pair.ser");
  WriteSpeckleSer(video, SmallScene(), 12);
  fs::create_directories(home.File("conv"));
  ASSERT_EQ(RunCli("video " + Quote(video) + " " + Quote(home.File("conv/pair"))).status, 0);
  std::string converted;
  for (int k = 2; k <= 9; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "conv/pair%04d.orv", k);
    converted += " " + Quote(home.File(name));
  }
  fs::create_directories(home.File("a"));
  fs::create_directories(home.File("b"));
  const std::string options = c.options;
  const test::CliRun fromFiles =
      RunCli(std::string(c.verb) + " " + Replace(options, "OUT", home.File("a")) + converted);
  const test::CliRun fromVideo =
      RunCli(std::string(c.verb) + " " + Replace(options, "OUT", home.File("b")) + " " +
             Quote(video) + " --frames 2-9");
  ASSERT_EQ(fromFiles.status, 0) << fromFiles.err;
  ASSERT_EQ(fromVideo.status, 0) << fromVideo.err;
  EXPECT_EQ(Replace(Replace(fromFiles.out, home.File("a"), "OUT"), home.File("conv/"), ""),
            Replace(Replace(fromVideo.out, home.File("b"), "OUT"), home.File(""), ""));
  ASSERT_EQ(Names(home.File("a")), Names(home.File("b")));
  for (const std::string& name : Names(home.File("a")))
    EXPECT_TRUE(Bytes(home.File("a/" + name)) == Bytes(home.File("b/" + name))) << name;
}

INSTANTIATE_TEST_SUITE_P(SeriesVerbs, VideoInPlaceOfFrames,
                         ::testing::Values(VerbCase{"bestof", "--json"},
                                           VerbCase{"align", "--size 32 --out OUT"},
                                           VerbCase{"stack", "--out OUT --json"},
                                           VerbCase{"autocorr", "--out-dir OUT --json"},
                                           VerbCase{"crosscorr", "--out-dir OUT"},
                                           VerbCase{"refpower", "--out-dir OUT"},
                                           VerbCase{"dva", "--out-dir OUT"},
                                           VerbCase{"drift", "--image OUT/d.orvc --json"}),
                         [](const auto& info) { return std::string(info.param.verb); });

// The pair of a synthetic video: theta as the sky sees it with north up and east left (the
// position angle from north, up, through east, left, less Delta), rho with Epsilon.
TEST(SpeckleVerb, ThetaAndRhoOnTheSky) {
  test::TempHome home;
  SpeckleScene scene;
  scene.dx = -5;  // B to the left (east) and below (south) of A
  scene.dy = 6;
  scene.dm = 0.8;
  scene.dOverR0 = 4;
  scene.seed = 21;
  const std::string video = home.File("pair.ser");
  WriteSpeckleSer(video, scene, 40, 638297221591316970LL, 150000);
  const test::CliRun r = RunCli("speckle " + Quote(video) + " --delta 2 --epsilon 0.25 --json");
  ASSERT_EQ(r.status, 0) << r.err;
  // The keys, and only those (listed here in the order of nlohmann::json, by name).
  std::vector<std::string> keys;
  for (const auto& [key, value] : r.json.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"dm", "epoch", "frames_rejected", "frames_used",
                                            "quadrant", "quadrant_margin", "rho", "rho_err",
                                            "rho_px", "theta", "theta_err"}));
  // East component -dx, north component -dy: PA = atan2(5, -6) = 140.19 degrees.
  const double pa = std::atan2(5.0, -6.0) * 180 / 3.14159265358979323846;
  EXPECT_NEAR(r.json["theta"].get<double>(), pa - 2, 2.0);
  EXPECT_EQ(r.json["quadrant"], "resolved");
  EXPECT_NEAR(r.json["rho_px"].get<double>(), std::hypot(5.0, 6.0), 0.3);
  EXPECT_NEAR(r.json["rho"].get<double>(), 0.25 * r.json["rho_px"].get<double>(), 1e-9);
  EXPECT_EQ(r.json["frames_used"].get<int>() + r.json["frames_rejected"].get<int>(), 40);
  // Ticks of 100 ns from 0001-01-01: 638297221591316970 is 2023-09-07T22:22:39.13 UTC, and
  // the 40 frames 15 ms apart have their mean 0.29 s later. By hand: JD 2460195.4324 UTC,
  // + 69.184 s to TT, B = 1900 + (JD(TT) - 2415020.31352) / 365.242198781 = 2023.6854.
  EXPECT_NEAR(r.json["epoch"].get<double>(), 2023.6854, 1e-3);
}

// Bad videos: exit status 1, the video named in the message, and no file in the folder given.
TEST(SpeckleVerb, BadVideosWriteNothing) {
  test::TempHome home;
  const std::string good = home.File("good.ser");
  WriteSpeckleSer(good, SmallScene(), 4);
  std::string bytes = Bytes(good);
  const std::string cut = home.File("cut.ser");
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() - 1000);
  SpeckleScene tiny = SmallScene();
  tiny.width = tiny.height = 48;
  tiny.ax = tiny.ay = 24;
  const std::string small = home.File("small.ser");
  WriteSpeckleSer(small, tiny, 3);
  fs::create_directories(home.File("out"));
  const std::string out = Quote(home.File("out"));
  const std::pair<std::string, std::string> runs[] = {
      {"autocorr --out-dir " + out + " " + Quote(cut), cut},
      {"speckle " + Quote(cut), cut},
      {"stack --out " + out + " " + Quote(good) + " --frames 2-7", good},
      {"speckle " + Quote(good) + " --frames 5-", good},
      {"speckle " + Quote(small), small},
  };
  for (const auto& [args, named] : runs) {
    const test::CliRun r = RunCli(args);
    EXPECT_EQ(r.status, 1) << args;
    EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  EXPECT_TRUE(Names(home.File("out")).empty());
}

}  // namespace
}  // namespace orvek::speckletest
