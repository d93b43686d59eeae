#pragma once
// Shared plumbing of orvek-cli: the verb registry, each verb's command line (declared on
// CLI11), the words it prints (from the settings file, in the interface language), its
// failures, and its JSON output (nlohmann-json).
// Each verb lives in a file of its own and registers itself with ORVEK_CLI_VERB.

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/IniFile.h"
#include "core/Output.h"
#include "core/Status.h"
#include "core/WorkerPool.h"

namespace CLI {
class App;
}

namespace orvek::cli {

/// The words orvek-cli prints, in the interface language of the settings file: its own
/// messages and help from section <letter> + "Cli", failures from <letter> + "Errors". A key
/// that the settings file lacks (a file of an earlier version) is taken from the settings
/// shipped with the program, in the same language.
class CliWords {
 public:
  /// `settingsPath`: the settings file (it need not exist); `shipped`: the shipped settings.
  CliWords(std::string settingsPath, std::string shipped);
  ~CliWords();
  CliWords(const CliWords&) = delete;
  CliWords& operator=(const CliWords&) = delete;

  /// The interface language letter: 'F', 'E', 'S' or 'I'.
  char Language() const { return m_lang; }
  /// The text `key` of section Cli.
  std::string Text(const std::string& key) const;
  /// The same with its placeholders ({field}, {text}, {path}, {v1}...) filled from `fields`.
  std::string Text(const std::string& key, const Error& fields) const;
  /// The text `key` of section Cli, else the text `fallback`.
  std::string TextOr(const std::string& key, const std::string& fallback) const;
  /// The sentence of a failure in the interface language.
  std::string Describe(const Error& error) const;
  /// The sentence of a failed Status (its own message when it carries one).
  std::string Describe(const Status& status) const;
  /// The sentence of a failure in English, for JSON values, which never change with the
  /// interface language.
  std::string DescribeForJson(const Error& error) const;

 private:
  std::string Lookup(char lang, const std::string& section, const std::string& key) const;
  std::string DescribeIn(char lang, const Error& error) const;

  IniFile m_settings;
  std::string m_shippedText;
  char m_lang = 'F';
  struct Shipped;
  mutable std::unique_ptr<Shipped> m_shipped;  // written to a private file when first needed
};

/// Bad usage: printed with the verb's usage, exit status 2. `key` is the text of section Cli;
/// `fields` fill its placeholders ({field}: the option, {text}: the value given, ...).
struct UsageError : std::runtime_error {
  UsageError(std::string key, Error fields = Error())
      : std::runtime_error(key), key(std::move(key)), fields(std::move(fields)) {}
  std::string key;
  Error fields;
};

/// A failure of the work itself (a file missing, malformed, refused...): exit status 1.
struct CommandError : std::runtime_error {
  explicit CommandError(Error e) : std::runtime_error(ErrorCodeName(e.code)), error(std::move(e)) {}
  explicit CommandError(const Status& s);
  /// A failure of orvek-cli's own, worded by the text `key` of section Cli.
  static CommandError Said(std::string key, Error fields = Error());
  Error error;
  std::string key;      ///< the text of section Cli, when the failure is the verb's own
  std::string message;  ///< a sentence the failure already carried (older library failures)
};

/// Throws CommandError when `s` failed.
void Check(const Status& s);

/// One verb's command line: its options and files declared on a CLI11 subcommand, checked
/// before CLI11 parses them so that every refusal is worded, and read afterwards as numbers,
/// choices and folders with the program's own rules ("." as decimal separator).
class Verb {
 public:
  /// `name`: the verb, whose own option descriptions ("o.align.--out") come before the
  /// shared ones ("o.--out"); they are read from the settings file only when `describe` (the
  /// help is asked for).
  Verb(CLI::App& app, const CliWords& words, std::string name, bool describe);
  Verb(const Verb&) = delete;
  Verb& operator=(const Verb&) = delete;

  // ---- Declaration -------------------------------------------------------------------------
  /// An option without a value ("--json").
  Verb& Flag(const std::string& name);
  /// An option with one value ("--out DIR"); `type` names the value in the help.
  Verb& Option(const std::string& name, const std::string& type);
  /// The positional arguments, by name ("IN", "OUT"); a last name ending in "..." takes one or
  /// more.
  Verb& Files(const std::vector<std::string>& names);
  /// "--overwrite": existing files named by the verb's outputs may be replaced.
  Verb& Overwrite();
  /// "--json".
  Verb& JsonOutput();

