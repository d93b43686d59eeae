#pragma once
// The Prompter of the running program: Qt message boxes and file dialogs.

#include <QString>

#include "ui/Prompter.h"

class QWidget;

namespace orvek {

class QtPrompter : public Prompter {
 public:
  /// `parent` is the window the boxes are centred on (may be set later).
  explicit QtPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
  void SetParent(QWidget* parent) { m_parent = parent; }

  void Info(const QString& text) override;
  void Error(const QString& text) override;
  bool AskYesNo(const QString& text) override;
  QStringList OpenFiles(const QString& filter, bool multi, const QString& folder = {}) override;
  QString SaveFile(const QString& proposed, const QString& filter,
                   bool confirmOverwrite = false) override;

  /// Turns "Description|*.a;*.b|Other|*.c" into Qt's "Description (*.a *.b);;Other (*.c)".
  static QString ToQtFilter(const QString& filter);

 private:
  QWidget* m_parent;
  QString m_lastFolder;  // the folder of the last dialog, where the next one opens
};

}  // namespace orvek
