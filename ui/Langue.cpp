#include "ui/Langue.h"

#include "core/IniFile.h"
#include "core/Utils.h"

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

QString SettingText(const QString& section, const QString& key, const QString& defaultValue) {
  return QString::fromStdString(
      IniFile(SettingsPath())
          .ReadString(section.toStdString(), key.toStdString(), defaultValue.toStdString()));
}

}  // namespace orvek
