#pragma once
// The log window (TfrmInfosLog). For now it holds the logs-saved flag that the close
// question reads; the log pages, fields and commands are added with the log feature.

#include <QWidget>

namespace orvek {

struct Workbench;

class TfrmInfosLog : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmInfosLog(Workbench& workbench);

  /// True while every log entry has been saved (true at start).
  bool LogsSaved() const { return m_logsSaved; }
  void SetLogsSaved(bool saved) { m_logsSaved = saved; }
  /// Reloads the texts of section language + "Log".
  void ChangeLangue();

 private:
  Workbench& m_workbench;
  bool m_logsSaved = true;
};

}  // namespace orvek
