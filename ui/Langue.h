#pragma once
// The interface language and the translated texts of the settings file. Every call opens
// the file, reads what it needs and closes it; nothing is cached.

#include <QString>

namespace orvek {

/// "Langue" of section "Langage": "F" (default), "E", "S" or "I".
QString Langue();
/// Writes "Langue" of section "Langage" at once.
void SetLangue(const QString& letter);
/// The text `key` of section Langue() + `windowKey` ("Main", "Reduction", "About", ...),
/// empty when missing.
QString LangText(const QString& windowKey, const QString& key);
/// A key of any section, with its default.
QString SettingText(const QString& section, const QString& key, const QString& defaultValue = {});

}  // namespace orvek
