#include "ui/ErrorText.h"

#include "core/IniFile.h"
#include "core/Utils.h"
#include "wording/Wording.h"

namespace orvek {

QString ErrorText(const Error& error) {
  const IniFile settings(SettingsPath());
  return QString::fromStdString(Describe(error, settings, InterfaceLanguage(settings)));
}

QString ErrorText(const Status& status) {
  const IniFile settings(SettingsPath());
  return QString::fromStdString(Describe(status, settings, InterfaceLanguage(settings)));
}

}  // namespace orvek
