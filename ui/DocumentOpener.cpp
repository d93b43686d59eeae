#include "ui/DocumentOpener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace orvek {

namespace {

// On a free desktop, xdg-open starts and reports success even when no program is set for the
// file's type, and nothing opens. A type without a default program is therefore refused here.
bool FreeDesktopHasHandler(const QString& path) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  const QString query = QStandardPaths::findExecutable("xdg-mime");
  if (query.isEmpty()) return true;  // Qt's own way of opening decides
  QProcess process;
  process.start(query, {"query", "default", QMimeDatabase().mimeTypeForFile(path).name()});
  if (!process.waitForFinished(3000)) {
    process.kill();
    process.waitForFinished(1000);
    return true;
  }
  return process.exitCode() == 0 && !process.readAllStandardOutput().trimmed().isEmpty();
#else
  Q_UNUSED(path);
  return true;
#endif
}

}  // namespace

bool DesktopOpener::OpenDocument(const QString& pathOrUrl) {
  const QUrl url = pathOrUrl.contains("://") ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
  if (url.isLocalFile() && !FreeDesktopHasHandler(url.toLocalFile())) return false;
  return QDesktopServices::openUrl(url);
}

}  // namespace orvek
