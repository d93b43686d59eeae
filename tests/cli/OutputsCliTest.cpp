// Every verb of orvek-cli that writes files, run into a folder of the user's: it adds its own
// files and touches nothing else there, and it refuses to replace a file that exists unless
// told to (--overwrite).

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/OTrame.h"
#include "fit/PairFrames.h"
#include "support/CliSupport.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

namespace fs = std::filesystem;
using test::Join;
using test::Quote;
using test::RunCli;

using Listing = std::map<std::string, std::vector<unsigned char>>;

Listing ListingOf(const std::string& dir) {
  Listing all;
  for (const auto& entry : fs::directory_iterator(dir))
    all[entry.path().filename().string()] = test::ReadBytes(entry.path().string());
  return all;
}

// Files of the user's, among them the kinds the verbs write: composites "ad*.orvc" (which
// stack once deleted in the folder it was given) and crops "*.orva" (which align and composite
// once deleted).
const Listing kUsersFiles = {
    {"notes.txt", {'n'}}, {"ad0001_mine.orvc", {'a'}}, {"mine.orva", {'c'}}, {"old.orvm", {'d'}}};

class CliOutputs : public ::testing::Test {
 protected:
  test::TempHome home;

  std::string Star(const std::string& name, double x, double y) {
    OTrame f = test::MakeFrame(64, 64, 100);
    test::AddMoffat(f, x, y, 6000, 3.0);
    const std::string path = home.File(name);
    EXPECT_TRUE(f.SaveFits(path, 2, 0, 0).ok);
    return path;
  }
  std::string Pair() {
    test::PairSpec s;
    s.ax = 100.3;
    s.ay = 100.6;
    s.bx = 118.8;
    s.by = 115.2;
    const OTrame f = test::PairFrame(240, 200, s);
    const std::string path = home.File("pair.orv");
    EXPECT_TRUE(f.SaveOrv(0, 0, f.LastX, f.LastY, path).ok);
    return path;
  }
  // A folder of the user's holding kUsersFiles.
  std::string UsersFolder(const std::string& name) {
    const std::string dir = home.File(name) + "/";
    fs::create_directories(dir);
    for (const auto& [file, bytes] : kUsersFiles) test::WriteBytes(dir + file, bytes);
    return dir;
  }
};

TEST_F(CliOutputs, EveryWritingVerbKeepsTheUsersFilesAndRefusesToReplaceOne) {
  const std::string s1 = Star("s1.fit", 20.3, 30.4), s2 = Star("s2.fit", 30.6, 32.2),
                    s3 = Star("s3.fit", 41.2, 34.9);
  const std::string d1 = home.File("d1.fit"), d2 = home.File("d2.fit");
  ASSERT_TRUE(test::MakeFrame(64, 64, 10).SaveFits(d1, 2, 0, 0).ok);
  ASSERT_TRUE(test::MakeFrame(64, 64, 12).SaveFits(d2, 2, 0, 0).ok);
  const std::string pair = Pair();
  // Each verb with its output in the folder F.
  const std::vector<std::pair<std::string, std::string>> verbs = {
      {"convert", "convert" + Join({s1}) + " F/c.orvc"},
      {"align", "align --size 32 --out F" + Join({s1, s2})},
      {"stack", "stack --out F" + Join({s1, s2})},
      {"composite", "composite --size 32 --out F" + Join({s1, s2, s3})},
      {"bias", "bias --out F/master.orvc" + Join({d1, d2})},
      {"drift", "drift --image F/drift.orvc" + Join({s1, s2, s3})},
      {"fft", "fft" + Join({s1}) + " --modulus --out F/f.orvc"},
      {"autocorr", "autocorr --out-dir F" + Join({s1, s2})},
      {"crosscorr", "crosscorr --out-dir F" + Join({s1})},
      {"refpower", "refpower --out-dir F" + Join({s1})},
      {"result", "result --out-dir F"},
      {"dva", "dva --out-dir F" + Join({s1})},
      {"quadpx", "quadpx" + Join({s1}) + " --out F/q.orvc"},
      {"div", "div" + Join({s1, s2}) + " --out F/d.orv"},
      {"mult", "mult" + Join({s1, s2}) + " --out F/m.orv"},
      {"lowpass", "lowpass" + Join({s1}) + " --out F/l.orv"},
      {"conv", "conv" + Join({s1, s2}) + " --out-dir F"},
      {"speckle-mask", "speckle-mask --dx 2 --dy 1 --out-dir F" + Join({s1, s2})},
      {"suppress", "suppress" + Join({s1}) + " --ring 1 --out F/p.orv"},
      {"surface", "surface" + Join({pair}) + " --a 100,101 --b 119,115 --model F/model.orvc"},
      {"reduce", "reduce" + Join({pair}) +
                     " --a 100.3,100.6 --b 118.8,115.2 --report-dir F --system S --date D"}};
  for (const auto& [verb, pattern] : verbs) {
    SCOPED_TRACE(verb);
    const std::string dir = UsersFolder("user_" + verb);
    std::string args = pattern;
    const std::string folder = Quote(dir.substr(0, dir.size() - 1));
    for (size_t at = args.find(" F"); at != std::string::npos; at = args.find(" F", at + 1))
      args.replace(at + 1, 1, folder);
    if (verb == "result") {
      // The spectra it reads: made first in the same folder.
      ASSERT_EQ(RunCli("refpower --out-dir " + Quote(dir) + Join({s1})).status, 0);
      ASSERT_EQ(RunCli("autocorr --out-dir " + Quote(dir) + Join({s2})).status, 0);
    }
    const test::CliRun first = RunCli(args);
    ASSERT_EQ(first.status, 0) << first.err;
    Listing after = ListingOf(dir);
    for (const auto& [file, bytes] : kUsersFiles) EXPECT_EQ(after[file], bytes) << file;
    EXPECT_GT(after.size(), kUsersFiles.size());  // the verb's own files were added

    // The same again would replace what it wrote: refused, naming the file, nothing changed.
    const test::CliRun again = RunCli(args);
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find(dir), std::string::npos) << again.err;
    EXPECT_EQ(ListingOf(dir), after);

    const test::CliRun told = RunCli(args + " --overwrite");
    EXPECT_EQ(told.status, 0) << told.err;
    after = ListingOf(dir);
    for (const auto& [file, bytes] : kUsersFiles) EXPECT_EQ(after[file], bytes) << file;
  }
}

}  // namespace
}  // namespace orvek
