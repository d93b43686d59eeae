#pragma once
// Shared plumbing of orvek-cli: verb registry, argument parsing, errors and JSON output.
// Each verb lives in a file of its own and registers itself with ORVEK_CLI_VERB.

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/WorkerPool.h"

namespace orvek::cli {

/// Bad usage: printed with the verb's usage, exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
/// A failure of the work itself (file missing, malformed...): exit status 1.
struct CommandError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

/// A verb: its arguments after the verb's name, and the program's pool of worker threads.
using VerbFunction = int (*)(const std::vector<std::string>& args, WorkerPool& pool);

struct VerbInfo {
  std::string name;
  std::string usage;
  VerbFunction run = nullptr;
};

std::map<std::string, VerbInfo>& Verbs();

struct VerbRegistrar {
  VerbRegistrar(const char* name, const char* usage, VerbFunction run);
};

#define ORVEK_CLI_VERB(ident, name, usage, fn) \
  static ::orvek::cli::VerbRegistrar ident##_registrar(name, usage, fn)

/// Parsed command line of one verb: options "--name value" (or "--name=value"), flags
/// "--name", positional arguments in order.
class Args {
 public:
  /// `flags`: options without a value; `valued`: options taking one value. Any other
  /// "--" word is a usage error.
  Args(const std::vector<std::string>& args, const std::vector<std::string>& flags,
       const std::vector<std::string>& valued);

  bool Flag(const std::string& name) const;
  bool Has(const std::string& name) const;
  std::string Value(const std::string& name, const std::string& fallback = "") const;
  /// All values of an option given several times, in order.
  std::vector<std::string> Values(const std::string& name) const;
  const std::vector<std::string>& Positional() const { return m_positional; }

  /// Numbers of an option value: "X,Y" pairs, integers, reals. Usage error when malformed.
  double Real(const std::string& name, double fallback) const;
  long long Integer(const std::string& name, long long fallback) const;
  bool Pair(const std::string& name, double& a, double& b) const;

 private:
  std::map<std::string, std::vector<std::string>> m_values;
  std::vector<std::string> m_flags;
  std::vector<std::string> m_positional;
};

/// Parses "A,B" into two reals; false when malformed.
bool ParsePair(const std::string& text, double& a, double& b);
/// Parses a real written with "."; false when malformed.
bool ParseReal(const std::string& text, double& out);

/// A small JSON writer producing compact, valid JSON. Numbers are written with enough
/// digits to round-trip a double; non-finite numbers are written as null.
class Json {
 public:
  Json& BeginObject();
  Json& EndObject();
  Json& BeginArray();
  Json& EndArray();
  Json& Key(const std::string& key);
  Json& Number(double v);
  Json& Integer(long long v);
  Json& String(const std::string& s);
  Json& Bool(bool b);
  Json& Null();
  /// Shorthands for a key followed by a value.
  Json& Field(const std::string& key, double v) { return Key(key).Number(v); }
  Json& FieldInt(const std::string& key, long long v) { return Key(key).Integer(v); }
  Json& FieldStr(const std::string& key, const std::string& v) { return Key(key).String(v); }
  Json& FieldBool(const std::string& key, bool v) { return Key(key).Bool(v); }
  const std::string& Text() const { return m_text; }

 private:
  void Separate();
  void WriteQuoted(const std::string& s);
  std::string m_text;
  std::vector<bool> m_first;  // per open container: no element written yet
  bool m_afterKey = false;
};

/// Writes text to stdout followed by a newline.
void Print(const std::string& text);

}  // namespace orvek::cli
