// orvek-cli video, run as a program: counts, JSON, exit statuses.

#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "VideoTestSupport.h"

namespace orvek::videotest {
namespace {

std::string Cli() {
  return ORVEK_CLI_PROGRAM;
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

Outcome RunCli(const TempFolder& dir, const std::string& arguments) {
  const std::string outPath = dir / "cli.out";
  const std::string errPath = dir / "cli.err";
  Outcome o;
  o.status =
      Run(Quote(Cli()) + " video " + arguments + " >" + Quote(outPath) + " 2>" + Quote(errPath));
  const std::vector<uint8_t> out = ReadBytes(outPath);
  const std::vector<uint8_t> err = ReadBytes(errPath);
  o.out.assign(out.begin(), out.end());
  o.err.assign(err.begin(), err.end());
  return o;
}

std::string ThreeFrameAvi(const TempFolder& dir) {
  const std::string path = dir / "jup.avi";
  Ffmpeg("-f lavfi -i color=c=gray:size=16x8:rate=5 -frames:v 3 -c:v rawvideo -pix_fmt bgr24 " +
         Quote(path));
  return path;
}

TEST(VideoCli, PrintsTheNumberOfFramesWritten) {
  TempFolder dir;
  const std::string video = ThreeFrameAvi(dir);
  const Outcome o = RunCli(dir, Quote(video) + " " + Quote(dir / "jup"));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "3\n");
  EXPECT_TRUE(Exists(dir / "jup0002.bmp"));
}

TEST(VideoCli, JsonListsFramesAndFiles) {
  TempFolder dir;
  const std::string video = ThreeFrameAvi(dir);
  const Outcome o = RunCli(dir, Quote(video) + " " + Quote(dir / "m57.bmp") + " --json");
  EXPECT_EQ(o.status, 0) << o.err;
  const nlohmann::json j = nlohmann::json::parse(o.out);
  EXPECT_EQ(j["frames"], 3);
  EXPECT_EQ(j["files"], (std::vector<std::string>{dir / "m57.bmp0000.bmp", dir / "m57.bmp0001.bmp",
                                                  dir / "m57.bmp0002.bmp"}));
  EXPECT_EQ(j["failed_writes"], 0);
  EXPECT_EQ(j["total"], 3);
}

TEST(VideoCli, FormatOrvWritesOrvFiles) {
  TempFolder dir;
  const std::string video = ThreeFrameAvi(dir);
  const Outcome o = RunCli(dir, Quote(video) + " " + Quote(dir / "f") + " --format orv");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(Exists(dir / "f0000.orv"));
  EXPECT_FALSE(Exists(dir / "f0000.bmp"));
}

TEST(VideoCli, MissingVideoFailsNamingIt) {
  TempFolder dir;
  const Outcome o = RunCli(dir, Quote(dir / "none.avi") + " " + Quote(dir / "x"));
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("none.avi"), std::string::npos) << o.err;
}

TEST(VideoCli, UnwritableFramesGiveStatusOneWithTheCounts) {
  TempFolder dir;
  const std::string video = ThreeFrameAvi(dir);
  const Outcome o = RunCli(dir, Quote(video) + " " + Quote(dir / "gone/x") + " --json");
  EXPECT_EQ(o.status, 1);
  const nlohmann::json j = nlohmann::json::parse(o.out);
  EXPECT_EQ(j["frames"], 0);
  EXPECT_TRUE(j["files"].empty());
  EXPECT_EQ(j["failed_writes"], 3);
  EXPECT_EQ(j["total"], 3);
  EXPECT_NE(o.err.find("gone/x0000.bmp"), std::string::npos) << o.err;
}

TEST(VideoCli, MalformedSerIsRefused) {
  TempFolder dir;
  SerSpec spec;
  spec.width = 4;
  spec.height = 4;
  spec.frameCount = 9;
  WriteSer(dir / "bad.ser", spec, std::vector<uint16_t>(16, 7), 1, false);
  const Outcome o = RunCli(dir, Quote(dir / "bad.ser") + " " + Quote(dir / "b"));
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("bad.ser"), std::string::npos) << o.err;
}

TEST(VideoCli, BadUsageIsStatusTwo) {
  TempFolder dir;
  EXPECT_EQ(RunCli(dir, "only-one-argument").status, 2);
  EXPECT_EQ(RunCli(dir, "a b --format png").status, 2);
  EXPECT_EQ(RunCli(dir, "a b --ser-byte-order middle").status, 2);
}

}  // namespace
}  // namespace orvek::videotest
