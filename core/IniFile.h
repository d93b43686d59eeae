#pragma once
// The settings file "orvek.ini": sections in square brackets, "key=value" lines.
// Every access opens the file, reads or writes what it needs and closes it; nothing is
// cached. Section and key names compare without regard to case; writing keeps every
// other section, key, comment and blank line, and the byte-order mark. Text is UTF-8.

#include <string>
#include <vector>

#include "core/Status.h"

namespace orvek {

class IniFile {
 public:
  explicit IniFile(std::string path) : m_path(std::move(path)) {}

  const std::string& Path() const { return m_path; }

  /// The value of section/key, trimmed (surrounding quotes removed), or `defaultValue`
  /// when the file, the section or the key is missing.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  /// The value read as an integer; `defaultValue` when missing or not an integer.
  long long ReadInteger(const std::string& section, const std::string& key,
                        long long defaultValue) const;
  /// True when the key is present.
  bool KeyExists(const std::string& section, const std::string& key) const;
  /// The key names of a section, in file order.
  std::vector<std::string> ReadKeys(const std::string& section) const;
  /// The section names, in file order.
  std::vector<std::string> ReadSections() const;

  /// Sets section/key to value, creating the file, the section or the key when missing.
  Status WriteString(const std::string& section, const std::string& key,
                     const std::string& value) const;
  /// Removes a key (every line of it, when a hand-edited file repeats it); a missing key is
  /// no error.
  Status DeleteKey(const std::string& section, const std::string& key) const;

 private:
  std::string m_path;
};

}  // namespace orvek
