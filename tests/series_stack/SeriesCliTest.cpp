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

namespace orvek {
namespace {

using test::StarFrame;
using test::TempHome;
using test::WriteFitsFrame;

constexpr double kPi = 3.14159265358979323846;

// ---- A small JSON reader for the program's output -------------------------------------

struct JsonNode {
  enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
  double number = 0;
  bool boolean = false;
  std::string text;
  std::vector<JsonNode> items;
  std::map<std::string, JsonNode> fields;
  const JsonNode& operator[](const std::string& key) const {
    static const JsonNode missing;
    auto it = fields.find(key);
    return it == fields.end() ? missing : it->second;
  }
  const JsonNode& operator[](size_t i) const { return items.at(i); }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& s) : m_s(s) {}
  bool Parse(JsonNode& out) {
    if (!Value(out)) return false;
    Skip();
    return m_p == m_s.size();
  }

 private:
  void Skip() {
    while (m_p < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_p]))) ++m_p;
  }
  bool Literal(const char* word) {
    const std::string w(word);
    if (m_s.compare(m_p, w.size(), w) != 0) return false;
    m_p += w.size();
    return true;
  }
  bool Str(std::string& out) {
    if (m_s[m_p] != '"') return false;
    ++m_p;
    while (m_p < m_s.size() && m_s[m_p] != '"') {
      if (m_s[m_p] == '\\') {
        ++m_p;
        const char c = m_s[m_p];
        out += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        if (c == 'u') return false;  // not produced for the texts here
      } else {
        out += m_s[m_p];
      }
      ++m_p;
    }
    if (m_p >= m_s.size()) return false;
    ++m_p;
    return true;
  }
  bool Value(JsonNode& out) {
    Skip();
    if (m_p >= m_s.size()) return false;
    const char c = m_s[m_p];
    if (c == '{') {
      out.kind = JsonNode::Object;
      ++m_p;
      Skip();
      if (m_s[m_p] == '}') return ++m_p, true;
      while (true) {
        Skip();
        std::string key;
        if (!Str(key)) return false;
        Skip();
        if (m_s[m_p++] != ':') return false;
        if (!Value(out.fields[key])) return false;
        Skip();
        if (m_s[m_p] == ',') {
          ++m_p;
          continue;
        }
        if (m_s[m_p] == '}') return ++m_p, true;
        return false;
      }
    }
    if (c == '[') {
      out.kind = JsonNode::Array;
      ++m_p;
      Skip();
      if (m_s[m_p] == ']') return ++m_p, true;
      while (true) {
        out.items.emplace_back();
        if (!Value(out.items.back())) return false;
        Skip();
        if (m_s[m_p] == ',') {
          ++m_p;
          continue;
        }
        if (m_s[m_p] == ']') return ++m_p, true;
        return false;
      }
    }
    if (c == '"') {
      out.kind = JsonNode::String;
      return Str(out.text);
    }
    if (Literal("null")) return out.kind = JsonNode::Null, true;
    if (Literal("true")) return out.kind = JsonNode::Bool, out.boolean = true, true;
    if (Literal("false")) return out.kind = JsonNode::Bool, out.boolean = false, true;
    const char* start = m_s.c_str() + m_p;
    char* end = nullptr;
    out.number = std::strtod(start, &end);
    if (end == start) return false;
    out.kind = JsonNode::Number;
    m_p += static_cast<size_t>(end - start);
    return true;
  }
  const std::string& m_s;
  size_t m_p = 0;
};

// ---- Running the program ----------------------------------------------------------------

std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

class SeriesCli : public ::testing::Test {
 protected:
  TempHome home;

  struct Run {
    int status = -1;
    std::string out;
    std::string err;
    JsonNode json;
  };

  Run Cli(const std::string& args) {
    Run r;
    const std::string errFile = home.File("stderr.txt");
    r.out = test::Capture(std::string(ORVEK_CLI_PROGRAM) + " " + args + " 2>" + Quote(errFile),
                          &r.status);
    std::ifstream in(errFile);
    std::stringstream ss;
    ss << in.rdbuf();
    r.err = ss.str();
    if (r.status == 0 && r.out.find('{') == 0) {
      EXPECT_TRUE(JsonReader(r.out).Parse(r.json)) << r.out;
    }
    return r;
  }

