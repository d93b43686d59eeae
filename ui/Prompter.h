#pragma once
// Every modal interaction of Orvek goes through a Prompter, so that tests can script the
// answers and never block on a real dialog.

#include <QString>
#include <QStringList>

namespace orvek {

class Prompter {
 public:
  virtual ~Prompter() = default;
  /// An information box with an OK button (ShowInfo).
  virtual void Info(const QString& text) = 0;
  /// An error box with an OK button.
  virtual void Error(const QString& text) = 0;
  /// A Yes/No question; true for Yes.
  virtual bool AskYesNo(const QString& text) = 0;
  /// An open dialog; `filter` in the form "Description|*.a;*.b" (several "|" pairs allowed).
  /// Returns the chosen files (empty = cancelled); one file unless `multi`.
  virtual QStringList OpenFiles(const QString& filter, bool multi, const QString& folder = {}) = 0;
  /// A save dialog proposing `proposed`; empty = cancelled. `confirmOverwrite` asks before
  /// replacing an existing file.
  virtual QString SaveFile(const QString& proposed, const QString& filter,
                           bool confirmOverwrite = false) = 0;
};

}  // namespace orvek
