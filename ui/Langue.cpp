#include "ui/Langue.h"

#include "core/IniFile.h"
#include "core/Utils.h"
#include "wording/Wording.h"

namespace orvek {

QString Langue() {
  return SettingText("Langage", "Langue", "F");
}

void SetLangue(const QString& letter) {
  IniFile(SettingsPath()).WriteString("Langage", "Langue", letter.toStdString());
}

QString LangText(const QString& windowKey, const QString& key) {
  return SettingText(Langue() + windowKey, key);
}

QString Worded(const Error& error) {
  const IniFile settings(SettingsPath());
  return QString::fromStdString(Describe(error, settings, InterfaceLanguage(settings)));
}

QString Worded(const Status& status) {
  const IniFile settings(SettingsPath());
  return QString::fromStdString(Describe(status, settings, InterfaceLanguage(settings)));
}

QString MainText(const QString& key) {
  return LangText("Main", key);
}

QString Fill(QString pattern, std::initializer_list<std::pair<const char*, QString>> values) {
  for (const auto& [name, value] : values) {
    pattern.replace(QLatin1Char('{') + QLatin1String(name) + QLatin1Char('}'), value);
  }
  return pattern;
}

QString WithoutMnemonic(QString caption) {
  caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  caption.remove(QLatin1Char('&'));
  caption.replace(QStringLiteral("\x01"), QStringLiteral("&"));
  return caption;
}

QString SettingText(const QString& section, const QString& key, const QString& defaultValue) {
  return QString::fromStdString(
      IniFile(SettingsPath())
          .ReadString(section.toStdString(), key.toStdString(), defaultValue.toStdString()));
}

}  // namespace orvek
