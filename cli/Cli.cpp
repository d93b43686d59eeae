#include "cli/Cli.h"

#include <stdlib.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "core/Folders.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "wording/Wording.h"

namespace orvek::cli {

// ---- Words -----------------------------------------------------------------------------------

// The shipped settings, written to a private folder so that they can be read as a settings
// file; removed with the object.
struct CliWords::Shipped {
  std::string folder;
  std::unique_ptr<IniFile> ini;
  ~Shipped() {
    std::error_code ec;
    if (!folder.empty()) std::filesystem::remove_all(folder, ec);
  }
};

CliWords::CliWords(std::string settingsPath, std::string shipped)
    : m_settings(std::move(settingsPath)), m_shippedText(std::move(shipped)) {
  // Without a settings file yet, the first start writes one in the locale's language, and
  // the words of this run are already in it.
  m_lang = FileExists(m_settings.Path()) ? InterfaceLanguage(m_settings) : CurrentLocaleLanguage();
  if (m_lang != 'E' && m_lang != 'S' && m_lang != 'I') m_lang = 'F';
}

CliWords::~CliWords() = default;

std::string CliWords::Lookup(char lang, const std::string& section, const std::string& key) const {
  const std::string own = Words(m_settings, lang, section, key);
  if (!own.empty()) return own;
  if (!m_shipped) {
    m_shipped = std::make_unique<Shipped>();
    std::string pattern = (std::filesystem::temp_directory_path() / "orvek-cli-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) {
      m_shipped->folder = pattern + "/";
      ReplaceFile(m_shipped->folder + "orvek.ini", m_shippedText.data(), m_shippedText.size());
    }
    m_shipped->ini = std::make_unique<IniFile>(m_shipped->folder + "orvek.ini");
  }
  return Words(*m_shipped->ini, lang, section, key);
}

std::string CliWords::Text(const std::string& key) const {
  const std::string text = Lookup(m_lang, "Cli", key);
  return text.empty() ? key : text;
}

std::string CliWords::Text(const std::string& key, const Error& fields) const {
  return FillPlaceholders(Text(key), fields);
}

std::string CliWords::TextOr(const std::string& key, const std::string& fallback) const {
  const std::string text = Lookup(m_lang, "Cli", key);
  return text.empty() ? Text(fallback) : text;
}

std::string CliWords::DescribeIn(char lang, const Error& error) const {
  const std::string pattern = Lookup(lang, "Errors", ErrorCodeName(error.code));
  return pattern.empty() ? DebugText(error) : FillPlaceholders(pattern, error);
}

std::string CliWords::Describe(const Error& error) const {
  return DescribeIn(m_lang, error);
}

std::string CliWords::Describe(const Status& status) const {
  return status.message.empty() ? Describe(status.error) : status.message;
}

std::string CliWords::DescribeForJson(const Error& error) const {
  return DescribeIn('E', error);
}

// ---- Failures --------------------------------------------------------------------------------

CommandError::CommandError(const Status& s)
    : std::runtime_error(ErrorCodeName(s.error.code)), error(s.error), message(s.message) {}

CommandError CommandError::Said(std::string key, Error fields) {
  CommandError e(std::move(fields));
  e.key = std::move(key);
  return e;
}

void Check(const Status& s) {
  if (!s) throw CommandError(s);
}

// ---- Registry --------------------------------------------------------------------------------

std::map<std::string, VerbInfo>& Verbs() {
  static std::map<std::string, VerbInfo> verbs;
  return verbs;
}

VerbRegistrar::VerbRegistrar(const char* name, const char* usage, void (*declare)(Verb&),
                             int (*run)(Verb&)) {
  Verbs()[name] = VerbInfo{name, usage, declare, run};
}

// ---- Command line ----------------------------------------------------------------------------

namespace {

Error Field(const std::string& option, const std::string& value = "") {
  return Error().Field(option).Text(value);
}

// The option part of "--name=value".
std::string OptionName(const std::string& word) {
  const size_t eq = word.find('=');
  return eq == std::string::npos ? word : word.substr(0, eq);
}

}  // namespace

Verb::Verb(CLI::App& app, const CliWords& words, std::string name, bool describe)
    : m_app(app), m_words(words), m_name(std::move(name)), m_describe(describe) {}

std::string Verb::Description(const std::string& option) const {
  if (!m_describe) return {};
  return m_words.TextOr("o." + m_name + "." + option, "o." + option);
}

std::string Verb::Group() const {
  return m_describe ? m_words.Text("Options") : std::string("Options");
}

Verb& Verb::Flag(const std::string& name) {
  m_flags[name] = false;
  m_app.add_flag(name, m_flags[name], Description(name))->group(Group());
  return *this;
}

Verb& Verb::Option(const std::string& name, const std::string& type) {
  m_values[name];
  m_types[name] = type;
  m_app.add_option(name, m_values[name], Description(name))
      ->type_name(type)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
      ->group(Group());
  return *this;
}

Verb& Verb::Files(const std::vector<std::string>& names) {
  m_fileNames = names;
  for (const std::string& name : names) {
    const bool rest = name.size() > 3 && name.compare(name.size() - 3, 3, "...") == 0;
    const std::string shown = rest ? name.substr(0, name.size() - 3) : name;
    if (rest) {
      m_app.add_option(shown, m_restFiles, m_describe ? m_words.Text("p." + shown) : "")
          ->type_name("");
    } else {
      m_fixedFiles.push_back(std::make_unique<std::string>());
      m_app.add_option(shown, *m_fixedFiles.back(), m_describe ? m_words.Text("p." + shown) : "")
          ->type_name("");
    }
  }
  return *this;
}

Verb& Verb::Overwrite() {
  return Flag("--overwrite");
}

Verb& Verb::JsonOutput() {
  return Flag("--json");
}

bool Verb::IsOptionWord(const std::string& word) const {
  // "-3,2" and "-0.5" are values, as CLI11 reads them; "-x" and "--name" are options.
  if (word.size() < 2 || word[0] != '-') return false;
  if (word[1] == '-') return word.size() > 2;
  return !(std::isdigit(static_cast<unsigned char>(word[1])) || word[1] == '.');
}

void Verb::Parse(const std::vector<std::string>& args) {
  for (const std::string& word : args) {
    if (word == "--") break;
    if (word == "-h" || word == "--help") throw CLI::CallForHelp();
  }
  int files = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "--") {
      files += static_cast<int>(args.size() - i - 1);
      break;
    }
    if (!IsOptionWord(word)) {
      ++files;
      continue;
    }
    const std::string name = OptionName(word);
    const bool inlineValue = name.size() != word.size();
    if (m_flags.count(name) > 0) {
      if (inlineValue) throw UsageError("TakesNoValue", Field(name));
    } else if (m_values.count(name) > 0) {
      if (inlineValue) continue;
      if (i + 1 >= args.size() || IsOptionWord(args[i + 1]))
        throw UsageError("NeedsValue", Field(name));
      ++i;
    } else {
      throw UsageError("UnknownOption", Field(name));
    }
  }
  const bool rest = !m_fileNames.empty() && m_fileNames.back().size() > 3 &&
                    m_fileNames.back().compare(m_fileNames.back().size() - 3, 3, "...") == 0;
  const int fixed = static_cast<int>(m_fileNames.size()) - (rest ? 1 : 0);
  if (files < fixed + (rest ? 1 : 0) || (!rest && files > fixed)) {
    std::string names;
    for (const std::string& n : m_fileNames) names += (names.empty() ? "" : " ") + n;
    throw UsageError(m_fileNames.empty() ? "NoFiles" : "FileCount", Field("", names));
  }

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  m_app.parse(reversed);  // CLI::CallForHelp for --help; other refusals were caught above
  for (const auto& f : m_fixedFiles) m_positional.push_back(*f);
  m_positional.insert(m_positional.end(), m_restFiles.begin(), m_restFiles.end());
}

