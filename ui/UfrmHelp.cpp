#include "ui/UfrmHelp.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/DocumentOpener.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"
#include "ui/Workbench.h"

namespace orvek {

TfrmHelp::TfrmHelp(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TfrmHelp");
  setWindowFlag(Qt::Window);
  m_browser = new QTextBrowser(this);
  m_browser->setObjectName("HelpBrowser");
  // Links are followed here: pages of the help in this window, the web on the desktop.
  m_browser->setOpenLinks(false);
  m_back = new QPushButton(this);
  m_back->setObjectName("HelpBack");
  m_forward = new QPushButton(this);
  m_forward->setObjectName("HelpForward");
  m_home = new QPushButton(this);
  m_home->setObjectName("HelpHome");
  m_back->setEnabled(false);
  m_forward->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_back);
  buttons->addWidget(m_forward);
  buttons->addWidget(m_home);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(m_browser, 1);
  connect(m_back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
  connect(m_forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
  connect(m_home, &QPushButton::clicked, this, [this] { ShowPage(m_homePage); });
  connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QPushButton::setEnabled);
  connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QPushButton::setEnabled);
  connect(m_browser, &QTextBrowser::anchorClicked, this,
          [this](const QUrl& url) { FollowLink(url); });
  resize(760, 640);
  ChangeLangue();
}

void TfrmHelp::ChangeLangue() {
  setWindowTitle(MainText("hTitle"));
  m_back->setText(MainText("hBack"));
  m_forward->setText(MainText("hForward"));
  m_home->setText(MainText("hHome"));
}

bool TfrmHelp::ShowPage(const QString& page) {
  const QUrl url = page.contains("://") ? QUrl(page) : QUrl::fromLocalFile(page);
  const QFileInfo file(url.toLocalFile());
  if (!url.isLocalFile() || !file.isFile() || !file.isReadable()) return false;
  m_homePage = url.adjusted(QUrl::RemoveFragment).toLocalFile();
  m_browser->setSource(url);
  show();
  raise();
  activateWindow();
  return true;
}

void TfrmHelp::FollowLink(const QUrl& link) {
  const QUrl url = m_browser->source().resolved(link);
  if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) {
    m_browser->setSource(url);
    return;
  }
  if (!m_workbench.opener.OpenDocument(url.toString())) {
    m_workbench.prompter.Info(Fill(MainText("hNoViewer"), {{"page", url.toString()}}));
  }
}

HelpShown OpenHelpPage(Workbench& workbench, const QString& page) {
  const QFileInfo file(page);
  if (file.isFile() && file.isReadable()) {
    if (workbench.opener.OpenDocument(page)) return HelpShown::Desktop;
    if (!workbench.frmHelp) workbench.frmHelp = std::make_unique<TfrmHelp>(workbench);
    if (workbench.frmHelp->ShowPage(page)) return HelpShown::Window;
  }
  workbench.prompter.Info(Fill(MainText("hNoPage"), {{"page", page}}));
  return HelpShown::None;
}

}  // namespace orvek
