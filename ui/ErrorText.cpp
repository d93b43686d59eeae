#include "ui/ErrorText.h"

#include "core/Utils.h"
#include "wording/Wording.h"

namespace orvek {

QString ErrorText(const Error& error) {
  return QString::fromStdString(Describe(error, SettingsPath()));
}

QString ErrorText(const Status& status) {
  return QString::fromStdString(Describe(status, SettingsPath()));
}

}  // namespace orvek