bool Verb::IsSet(const std::string& flag) const {
  const auto it = m_flags.find(flag);
  return it != m_flags.end() && it->second;
}

bool Verb::Has(const std::string& option) const {
  return m_values.count(option) > 0 && m_app.count(option) > 0;
}

std::string Verb::Value(const std::string& option, const std::string& fallback) const {
  return Has(option) ? m_values.at(option) : fallback;
}

bool ParseReal(const std::string& text, double& out) {
  Extended v = 0;
  if (!ParseNumber(text, v) || text.find(',') != std::string::npos) return false;
  out = static_cast<double>(v);
  return true;
}

bool ParsePair(const std::string& text, double& a, double& b) {
  const auto comma = text.find(',');
  if (comma == std::string::npos) return false;
  return ParseReal(text.substr(0, comma), a) && ParseReal(text.substr(comma + 1), b);
}

double Verb::Real(const std::string& option, double fallback) const {
  if (!Has(option)) return fallback;
  double v = 0;
  if (!ParseReal(Value(option), v)) throw UsageError("NotANumber", Field(option, Value(option)));
  return v;
}

long long Verb::Integer(const std::string& option, long long fallback, long long lo,
                        long long hi) const {
  if (!Has(option)) return fallback;
  int64_t v = 0;
  if (!ParseInt(Value(option), v)) throw UsageError("NotAnInteger", Field(option, Value(option)));
  if (v < lo || v > hi) {
    throw UsageError("OutOfRange", Field(option, Value(option)).Values({double(lo), double(hi)}));
  }
  return v;
}