  static std::string Join(const std::vector<std::string>& files) {
    std::string s;
    for (const std::string& f : files) s += " " + Quote(f);
    return s;
  }

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
  EXPECT_NEAR(perFrame.json["mean"]["theta"].number, theta, 0.3);
  EXPECT_NEAR(perFrame.json["mean"]["rho"].number, rho, rho * 0.01);

  const std::string out = home.File("composite");
  const Run composite = Cli("composite --size 128 --out " + Quote(out) + Join(files) + " --json");
  ASSERT_EQ(composite.status, 0) << composite.err;
  EXPECT_EQ(composite.json["frames"].number, 12);
  EXPECT_EQ(composite.json["crops"].items.size(), 12u);
  ASSERT_EQ(composite.json["order"].items.size(), 12u);
  for (size_t i = 1; i < 12; ++i)
    EXPECT_GE(composite.json["order"][i - 1]["score"].number,
              composite.json["order"][i]["score"].number);
  const std::string path = composite.json["composite"].text;
  // Named after the best crop, with the position of the last of the twelve.
  EXPECT_EQ(path, out + "/ad0012_" + BaseNameOf(composite.json["order"][0]["file"].text) + ".orvc");
  ASSERT_TRUE(FileExists(path));

  const Run reduced = Cli("reduce " + Quote(path) + " --json");
  ASSERT_EQ(reduced.status, 0) << reduced.err;
  EXPECT_NEAR(reduced.json["mean"]["theta"].number, theta, 0.3);
  EXPECT_NEAR(reduced.json["mean"]["rho"].number, rho, rho * 0.01);
}

TEST_F(SeriesCli, BestOfOrdersTheFilesWithTheirScores) {
  const std::vector<std::string> files = Sample();
  ASSERT_FALSE(files.empty());
  const Run sn = Cli("bestof --mode sn" + Join(files) + " --json");
  ASSERT_EQ(sn.status, 0) << sn.err;
  const JsonNode& list = sn.json["files"];
  ASSERT_EQ(list.items.size(), files.size());
  for (size_t i = 1; i < list.items.size(); ++i)
    EXPECT_GE(list[i - 1]["score"].number, list[i]["score"].number);
  const Run max = Cli("bestof --mode max" + Join(files) + " --json");
  ASSERT_EQ(max.status, 0);
  EXPECT_EQ(max.json["files"].items.size(), files.size());
  EXPECT_EQ(Cli("bestof --mode best" + Join(files)).status, 2);
}

TEST_F(SeriesCli, AlignPrintsTheStarPositionsAndWritesTheCrops) {
  const std::vector<std::string> files = Frames("al", 3, 70.3, 2.1, 60.6, -1.3);
  const std::string out = home.File("crops");
  const Run r = Cli("align --size 48 --out " + Quote(out) + Join(files) + " --json");
  ASSERT_EQ(r.status, 0) << r.err;
  const JsonNode& crops = r.json["crops"];
  ASSERT_EQ(crops.items.size(), 3u);
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_NEAR(crops[k]["x"].number, 70.3 + 2.1 * k, 0.2);
    EXPECT_NEAR(crops[k]["y"].number, 60.6 - 1.3 * k, 0.2);
    EXPECT_EQ(crops[k]["crop"].text, out + "/al" + std::to_string(k + 1) + ".orva");
    EXPECT_EQ(crops[k]["left"].number, std::trunc(crops[k]["x"].number) - 24);
    EXPECT_TRUE(FileExists(crops[k]["crop"].text));
  }
  // Découpage: the fixed centre for every frame, no resampling.
  const Run fixed =
      Cli("align --size 32 --fixed 80,60 --out " + Quote(out) + Join(files) + " --json");
  ASSERT_EQ(fixed.status, 0) << fixed.err;
  for (const JsonNode& c : fixed.json["crops"].items) {
    EXPECT_EQ(c["x"].number, 80);
    EXPECT_EQ(c["left"].number, 64);
    EXPECT_FALSE(c["subpixel"].boolean);
  }
  EXPECT_EQ(Cli("align --out " + Quote(out) + Join(files)).status, 2);  // no --size
  EXPECT_EQ(
      Cli("align --size 32 --fixed 80,60 --offset 1,1 --out " + Quote(out) + Join(files)).status,
      2);
}

