// orvek-cli: the headless face of the Orvek library for batch work and scripting.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "core/Folders.h"
#include "core/Memory.h"
#include "wording/Wording.h"
#include "core/WorkerPool.h"

extern const unsigned char kShippedSettings[];
extern const unsigned long kShippedSettings_size;

namespace {

// As the window program does on its first start: the settings and working folders are
// made, and a missing settings file is written from the shipped one (interface texts,
// default calibration, camera list) in the language of the locale.
orvek::Status PrepareFirstStart() {
  return orvek::PrepareFolders(orvek::CurrentFolders(), kShippedSettings, kShippedSettings_size,
                               orvek::CurrentLocaleLanguage());
}

void PrintUsage(FILE* out) {
  std::fprintf(out, "usage: orvek-cli VERB [options]\n\nverbs:\n");
  for (const auto& [name, verb] : orvek::cli::Verbs()) {
    std::fprintf(out, "  %s\n", verb.usage.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  orvek::PrepareMemoryForFrames();
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  const std::string verbName = argv[1];
  if (verbName == "--help" || verbName == "-h" || verbName == "help") {
    PrintUsage(stdout);
    return 0;
  }
  auto& verbs = orvek::cli::Verbs();
  auto it = verbs.find(verbName);
  if (it == verbs.end()) {
    std::fprintf(stderr, "orvek-cli: unknown verb '%s'\n", verbName.c_str());
    PrintUsage(stderr);
    return 2;
  }
  if (const orvek::Status prepared = PrepareFirstStart(); !prepared) {
    std::fprintf(stderr, "orvek-cli: %s\n", orvek::Describe(prepared).c_str());
    return 1;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  // The program's one pool: the verbs share their work among its threads.
  orvek::WorkerPool pool(orvek::DefaultThreads());
  try {
    return it->second.run(args, pool);
  } catch (const orvek::cli::UsageError& e) {
    std::fprintf(stderr, "orvek-cli %s: %s\nusage: orvek-cli %s\n", verbName.c_str(), e.what(),
                 it->second.usage.c_str());
    return 2;
  } catch (const orvek::cli::CommandError& e) {
    std::fprintf(stderr, "orvek-cli %s: %s\n", verbName.c_str(), e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvek-cli %s: %s\n", verbName.c_str(), e.what());
    return 1;
  }
}
