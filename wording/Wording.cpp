#include "wording/Wording.h"

#include "core/Folders.h"
#include "core/Rounding.h"
#include "core/Utils.h"

namespace orvek {

char InterfaceLanguage(const IniFile& settings) {
  const std::string l = settings.ReadString("Langage", "Langue", "F");
  if (l == "E" || l == "S" || l == "I") return l[0];
  return 'F';
}

std::string Words(const IniFile& settings, char lang, const std::string& section,
                  const std::string& key) {
  const std::string own = settings.ReadString(std::string(1, lang) + section, key, "");
  if (!own.empty() || lang == 'E') return own;
  return settings.ReadString("E" + section, key, "");
}

std::string FillPlaceholders(const std::string& pattern, const Error& e) {
  auto value = [&](const std::string& name, std::string& out) -> bool {
    if (name == "path")
      out = e.path;
    else if (name == "field")
      out = e.field;
    else if (name == "row")
      out = e.row >= 0 ? std::to_string(e.row) : std::string();
    else if (name == "text")
      out = e.text;
    else if (name == "detail")
      out = e.detail;
    else if (name.size() == 2 && name[0] == 'v' && name[1] >= '1' && name[1] <= '9') {
      const size_t i = static_cast<size_t>(name[1] - '1');
      out = i < e.values.size() ? FormatGeneral(e.values[i]) : std::string();
    } else {
      return false;
    }
    return true;
  };
  std::string out;
  for (size_t i = 0; i < pattern.size();) {
    if (pattern[i] == '{') {
      const size_t close = pattern.find('}', i);
      std::string v;
      if (close != std::string::npos && value(pattern.substr(i + 1, close - i - 1), v)) {
        out += v;
        i = close + 1;
        continue;
      }
    }
    out += pattern[i++];
  }
  return out;
}

std::string Describe(const Error& e, const IniFile& settings, char lang) {
  const std::string pattern = Words(settings, lang, "Errors", ErrorCodeName(e.code));
  if (pattern.empty()) return DebugText(e);
  return FillPlaceholders(pattern, e);
}

std::string Describe(const Status& s, const IniFile& settings, char lang) {
  if (!s.message.empty()) return s.message;
  return Describe(s.error, settings, lang);
}

std::string Describe(const Status& s) {
  return Describe(s, SettingsPath());
}

std::string Describe(const Error& e, const std::string& settingsPath) {
  return Describe(Status::Fail(e), settingsPath);
}

std::string Describe(const Status& s, const std::string& settingsPath) {
  const IniFile settings(settingsPath);
  if (FileExists(settings.Path())) return Describe(s, settings, InterfaceLanguage(settings));
  return Describe(s, IniFile(ResourceFolder() + "orvek.ini"), CurrentLocaleLanguage());
}

}  // namespace orvek
