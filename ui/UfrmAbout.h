#pragma once
// The about box (TfrmAbout): picture, version, release date and the text lines of section
// language + "About". A click on the box or on its close button closes it; the second
// button and the picture open the program's documentation page in the interface language
// (the desktop's viewer, else the program's help window).

#include <QDialog>

class QLabel;
class QPushButton;

namespace orvek {

struct Workbench;

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAbout(Workbench& workbench);

  /// Reloads the button caption ("B1") and the text lines ("M1_lines", "M1_0" ... "M1_n").
  void ChangeLangue();
  /// The page opened by the second button and the picture: the help page of the interface
  /// language.
  static QString MakersPage();

  QLabel* Image1() const { return m_image1; }
  QLabel* Memo1() const { return m_memo1; }
  QPushButton* B1() const { return m_b1; }
  QPushButton* B2() const { return m_b2; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OpenMakersPage();

  Workbench& m_workbench;
  QLabel* m_image1;
  QLabel* m_version;
  QLabel* m_date;
  QLabel* m_memo1;
  QPushButton* m_b1;
  QPushButton* m_b2;
};

}  // namespace orvek
