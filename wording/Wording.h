#pragma once
// Words for the program's values: the texts of failures (and of other messages composed
// from values) in the interface language, taken from the settings file. Shared by the
// windows and the command line; the library below never words anything.

#include <string>

#include "core/Error.h"
#include "core/IniFile.h"
#include "core/Status.h"

namespace orvek {

/// The interface language letter of the settings file ("Langage"/"Langue"): 'F' (default),
/// 'E', 'S' or 'I'.
char InterfaceLanguage(const IniFile& settings);

/// The text `key` of section `lang` + `section` ("Errors", "Cli", ...); the English text
/// when the language lacks the key; empty when neither has it.
std::string Words(const IniFile& settings, char lang, const std::string& section,
                  const std::string& key);

/// Replaces the placeholders {path} {field} {row} {text} {detail} {v1}..{v4} of `pattern`
/// with the fields of `e` (numbers in general format, "." as decimal separator).
std::string FillPlaceholders(const std::string& pattern, const Error& e);

/// The sentence of a failure in language `lang`: the pattern of section lang + "Errors",
/// key ErrorCodeName(code), filled; the plain field list when no language has the key.
std::string Describe(const Error& e, const IniFile& settings, char lang);
/// The sentence of a failed Status: its own `message` when it was made with one, else
/// Describe of its error.
std::string Describe(const Status& s, const IniFile& settings, char lang);
/// Describe in the interface language of the program's settings file (SettingsPath()); while
/// that file does not exist (a first start that could not write it), the words come from the
/// shipped template in the resource folder and the language from the locale.
std::string Describe(const Status& s);
/// The same in the interface language of the settings file at `settingsPath`.
std::string Describe(const Error& e, const std::string& settingsPath);
std::string Describe(const Status& s, const std::string& settingsPath);

}  // namespace orvek
