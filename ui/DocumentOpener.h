#pragma once
// Opening a document (a help page, a web page) with the desktop's default handler.
// Injected so that tests record the request instead of starting a browser.

#include <QString>
#include <QStringList>

namespace orvek {

class DocumentOpener {
 public:
  virtual ~DocumentOpener() = default;
  /// Opens a local file or a URL ("https://..."); false when the desktop refused.
  virtual bool OpenDocument(const QString& pathOrUrl) = 0;
};

/// QDesktopServices::openUrl; a local file whose type has no default program on a free
/// desktop is refused (false) instead of being handed to a launcher that opens nothing.
class DesktopOpener : public DocumentOpener {
 public:
  bool OpenDocument(const QString& pathOrUrl) override;
};

/// Records the requests and opens nothing; answers `canOpen` (a desktop without a viewer
/// when false).
class RecordingOpener : public DocumentOpener {
 public:
  bool OpenDocument(const QString& pathOrUrl) override {
    opened << pathOrUrl;
    return canOpen;
  }
  QStringList opened;
  bool canOpen = true;
};

}  // namespace orvek