bool Verb::Pair(const std::string& option, double& a, double& b) const {
  if (!Has(option)) return false;
  if (!ParsePair(Value(option), a, b)) throw UsageError("NotAPair", Field(option, Value(option)));
  return true;
}

Verb::XY Verb::RequiredPair(const std::string& option) const {
  Required(option);
  XY xy;
  Pair(option, xy.x, xy.y);
  return xy;
}

bool Verb::Orientation(std::string& vertical, std::string& horizontal) const {
  if (!Has("--orient")) return false;
  const std::string o = Value("--orient");
  const size_t comma = o.find(',');
  vertical = o.substr(0, comma);
  horizontal = comma == std::string::npos ? "" : o.substr(comma + 1);
  if ((vertical != "ns" && vertical != "sn") || (horizontal != "ew" && horizontal != "we"))
    throw UsageError("NotOneOf", Field("--orient", o).Detail("ns|sn,ew|we"));
  return true;
}

std::string Verb::Choice(const std::string& option, const std::vector<std::string>& choices,
                         const std::string& fallback) const {
  if (!Has(option)) return fallback;
  const std::string v = Value(option);
  if (std::find(choices.begin(), choices.end(), v) != choices.end()) return v;
  std::string list;
  for (const std::string& c : choices) list += (list.empty() ? "" : "|") + c;
  throw UsageError("NotOneOf", Field(option, v).Detail(list));
}

std::string Verb::Required(const std::string& option) const {
  if (!Has(option)) {
    const auto type = m_types.find(option);
    throw UsageError("Required", Field(option, type == m_types.end() ? "" : type->second));
  }
  return Value(option);
}

OutputFolder Verb::OutFolder(const std::string& option) const {
  const std::string dir = Required(option);
  if (dir.empty()) throw UsageError("EmptyName", Field(option));
  return UserOutput(dir, IsSet("--overwrite"));
}

std::string Verb::OrvFile(const std::string& option) const {
  const std::string file = Required(option);
  if (!IsOrvExtension(UpperExtension(file))) throw UsageError("OrvOutput", Field(option, file));
  return file;
}

OutputFolder Verb::FileFolder(const std::string& file) const {
  return UserOutputOfFile(file, IsSet("--overwrite"));
}

// ---- JSON and printing -----------------------------------------------------------------------

Json Number(double v) {
  if (!std::isfinite(v)) return nullptr;
  return v;
}

namespace {

void AppendJson(const Json& value, std::string& out) {
  switch (value.type()) {
    case Json::value_t::object: {
      out += '{';
      bool first = true;
      for (const auto& [key, item] : value.items()) {
        if (!first) out += ',';
        first = false;
        out += Json(key).dump(-1, ' ', false, Json::error_handler_t::replace);
        out += ':';
        AppendJson(item, out);
      }
      out += '}';
      break;
    }
    case Json::value_t::array: {
      out += '[';
      bool first = true;
      for (const Json& item : value) {
        if (!first) out += ',';
        first = false;
        AppendJson(item, out);
      }
      out += ']';
      break;
    }
    case Json::value_t::number_float: {
      const double v = value.get<double>();
      out += std::isfinite(v) ? FormatRoundTrip(v) : "null";
      break;
    }
    default: out += value.dump(-1, ' ', false, Json::error_handler_t::replace);
  }
}

}  // namespace

std::string JsonText(const Json& value) {
  std::string out;
  AppendJson(value, out);
  return out;
}

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

void PrintJson(const Json& value) {
  Print(JsonText(value));
}

void Note(const std::string& verb, const std::string& text) {
  std::fprintf(stderr, "orvek-cli %s: %s\n", verb.c_str(), text.c_str());
}

}  // namespace orvek::cli
