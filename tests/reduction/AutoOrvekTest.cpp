// AutoOrvek without a window, on synthetic double stars of known angle and separation, and
// orvek-cli reduce on the bundled sample series and on generated ones.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/AutoOrvek.h"
#include "measure/FrameLoader.h"
#include "reduction/ReductionTestSupport.h"
#include "support/CliSupport.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

double Num(const std::string& text) {
  Extended v = 0;
  EXPECT_TRUE(ParseNumber(text, v)) << "\"" << text << "\"";
  return static_cast<double>(v);
}

std::string Cli() {
  return test::BuildDir() + "cli/orvek-cli";
}

std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

std::string Join(const std::vector<std::string>& files) {
  std::string out;
  for (const auto& f : files) {
    out += ' ';
    out += Quote(f);
  }
  return out;
}

std::map<std::string, std::string> ReadTruth(const std::string& path) {
  std::map<std::string, std::string> truth;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto eq = line.find('=');
    if (eq != std::string::npos) truth[line.substr(0, eq)] = Trim(line.substr(eq + 1));
  }
  return truth;
}

// ---- AutoOrvek in the library ------------------------------------------------------------------

class AutoOrvekTest : public ::testing::Test {
 protected:
  test::TempHome home;
  test::TempDir dir;
  ReductionTable table{SettingsPath()};
  void SetUp() override { table.RAZ(); }

  AutoOrvekSettings CapturedFromTruth(const test::SyntheticSeries& s, int sizeA, int sizeB,
                                      int startHalf) {
    AutoOrvekSettings run;
    run.capturedAX = s.ax0;
    run.capturedAY = s.ay0;
    run.capturedBX = s.ax0 + s.dx;
    run.capturedBY = s.ay0 + s.dy;
    run.sizeA = sizeA;
    run.sizeB = sizeB;
    run.context.measure.half = startHalf;
    return run;
  }
};

TEST_F(AutoOrvekTest, RecoversAngleAndSeparationOfASyntheticPair) {
  // Truth: theta 40 degrees, rho 12 px; Delta 0, Epsilon 1, "ns", "ew".
  const auto s = test::WriteDoubleStarSeries(dir.Path(), 6, 40.0, 12.0);
  const AutoOrvekResult r = RunAutoOrvek(s.files, table, CapturedFromTruth(s, 6, 6, 6));
  EXPECT_EQ(r.rows, 6);
  EXPECT_TRUE(r.skipped.empty());
  EXPECT_TRUE(r.recompute.ok) << DebugText(r.recompute.error);
  ASSERT_EQ(table.DataRows(), 6);
  EXPECT_NEAR(Num(table.Field(ReductionField::txtTheta)), 40.0, 0.3);
  EXPECT_NEAR(Num(table.Field(ReductionField::txtRho)), 12.0, 0.12);
  // dM of peaks 10000 and 4000 of the same profile: 2.5 log10(2.5) = 0.995.
  EXPECT_NEAR(Num(table.Field(ReductionField::txtDm)), 0.995, 0.05);
  EXPECT_EQ(table.Cell(1, kColImage), "pair_01.orv");
  EXPECT_EQ(table.Cell(6, kColPath), dir.Path());
  EXPECT_EQ(table.Caption(), "Reduction (6 images)");
}

TEST_F(AutoOrvekTest, HalfSizeCarriesOverBetweenFrames) {
  const auto s = test::WriteDoubleStarSeries(dir.Path(), 3, 40.0, 12.0);
  std::vector<std::pair<AutoOrvekStep, int>> steps;
  auto hook = [&](AutoOrvekStep step, const LoadedFrame&, const MeasurePass&, int half) {
    steps.emplace_back(step, half);
  };
  const AutoOrvekResult r =
      RunAutoOrvek(s.files, table, CapturedFromTruth(s, 4, 7, 5), SilentObserver(), hook);
  ASSERT_EQ(steps.size(), 9u);
  // Frame 1 loads with the starting half-size 5, later frames with SizeB (7); A is always
  // measured with SizeA (4) and B with SizeB.
  EXPECT_EQ(steps[0], std::make_pair(AutoOrvekStep::Loaded, 5));
  EXPECT_EQ(steps[1], std::make_pair(AutoOrvekStep::MeasuredA, 4));
  EXPECT_EQ(steps[2], std::make_pair(AutoOrvekStep::MeasuredB, 7));
  EXPECT_EQ(steps[3], std::make_pair(AutoOrvekStep::Loaded, 7));
  EXPECT_EQ(steps[4], std::make_pair(AutoOrvekStep::MeasuredA, 4));
  EXPECT_EQ(steps[6], std::make_pair(AutoOrvekStep::Loaded, 7));
  EXPECT_EQ(r.half, 7);
}

