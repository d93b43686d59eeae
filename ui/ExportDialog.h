#pragma once
// "Export" of the log window: the observation written as a JDSO table, a WDS line or a CSV,
// with the details of the pair typed in, a preview of the text and a save command.

#include <QDialog>
#include <functional>

#include "core/Result.h"
#include "measure/Export.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace orvek {

class Prompter;

/// True when the file `path` may be written: it does not exist, or the user said Yes to
/// replacing it.
bool MayReplace(Prompter& prompter, const QString& path);

class ExportDialog : public QDialog {
 public:
  /// `source` gives the measured series each time the preview is made.
  ExportDialog(Prompter& prompter, std::function<Result<ExportInput>()> source,
               QWidget* parent = nullptr);

  /// Fills the fields (the log window passes its system name, WDS id, magnitudes, notes).
  void SetDetails(const ExportDetails& details);
  void SetFormat(ExportFormat format);
  ExportFormat Format() const;
  /// The text of the chosen format from the fields, or why there is none.
  Result<std::string> Text() const;
  /// Rebuilds the preview: the text, or the failure's sentence.
  void Refresh();
  QString Preview() const;
  /// "Save...": a save dialog, the question whether to replace a file already there, then
  /// the file written whole to a temporary file renamed over it. False when cancelled or failed
  /// (the failure shown).
  bool Save();
  void ChangeLangue();

 private:
  Result<ExportDetails> Details() const;
  QLineEdit* AddField(const char* name, int row);

  Prompter& m_prompter;
  std::function<Result<ExportInput>()> m_source;
  QList<QLabel*> m_labels;
  QComboBox* m_cmbFormat = nullptr;
  QLineEdit* m_txtPair = nullptr;
  QLineEdit* m_txtWds = nullptr;
  QLineEdit* m_txtMags = nullptr;
  QLineEdit* m_txtAperture = nullptr;
  QComboBox* m_cmbMethod = nullptr;
  QLineEdit* m_txtObserver = nullptr;
  QLineEdit* m_txtNotes = nullptr;
  QPlainTextEdit* m_memoPreview = nullptr;
  QPushButton* m_btnSave = nullptr;
};

}  // namespace orvek
