#pragma once
// Running orvek-cli from a test: its exit status, what it printed on stdout and stderr, and
// the JSON it printed, read with nlohmann-json.

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace orvek::test {

/// A path quoted for the shell.
inline std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

/// Paths quoted and joined, each after a space.
inline std::string Join(const std::vector<std::string>& paths) {
  std::string s;
  for (const std::string& p : paths) s += " " + Quote(p);
  return s;
}

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
  nlohmann::json json;  ///< stdout read as JSON when the verb ended well and printed an object
};

/// Runs `orvek-cli ARGS` (the arguments as the shell reads them) with the environment of the
/// test ($ORVEK_HOME).
inline CliRun RunCli(const std::string& args) {
  CliRun r;
  TempDir scratch;
  const std::string errFile = scratch.File("stderr.txt");
  r.out =
      Capture(Quote(BuildDir() + "cli/orvek-cli") + " " + args + " 2>" + Quote(errFile), &r.status);
  std::ifstream in(errFile);
  std::stringstream ss;
  ss << in.rdbuf();
  r.err = ss.str();
  if (r.status == 0 && r.out.rfind('{', 0) == 0) {
    r.json = nlohmann::json::parse(r.out, nullptr, false);
    EXPECT_FALSE(r.json.is_discarded()) << r.out;
  }
  return r;
}

}  // namespace orvek::test