TEST_F(AutoOrvekTest, SameSizesMeasureAOnlyOnceAtLoad) {
  const auto s = test::WriteDoubleStarSeries(dir.Path(), 1, 40.0, 12.0);
  rStarPos loadedPoint, aPoint;
  auto hook = [&](AutoOrvekStep step, const LoadedFrame& f, const MeasurePass& p, int) {
    if (step == AutoOrvekStep::Loaded) loadedPoint = f.star.point;
    if (step == AutoOrvekStep::MeasuredA) aPoint = p.point;
  };
  RunAutoOrvek(s.files, table, CapturedFromTruth(s, 6, 6, 6), SilentObserver(), hook);
  // A is the load's own measurement at the frame's best star when SizeA is already in use.
  EXPECT_EQ(aPoint.X, loadedPoint.X);
  EXPECT_EQ(aPoint.Y, loadedPoint.Y);
  EXPECT_EQ(table.Cell(1, kColXA), FormatGeneral(RoundTo(static_cast<double>(aPoint.X), 3)));
}

TEST_F(AutoOrvekTest, UnreadableFrameIsSkippedNotEnteredTwice) {
  auto s = test::WriteDoubleStarSeries(dir.Path(), 3, 40.0, 12.0);
  s.files.insert(s.files.begin() + 1, dir.File("missing.orv"));
  struct Counter : SeriesObserver {
    int frames = 0, warnings = 0, progress = 0;
    bool FrameLoaded(int, int, const OTrame&) override {
      ++frames;
      return false;  // the run does not stop on STOP
    }
    bool Progress(int, int) override { return ++progress, true; }
    void Warning(const std::string&) override { ++warnings; }
  } observer;
  const AutoOrvekResult r = RunAutoOrvek(s.files, table, CapturedFromTruth(s, 6, 6, 6), observer);
  EXPECT_EQ(r.rows, 3);
  ASSERT_EQ(r.skipped.size(), 1u);
  EXPECT_NE(r.skipped[0].find("missing.orv"), std::string::npos);
  EXPECT_EQ(observer.frames, 3);
  EXPECT_EQ(observer.warnings, 1);
  EXPECT_EQ(observer.progress, 3);
  EXPECT_EQ(table.DataRows(), 3);
  EXPECT_EQ(table.Cell(2, kColImage), "pair_02.orv");
}

TEST_F(AutoOrvekTest, OpenRowBeforeTheRunIsCompletedByTheFirstA) {
  // As on the window: an A entered by hand leaves a row open, and the run's first entry
  // becomes its B.
  const auto s = test::WriteDoubleStarSeries(dir.Path(), 1, 40.0, 12.0);
  table.SaveCentroid(test::Meas(1, 1), "/d/x.orv");
  RunAutoOrvek(s.files, table, CapturedFromTruth(s, 6, 6, 6));
  EXPECT_EQ(table.DataRows(), 2);
  EXPECT_EQ(table.Cell(1, kColImage), "pair_01.orv");
  EXPECT_TRUE(table.LastRowOpen());
}

