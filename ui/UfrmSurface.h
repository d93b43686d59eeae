#pragma once
// The two-star surface-fit window (TformSurface): the log of the last fit (Memo1), a help
// text from the settings file (Memo2) and the button that closes it (Button1, "Ok"). The
// "Surface" command fills the log and shows the window modally; hiding it clears the log.

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

namespace orvek {

struct Workbench;

class TformSurface : public QDialog {
  Q_OBJECT
 public:
  explicit TformSurface(Workbench& workbench);
  /// Reloads the help text of section language + "Surface": "L1_lines" (default "0") lines
  /// "L1" ... "Ln" replace the contents of Memo2.
  void ChangeLangue();

  /// Replaces the log of Memo1 by these lines.
  void SetLog(const QStringList& lines);
  /// Shows the window modally until it is closed ("Ok" or the close box). Tests press
  /// Button1 once the window is visible.
  void Execute();

  QPlainTextEdit* Memo1() const { return m_Memo1; }
  QPlainTextEdit* Memo2() const { return m_Memo2; }
  QPushButton* Button1() const { return m_Button1; }

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  Workbench& m_workbench;
  QPlainTextEdit* m_Memo1 = nullptr;
  QPlainTextEdit* m_Memo2 = nullptr;
  QPushButton* m_Button1 = nullptr;
};

}  // namespace orvek
