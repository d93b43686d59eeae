// orvek-cli: the headless face of the Orvek library for batch work and scripting.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "core/Folders.h"
#include "core/Memory.h"
#include "core/Utils.h"
#include "core/WorkerPool.h"
#include "wording/Wording.h"

extern const unsigned char kShippedSettings[];
extern const unsigned long kShippedSettings_size;

namespace {

using orvek::cli::CliWords;
using orvek::cli::VerbInfo;

// As the window program does on its first start: the settings and working folders are
// made, and a missing settings file is written from the shipped one (interface texts,
// default calibration, camera list) in the language of the locale.
orvek::Status PrepareFirstStart() {
  return orvek::PrepareFolders(orvek::CurrentFolders(), kShippedSettings, kShippedSettings_size,
                               orvek::CurrentLocaleLanguage());
}

// CLI11's help with the program's own usage line and words.
class Formatter : public CLI::Formatter {
 public:
  Formatter(const CliWords& words, std::string usage) : m_words(words), m_usage(std::move(usage)) {
    label("Positionals", words.Text("Positionals"));
  }
  std::string make_usage(const CLI::App*, std::string) const override {
    return m_words.Text("Usage", orvek::Error().Text(m_usage)) + "\n";
  }

 private:
  const CliWords& m_words;
  std::string m_usage;
};

void PrintUsage(const CliWords& words, FILE* out) {
  std::string text = words.Text("Usage", orvek::Error().Text("orvek-cli VERB [options]")) + "\n\n" +
                     words.Text("Verbs") + ":\n";
  for (const auto& [name, verb] : orvek::cli::Verbs()) text += "  orvek-cli " + verb.usage + "\n";
  std::fputs(text.c_str(), out);
}

// "orvek-cli --help": every verb with what it does.
void PrintHelp(const CliWords& words) {
  CLI::App app(words.Text("v.orvek-cli"), "orvek-cli");
  app.formatter(std::make_shared<Formatter>(words, "orvek-cli VERB [options]"));
  app.set_help_flag("-h,--help", words.Text("o.--help"))->group(words.Text("Options"));
  for (const auto& [name, verb] : orvek::cli::Verbs())
    app.add_subcommand(name, words.Text("v." + name))->group(words.Text("Verbs"));
  app.footer(words.Text("Footer"));
  std::fputs(app.help().c_str(), stdout);
}

std::string Prefix(const std::string& verb) {
  return "orvek-cli " + verb + ": ";
}

int UsageFailure(const CliWords& words, const VerbInfo& verb, const std::string& text) {
  std::fprintf(stderr, "%s%s\n%s\n", Prefix(verb.name).c_str(), text.c_str(),
               words.Text("Usage", orvek::Error().Text("orvek-cli " + verb.usage)).c_str());
  return 2;
}

// True when the help of the verb is asked for (its texts are then read).
bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--") return false;
    if (a == "-h" || a == "--help") return true;
  }
  return false;
}

int RunVerb(const CliWords& words, const VerbInfo& info, const std::vector<std::string>& args) {
  const bool help = AsksForHelp(args);
  CLI::App app(help ? words.Text("v." + info.name) : "", "orvek-cli " + info.name);
  if (help) app.formatter(std::make_shared<Formatter>(words, "orvek-cli " + info.usage));
  app.set_help_flag("-h,--help", help ? words.Text("o.--help") : "")
      ->group(help ? words.Text("Options") : "Options");
  orvek::cli::Verb verb(app, words, info.name, help);
  info.declare(verb);
  try {
    verb.Parse(args);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), stdout);
    return 0;
  } catch (const orvek::cli::UsageError& e) {
    return UsageFailure(words, info, words.Text(e.key, e.fields));
  } catch (const CLI::ParseError&) {
    return UsageFailure(words, info, words.Text("BadUsage"));
  }

  if (const orvek::Status prepared = PrepareFirstStart(); !prepared) {
    std::fprintf(
        stderr, "%s%s\n", Prefix(info.name).c_str(),
        (prepared.message.empty() ? words.Describe(prepared.error) : prepared.message).c_str());
    return 1;
  }
  // The program's one pool: the verbs share their work among its threads.
  orvek::WorkerPool pool(orvek::DefaultThreads());
  verb.SetPool(pool);
  try {
    return info.run(verb);
  } catch (const orvek::cli::UsageError& e) {
    return UsageFailure(words, info, words.Text(e.key, e.fields));
  } catch (const orvek::cli::CommandError& e) {
    const std::string text = !e.key.empty()       ? words.Text(e.key, e.error)
                             : !e.message.empty() ? e.message
                                                  : words.Describe(e.error);
    std::fprintf(stderr, "%s%s\n", Prefix(info.name).c_str(), text.c_str());
    return 1;
  } catch (const std::exception& e) {
    const std::string text = words.Describe(orvek::Error(orvek::ErrorCode::Other).Detail(e.what()));
    std::fprintf(stderr, "%s%s\n", Prefix(info.name).c_str(), text.c_str());
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  orvek::PrepareMemoryForFrames();
  const CliWords words(orvek::SettingsPath(),
                       std::string(reinterpret_cast<const char*>(kShippedSettings),
                                   static_cast<size_t>(kShippedSettings_size)));
  if (argc < 2) {
    PrintUsage(words, stderr);
    return 2;
  }
  const std::string verbName = argv[1];
  if (verbName == "--help" || verbName == "-h" || verbName == "help") {
    PrintHelp(words);
    return 0;
  }
  const auto& verbs = orvek::cli::Verbs();
  const auto it = verbs.find(verbName);
  if (it == verbs.end()) {
    std::fprintf(stderr, "orvek-cli: %s\n",
                 words.Text("UnknownVerb", orvek::Error().Text(verbName)).c_str());
    PrintUsage(words, stderr);
    return 2;
  }
  return RunVerb(words, it->second, std::vector<std::string>(argv + 2, argv + argc));
}