TEST_F(AutoOrvekTest, BrightestPairFindsBothComponents) {
  const auto s = test::WriteDoubleStarSeries(dir.Path(), 1, 40.0, 12.0);
  LoadContext ctx;
  LoadedFrame loaded;
  ASSERT_TRUE(LoadAndMeasure(s.files[0], ctx, loaded).ok());
  const StarPair pair = FindBrightestPair(loaded.frame, ctx.measure, 6, 6);
  ASSERT_TRUE(pair.found) << DebugText(pair.error);
  EXPECT_NEAR(static_cast<double>(pair.a.point.X), s.ax0, 0.2);
  EXPECT_NEAR(static_cast<double>(pair.a.point.Y), s.ay0, 0.2);
  EXPECT_NEAR(static_cast<double>(pair.b.point.X), s.ax0 + s.dx, 0.3);
  EXPECT_NEAR(static_cast<double>(pair.b.point.Y), s.ay0 + s.dy, 0.3);
}

TEST_F(AutoOrvekTest, BrightestPairOfASingleStarFindsNoFalseCompanion) {
  OTrame f = test::MakeFrame(64, 64, 100);
  uint32_t seed = 99;
  for (Extended& v : f.Data()) {  // sky noise of +-3
    seed = seed * 1664525u + 1013904223u;
    v += static_cast<Extended>((seed >> 8) % 601) / 100.0L - 3.0L;
  }
  test::AddMoffat(f, 30.2, 31.7, 10000, 3.5);
  f.ComputeStats();
  f.FindStar(Point(0, 0), Point(f.LastX, f.LastY), f.Star);
  LoadContext ctx;
  const StarPair pair = FindBrightestPair(f, ctx.measure, 6, 6);
  // The star's wings cut by the exclusion square are no local maxima, and the noise bumps
  // of the sky (at most 3 above it) do not reach 5 sigma.
  EXPECT_FALSE(pair.found) << "B at " << pair.b.point.X << ", " << pair.b.point.Y;
  EXPECT_EQ(pair.error.code, ErrorCode::NoCompanion);
  EXPECT_NEAR(static_cast<double>(pair.a.point.X), 30.2, 0.2);
}

// ---- orvek-cli reduce ------------------------------------------------------------------------

class ReduceCliTest : public ::testing::Test {
 protected:
  test::TempHome home;  // no settings file: Delta 0, Epsilon 1, "ns", "ew", 5.6 x 5.6, P = 6
  test::TempDir dir;

  std::vector<std::string> SampleFiles() const {
    std::vector<std::string> files;
    const std::string folder = test::SourceDir() + "samples/ORV1/";
    for (const auto& name : ListFiles(folder, "*.fit")) files.push_back(folder + name);
    return files;
  }
  std::string Run(const std::string& args, int* status) const {
    return test::Capture(Cli() + " reduce" + args + " 2>/dev/null", status);
  }
  // orvek-cli reduce ARGS --json, read.
  nlohmann::json Json(const std::string& args) const {
    const test::CliRun r = test::RunCli("reduce" + args + " --json");
    EXPECT_EQ(r.status, 0) << r.err;
    return r.json;
  }
};

TEST_F(ReduceCliTest, BundledSampleSeriesGivesTheTruth) {
  const std::string folder = test::SourceDir() + "samples/ORV1/";
  auto truth = ReadTruth(folder + "truth.txt");
  ASSERT_TRUE(truth.count("theta") && truth.count("rho")) << "no truth file in " << folder;
  const auto files = SampleFiles();
  ASSERT_EQ(std::to_string(files.size()), truth["frames"]);
  const nlohmann::json out = Json(Join(files));
  const double theta = Num(truth["theta"]), rho = Num(truth["rho"]);
  EXPECT_NEAR(out["mean"]["theta"].get<double>(), theta, 0.3);
  EXPECT_NEAR(out["mean"]["rho"].get<double>(), rho, rho * 0.01);
  EXPECT_EQ(std::to_string(out["mean"]["count"].get<int>()), truth["frames"]);
  ASSERT_EQ(out["rows"].size(), files.size());
  EXPECT_EQ(out["rows"][0]["image"], "orv1_001.fit");
  EXPECT_EQ(out["rows"][0]["bin"], 1);
}