TEST_F(SeriesCli, AlignLeavesOtherFilesOfTheFolderAlone) {
  const std::vector<std::string> files = Frames("keep", 2, 70, 1, 60, 1);
  const std::string out = home.File("mixed/");
  test::Run("mkdir -p " + Quote(out));
  test::WriteBytes(out + "notes.txt", {'x'});
  ASSERT_EQ(Cli("align --size 32 --out " + Quote(out) + Join(files)).status, 0);
  EXPECT_TRUE(FileExists(out + "notes.txt"));
}

TEST_F(SeriesCli, StackWritesTheCompositeAndCountsTheFrames) {
  const std::vector<std::string> files = Frames("m57_00", 3, 70, 0, 60, 0);
  const std::string out = home.File("stack");
  const Run r = Cli("stack --out " + Quote(out) + Join(files) + " --json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json["composite"].text, out + "/ad0003_m57_001.orvc");
  EXPECT_EQ(r.json["frames"].number, 3);
  EXPECT_TRUE(FileExists(r.json["composite"].text));
  // A frame of another size is skipped and named.
  std::vector<std::string> mixed = files;
  mixed.push_back(WriteFitsFrame(StarFrame(100, 100, 50, 50, 5000), home.File("odd.fit")));
  const Run skipped = Cli("stack --out " + Quote(out) + Join(mixed) + " --json");
  ASSERT_EQ(skipped.status, 0);
  EXPECT_EQ(skipped.json["frames"].number, 3);
  ASSERT_EQ(skipped.json["skipped"].items.size(), 1u);
  EXPECT_EQ(skipped.json["skipped"][0].text, mixed.back());
  EXPECT_EQ(skipped.json["composite"].text, out + "/ad0004_m57_001.orvc");
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
  EXPECT_EQ(made.json["bias"].text, bias);
  EXPECT_EQ(made.json["frames"].number, 3);
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
  ASSERT_TRUE(composite.LoadFile(stacked.json["composite"].text).ok());
  EXPECT_EQ(composite.Px(7, 7), 110);  // (100 + 120) / 2

  // Darks of two sizes: the message, no file.
  darks.push_back(WriteFitsFrame(test::MakeFrame(10, 10, 1), home.File("small.fit")));
  const std::string bad = home.File("bad.orvc");
  const Run refused = Cli("bias --out " + Quote(bad) + Join(darks));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Les images doivent toutes avoir la même taille"), std::string::npos);
  EXPECT_FALSE(FileExists(bad));
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
  EXPECT_NEAR(r.json["a"].number, t, 0.003);
  EXPECT_NEAR(r.json["b"].number, 40.2 - 30.4 * t, 0.3);
  EXPECT_EQ(r.json["points"].number, 8);
  EXPECT_NEAR(r.json["delta"].number, -7.0, 0.1);
  EXPECT_TRUE(FileExists(home.File("drift.orvc")));
  // North down and east right turn the image half a turn: the same path reads 180 further.
  const Run flipped = Cli("drift" + Join(files) + " --orient sn,we --image " +
                          Quote(home.File("d2.orvc")) + " --json");
  ASSERT_EQ(flipped.status, 0) << flipped.err;
  EXPECT_NEAR(flipped.json["delta"].number, -7.0, 0.1);
}

TEST_F(SeriesCli, DriftAtOneSpotIsImpossible) {
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
  EXPECT_NEAR(r.json["a"].number, 0.0, 0.002);
  EXPECT_NEAR(r.json["delta"].number, 0.0, 0.1);
  EXPECT_EQ(r.json["columns"].number, 161);
  EXPECT_EQ(Cli("drift-trail " + Quote(path) + " --a 40,10 --b 40,90").status, 1);
  EXPECT_EQ(Cli("drift-trail " + Quote(path) + " --a 40,10").status, 2);
}

}  // namespace
}  // namespace orvek
