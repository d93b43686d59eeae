#include "ui/QtPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace orvek {

namespace {
QString Title() {
  return QApplication::applicationName();
}
}  // namespace

void QtPrompter::Info(const QString& text) {
  QMessageBox::information(m_parent, Title(), text, QMessageBox::Ok);
}

void QtPrompter::Error(const QString& text) {
  QMessageBox::critical(m_parent, Title(), text, QMessageBox::Ok);
}

bool QtPrompter::AskYesNo(const QString& text) {
  return QMessageBox::warning(m_parent, Title(), text, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) == QMessageBox::Yes;
}

QString QtPrompter::ToQtFilter(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << parts[i] + " (" + patterns + ")";
  }
  if (parts.size() % 2 == 1 && !parts.back().isEmpty()) out << parts.back();
  return out.join(";;");
}

QStringList QtPrompter::OpenFiles(const QString& filter, bool multi, const QString& folder) {
  const QString start = folder.isEmpty() ? m_lastFolder : folder;
  QStringList files;
  if (multi) {
    files = QFileDialog::getOpenFileNames(m_parent, Title(), start, ToQtFilter(filter));
  } else {
    const QString one = QFileDialog::getOpenFileName(m_parent, Title(), start, ToQtFilter(filter));
    if (!one.isEmpty()) files << one;
  }
  if (!files.isEmpty()) m_lastFolder = QFileInfo(files.first()).absolutePath();
  return files;
}

QString QtPrompter::SaveFile(const QString& proposed, const QString& filter,
                             bool confirmOverwrite) {
  QString start = proposed;
  if (QFileInfo(proposed).isRelative() && !m_lastFolder.isEmpty()) {
    start = m_lastFolder + "/" + proposed;
  }
  QFileDialog::Options options;
  if (!confirmOverwrite) options |= QFileDialog::DontConfirmOverwrite;
  const QString name =
      QFileDialog::getSaveFileName(m_parent, Title(), start, ToQtFilter(filter), nullptr, options);
  if (!name.isEmpty()) m_lastFolder = QFileInfo(name).absolutePath();
  return name;
}

}  // namespace orvek
