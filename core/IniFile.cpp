#include "core/IniFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/Rounding.h"
#include "core/Utils.h"

namespace orvek {

namespace {

struct IniText {
  std::vector<std::string> lines;
  bool crlf = true;  // line ends written back: those of the file, CR LF for a new file
  bool bom = false;  // the file began with a UTF-8 byte-order mark, written back
};

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

IniText Load(const std::string& path) {
  IniText text;
  std::vector<unsigned char> bytes;
  if (!ReadWholeFile(path, bytes)) return text;
  std::string all(bytes.begin(), bytes.end());
  if (all.size() >= 3 && static_cast<unsigned char>(all[0]) == 0xEF &&
      static_cast<unsigned char>(all[1]) == 0xBB && static_cast<unsigned char>(all[2]) == 0xBF) {
    all.erase(0, 3);  // UTF-8 byte-order mark
    text.bom = true;
  }
  text.crlf = all.find("\r\n") != std::string::npos || all.find('\n') == std::string::npos;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\n', start);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    text.lines.push_back(line);
    start = end + 1;
  }
  return text;
}

// Section name of a "[name]" line, or false.
bool SectionName(const std::string& line, std::string& name) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  const auto close = t.find(']');
  if (close == std::string::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}

// Key and value of a "key=value" line, or false (comments and blank lines).
bool KeyValue(const std::string& line, std::string& key, std::string& value) {
  const std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#') return false;
  const auto eq = line.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                            (value.front() == '\'' && value.back() == '\'')))
    value = value.substr(1, value.size() - 2);
  return !key.empty();
}

// Index range [begin, end) of the body of a section; begin = npos when missing.
void FindSection(const IniText& text, const std::string& section, size_t& header, size_t& end) {
  header = std::string::npos;
  end = text.lines.size();
  std::string name;
  for (size_t i = 0; i < text.lines.size(); ++i) {
    if (!SectionName(text.lines[i], name)) continue;
    if (header != std::string::npos) {
      end = i;
      return;
    }
    if (EqualNoCase(name, section)) header = i;
  }
}

size_t FindKey(const IniText& text, size_t header, size_t end, const std::string& key) {
  std::string k;
  std::string v;
  for (size_t i = header + 1; i < end; ++i) {
    if (KeyValue(text.lines[i], k, v) && EqualNoCase(k, key)) return i;
  }
  return std::string::npos;
}

Status Save(const std::string& path, const IniText& text) {
  std::string out = text.bom ? "\xEF\xBB\xBF" : "";
  const char* eol = text.crlf ? "\r\n" : "\n";
  for (const std::string& line : text.lines) {
    out += line;
    out += eol;
  }
  // Written beside the file and renamed, so that a failed write never loses the settings.
  return ReplaceFile(path, out.data(), out.size());
}

}  // namespace

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
  const IniText text = Load(m_path);
  size_t header = 0;
  size_t end = 0;
  FindSection(text, section, header, end);
  if (header == std::string::npos) return defaultValue;
  const size_t at = FindKey(text, header, end, key);
  if (at == std::string::npos) return defaultValue;
  std::string k;
  std::string v;
  KeyValue(text.lines[at], k, v);
  return v;
}

long long IniFile::ReadInteger(const std::string& section, const std::string& key,
                               long long defaultValue) const {
  int64_t v = 0;
  const std::string s = ReadString(section, key, "");
  return ParseInt(s, v) ? v : defaultValue;
}

bool IniFile::KeyExists(const std::string& section, const std::string& key) const {
  const IniText text = Load(m_path);
  size_t header = 0;
  size_t end = 0;
  FindSection(text, section, header, end);
  return header != std::string::npos && FindKey(text, header, end, key) != std::string::npos;
}

std::vector<std::string> IniFile::ReadKeys(const std::string& section) const {
  std::vector<std::string> keys;
  const IniText text = Load(m_path);
  size_t header = 0;
  size_t end = 0;
  FindSection(text, section, header, end);
  if (header == std::string::npos) return keys;
  std::string k;
  std::string v;
  for (size_t i = header + 1; i < end; ++i) {
    if (KeyValue(text.lines[i], k, v)) keys.push_back(k);
  }
  return keys;
}

std::vector<std::string> IniFile::ReadSections() const {
  std::vector<std::string> sections;
  const IniText text = Load(m_path);
  std::string name;
  for (const std::string& line : text.lines) {
    if (SectionName(line, name)) sections.push_back(name);
  }
  return sections;
}

Status IniFile::WriteString(const std::string& section, const std::string& key,
                            const std::string& value) const {
  IniText text = Load(m_path);
  size_t header = 0;
  size_t end = 0;
  FindSection(text, section, header, end);
  const std::string line = key + "=" + value;
  if (header == std::string::npos) {
    if (!text.lines.empty() && !Trim(text.lines.back()).empty()) text.lines.emplace_back();
    text.lines.push_back("[" + section + "]");
    text.lines.push_back(line);
    return Save(m_path, text);
  }
  const size_t at = FindKey(text, header, end, key);
  if (at != std::string::npos) {
    text.lines[at] = line;
  } else {
    // After the last non-blank line of the section, so blank separators stay between sections.
    size_t insert = end;
    while (insert > header + 1 && Trim(text.lines[insert - 1]).empty()) --insert;
    text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(insert), line);
  }
  return Save(m_path, text);
}

Status IniFile::DeleteKey(const std::string& section, const std::string& key) const {
  IniText text = Load(m_path);
  size_t header = 0;
  size_t end = 0;
  FindSection(text, section, header, end);
  if (header == std::string::npos) return Status::Ok();
  // Every line of the key goes: a repeated key (a hand-edited file) would otherwise come
  // back as its next occurrence.
  bool found = false;
  for (size_t at; (at = FindKey(text, header, end, key)) != std::string::npos; --end) {
    text.lines.erase(text.lines.begin() + static_cast<std::ptrdiff_t>(at));
    found = true;
  }
  return found ? Save(m_path, text) : Status::Ok();
}

}  // namespace orvek
