#include "cli/Cli.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/Rounding.h"

namespace orvek::cli {

std::map<std::string, VerbInfo>& Verbs() {
  static std::map<std::string, VerbInfo> verbs;
  return verbs;
}

VerbRegistrar::VerbRegistrar(const char* name, const char* usage, VerbFunction run) {
  Verbs()[name] = VerbInfo{name, usage, run};
}

namespace {
bool Contains(const std::vector<std::string>& list, const std::string& s) {
  return std::find(list.begin(), list.end(), s) != list.end();
}
}  // namespace

Args::Args(const std::vector<std::string>& args, const std::vector<std::string>& flags,
           const std::vector<std::string>& valued) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      std::string name = a;
      std::string value;
      bool hasInline = false;
      const auto eq = a.find('=');
      if (eq != std::string::npos) {
        name = a.substr(0, eq);
        value = a.substr(eq + 1);
        hasInline = true;
      }
      if (Contains(flags, name)) {
        if (hasInline) throw UsageError(name + " takes no value");
        m_flags.push_back(name);
      } else if (Contains(valued, name)) {
        if (!hasInline) {
          if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
          value = args[++i];
        }
        m_values[name].push_back(value);
      } else {
        throw UsageError("unknown option " + name);
      }
    } else {
      m_positional.push_back(a);
    }
  }
}

bool Args::Flag(const std::string& name) const {
  return Contains(m_flags, name);
}
bool Args::Has(const std::string& name) const {
  return m_values.count(name) > 0;
}

std::string Args::Value(const std::string& name, const std::string& fallback) const {
  auto it = m_values.find(name);
  return it == m_values.end() ? fallback : it->second.back();
}

std::vector<std::string> Args::Values(const std::string& name) const {
  auto it = m_values.find(name);
  return it == m_values.end() ? std::vector<std::string>{} : it->second;
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

double Args::Real(const std::string& name, double fallback) const {
  if (!Has(name)) return fallback;
  double v = 0;
  if (!ParseReal(Value(name), v)) throw UsageError(name + ": not a number: " + Value(name));
  return v;
}

long long Args::Integer(const std::string& name, long long fallback) const {
  if (!Has(name)) return fallback;
  int64_t v = 0;
  if (!ParseInt(Value(name), v)) throw UsageError(name + ": not an integer: " + Value(name));
  return v;
}

bool Args::Pair(const std::string& name, double& a, double& b) const {
  if (!Has(name)) return false;
  if (!ParsePair(Value(name), a, b)) throw UsageError(name + ": expected X,Y, got " + Value(name));
  return true;
}

void Json::Separate() {
  if (m_afterKey) {
    m_afterKey = false;
    return;
  }
  if (!m_first.empty()) {
    if (!m_first.back()) m_text += ',';
    m_first.back() = false;
  }
}

Json& Json::BeginObject() {
  Separate();
  m_text += '{';
  m_first.push_back(true);
  return *this;
}
Json& Json::EndObject() {
  m_text += '}';
  m_first.pop_back();
  return *this;
}
Json& Json::BeginArray() {
  Separate();
  m_text += '[';
  m_first.push_back(true);
  return *this;
}
Json& Json::EndArray() {
  m_text += ']';
  m_first.pop_back();
  return *this;
}
Json& Json::Key(const std::string& key) {
  Separate();
  WriteQuoted(key);
  m_text += ':';
  m_afterKey = true;
  return *this;
}
Json& Json::Number(double v) {
  Separate();
  if (!std::isfinite(v)) {
    m_text += "null";
  } else {
    m_text += FormatRoundTrip(v);
  }
  return *this;
}
Json& Json::Integer(long long v) {
  Separate();
  m_text += std::to_string(v);
  return *this;
}
Json& Json::String(const std::string& s) {
  Separate();
  WriteQuoted(s);
  return *this;
}

void Json::WriteQuoted(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
  m_text += out;
}
Json& Json::Bool(bool b) {
  Separate();
  m_text += b ? "true" : "false";
  return *this;
}
Json& Json::Null() {
  Separate();
  m_text += "null";
  return *this;
}

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

}  // namespace orvek::cli