TEST_F(ReduceCliTest, CalibrationOptionsActOnTheSampleSeries) {
  const std::string folder = test::SourceDir() + "samples/ORV1/";
  auto truth = ReadTruth(folder + "truth.txt");
  const double theta = Num(truth["theta"]), rho = Num(truth["rho"]);
  const std::string files = Join(SampleFiles());
  // Delta 10: theta - 10. Epsilon 0.5 with 2x binning: 0.5 x 2 = 1 again.
  const nlohmann::json out = Json(files + " --delta 10 --epsilon 0.5 --binning");
  EXPECT_NEAR(out["mean"]["theta"].get<double>(), theta - 10, 0.3);
  EXPECT_NEAR(out["mean"]["rho"].get<double>(), rho, rho * 0.01);
  EXPECT_EQ(out["calibration"]["epsilon"], 1);
  // North at the bottom: B above A reads 180 - theta.
  EXPECT_NEAR(Json(files + " --orient sn,ew")["mean"]["theta"].get<double>(), 180 - theta, 0.3);
}

TEST_F(ReduceCliTest, GeneratedSeriesWithAndWithoutCapturedPositions) {
  // Truth: theta 140 degrees, rho 15 px.
  const auto s = test::WriteDoubleStarSeries(dir.Path(), 5, 140.0, 15.0);
  nlohmann::json out = Json(Join(s.files));
  EXPECT_NEAR(out["mean"]["theta"].get<double>(), 140.0, 0.3);
  EXPECT_NEAR(out["mean"]["rho"].get<double>(), 15.0, 0.15);

  char a[64], b[64];
  std::snprintf(a, sizeof a, "%.3f,%.3f", s.ax0, s.ay0);
  std::snprintf(b, sizeof b, "%.3f,%.3f", s.ax0 + s.dx, s.ay0 + s.dy);
  out = Json(Join(s.files) + " --a " + a + " --b " + b);
  EXPECT_NEAR(out["mean"]["theta"].get<double>(), 140.0, 0.3);
  EXPECT_NEAR(out["mean"]["rho"].get<double>(), 15.0, 0.15);
}

TEST_F(ReduceCliTest, CommandLineTableEqualsTheLibraryRun) {
  // The same captured positions through orvek-cli and through RunAutoOrvek (what the
  // window's AutoOrvek button calls) give the same cells.
  const auto s = test::WriteDoubleStarSeries(dir.Path(), 4, 300.0, 11.0);
  char a[64], b[64];
  std::snprintf(a, sizeof a, "%.3f,%.3f", s.ax0, s.ay0);
  std::snprintf(b, sizeof b, "%.3f,%.3f", s.ax0 + s.dx, s.ay0 + s.dy);
  const nlohmann::json out = Json(Join(s.files) + " --half-a 5 --half-b 7 --a " + a + " --b " + b);

  ReductionTable table(SettingsPath());
  table.RAZ();
  AutoOrvekSettings run;
  run.capturedAX = std::stod(std::string(a).substr(0, std::string(a).find(',')));
  run.capturedAY = std::stod(std::string(a).substr(std::string(a).find(',') + 1));
  run.capturedBX = std::stod(std::string(b).substr(0, std::string(b).find(',')));
  run.capturedBY = std::stod(std::string(b).substr(std::string(b).find(',') + 1));
  run.sizeA = 5;
  run.sizeB = 7;
  run.context.measure.half = 7;
  RunAutoOrvek(s.files, table, run);

  const nlohmann::json& rows = out["rows"];
  ASSERT_EQ(static_cast<int>(rows.size()), table.DataRows());
  const std::pair<const char*, int> raw[] = {{"xA", kColXA}, {"yA", kColYA}, {"intA", kColIntA},
                                             {"xB", kColXB}, {"yB", kColYB}, {"intB", kColIntB},
                                             {"nA", kColNA}, {"nB", kColNB}, {"bin", kColBin}};
  const std::pair<const char*, int> res[] = {{"theta", kResTheta},
                                             {"rho", kResRho},
                                             {"dm", kResDm},
                                             {"rThe", kResRThe},
                                             {"rRho", kResRRho}};
  for (int r = 1; r <= table.DataRows(); ++r) {
    const nlohmann::json& row = rows[static_cast<size_t>(r - 1)];
    for (auto [key, col] : raw) EXPECT_EQ(row[key].get<double>(), Num(table.Cell(r, col))) << key;
    for (auto [key, col] : res)
      EXPECT_EQ(row[key].get<double>(), Num(table.ResultCell(r, col))) << key;
    EXPECT_EQ(row["image"], table.Cell(r, kColImage));
  }
  EXPECT_EQ(out["mean"]["theta"].get<double>(), Num(table.Field(ReductionField::txtTheta)));
  EXPECT_EQ(out["mean"]["sigma_rho"].get<double>(), Num(table.Field(ReductionField::sigRh)));
}

