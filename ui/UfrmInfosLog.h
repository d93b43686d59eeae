#pragma once
// The log window (TfrmInfosLog): the observation details of the first page ("AutoInfo"),
// and the three logs the model LogComposer builds from the measurement table: the readable
// log (Memo1), the data lines (Memo2) and the report lines (Memo3). "&Enregistrer" saves
// them as three text files with CR LF line ends; the logs count as saved only when all
// three files were written, and the main window asks before closing while they are not.
// The Enter key anywhere in the window adds the current table to the logs.

#include <QWidget>
#include <array>

#include "core/Status.h"
#include "measure/LogComposer.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace orvek {

struct Workbench;
class ExportDialog;

class TfrmInfosLog : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmInfosLog(Workbench& workbench);
  ~TfrmInfosLog() override;

  /// True while every log entry has been saved (true at start).
  bool LogsSaved() const { return m_logsSaved; }
  void SetLogsSaved(bool saved) { m_logsSaved = saved; }
  /// Reloads the texts of section language + "Log".
  void ChangeLangue();

  /// Shows the window (the camera line is refilled at every show) and brings it forward.
  void ShowLog();
  /// The table's "Ajouter au &Log": the system field set to `system`, the first page, shown.
  void ShowForSystem(const QString& system);
  /// "Ajouter au log": one entry more in each log from the measurement table's state. A
  /// median cell that is not a number is reported and nothing is added.
  Status AjouterAuLog();
  /// "&Enregistrer": three save dialogs (log, data, report), each asking before it replaces
  /// a file; a file that cannot be written is reported. Returns what was written.
  LogSaveResult Enregistrer();
  /// "&Masquer".
  void Masquer() { hide(); }
  /// "Export...": the export dialog of the measurement table's rows, its pair, WDS position,
  /// magnitudes and notes taken from this window's fields; shown, not modal.
  ExportDialog* OpenExport();

  /// The model of the window (its fields are read from the edits before every use).
  const LogComposer& Composer() const { return m_log; }
  /// Page shown: 0 AutoInfo, 1 Log Texte, 2 Log Data, 3 EZReport.
  int ActivePage() const;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  QLineEdit* AddField(const char* name, std::string LogFields::*field);
  void ReadFields();
  void ReadMemos();
  void ShowMemos();
  void ShowTexts();
  void CentreOnScreen();

  Workbench& m_workbench;
  LogComposer m_log;
  bool m_logsSaved = true;
  bool m_settingMemos = false;
  std::array<bool, 3> m_memoEdited = {false, false, false};
  bool m_centred = false;

  struct Field {
    std::string LogFields::*member;
    std::string LogLabels::*label;
    QLineEdit* edit;
    QLabel* caption;
  };
  std::vector<Field> m_fields;

  QMenuBar* m_MainMenu1 = nullptr;
  QAction* m_Enregistrer1 = nullptr;
  QAction* m_Masquer1 = nullptr;
  QAction* m_Exporter1 = nullptr;
  ExportDialog* m_exportDialog = nullptr;
  QTabWidget* m_Notebook1 = nullptr;
  QPushButton* m_Button1 = nullptr;
  QLineEdit* m_lCam = nullptr;
  QLineEdit* m_lSys = nullptr;
  std::array<QPlainTextEdit*, 3> m_memos = {nullptr, nullptr, nullptr};
  QCheckBox* m_checkech = nullptr;
  QCheckBox* m_checkdel = nullptr;
  QCheckBox* m_checkdet = nullptr;
  QCheckBox* m_CheckBru = nullptr;
};

}  // namespace orvek
