#pragma once
// The interface language and the translated texts of the settings file. Every call opens
// the file, reads what it needs and closes it; nothing is cached.

#include <QString>

#include <initializer_list>
#include <utility>
#include "core/Error.h"
#include "core/Status.h"

namespace orvek {

/// "Langue" of section "Langage": "F" (default), "E", "S" or "I".
QString Langue();
/// Writes "Langue" of section "Langage" at once.
void SetLangue(const QString& letter);
/// The text `key` of section Langue() + `windowKey` ("Main", "Reduction", "About", ...),
/// empty when missing.
QString LangText(const QString& windowKey, const QString& key);
/// The text `key` of the main window's section (Langue() + "Main"), empty when missing. The
/// main window's own texts, and those of the commands it runs, beyond the design's keys.
QString MainText(const QString& key);
/// `pattern` with each "{name}" replaced by its value ("{x}" -> "12.5").
QString Fill(QString pattern, std::initializer_list<std::pair<const char*, QString>> values);
/// A caption without its mnemonic marks ("&Fichier" -> "Fichier", "&&" -> "&").
QString WithoutMnemonic(QString caption);
/// The sentence of a failure in the interface language (section Langue() + "Errors").
QString Worded(const Error& error);
QString Worded(const Status& status);
/// A key of any section, with its default.
QString SettingText(const QString& section, const QString& key, const QString& defaultValue = {});

}  // namespace orvek
