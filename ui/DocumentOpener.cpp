#include "ui/DocumentOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace orvek {

bool DesktopOpener::OpenDocument(const QString& pathOrUrl) {
  const QUrl url = pathOrUrl.contains("://") ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
  return QDesktopServices::openUrl(url);
}

}  // namespace orvek
