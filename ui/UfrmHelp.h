#pragma once
// The program's help window: the bundled help pages shown in a text browser, with their links
// (anchors within a page, the other pages beside it) and their pictures. It is the fallback of
// the help commands when no desktop viewer can be started; links to the web go to the desktop.

#include <QString>
#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace orvek {

struct Workbench;

class TfrmHelp : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmHelp(Workbench& workbench);

  /// Shows `page` (a local HTML file, with an optional "#anchor"); false when it cannot be
  /// read.
  bool ShowPage(const QString& page);
  /// The window's texts in the interface language.
  void ChangeLangue();

  QTextBrowser* Browser() const { return m_browser; }

 private:
  void FollowLink(const QUrl& url);

  Workbench& m_workbench;
  QTextBrowser* m_browser;
  QPushButton* m_back;
  QPushButton* m_forward;
  QPushButton* m_home;
  QString m_homePage;
};

/// How a help page was shown.
enum class HelpShown {
  Desktop,  ///< the desktop's viewer was started
  Window,   ///< the program's help window shows it
  None,     ///< neither: a message said so
};

/// A help page (a local HTML file): the desktop's viewer when one can be started, else the
/// program's help window, else a message naming the page.
HelpShown OpenHelpPage(Workbench& workbench, const QString& page);

}  // namespace orvek
