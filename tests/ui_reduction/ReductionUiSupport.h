#pragma once
// The measurement table, log and camera windows of a fresh workbench, with helpers that
// enter pairs the way the main window does (its CurrentPoint entered by a right click).

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QString>
#include <string>

#include "../ui/UiFixture.h"
#include "measure/ReductionTable.h"
#include "ui/UfrmCam.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmInfosLog.h"

namespace orvek::test {

/// A measurement at (x, y) with a value and a pixel count.
rStarPos Star(Extended x, Extended y, Extended value = 1000, int32_t count = 5);

class ReductionUiTest : public UiTest {
 protected:
  void SetUp() override;

  TformCentroid& Win() { return *Wb().formCentroid; }
  TfrmInfosLog& Log() { return *Wb().frmInfosLog; }
  TformCam& Cam() { return *Wb().formCam; }
  const ReductionTable& Table() { return Win().Table(); }

  /// A control of the table window by object name (fails the test when missing).
  template <class T>
  T* W(const char* name) {
    T* w = Win().findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  template <class T>
  T* L(const char* name) {
    T* w = Log().findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QLineEdit* Edit(const char* name) { return W<QLineEdit>(name); }
  QString Text(const char* name) { return W<QLineEdit>(name)->text(); }
  QAction* Act(const char* name) { return W<QAction>(name); }

  /// Writes `pair.fit` (100 x 80, background 100) into the data folder and loads it: the
  /// frame every entered measurement is attributed to.
  void LoadFrame(const std::string& name = "pair.fit");
  /// Enters `p` as the main window's right click does.
  void RightClick(const rStarPos& p);
  /// A and B entered by two right clicks.
  void EnterPair(const rStarPos& a, const rStarPos& b);
  /// The cell editor a view has just opened (closed ones wait for their deletion).
  static QLineEdit* OpenEditor(QWidget* viewport);
  /// Replaces a field's text by typing `text` over it.
  void Type(QLineEdit* edit, const QString& text);

  std::string Raw(int row, int col) { return Table().Cell(row, col); }
  std::string Res(int row, int col) { return Table().ResultCell(row, col); }
};

}  // namespace orvek::test