  /// Checks the words of the command line (unknown options, a value missing or given to a
  /// flag, the number of files) and lets CLI11 bind them. Throws UsageError.
  void Parse(const std::vector<std::string>& args);

  // ---- Reading -----------------------------------------------------------------------------
  bool IsSet(const std::string& flag) const;
  bool Has(const std::string& option) const;
  std::string Value(const std::string& option, const std::string& fallback = "") const;
  const std::vector<std::string>& Positional() const { return m_positional; }
  const CliWords& Words() const { return m_words; }
  /// The program's one pool of worker threads, which the verb's work shares.
  WorkerPool& Pool() const { return *m_pool; }
  void SetPool(WorkerPool& pool) { m_pool = &pool; }

  /// The value as a real ("." decimal); `fallback` when absent. UsageError when malformed.
  double Real(const std::string& option, double fallback) const;
  /// The value as an integer within lo..hi; `fallback` when absent.
  long long Integer(const std::string& option, long long fallback, long long lo,
                    long long hi) const;
  /// "X,Y" into a and b; false when absent. UsageError when malformed.
  bool Pair(const std::string& option, double& a, double& b) const;
  /// "X,Y" of an option that must be given.
  struct XY {
    double x = 0;
    double y = 0;
  };
  XY RequiredPair(const std::string& option) const;
  /// "--orient ns|sn,ew|we" into its vertical and horizontal halves; false when absent.
  bool Orientation(std::string& vertical, std::string& horizontal) const;
  /// The value, which must be one of `choices`; `fallback` when absent.
  std::string Choice(const std::string& option, const std::vector<std::string>& choices,
                     const std::string& fallback) const;
  /// The option's value, which must be given.
  std::string Required(const std::string& option) const;
  /// A folder the user named with `option` (required), for the verb's new files.
  OutputFolder OutFolder(const std::string& option) const;
  /// A file the user named with `option` (required), which must end in an ORV extension.
  std::string OrvFile(const std::string& option) const;
  /// The folder of a file the user named, for writing that file.
  OutputFolder FileFolder(const std::string& file) const;

 private:
  bool IsOptionWord(const std::string& word) const;
  std::string Description(const std::string& option) const;
  std::string Group() const;

  CLI::App& m_app;
  const CliWords& m_words;
  WorkerPool* m_pool = nullptr;
  std::string m_name;
  bool m_describe = false;
  std::map<std::string, bool> m_flags;
  std::map<std::string, std::string> m_values;
  std::map<std::string, std::string> m_types;
  std::vector<std::string> m_fileNames;
  std::vector<std::string> m_positional;
  std::vector<std::unique_ptr<std::string>> m_fixedFiles;
  std::vector<std::string> m_restFiles;
};

/// A verb: its name, its usage line (the syntax, the same in every language), how it declares
/// its command line and how it runs.
struct VerbInfo {
  std::string name;
  std::string usage;
  void (*declare)(Verb&) = nullptr;
  int (*run)(Verb&) = nullptr;
};

std::map<std::string, VerbInfo>& Verbs();

struct VerbRegistrar {
  VerbRegistrar(const char* name, const char* usage, void (*declare)(Verb&), int (*run)(Verb&));
};

#define ORVEK_CLI_VERB(ident, name, usage, declare, run) \
  static ::orvek::cli::VerbRegistrar ident##_registrar(name, usage, declare, run)

/// Parses "A,B" into two reals; false when malformed.
bool ParsePair(const std::string& text, double& a, double& b);
/// Parses a real written with "."; false when malformed.
bool ParseReal(const std::string& text, double& out);

// ---- JSON ----------------------------------------------------------------------------------

/// A JSON value whose objects keep their keys in the order they were set.
using Json = nlohmann::ordered_json;
/// A number as JSON: non-finite values are null.
Json Number(double v);
/// The compact text of a JSON value. Numbers are written as they always have been: integers
/// in decimal, reals with the fewest of 15, 16 or 17 significant digits that read back to the
/// same double, non-finite values as null.
std::string JsonText(const Json& value);

/// Writes text to stdout followed by a newline.
void Print(const std::string& text);
/// Writes a JSON value to stdout on one line.
void PrintJson(const Json& value);
/// Writes a note to stderr: "orvek-cli VERB: text".
void Note(const std::string& verb, const std::string& text);

}  // namespace orvek::cli