TEST_F(ReduceCliTest, ReportFilesAsTheLogWindowSavesThem) {
  // The shipped settings file gives the French labels.
  std::error_code ec;
  std::filesystem::copy_file(test::SourceDir() + "resources/orvek.ini", home.File("orvek.ini"), ec);
  ASSERT_FALSE(ec) << ec.message();
  const auto s = test::WriteDoubleStarSeries(dir.Path(), 3, 40.0, 12.0);
  const std::string out = dir.Path() + "report";
  int status = -1;
  Run(Join(s.files) + " --report-dir " + Quote(out) +
          " --system 'STF 1234' --date 2024-05-01 --place Paris --wds 12345+6789 --notes ok",
      &status);
  ASSERT_EQ(status, 0);
  const auto bytes = test::ReadBytes(out + "/OrvekDat.txt");
  const std::string dat(bytes.begin(), bytes.end());
  EXPECT_EQ(dat.substr(0, 29), "STF 1234       ;2024-05-01  ;");
  EXPECT_EQ(dat.substr(dat.size() - 5), ";ok\r\n");
  const auto logBytes = test::ReadBytes(out + "/OrvekLog.txt");
  const std::string log(logBytes.begin(), logBytes.end());
  EXPECT_NE(log.find("\r\nDate : 2024-05-01  \r\n"), std::string::npos);
  EXPECT_NE(log.find("\r\nLieu : Paris\r\n"), std::string::npos);
  EXPECT_NE(log.find("\r\n-=-= STF 1234 =-=-\r\n"), std::string::npos);
  EXPECT_NE(log.find("  Med: "), std::string::npos);  // three rows: medians
  EXPECT_NE(log.find("\r\nNb : 3\r\n"), std::string::npos);
  const auto ezBytes = test::ReadBytes(out + "/OrvekEZReport.txt");
  const std::string ez(ezBytes.begin(), ezBytes.end());
  EXPECT_EQ(ez.substr(0, 30), "12345+6789     STF 1234       ");
  // The command line never writes the settings file.
  const auto ini = test::ReadBytes(home.File("orvek.ini"));
  EXPECT_EQ(ini, test::ReadBytes(test::SourceDir() + "resources/orvek.ini"));
}

TEST_F(ReduceCliTest, RejectionRunsAfterTheTable) {
  const nlohmann::json out = Json(Join(SampleFiles()) + " --reject");
  // Every row is either kept or listed as rejected, with its reasons.
  const nlohmann::json& rejected = out["rejected"];
  ASSERT_TRUE(rejected.is_array());
  EXPECT_EQ(out["mean"]["count"].get<int>() + static_cast<int>(rejected.size()), 12);
  EXPECT_EQ(out["rows"].size(), out["mean"]["count"].get<size_t>());
  for (const nlohmann::json& r : rejected) EXPECT_FALSE(r["reasons"].empty());
}

TEST_F(ReduceCliTest, UsageAndFailures) {
  int status = -1;
  Run("", &status);
  EXPECT_EQ(status, 2);  // no file
  Run(" x.fit --a 1,2", &status);
  EXPECT_EQ(status, 2);  // --a without --b
  Run(" x.fit --orient up,ew", &status);
  EXPECT_EQ(status, 2);
  Run(" x.fit --half-a 31", &status);
  EXPECT_EQ(status, 2);
  Run(" x.fit --report-dir " + Quote(dir.Path()), &status);
  EXPECT_EQ(status, 2);  // --system and --date missing
  Run(" x.fit --delta abc", &status);
  EXPECT_EQ(status, 2);
  Run(Join({dir.File("none.fit")}), &status);
  EXPECT_EQ(status, 1);  // no frame
}

}  // namespace
}  // namespace orvek
