#pragma once
// A fresh workbench for every test: ORVEK_HOME is a temporary folder holding the shipped
// settings file, the windows are created in their order, the main window is shown on the
// offscreen platform, and every dialog answer comes from a ScriptedPrompter.

#include <gtest/gtest.h>

#include <QApplication>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>

#include "core/OTrame.h"
#include "core/WorkerPool.h"
#include "support/TestSupport.h"
#include "ui/DocumentOpener.h"
#include "ui/ScriptedPrompter.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

namespace orvek::test {

// Presses a button of a dialog as soon as the dialog is shown (the dialog is modal: the test
// cannot reach it otherwise), or closes it ("close") or presses Escape ("escape"). Records
// whether the dialog was shown.
class DialogAnswer : public QObject {
 public:
  DialogAnswer(QWidget* dialog, QString button);
  bool shown = false;

 private:
  QWidget* m_dialog;
  QString m_button;
  QTimer m_timer;
};

/// The application object shared by all tests (created on first use, offscreen).
QApplication& App();

/// 21 x 21 frame of background 100 with one star centred on (10, 10): 1000 at the centre,
/// 500 on its four sides, 300 on its four diagonals.
OTrame StarFrame();

/// Writes a frame as an unscaled 16-bit FITS file (values must lie in 0..32767).
void WriteFits(const OTrame& frame, const std::string& path);

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  TFormMain& Main() { return *m_wb->FormMain; }
  Workbench& Wb() { return *m_wb; }
  /// The program folder (ORVEK_HOME), ending in "/".
  std::string Home() const { return m_home->Path(); }
  QString QHome() const { return QString::fromStdString(m_home->Path()); }
  /// A path in the test's own data folder (beside, not inside, the program folder).
  std::string Data(const std::string& name) const { return m_data->File(name); }
  QString QData(const std::string& name) const { return QString::fromStdString(Data(name)); }

  template <class T>
  T* Find(const char* name) {
    T* w = Main().findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  ScriptedPrompter m_prompter;
  RecordingOpener m_opener;
  WorkerPool m_pool{2};  // as the program has one, of two tasks at least
  std::unique_ptr<TempHome> m_home;
  std::unique_ptr<TempDir> m_data;
  std::unique_ptr<Workbench> m_wb;
};

}  // namespace orvek::test
