#pragma once
// The FITS header window (TfrmFitsHeader): one text box, fixed-width font, both scroll
// bars, holding the header cards of the last image loaded.

#include <QPlainTextEdit>
#include <QWidget>

namespace orvek {

struct Workbench;

class TfrmFitsHeader : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmFitsHeader(Workbench& workbench);
  /// Replaces the lines of Memo1 (lines separated by CR LF or LF).
  void SetHeaderText(const QString& text);
  QPlainTextEdit* Memo1() const { return m_memo1; }

 private:
  QPlainTextEdit* m_memo1;
};

}  // namespace orvek
